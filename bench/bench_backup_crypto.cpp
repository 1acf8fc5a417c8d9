// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Times what an encrypted iPhone backup costs:
// - the password key at the real round counts (PBKDF2-HMAC-SHA256, 10,000,000
//   rounds, then PBKDF2-HMAC-SHA1, 10,000) against OpenSSL's own
//   PKCS5_PBKDF2_HMAC for the same rounds. Floor: at most 1.2 times as long.
// - decrypting 2,000 camera-roll files of 200 KB (400 MB) against
//   `openssl enc -d -aes-256-cbc` over the same bytes in one file.
//   Floor: at least 0.8 times its speed. Beside it, the plain copy of the same
//   files that an unencrypted backup costs, which shows what creating 2,000
//   files costs apart from the cipher.
// CPU time (user and system, the child's for openssl) is compared: on a
// shared machine the wall clock measures the neighbours.
#include "transfer/iphone/BackupCipher.h"
#include "transfer/iphone/BackupKeybag.h"
#include "transfer/iphone/IphoneBlobCopier.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr quint32 kSha256Rounds = 10'000'000;
constexpr quint32 kSha1Rounds = 10'000;
constexpr int kPhotos = 2000;
constexpr int kPhotoSize = 200 * 1024;
constexpr double kKeyFloor = 1.2;
constexpr double kDecryptFloor = 0.8;
constexpr int kRounds = 3;

qint64 nanoseconds(const timeval& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + qint64(time.tv_usec) * 1000;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

qint64 cpuOf(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return nanoseconds(usage.ru_utime) + nanoseconds(usage.ru_stime);
}

QByteArray tag(const char* name, const QByteArray& value)
{
    char length[4];
    qToBigEndian<quint32>(quint32(value.size()), length);
    return QByteArray(name, 4) + QByteArray(length, 4) + value;
}

QByteArray number(quint32 value)
{
    char bytes[4];
    qToBigEndian<quint32>(value, bytes);
    return QByteArray(bytes, 4);
}

// Only the header matters for the key; one class key makes it a keybag.
QByteArray realKeybag()
{
    return tag("UUID", QByteArray(16, 'u')) + tag("SALT", QByteArray(20, 's')) + tag("ITER", number(kSha1Rounds))
           + tag("DPWT", number(1)) + tag("DPIC", number(kSha256Rounds)) + tag("DPSL", QByteArray(20, 'd'))
           + tag("UUID", QByteArray(16, 'v')) + tag("CLAS", number(3)) + tag("WRAP", number(2))
           + tag("WPKY", QByteArray(40, 'w'));
}

QByteArray opensslKey(const QByteArray& password)
{
    unsigned char first[32];
    unsigned char key[32];
    const QByteArray sha256Salt(20, 'd');
    const QByteArray salt(20, 's');
    PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                      reinterpret_cast<const unsigned char*>(sha256Salt.constData()), int(sha256Salt.size()),
                      int(kSha256Rounds), EVP_sha256(), 32, first);
    PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(first), 32,
                      reinterpret_cast<const unsigned char*>(salt.constData()), int(salt.size()), int(kSha1Rounds),
                      EVP_sha1(), 32, key);
    return QByteArray(reinterpret_cast<const char*>(key), 32);
}

QByteArray encrypt(const QByteArray& plain, const QByteArray& key)
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    const unsigned char iv[16] = {};
    EVP_EncryptInit_ex(context, EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
                       iv);
    QByteArray out(plain.size() + 16, Qt::Uninitialized);
    int produced = 0;
    int last = 0;
    EVP_EncryptUpdate(context, reinterpret_cast<unsigned char*>(out.data()), &produced,
                      reinterpret_cast<const unsigned char*>(plain.constData()), int(plain.size()));
    EVP_EncryptFinal_ex(context, reinterpret_cast<unsigned char*>(out.data()) + produced, &last);
    EVP_CIPHER_CTX_free(context);
    out.truncate(produced + last);
    return out;
}

bool benchKey()
{
    const QByteArray password = QByteArrayLiteral("a backup password");
    BackupKeybag keybag;
    if (keybag.parse(realKeybag()) != BackupKeybag::Success)
        return false;
    qint64 start = cpuOf(RUSAGE_SELF);
    const QByteArray ours = BackupCipher::passwordKey(password, keybag);
    const qint64 oursNs = cpuOf(RUSAGE_SELF) - start;
    start = cpuOf(RUSAGE_SELF);
    const QByteArray theirs = opensslKey(password);
    const qint64 theirsNs = cpuOf(RUSAGE_SELF) - start;
    const double ratio = double(oursNs) / double(theirsNs);
    std::printf("password key, %u + %u rounds: %.2f s; PKCS5_PBKDF2_HMAC: %.2f s; ratio %.3f (floor %.1f) %s\n",
                kSha256Rounds, kSha1Rounds, oursNs / 1e9, theirsNs / 1e9, ratio, kKeyFloor,
                ours == theirs && ratio <= kKeyFloor ? "ok" : "FAILED");
    return ours == theirs && ratio <= kKeyFloor;
}

