// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"
#include "transfer/DataSinks.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>

#include <memory>

// Writes "calendar.ics", an iCalendar 2.0 file that calendar apps import: one
// VEVENT per entry, in its own time zone where the backup names one (with the
// VTIMEZONE from libical's zone data), UTC otherwise; all-day entries as
// dates; the recurrence as RRULE and every alarm as a VALARM. Calendars are
// small: the file is composed in memory and written by finish().
class IcsWriter : public CalendarSink
{
public:
    // stamp is the conversion's time, written as every entry's DTSTAMP.
    explicit IcsWriter(const QDateTime& stamp);
    ~IcsWriter() override;
    Q_DISABLE_COPY_MOVE(IcsWriter)

    void add(const CalendarRecord& event) override;
    // 0 or DataResult::FileCannotWrite; nothing changes at path on failure.
    [[nodiscard]] int write(const QString& path);
    // The whole calendar as text.
    QByteArray text() const;
    int count() const { return mCount; }

    // The UID of an entry: the same for the same entry of the same backup.
    static QString uidOf(const CalendarRecord& event);

private:
    struct Calendar;
    std::unique_ptr<Calendar> mCalendar;
    qint64 mStamp;
    int mCount = 0;
};
