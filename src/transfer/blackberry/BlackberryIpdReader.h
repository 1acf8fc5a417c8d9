// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QByteArray>
#include <QtGlobal>

class BackupDatabaseTable;
class BackupRecordHandler;
class QIODevice;

// Reads one BlackBerry database container (an ".ipd" backup, or one
// "Databases/N.dat" of an unpacked ".bbb" archive) into a database table.
//
// Layout: a header line ending in 0x0A, a version byte, the database count
// (2 bytes, big-endian), a 0 separator, the database names (2-byte
// little-endian length, UTF-8 text ending at the first NUL), then records to
// the end of the file: database id (2), record length (4, the bytes after it),
// version (1), handle (2), unique id (4), then fields of length (2), type (1)
// and data. Other integers are little-endian.
//
// Without a handler the records are kept in the table; with one, each goes
// to the handler as soon as it is read and nothing is kept but the names.
//
// Any bytes are safe: damaged records are dropped and reading goes on; no
// allocation exceeds what the input holds.
class BlackberryIpdReader
{
public:
    static constexpr int kErrorNoContainer = DataResult::SourceInvalid;

    explicit BlackberryIpdReader(BackupDatabaseTable& table, BackupRecordHandler* handler = nullptr);

    // Reads the whole device from its current position. 0, or
    // kErrorNoContainer when the input ends before the database count.
    int read(QIODevice& device);

    int recordsRead() const { return mRecordsRead; }
    int recordsDropped() const { return mRecordsDropped; }

private:
    class Source;
    void readNames(Source& source, int count);
    void readRecord(Source& source);

    BackupDatabaseTable& mTable;
    BackupRecordHandler* mHandler;
    int mRecordsRead = 0;
    int mRecordsDropped = 0;
};
