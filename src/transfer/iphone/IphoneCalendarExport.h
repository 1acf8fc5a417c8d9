// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include <QString>

// Writes the calendar file from the iPhone's "Calendar.sqlitedb", in the older
// layout (table Event) or the newer one (CalendarItem with Location).
class IphoneCalendarExport : public IphoneDatabaseExport
{
public:
    static int write(const QString& calendarPath, const QString& outputPath);
};
