// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// One file or folder recorded in an iPhone backup's manifest.
struct IphoneBackupEntry
{
    QString mDomain;       // e.g. "HomeDomain", "CameraRollDomain"
    QString mRelativePath; // path inside the domain, e.g. "Library/SMS/sms.db"
    QString mFileId;       // name of the stored blob: SHA-1 of domain + "-" + path, in hex
    bool mIsFile = false;  // regular file (not a folder or a link)
    // Encrypted backups only: the file's key, wrapped with its protection
    // class's key, and the size the decrypted file is cut to (-1: unknown).
    QByteArray mWrappedKey;
    quint32 mProtectionClass = 0;
    qint64 mSize = -1;
};
