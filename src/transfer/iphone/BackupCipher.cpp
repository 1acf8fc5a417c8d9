// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/BackupCipher.h"

#include "app/TraceLog.h"
#include "transfer/iphone/BackupKeybag.h"
#include "transfer/iphone/UnixFile.h"

#include <QFile>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kBlockSize = 16;
constexpr qsizetype kChunkSize = 1024 * 1024;

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

qsizetype readFully(int fd, char* data, qsizetype length)
{
    qsizetype total = 0;
    while (total < length) {
        const ssize_t got = ::read(fd, data + total, size_t(length - total));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        total += got;
    }
    return total;
}

// The PKCS#7 padding at the end of the plain text, or -1 when it is not one.
int paddingOf(const QByteArray& plain)
{
    if (plain.size() < kBlockSize)
        return -1;
    const int padding = quint8(plain.at(plain.size() - 1));
    if (padding < 1 || padding > kBlockSize)
        return -1;
    for (int i = 1; i <= padding; ++i) {
        if (quint8(plain.at(plain.size() - i)) != padding)
            return -1;
    }
    return padding;
}

// Streams the file through the cipher in place. The size is known, so the
// last chunk is known, and its last block's padding or the recorded size cuts it.
int decryptStream(int source, int target, const QByteArray& key, qint64 cipherSize, qint64 recordedSize)
{
    CipherContext context(EVP_CIPHER_CTX_new());
    const unsigned char iv[kBlockSize] = {};
    if (!context
        || EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                              reinterpret_cast<const unsigned char*>(key.constData()), iv)
               != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return BackupCipher::CipherFailed;
    }
    const qint64 plainLimit = recordedSize >= 0 ? recordedSize : cipherSize;
    // One buffer per thread for all files: a fresh one per file costs more
    // in page faults than the cipher costs for a photo.
    thread_local QByteArray buffer(kChunkSize, Qt::Uninitialized);
    auto* bytes = reinterpret_cast<unsigned char*>(buffer.data());
    qsizetype used = 0;
    qint64 remaining = cipherSize;
    qint64 written = 0;
    int result = BackupCipher::Success;
    while (remaining > 0 && result == BackupCipher::Success) {
        const qsizetype want = qsizetype(qMin<qint64>(remaining, buffer.size()));
        used = qMax(used, want);
        int produced = 0;
        if (readFully(source, buffer.data(), want) != want) {
            result = BackupCipher::SourceDamaged;
        } else if (EVP_DecryptUpdate(context.get(), bytes, &produced, bytes, int(want)) != 1 || produced != want) {
            result = BackupCipher::CipherFailed;
        } else {
            remaining -= want;
            qsizetype usable = produced;
            if (remaining == 0 && recordedSize < 0) {
                const int padding = paddingOf(buffer.left(want));
                if (padding < 0)
                    result = BackupCipher::SourceDamaged;
                usable -= qMax(0, padding);
            }
            const qsizetype keep = qsizetype(qBound<qint64>(0, plainLimit - written, usable));
            if (result == BackupCipher::Success && !UnixFile::writeAll(target, buffer.constData(), keep))
                result = BackupCipher::TargetFailed;
            written += keep;
        }
    }
    OPENSSL_cleanse(buffer.data(), size_t(used));
    if (result == BackupCipher::Success && recordedSize >= 0 && written != recordedSize)
        result = BackupCipher::SourceDamaged;
    return result;
}

} // namespace

QByteArray BackupCipher::passwordKey(const QByteArray& password, const BackupKeybag& keybag)
{
    TraceScope trace("BackupCipher::passwordKey");
    QByteArray first = password;
    if (keybag.hasSha256Pass()) {
        first = QByteArray(kKeySize, Qt::Uninitialized);
        if (PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                              reinterpret_cast<const unsigned char*>(keybag.sha256Salt().constData()),
                              int(keybag.sha256Salt().size()), int(keybag.sha256Iterations()), EVP_sha256(), kKeySize,
                              reinterpret_cast<unsigned char*>(first.data()))
            != 1) {
            return {};
        }
    }
    QByteArray key(kKeySize, Qt::Uninitialized);
    const int done =
        PKCS5_PBKDF2_HMAC(first.constData(), int(first.size()),
                          reinterpret_cast<const unsigned char*>(keybag.salt().constData()), int(keybag.salt().size()),
                          int(keybag.iterations()), EVP_sha1(), kKeySize, reinterpret_cast<unsigned char*>(key.data()));
    wipe(first);
    if (done != 1)
        return {};
    return key;
}

bool BackupCipher::unwrapKey(const QByteArray& keyEncryptionKey, const QByteArray& wrapped, QByteArray& key)
{
    key.clear();
    // A wrapped 256-bit key is 40 bytes: the key and the 8-byte integrity value.
    if (keyEncryptionKey.size() != kKeySize || wrapped.size() != kKeySize + 8)
        return false;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context)
        return false;
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    QByteArray plain(kKeySize + kBlockSize, Qt::Uninitialized);
    int produced = 0;
    int finalLength = 0;
    const bool done =
        EVP_DecryptInit_ex(context.get(), EVP_aes_256_wrap(), nullptr,
                           reinterpret_cast<const unsigned char*>(keyEncryptionKey.constData()), nullptr)
            == 1
        && EVP_DecryptUpdate(context.get(), reinterpret_cast<unsigned char*>(plain.data()), &produced,
                             reinterpret_cast<const unsigned char*>(wrapped.constData()), int(wrapped.size()))
               == 1
        && EVP_DecryptFinal_ex(context.get(), reinterpret_cast<unsigned char*>(plain.data()) + produced, &finalLength)
               == 1
        && produced + finalLength == kKeySize;
    if (done)
        key = plain.left(kKeySize);
    wipe(plain);
    return done;
}

int BackupCipher::decryptFile(const QString& source, const QString& target, const QByteArray& key, qint64 recordedSize)
{
    TraceScope trace("BackupCipher::decryptFile");
    if (key.size() != kKeySize)
        return CipherFailed;
    const QByteArray sourceName = QFile::encodeName(source);
    const QByteArray targetName = QFile::encodeName(target);
    UnixFile input(::open(sourceName.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info
    {
    };
    if (input.fd() < 0 || ::fstat(input.fd(), &info) != 0 || !S_ISREG(info.st_mode))
        return SourceMissing;
    const qint64 cipherSize = qint64(info.st_size);
    if (cipherSize == 0 && recordedSize <= 0) {
        // An empty file is stored as no bytes at all.
    } else if (cipherSize % kBlockSize != 0 || cipherSize == 0 || (recordedSize > cipherSize)) {
        traceValue("Damaged", source);
        return SourceDamaged;
    }
    UnixFile output(::open(targetName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (output.fd() < 0) {
        traceValue("Cannot create", target);
        return TargetFailed;
    }
    int result = cipherSize == 0 ? Success : decryptStream(input.fd(), output.fd(), key, cipherSize, recordedSize);
    if (!output.close() && result == Success)
        result = TargetFailed;
    if (result != Success) {
        traceValue("Decryption failed", source);
        ::unlink(targetName.constData());
    }
    traceReturns(result);
    return result;
}

void BackupCipher::wipe(QByteArray& secret)
{
    if (!secret.isEmpty())
        OPENSSL_cleanse(secret.data(), size_t(secret.size()));
    secret.clear();
}
