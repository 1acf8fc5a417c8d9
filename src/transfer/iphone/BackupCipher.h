// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

class BackupKeybag;

// The cryptography an encrypted iPhone backup needs, all of it OpenSSL's
// libcrypto: the password key (PBKDF2), AES key unwrap (RFC 3394) and the
// AES-256-CBC decryption of stored files.
namespace BackupCipher {

enum Result {
    Success = 0,
    SourceMissing = -13060,
    TargetFailed = -13061,
    // Not a whole number of cipher blocks, shorter than its recorded size,
    // or its padding is not what the cipher wrote.
    SourceDamaged = -13062,
    CipherFailed = -13063,
};

constexpr int kKeySize = 32;

// PBKDF2-HMAC-SHA256 (DPSL, DPIC) when the keybag has that pass, then
// PBKDF2-HMAC-SHA1 (SALT, ITER). Empty when the library fails.
QByteArray passwordKey(const QByteArray& password, const BackupKeybag& keybag);

// RFC 3394 unwrap; false when the integrity check fails (a wrong key or damaged bytes).
bool unwrapKey(const QByteArray& keyEncryptionKey, const QByteArray& wrapped, QByteArray& key);

// Decrypts source into target (created with mode 0600). recordedSize >= 0
// cuts the plain text to that length; -1 removes the cipher's padding. A
// failure leaves no target behind.
int decryptFile(const QString& source, const QString& target, const QByteArray& key, qint64 recordedSize);

// Overwrites secret bytes before their memory is given back.
void wipe(QByteArray& secret);

} // namespace BackupCipher
