// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QString>
#include <QStringList>

class BackupDatabaseTable;
class BackupRecordHandler;

// A BlackBerry backup on the PC: a single ".ipd" file, or a ".bbb" archive
// holding "Manifest.xml" and one "Databases/N.dat" container per database.
class BlackberryBackup
{
public:
    static constexpr int kErrorCannotOpenBackup = DataResult::BackupCannotOpen;
    static constexpr int kErrorNotBackup = DataResult::BackupHoldsNoDatabase;

    // True when path ends in "ipd" or "bbb" (exact case) and has at least
    // 5 characters. The wizard lists backups with this test as well.
    static bool isBackupPath(const QString& path);
    static bool isArchivePath(const QString& path);

    // Takes the backup's files out of a ".bbb" archive into folder with the
    // archiver, after checking its listing (BackupArchive): 0, or one of
    // BackupArchive's errors, each naming its own cause.
    [[nodiscard]] static int unpack(const QString& archivePath, const QString& folder);
    // True when unpack succeeded and the archive's "Manifest.xml" is now in folder.
    static bool unpackArchive(const QString& archivePath, const QString& folder);

    // The container files of a backup: the unpacked archive's "Databases/N.dat"
    // for N = 1, 2, ... up to the first missing one when unpackFolder holds
    // "Manifest.xml", otherwise the backup file itself.
    static QStringList databaseFiles(const QString& backupPath, const QString& unpackFolder);

    // Reads every container of the backup into table (an unpacked archive
    // first gets "Null-database" as id 0), its records into table or, when
    // set, to handler as they are read. 0; kErrorCannotOpenBackup when no
    // file could be opened; kErrorNotBackup when no database was found.
    static int read(const QString& backupPath, const QString& unpackFolder, BackupDatabaseTable& table,
                    BackupRecordHandler* handler = nullptr);

    // The number of databases of table that came from the backup's files.
    static int realDatabaseCount(const BackupDatabaseTable& table);
};
