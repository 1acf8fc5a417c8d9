// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/BackupFinder.h"

#include "app/TraceLog.h"
#include "transfer/BackupLocator.h"

#include <QDir>

namespace {
const int kEndingLength = 4; // ".ipd", ".bbb"
}

bool BackupFinder::isBackupFileName(const QString& fileName)
{
    TraceScope trace("BackupFinder::isBackupFileName");
    return BackupLocator::isBlackBerryFileName(fileName);
}

QList<BackupEntry> BackupFinder::findBackups(const QString& folder)
{
    TraceScope trace("BackupFinder::findBackups");
    traceValue("folder", folder);
    QList<BackupEntry> entries;
    if (folder.isEmpty())
        return entries;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files, QDir::Unsorted);
    for (const QString& name : names) {
        if (!isBackupFileName(name))
            continue;
        entries.append({name.left(name.size() - kEndingLength), folder + QDir::separator() + name, QString()});
    }
    traceValue("backups found", int(entries.size()));
    return entries;
}
