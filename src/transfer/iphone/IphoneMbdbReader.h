// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneBackupEntry.h"

#include <QByteArray>
#include <QList>

// Reads "Manifest.mbdb", the binary manifest of iOS 5 to 9 backups: the magic
// "mbdb" and two version bytes, then one record per file with big-endian
// numbers and 16-bit length-prefixed strings (0xFFFF meaning none).
class IphoneMbdbReader
{
public:
    enum Result {
        Success = 0,
        BadMagic = -13010,
        Truncated = -13011,
    };

    // Appends one entry per complete record. On a truncated or corrupt record
    // the entries read so far are kept and Truncated is returned.
    static int read(const QByteArray& data, QList<IphoneBackupEntry>& entries);

    // The blob name the backup gives a file: SHA-1 of domain + "-" + path.
    static QString fileIdFor(const QString& domain, const QString& relativePath);
};
