// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// The passwords of encrypted iPhone backups the user typed in this session,
// by backup folder. Held in memory only: never saved, never logged, wiped
// when replaced or forgotten.
namespace BackupPasswords {

void remember(const QString& backupFolder, const QByteArray& password);
// Empty when none was given for that folder.
QByteArray passwordFor(const QString& backupFolder);
void forget(const QString& backupFolder);

// Whether password opens the encrypted backup in backupFolder: 0,
// DataResult::IphoneWrongPassword, or DataResult::IphoneBackupUnreadable when
// its keybag cannot be read. Takes as long as making the key (seconds).
int check(const QString& backupFolder, const QByteArray& password);

} // namespace BackupPasswords
