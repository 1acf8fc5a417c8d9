// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/DirectoryStorage.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/DiskSpace.h"
#include "devices/FileCopier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

DirectoryStorage::DirectoryStorage(const QString& rootPath) : mRootPath(rootPath) {}

QString DirectoryStorage::absolute(const QString& path) const
{
    return mRootPath + (path.startsWith(QLatin1Char('/')) ? path.mid(1) : path);
}

bool DirectoryStorage::exists(const QString& path)
{
    return QFileInfo::exists(absolute(path));
}

bool DirectoryStorage::isFile(const QString& path)
{
    return QFileInfo(absolute(path)).isFile();
}

qint64 DirectoryStorage::size(const QString& path)
{
    const QFileInfo info(absolute(path));
    return info.isFile() ? info.size() : -1;
}

QList<PhoneStorage::Entry> DirectoryStorage::list(const QString& folder)
{
    TraceScope trace("DirectoryStorage::list");
    QList<Entry> entries;
    const QFileInfoList infos =
        QDir(absolute(folder)).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : infos) {
        Kind kind = Kind::File;
        if (info.isDir())
            kind = Kind::Folder;
        // Hidden files are no playlists: a copy's temporary file is one.
        else if (!info.isHidden() && info.fileName().endsWith(QStringLiteral(".m3u"), Qt::CaseInsensitive))
            kind = Kind::Playlist;
        entries.append({info.fileName(), kind});
    }
    return entries;
}

bool DirectoryStorage::put(const QString& localPath, const QString& path, Kind /*kind*/)
{
    TraceScope trace("DirectoryStorage::put");
    const QString destination = absolute(path);
    QDir().mkpath(QFileInfo(destination).path());
    return FileCopier::copy(localPath, destination);
}

bool DirectoryStorage::put(const QByteArray& data, const QString& path)
{
    TraceScope trace("DirectoryStorage::put");
    const QString destination = absolute(path);
    QDir().mkpath(QFileInfo(destination).path());
    // Unbuffered, so that a short write shows in the count; a buffered
    // QSaveFile would commit the truncated file.
    QSaveFile file(destination);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(data) == data.size() && file.commit();
}

bool DirectoryStorage::get(const QString& path, LocalCopy& copy)
{
    const QString local = absolute(path);
    if (!QFileInfo(local).isFile())
        return false;
    copy.set(local, false);
    return true;
}

bool DirectoryStorage::remove(const QString& path)
{
    TraceScope trace("DirectoryStorage::remove");
    const QString local = absolute(path);
    if (!QFileInfo(local).isFile())
        return false;
    QFile::setPermissions(local, QFile::permissions(local) | QFileDevice::WriteOwner);
    return QFile::remove(local);
}

bool DirectoryStorage::makeFolder(const QString& path)
{
    return QDir().mkpath(absolute(path));
}

bool DirectoryStorage::rename(const QString& path, const QString& newName)
{
    TraceScope trace("DirectoryStorage::rename");
    const QFileInfo info(absolute(path));
    return QFile::rename(info.filePath(), info.path() + QLatin1Char('/') + newName);
}

bool DirectoryStorage::space(qint64& freeBytes, qint64& totalBytes)
{
    return queryDiskSpace(mRootPath, freeBytes, totalBytes);
}

int DirectoryStorage::flush()
{
    TraceScope trace("DirectoryStorage::flush");
    // One syncfs of the whole drive: a sync per file would hold every copy
    // until the medium has it.
    const int fd = ::open(QFile::encodeName(mRootPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        traceValue("Cannot open the drive's root", mRootPath);
        return PhoneResult::Disconnected;
    }
    const int result = ::syncfs(fd);
    ::close(fd);
    if (result != 0) {
        traceMessage("syncfs failed");
        return PhoneResult::FlushFailed;
    }
    return 0;
}

bool DirectoryStorage::reachable()
{
    return QFileInfo(mRootPath).isDir();
}
