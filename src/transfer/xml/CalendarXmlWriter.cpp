// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/CalendarXmlWriter.h"

#include "app/TraceLog.h"

CalendarXmlWriter::CalendarXmlWriter() : XmlDataFile(QStringLiteral("calendar"), "Unable to open file") {}

void CalendarXmlWriter::writeEntry(const CalendarEntry& entry)
{
    TraceScope trace("CalendarXmlWriter::writeEntry");
    startElement(QStringLiteral("calendar_entry"));
    writeTextElement(QStringLiteral("title"), entry.title);
    writeTextElement(QStringLiteral("location"), entry.location);
    writeTextElement(QStringLiteral("description"), entry.description);
    writeTextElement(QStringLiteral("time_zone"), entry.timeZone);
    writeTextElement(QStringLiteral("frequency"), entry.frequency);
    writeTextElement(QStringLiteral("interval"), entry.interval);
    if (entry.repeatEndDate)
        writeTextElement(QStringLiteral("repeat_end_date"), *entry.repeatEndDate);
    writeTextElement(QStringLiteral("all_day"), entry.allDay ? QStringLiteral("true") : QStringLiteral("false"));
    writeTextElement(QStringLiteral("url"), entry.url);
    writeTextElement(QStringLiteral("start_date"), entry.startDate);
    writeTextElement(QStringLiteral("end_date"), entry.endDate);
    for (const qint32 alarm : entry.alarms)
        writeTextElement(QStringLiteral("alarm"), QString::number(alarm));
    endElement();
    ++mEntries;
    // Without this the whole file would wait in memory for finish().
    itemWritten();
}
