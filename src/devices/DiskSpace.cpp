// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/DiskSpace.h"

#include "app/TraceLog.h"

#include <QFile>

#include <sys/statvfs.h>

bool queryDiskSpace(const QString& rootPath, qint64& freeBytes, qint64& totalBytes)
{
    TraceScope trace("queryDiskSpace");
    freeBytes = 0;
    totalBytes = 0;
    if (rootPath.isEmpty())
        return false;
    struct statvfs info = {};
    if (::statvfs(QFile::encodeName(rootPath).constData(), &info) != 0) {
        traceValue("statvfs failed", rootPath);
        return false;
    }
    // Free space for an unprivileged user, as the phone's owner sees it.
    freeBytes = static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize);
    totalBytes = static_cast<qint64>(info.f_blocks) * static_cast<qint64>(info.f_frsize);
    return true;
}
