// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/BackupPasswords.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "transfer/iphone/BackupCipher.h"
#include "transfer/iphone/EncryptedBackup.h"
#include "transfer/iphone/IphoneBackupPlist.h"

#include <QDir>
#include <QHash>
#include <QMutex>

namespace {

QMutex& lock()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, QByteArray>& passwords()
{
    static QHash<QString, QByteArray> held;
    return held;
}

QString keyOf(const QString& folder)
{
    return QDir::cleanPath(folder);
}

} // namespace

void BackupPasswords::remember(const QString& backupFolder, const QByteArray& password)
{
    forget(backupFolder);
    const QMutexLocker locker(&lock());
    passwords().insert(keyOf(backupFolder), password);
}

QByteArray BackupPasswords::passwordFor(const QString& backupFolder)
{
    const QMutexLocker locker(&lock());
    return passwords().value(keyOf(backupFolder));
}

void BackupPasswords::forget(const QString& backupFolder)
{
    const QMutexLocker locker(&lock());
    auto held = passwords().find(keyOf(backupFolder));
    if (held == passwords().end())
        return;
    BackupCipher::wipe(*held);
    passwords().erase(held);
}

int BackupPasswords::check(const QString& backupFolder, const QByteArray& password)
{
    TraceScope trace("BackupPasswords::check");
    const IphoneBackupPlist manifest(QDir(backupFolder).filePath(QStringLiteral("Manifest.plist")));
    QByteArray keybag;
    if (manifest.dataValue("BackupKeyBag", keybag) != IphoneBackupPlist::Success) {
        traceReturns(DataResult::IphoneBackupUnreadable);
        return DataResult::IphoneBackupUnreadable;
    }
    EncryptedBackup backup;
    int result = 0;
    switch (backup.unlock(keybag, password)) {
    case EncryptedBackup::Success:
        break;
    case EncryptedBackup::WrongPassword:
        result = DataResult::IphoneWrongPassword;
        break;
    default:
        result = DataResult::IphoneBackupUnreadable;
        break;
    }
    traceReturns(result);
    return result;
}
