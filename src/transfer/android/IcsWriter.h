// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"
#include "transfer/DataSinks.h"
#include "transfer/android/BufferedSaveFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

// Writes "calendar.ics", an iCalendar 2.0 file that calendar apps import: one
// VEVENT per entry, in its own time zone where the backup names one (with the
// VTIMEZONE from libical's zone data), UTC otherwise; all-day entries as
// dates; the recurrence as RRULE, deleted occurrences as EXDATE and every
// alarm as a VALARM. It streams: each VEVENT goes out as it is added, preceded
// by the VTIMEZONE it names the first time that zone is used, so memory does
// not grow with the calendar.
class IcsWriter : public CalendarSink
{
public:
    // stamp is the conversion's time, written as every entry's DTSTAMP.
    explicit IcsWriter(const QDateTime& stamp);
    ~IcsWriter() override;
    Q_DISABLE_COPY_MOVE(IcsWriter)

    // Writes the events into a file at path from now on (those added before
    // go first). 0 or DataResult::FileCannotWrite.
    [[nodiscard]] int open(const QString& path);
    void add(const CalendarRecord& event) override;
    // Puts the file in place: 0, or DataResult::FileCannotWrite when a write
    // failed (nothing then changes at the path). A calendar without events
    // writes no file (iCalendar needs at least one component) and returns 0.
    [[nodiscard]] int finish();
    // open() and finish() at once, for events added beforehand.
    [[nodiscard]] int write(const QString& path);
    // The whole calendar as text, while no file is open.
    QByteArray text() const;
    int count() const { return mCount; }
    // Entries left out because the backup holds no start date for them: a
    // VEVENT without DTSTART makes some readers refuse the whole file.
    int withoutStartCount() const { return mWithoutStart; }

    // The UID of an entry: the same for the same entry of the same backup.
    static QString uidOf(const CalendarRecord& event);

private:
    void appendAlarm(QByteArray& out, const QByteArray& triggerLine, const CalendarEntry& entry) const;

    BufferedSaveFile mFile;
    QByteArray mPending;                               // events composed while no file is open
    QSet<QByteArray> mZones;                           // written already
    QHash<QString, struct _icaltimezone*> mZoneByName; // null for UTC and floating time
    QByteArray mStampLine;                             // the DTSTAMP every entry has
    QByteArray mDisplayLine;                           // an alarm's ACTION
    QHash<qint32, QByteArray> mTriggerLines;           // by the alarm's offset in seconds
    int mCount = 0;
    int mWithoutStart = 0;
};
