// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QList>

// The keybag an encrypted iPhone backup keeps in Manifest.plist
// (BackupKeyBag): a run of tagged values, each a four-letter tag, a 32-bit
// big-endian length and the value. The header names the salts and round
// counts the password key is made with; each UUID after it starts one class
// key (CLAS, WRAP, WPKY). Reads any bytes safely.
class BackupKeybag
{
public:
    enum Result {
        Success = 0,
        Malformed = -13050,
    };

    struct ClassKey
    {
        quint32 protectionClass = 0;
        quint32 wrap = 0;
        QByteArray wrappedKey;
    };

    // The WRAP bit saying a class key is wrapped with the password key.
    static constexpr quint32 kWrappedWithPassword = 2;
    // No real keybag asks for more; a hostile one could ask for years of work.
    static constexpr quint32 kMaximumRounds = 100'000'000;

    int parse(const QByteArray& data);

    QByteArray salt() const { return mSalt; }
    quint32 iterations() const { return mIterations; }
    // iOS 10.2 and later add a first PBKDF2-HMAC-SHA256 pass (DPSL, DPIC).
    bool hasSha256Pass() const { return !mSha256Salt.isEmpty(); }
    QByteArray sha256Salt() const { return mSha256Salt; }
    quint32 sha256Iterations() const { return mSha256Iterations; }
    const QList<ClassKey>& classKeys() const { return mClassKeys; }

private:
    QByteArray mSalt;
    quint32 mIterations = 0;
    QByteArray mSha256Salt;
    quint32 mSha256Iterations = 0;
    QList<ClassKey> mClassKeys;
};
