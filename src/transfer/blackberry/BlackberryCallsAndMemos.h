// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/CallAndNoteRecords.h"

#include <optional>

struct BackupRecord;

// The call log and the memos of a BlackBerry backup. A record of "Phone Call
// Logs" holds the direction in field 0x02 (0 received, 1 placed, 2 missed and
// sent to voice mail, 3 missed), the duration in seconds in 0x03, the time in
// milliseconds since 1970 in 0x04 (little-endian), the number in 0x0c and the
// caller's name in 0x1f; a record of "Memos" its title in 0x01 and its body
// in 0x02. Text fields end with a NUL.
namespace BlackberryCallsAndMemos {

inline const char* const kCallLogDatabase = "Phone Call Logs";
inline const char* const kMemoDatabase = "Memos";

// Nothing for a record without a time: it is no call.
std::optional<CallRecord> callOfRecord(const BackupRecord& record);
// Nothing for a memo without a title and a body.
std::optional<NoteRecord> memoOfRecord(const BackupRecord& record);

} // namespace BlackberryCallsAndMemos
