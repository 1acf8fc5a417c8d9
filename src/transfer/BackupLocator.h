// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// One backup of an old phone as the user sees it in a list.
struct LocatedBackup
{
    enum class Kind { BlackBerry, Iphone };
    Kind kind = Kind::BlackBerry;
    QString path;       // the .ipd/.bbb file, or the iPhone backup folder
    QString deviceName; // iPhone: the name the phone had; BlackBerry: the file name without its ending
    QString iosVersion; // iPhone only, empty when Info.plist does not say
    QDateTime date;     // when the backup was made (Info.plist), else the file's time
    bool encrypted = false;
    // Why the backup cannot be read (iPhone: a manifest cut short or damaged);
    // empty for a backup that looks whole.
    QString damage;

    bool isDamaged() const { return !damage.isEmpty(); }
    // One line: the kind, the device, the iOS version and the date, and what is wrong with it.
    QString description() const;
    // What choosing an encrypted backup asks for; empty for any other.
    QString encryptionNote() const;
};

// Finds BlackBerry backup files and iPhone backup folders where people keep them.
class BackupLocator
{
public:
    // The folders searched when the user has not browsed: the BlackBerry Desktop
    // folder, Velmora's own iPhone backup folder, the MobileSync folders that
    // copies from a Windows or Mac computer keep, and the folder of the backup
    // chosen last time (lastBackupPath may be empty).
    static QStringList standardFolders(const QString& lastBackupPath);
    static QString blackBerryBackupFolder();

    // A single .ipd/.bbb file, one iPhone backup folder, or a folder holding
    // BlackBerry files and iPhone backup folders one level down.
    static QList<LocatedBackup> findIn(const QString& path);
    // Every backup of the folders, each path once, in folder order.
    static QList<LocatedBackup> findInAll(const QStringList& folders);

    static bool isBlackBerryFileName(const QString& fileName);
    // A folder holding Info.plist and Manifest.db or Manifest.mbdb.
    static bool isIphoneBackupFolder(const QString& path);
    static LocatedBackup describeIphoneBackup(const QString& folder);
    static LocatedBackup describeBlackBerryFile(const QString& filePath);
};
