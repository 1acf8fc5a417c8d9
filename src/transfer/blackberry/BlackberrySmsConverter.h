// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/MessagesXmlWriter.h"

#include <optional>

struct BackupRecord;

// Turns a record of the database "SMS Messages" into a message. The record's
// field 1 holds the flags (byte 0: 1 for a received message; bytes 13 to 20:
// the time in milliseconds since 1970, little-endian; byte 29: the text
// encoding, 2 for UCS-2), field 2 the other party's address, field 4 the text
// and field 7 more flags (a first byte of 2 also marks UCS-2 text).
class BlackberrySmsConverter
{
public:
    // The message, or nothing when the record lacks one of the four fields.
    static std::optional<MessageEntry> messageOfRecord(const BackupRecord& record);
};
