// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/XmlDataFile.h"

#include <QList>
#include <QString>

#include <optional>

// One calendar entry as the calendar file holds it. Dates are seconds since
// 1970 as decimal text (empty when the database has none).
struct CalendarEntry
{
    QString title;
    QString location;
    QString description;
    QString timeZone;
    QString frequency = QStringLiteral("once");
    QString interval = QStringLiteral("1");
    std::optional<QString> repeatEndDate;
    bool allDay = false;
    QString url;
    QString startDate;
    QString endDate;
    QList<qint32> alarms; // seconds relative to the start
};

// Writes the calendar file: root "calendar", one "calendar_entry" per entry
// with its elements in the fixed order the phone's importer reads.
class CalendarXmlWriter : public XmlDataFile
{
public:
    CalendarXmlWriter();

    void writeEntry(const CalendarEntry& entry);

    int entriesWritten() const { return mEntries; }

private:
    int mEntries = 0;
};
