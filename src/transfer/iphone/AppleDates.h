// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

#include <optional>

// iPhone databases count time from 2001-01-01 00:00:00 UTC ("Apple time");
// the phone's XML files want seconds since 1970. All results are signed, so
// a date before 1970 stays a small negative number.
namespace AppleDates {

// Seconds from 1970-01-01 to 2001-01-01, both UTC.
constexpr qint64 kAppleEpochOffset = 978307200;
// Birthdays are stored at noon: twelve hours before the 2001 reference.
constexpr qint64 kBirthdayOffset = 978264000;

// A stored number as text: an integer, else a finite decimal number truncated
// toward zero. Empty when the text is neither or too large to be a date.
std::optional<qint64> parseSeconds(const QString& text);

// Calendar start, end and recurrence end: text that is no number counts as 0.
QString calendarDate(const QString& stored);
// Message date of the newer layout. iOS 11 and later store nanoseconds: a
// value larger than 10^11 in magnitude is divided by 10^9 first.
QString messageDate(const QString& stored);
// The same date in milliseconds since 1970: nanoseconds keep their
// milliseconds, seconds are multiplied by 1000.
qint64 messageMilliseconds(const QString& stored);
// Birthday; empty when the stored text is not a number.
QString birthday(const QString& stored);

} // namespace AppleDates
