// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneBackupEntry.h"

#include <QList>
#include <QString>

#include <functional>

// Reads "Manifest.db", the SQLite manifest of iOS 10 and later backups
// (table Files: fileID, domain, relativePath, flags). The database is opened
// read-only and immutable, so SQLite never writes a journal, -wal or -shm
// file into the user's backup folder.
class IphoneManifestDbReader
{
public:
    enum Result {
        Success = 0,
        CannotOpen = -13020,
        QueryFailed = -13021,
    };

    using Filter = std::function<bool(const IphoneBackupEntry&)>;

    // Entries for which accept returns true (all when it is empty) are
    // appended; the others are dropped as they are read, so a manifest of
    // hundreds of thousands of rows is never held whole.
    // withFileRecords: also read each kept entry's key, protection class and
    // size from its archived MBFile record (an encrypted backup's).
    static int read(const QString& manifestPath, QList<IphoneBackupEntry>& entries, const Filter& accept = {},
                    bool withFileRecords = false);

    // The SQLite URI that opens a file read-only and immutable.
    static QString immutableUri(const QString& path);
};