bool benchDecrypt(const QString& folder)
{
    const QDir dir(folder);
    QByteArray key(32, Qt::Uninitialized);
    RAND_bytes(reinterpret_cast<unsigned char*>(key.data()), 32);
    QByteArray photo(kPhotoSize, Qt::Uninitialized);
    RAND_bytes(reinterpret_cast<unsigned char*>(photo.data()), kPhotoSize);
    const QByteArray stored = encrypt(photo, key);
    QFile whole(dir.filePath(QStringLiteral("whole.enc")));
    if (!whole.open(QIODevice::WriteOnly))
        return false;
    QDir().mkpath(dir.filePath(QStringLiteral("stored")));
    for (int i = 0; i < kPhotos; ++i) {
        QFile file(dir.filePath(QStringLiteral("stored/%1").arg(i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(stored) != stored.size())
            return false;
        // The same bytes as one stream: a file's padding then decrypts as data.
        whole.write(stored);
    }
    whole.close();

    // Rounds, each side into fresh files, so that no round pays for what
    // an earlier one left; the medians are compared. On a file system
    // without a journal, creating a file scans past the inodes freed in the
    // last minute, so one round can differ from the next by half.
    QList<double> oursSeconds;
    QList<double> theirsSeconds;
    QList<double> createSeconds;
    for (int round = 0; round < kRounds; ++round) {
        const QString plain = dir.filePath(QStringLiteral("plain%1").arg(round));
        QDir().mkpath(plain);
        const qint64 start = cpuOf(RUSAGE_SELF);
        for (int i = 0; i < kPhotos; ++i) {
            if (BackupCipher::decryptFile(dir.filePath(QStringLiteral("stored/%1").arg(i)),
                                          plain + QStringLiteral("/%1").arg(i), key, kPhotoSize)
                != BackupCipher::Success)
                return false;
        }
        oursSeconds.append((cpuOf(RUSAGE_SELF) - start) / 1e9);

        const qint64 childStart = cpuOf(RUSAGE_CHILDREN);
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("enc"), QStringLiteral("-d"), QStringLiteral("-aes-256-cbc"),
                       QStringLiteral("-nopad"), QStringLiteral("-K"), QString::fromLatin1(key.toHex()),
                       QStringLiteral("-iv"), QString(32, QLatin1Char('0')), QStringLiteral("-in"), whole.fileName(),
                       QStringLiteral("-out"), dir.filePath(QStringLiteral("whole%1.plain").arg(round))});
        if (!openssl.waitForFinished(-1) || openssl.exitCode() != 0)
            return false;
        theirsSeconds.append((cpuOf(RUSAGE_CHILDREN) - childStart) / 1e9);

        // What only creating the files costs, which the one file of openssl does not.
        const QString empty = dir.filePath(QStringLiteral("empty%1").arg(round));
        QDir().mkpath(empty);
        const qint64 createStart = cpuOf(RUSAGE_SELF);
        for (int i = 0; i < kPhotos; ++i)
            QFile(empty + QStringLiteral("/%1").arg(i)).open(QIODevice::WriteOnly);
        createSeconds.append((cpuOf(RUSAGE_SELF) - createStart) / 1e9);
    }
    QDir().mkpath(dir.filePath(QStringLiteral("copied")));
    const qint64 copyStart = cpuOf(RUSAGE_SELF);
    for (int i = 0; i < kPhotos; ++i) {
        if (IphoneBlobCopier::copy(dir.filePath(QStringLiteral("stored/%1").arg(i)),
                                   dir.filePath(QStringLiteral("copied/%1").arg(i)))
            != IphoneBlobCopier::Success)
            return false;
    }
    const qint64 copyNs = cpuOf(RUSAGE_SELF) - copyStart;

    const double megabytes = double(stored.size()) * kPhotos / (1024.0 * 1024.0);
    const double ours = megabytes / median(oursSeconds);
    const double theirs = megabytes / median(theirsSeconds);
    const double ratio = ours / theirs;
    std::printf("decrypting %d files, %.0f MB (median of %d): %.0f MB/s; openssl enc -d: %.0f MB/s; ratio %.2f"
                " (floor %.1f) %s\n",
                kPhotos, megabytes, kRounds, ours, theirs, ratio, kDecryptFloor,
                ratio >= kDecryptFloor ? "ok" : "FAILED");
    std::printf("creating %d empty files alone: %.2f s (median)\n", kPhotos, median(createSeconds));
    std::printf("plain copy of the same %d files (unencrypted backup): %.0f MB/s\n", kPhotos,
                megabytes / (copyNs / 1e9));
    return ratio >= kDecryptFloor;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    // "decrypt" or "key" runs that part alone, e.g. under a profiler.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool key = only == QLatin1String("decrypt") || benchKey();
    const bool decrypt = only == QLatin1String("key") || benchDecrypt(folder.path());
    return key && decrypt ? 0 : 1;
}
