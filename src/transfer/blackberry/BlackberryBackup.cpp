// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryBackup.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BackupArchive.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryIpdReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString manifestPath(const QString& folder)
{
    return folder + QDir::separator() + QStringLiteral("Manifest.xml");
}

QString nullDatabaseName()
{
    return QStringLiteral("Null-database");
}

} // namespace

bool BlackberryBackup::isBackupPath(const QString& path)
{
    TraceScope trace("BlackberryBackup::isBackupPath");
    return path.size() >= 5 && (path.endsWith(QLatin1String("ipd")) || path.endsWith(QLatin1String("bbb")));
}

bool BlackberryBackup::isArchivePath(const QString& path)
{
    TraceScope trace("BlackberryBackup::isArchivePath");
    return path.size() >= 5 && path.endsWith(QLatin1String("bbb"));
}

int BlackberryBackup::unpack(const QString& archivePath, const QString& folder)
{
    TraceScope trace("BlackberryBackup::unpack");
    BackupArchive archive(archivePath);
    const int result = archive.unpackBackupFiles(folder);
    traceReturns(result);
    return result;
}

bool BlackberryBackup::unpackArchive(const QString& archivePath, const QString& folder)
{
    TraceScope trace("BlackberryBackup::unpackArchive");
    return unpack(archivePath, folder) == 0 && QFileInfo::exists(manifestPath(folder));
}

QStringList BlackberryBackup::databaseFiles(const QString& backupPath, const QString& unpackFolder)
{
    TraceScope trace("BlackberryBackup::databaseFiles");
    if (unpackFolder.isEmpty() || !QFileInfo::exists(manifestPath(unpackFolder)))
        return {backupPath};
    QStringList files;
    const QString databases = unpackFolder + QDir::separator() + QStringLiteral("Databases") + QDir::separator();
    for (int n = 1;; ++n) {
        const QString path = databases + QString::number(n) + QStringLiteral(".dat");
        if (!QFileInfo::exists(path))
            break;
        files.append(path);
    }
    return files;
}

int BlackberryBackup::read(const QString& backupPath, const QString& unpackFolder, BackupDatabaseTable& table,
                           BackupRecordHandler* handler)
{
    TraceScope trace("BlackberryBackup::read");
    traceValue("backupPath", backupPath);
    const QStringList files = databaseFiles(backupPath, unpackFolder);
    if (files.isEmpty() || files.first() != backupPath)
        table.addDatabase(nullDatabaseName());

    int opened = 0;
    for (const QString& path : files) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            traceValue("Could not open database", path);
            continue;
        }
        ++opened;
        BlackberryIpdReader reader(table, handler);
        reader.read(file);
    }
    int result = 0;
    if (opened == 0)
        result = kErrorCannotOpenBackup;
    else if (realDatabaseCount(table) == 0)
        result = kErrorNotBackup;
    traceReturns(result);
    return result;
}

int BlackberryBackup::realDatabaseCount(const BackupDatabaseTable& table)
{
    TraceScope trace("BlackberryBackup::realDatabaseCount");
    const bool hasNull = !table.names().isEmpty() && table.names().first() == nullDatabaseName();
    return table.count() - (hasNull ? 1 : 0);
}
