// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

struct BackupRecord;

// Turns a record of a BlackBerry calendar database into a calendar entry.
// The fields, as public descriptions of the IPD format give them: 0x02 the
// subject, 0x03 the notes, 0x04 the location (text ending with a NUL), 0x05
// the reminder's time, 0x06 the start, 0x07 the end, 0x0c the recurrence and
// 0xff a one-byte all-day flag. Every time is 4 bytes, little-endian, in
// minutes since 1900-01-01 00:00 UTC (so 36,816,480 minutes before 1970).
// The recurrence holds its type (1 daily, 0x0c weekly, 3 and 4 monthly by
// date and by weekday, 5 and 6 yearly by date and by weekday), then the
// interval in 2 bytes and the last occurrence's time in 4 (all ones: none).
//
// A time field of another size counts as missing: an entry without a start
// goes to the calendar file without a date, as the iPhone's do, and is left
// out of the .ics, which cannot hold it.
namespace BlackberryCalendarConverter {

// The database's name; older devices have only the second.
inline const char* const kCalendarDatabase = "Calendar - All";
inline const char* const kOlderCalendarDatabase = "Calendar";

CalendarRecord entryOfRecord(const BackupRecord& record);

// Seconds since 1970 of a time counted in minutes since 1900.
qint64 secondsOfMinutesSince1900(quint32 minutes);

} // namespace BlackberryCalendarConverter
