// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/BackupLocator.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/iphone/IphoneBackupPlist.h"
#include "transfer/iphone/ManifestCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>

namespace {
const int kEndingLength = 4; // ".ipd", ".bbb"
// A folder of backups with more entries than this is not one a person keeps;
// looking further would only stall the page.
const int kMaximumEntriesPerFolder = 2000;

QString mobileSyncBackupUnder(const QString& folder)
{
    return folder + QStringLiteral("/MobileSync/Backup");
}

QString dateText(const QDateTime& date)
{
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::ShortFormat) : QString();
}
} // namespace

QString LocatedBackup::description() const
{
    QStringList parts;
    if (kind == Kind::Iphone) {
        parts.append(QStringLiteral("iPhone backup"));
        if (!iosVersion.isEmpty())
            parts.append(QStringLiteral("iOS ") + iosVersion);
    } else {
        parts.append(QStringLiteral("BlackBerry backup"));
    }
    if (const QString when = dateText(date); !when.isEmpty())
        parts.append(when);
    QString text = deviceName + QStringLiteral("  (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (isDamaged())
        text += QStringLiteral(" - damaged: ") + damage;
    else if (encrypted)
        text += QStringLiteral(" - encrypted: asks for its password");
    return text;
}

QString LocatedBackup::encryptionNote() const
{
    if (!encrypted)
        return QString();
    return QStringLiteral(
               "The iPhone backup \"%1\" is encrypted. When you go on you will be asked for its password: the "
               "one set when \"Encrypt local backup\" was turned on.")
        .arg(deviceName);
}

QString BackupLocator::blackBerryBackupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Blackberry/Backup");
}

QStringList BackupLocator::standardFolders(const QString& lastBackupPath)
{
    QStringList folders{blackBerryBackupFolder(), Constants::iphoneBackupFolderPath(),
                        mobileSyncBackupUnder(QDir::homePath()),
                        mobileSyncBackupUnder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))};
    if (!lastBackupPath.isEmpty()) {
        // The folder holding the last backup finds its newer siblings too.
        const QString holder = QFileInfo(lastBackupPath).absolutePath();
        if (!folders.contains(holder))
            folders.append(holder);
    }
    return folders;
}

bool BackupLocator::isBlackBerryFileName(const QString& fileName)
{
    if (fileName.size() <= kEndingLength)
        return false;
    return fileName.endsWith(QStringLiteral("ipd"), Qt::CaseSensitive)
           || fileName.endsWith(QStringLiteral("bbb"), Qt::CaseSensitive);
}

bool BackupLocator::isIphoneBackupFolder(const QString& path)
{
    const QDir folder(path);
    return QFileInfo(path).isDir() && QFileInfo(folder.filePath(QStringLiteral("Info.plist"))).isFile()
           && (QFileInfo(folder.filePath(QStringLiteral("Manifest.db"))).isFile()
               || QFileInfo(folder.filePath(QStringLiteral("Manifest.mbdb"))).isFile());
}

LocatedBackup BackupLocator::describeIphoneBackup(const QString& folder)
{
    TraceScope trace("BackupLocator::describeIphoneBackup");
    LocatedBackup backup;
    backup.kind = LocatedBackup::Kind::Iphone;
    backup.path = QDir::cleanPath(folder);
    const QDir dir(folder);
    const IphoneBackupPlist info(dir.filePath(QStringLiteral("Info.plist")));
    if (info.stringValue("Device Name", backup.deviceName) != IphoneBackupPlist::Success)
        backup.deviceName.clear();
    if (info.stringValue("Product Version", backup.iosVersion) != IphoneBackupPlist::Success)
        backup.iosVersion.clear();
    if (info.dateValue("Last Backup Date", backup.date) != IphoneBackupPlist::Success)
        backup.date = QFileInfo(dir.filePath(QStringLiteral("Info.plist"))).lastModified();
    // Backups are kept in folders named after the phone's id: better than nothing.
    if (backup.deviceName.isEmpty())
        backup.deviceName = dir.dirName();
    bool encrypted = false;
    if (IphoneBackupPlist::isEncrypted(dir.filePath(QStringLiteral("Manifest.plist")), encrypted)
        == IphoneBackupPlist::Success)
        backup.encrypted = encrypted;
    backup.damage = ManifestCheck::damageOf(folder, backup.encrypted);
    return backup;
}

LocatedBackup BackupLocator::describeBlackBerryFile(const QString& filePath)
{
    const QFileInfo file(filePath);
    LocatedBackup backup;
    backup.kind = LocatedBackup::Kind::BlackBerry;
    backup.path = filePath;
    backup.deviceName = file.fileName().left(file.fileName().size() - kEndingLength);
    backup.date = file.lastModified();
    return backup;
}

QList<LocatedBackup> BackupLocator::findIn(const QString& path)
{
    TraceScope trace("BackupLocator::findIn");
    traceValue("path", path);
    QList<LocatedBackup> found;
    if (path.isEmpty())
        return found;
    const QFileInfo info(path);
    if (info.isFile()) {
        if (isBlackBerryFileName(info.fileName()))
            found.append(describeBlackBerryFile(path));
        return found;
    }
    if (isIphoneBackupFolder(path)) {
        found.append(describeIphoneBackup(path));
        return found;
    }
    const QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
    int looked = 0;
    for (const QFileInfo& entry : entries) {
        if (++looked > kMaximumEntriesPerFolder)
            break;
        if (entry.isFile() && isBlackBerryFileName(entry.fileName()))
            found.append(describeBlackBerryFile(dir.filePath(entry.fileName())));
        else if (entry.isDir() && isIphoneBackupFolder(entry.filePath()))
            found.append(describeIphoneBackup(entry.filePath()));
    }
    traceValue("backups found", int(found.size()));
    return found;
}

QList<LocatedBackup> BackupLocator::findInAll(const QStringList& folders)
{
    QList<LocatedBackup> found;
    QSet<QString> seen;
    for (const QString& folder : folders) {
        for (const LocatedBackup& backup : findIn(folder)) {
            const QString key = QFileInfo(backup.path).absoluteFilePath();
            if (seen.contains(key))
                continue;
            seen.insert(key);
            found.append(backup);
        }
    }
    return found;
}
