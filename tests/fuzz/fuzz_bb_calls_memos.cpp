// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// BlackBerry call-log and memo records of any fields: no crash, no call
// before 1970 from an unsigned time.
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryCallsAndMemos.h"

#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input as fields: a type byte, a length byte, that many bytes; a
    // type of 0xFF ends a record.
    BackupDatabase database;
    database.records.append(BackupRecord());
    size_t at = 0;
    while (at + 2 <= size) {
        const quint8 type = data[at];
        const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
        if (type == 0xFF) {
            database.records.append(BackupRecord());
        } else {
            database.records.last().fields.append(
                {type, QByteArray(reinterpret_cast<const char*>(data + at + 2), qsizetype(length))});
        }
        at += 2 + length;
    }
    for (const BackupRecord& record : std::as_const(database.records)) {
        const std::optional<CallRecord> call = BlackberryCallsAndMemos::callOfRecord(record);
        if (call && call->dateMs < 0)
            std::abort();
        BlackberryCallsAndMemos::memoOfRecord(record);
    }
    return 0;
}
