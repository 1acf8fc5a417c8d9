// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryBackup.h"

#include "app/Constants.h"
#include "app/ExternalProgram.h"
#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryIpdReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

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

bool BlackberryBackup::unpackArchive(const QString& archivePath, const QString& folder)
{
    TraceScope trace("BlackberryBackup::unpackArchive");
    const QString archiver = findExternalProgram(Constants::archiverRelativePath(), Constants::archiverCommand());
    traceValue("archiver", archiver);
    if (archiver.isEmpty()) {
        traceMessage("Archiver not found");
        return false;
    }
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(archiver, {QStringLiteral("x"), QStringLiteral("-y"), archivePath, QStringLiteral("-o") + folder,
                             QStringLiteral("-r")},
                  QIODevice::ReadWrite);
    // An encrypted archive makes the archiver ask for a password; with its
    // input closed it gives up instead of waiting for ever.
    process.closeWriteChannel();
    process.waitForFinished(-1);
    traceValue("exitCode", process.exitCode());
    return QFileInfo::exists(manifestPath(folder));
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

int BlackberryBackup::read(const QString& backupPath, const QString& unpackFolder, BackupDatabaseTable& table)
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
        BlackberryIpdReader reader(table);
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
