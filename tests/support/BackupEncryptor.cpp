// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/BackupEncryptor.h"

#include <QtEndian>

#include <openssl/evp.h>
#include <openssl/rand.h>

namespace {

void appendTag(QByteArray& out, const char* tag, const QByteArray& value)
{
    out.append(tag, 4);
    char length[4];
    qToBigEndian<quint32>(quint32(value.size()), length);
    out.append(length, 4);
    out.append(value);
}

QByteArray number(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian<quint32>(value, bytes.data());
    return bytes;
}

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), count);
    return bytes;
}

QByteArray pbkdf2(const QByteArray& secret, const QByteArray& salt, int rounds, const EVP_MD* digest)
{
    QByteArray key(32, Qt::Uninitialized);
    PKCS5_PBKDF2_HMAC(secret.constData(), int(secret.size()), reinterpret_cast<const unsigned char*>(salt.constData()),
                      int(salt.size()), rounds, digest, 32, reinterpret_cast<unsigned char*>(key.data()));
    return key;
}

QByteArray runCipher(const EVP_CIPHER* cipher, const QByteArray& key, const QByteArray& input, bool padding)
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_CIPHER_CTX_set_flags(context, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    const unsigned char iv[16] = {};
    EVP_EncryptInit_ex(context, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
                       cipher == EVP_aes_256_cbc() ? iv : nullptr);
    EVP_CIPHER_CTX_set_padding(context, padding ? 1 : 0);
    QByteArray out(input.size() + 32, Qt::Uninitialized);
    int produced = 0;
    int last = 0;
    EVP_EncryptUpdate(context, reinterpret_cast<unsigned char*>(out.data()), &produced,
                      reinterpret_cast<const unsigned char*>(input.constData()), int(input.size()));
    EVP_EncryptFinal_ex(context, reinterpret_cast<unsigned char*>(out.data()) + produced, &last);
    EVP_CIPHER_CTX_free(context);
    out.truncate(produced + last);
    return out;
}

} // namespace

BackupEncryptor::BackupEncryptor(const QByteArray& password, int rounds, bool sha256Pass)
{
    const QByteArray salt = randomBytes(20);
    const QByteArray sha256Salt = randomBytes(20);
    const QByteArray first = sha256Pass ? pbkdf2(password, sha256Salt, rounds, EVP_sha256()) : password;
    const QByteArray passwordKey = pbkdf2(first, salt, rounds, EVP_sha1());

    appendTag(mKeybag, "VERS", number(sha256Pass ? 4 : 3));
    appendTag(mKeybag, "TYPE", number(1));
    appendTag(mKeybag, "UUID", randomBytes(16));
    appendTag(mKeybag, "HMCK", randomBytes(40));
    appendTag(mKeybag, "WRAP", number(0));
    appendTag(mKeybag, "SALT", salt);
    appendTag(mKeybag, "ITER", number(quint32(rounds)));
    if (sha256Pass) {
        appendTag(mKeybag, "DPWT", number(1));
        appendTag(mKeybag, "DPIC", number(quint32(rounds)));
        appendTag(mKeybag, "DPSL", sha256Salt);
    }
    for (quint32 protectionClass = 1; protectionClass <= 11; ++protectionClass) {
        mClassKeys[protectionClass] = randomKey();
        appendTag(mKeybag, "UUID", randomBytes(16));
        appendTag(mKeybag, "CLAS", number(protectionClass));
        // Class 5 stays with the phone, as real backups have it: wrapped
        // with the device key only, its bytes mean nothing here.
        const bool deviceOnly = protectionClass == 5;
        appendTag(mKeybag, "WRAP", number(deviceOnly ? 1 : 2));
        appendTag(mKeybag, "KTYP", number(0));
        appendTag(mKeybag, "WPKY", deviceOnly ? randomBytes(40) : wrap(passwordKey, mClassKeys[protectionClass]));
    }
}

QByteArray BackupEncryptor::keyRecord(quint32 protectionClass, const QByteArray& key) const
{
    QByteArray record(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(protectionClass, record.data());
    return record + wrap(mClassKeys[protectionClass % 12], key);
}

QByteArray BackupEncryptor::randomKey()
{
    return randomBytes(32);
}

QByteArray BackupEncryptor::encrypt(const QByteArray& plain, const QByteArray& key)
{
    return runCipher(EVP_aes_256_cbc(), key, plain, true);
}

QByteArray BackupEncryptor::wrap(const QByteArray& keyEncryptionKey, const QByteArray& key)
{
    return runCipher(EVP_aes_256_wrap(), keyEncryptionKey, key, false);
}
