// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include "transfer/DataSinks.h"

#include <QString>

// Writes the calendar file from the iPhone's "Calendar.sqlitedb", in the older
// layout (table Event) or the newer one (CalendarItem with Location).
class IphoneCalendarExport : public IphoneDatabaseExport
{
public:
    // alsoTo, when set, receives every record as well.
    static int write(const QString& calendarPath, const QString& outputPath, CalendarSink* alsoTo = nullptr);
    // Hands every entry to sink in database order; the result codes of
    // write() but for the file's own.
    static int read(const QString& calendarPath, CalendarSink& sink);
};
