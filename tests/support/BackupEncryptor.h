// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>

// Encrypts test backups the way an iPhone does, with OpenSSL directly (not
// with the reader's code): a tagged keybag whose class keys are wrapped
// (RFC 3394) with the password key, per-file keys wrapped with a class key,
// AES-256-CBC with PKCS#7 padding. Low round counts keep the tests fast.
class BackupEncryptor
{
public:
    // sha256Pass: the keybag of iOS 10.2 and later (DPSL, DPIC); without it
    // the key is PBKDF2-HMAC-SHA1 alone, as older backups make it.
    BackupEncryptor(const QByteArray& password, int rounds, bool sha256Pass);

    QByteArray keybag() const { return mKeybag; }
    // Four bytes of protection class (little-endian), then key wrapped with that class's key.
    QByteArray keyRecord(quint32 protectionClass, const QByteArray& key) const;

    static QByteArray randomKey();
    static QByteArray encrypt(const QByteArray& plain, const QByteArray& key);
    static QByteArray wrap(const QByteArray& keyEncryptionKey, const QByteArray& key);

private:
    QByteArray mKeybag;
    QByteArray mClassKeys[12];
};
