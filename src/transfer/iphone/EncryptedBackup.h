// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QHash>

// The keys of one encrypted backup, held for one run: the password key
// unwraps the keybag's class keys, and a class key unwraps the key of each
// stored file (and of Manifest.db). The password itself is not kept.
class EncryptedBackup
{
public:
    enum Result {
        Success = 0,
        KeybagMalformed = -13050,
        // No class key opens with the password key: the key unwrap's
        // integrity check says the password is not this backup's.
        WrongPassword = -13051,
        // A file's key is absent, too short, of a class the keybag does not
        // open, or fails its integrity check.
        FileKeyUnusable = -13052,
    };

    EncryptedBackup() = default;
    ~EncryptedBackup();
    Q_DISABLE_COPY_MOVE(EncryptedBackup)

    int unlock(const QByteArray& keybag, const QByteArray& password);

    // A stored key as a backup records it: four bytes naming the protection
    // class (little-endian), then the wrapped key. ManifestKey has this form,
    // as has an mbdb record's key.
    int keyFromRecord(const QByteArray& record, QByteArray& key) const;
    // A wrapped file key of a given class (Manifest.db's MBFile records).
    int fileKey(quint32 protectionClass, const QByteArray& wrapped, QByteArray& key) const;

private:
    QHash<quint32, QByteArray> mClassKeys;
};
