// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryCalendarConverter.h"

#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BackupFieldValues.h"

#include <limits>

namespace {

using BackupFieldValues::fieldOf;
using BackupFieldValues::numberOf;
using BackupFieldValues::textOf;

constexpr quint8 kSubjectField = 0x02;
constexpr quint8 kNotesField = 0x03;
constexpr quint8 kLocationField = 0x04;
constexpr quint8 kReminderField = 0x05;
constexpr quint8 kStartField = 0x06;
constexpr quint8 kEndField = 0x07;
constexpr quint8 kRecurrenceField = 0x0c;
constexpr quint8 kAllDayField = 0xff;

constexpr qsizetype kTimeSize = 4;
constexpr qint64 kMinutesFrom1900To1970 = 36816480; // 70 years of 365 days and 17 leap days
constexpr qint64 kSecondsPerMinute = 60;
constexpr quint32 kNoLastOccurrence = 0xFFFFFFFFu;

// The recurrence: type (1 byte), interval (2), last occurrence (4).
constexpr qsizetype kRecurrenceSize = 7;

std::optional<qint64> timeOf(const BackupField* field)
{
    if (!field || field->data.size() != kTimeSize)
        return std::nullopt;
    return BlackberryCalendarConverter::secondsOfMinutesSince1900(quint32(*numberOf(field)));
}

QString frequencyOf(quint8 type)
{
    switch (type) {
    case 0x01:
        return QStringLiteral("DAILY");
    case 0x0c:
        return QStringLiteral("WEEKLY");
    case 0x03:
    case 0x04:
        return QStringLiteral("MONTHLY");
    case 0x05:
    case 0x06:
        return QStringLiteral("YEARLY");
    default:
        return QString();
    }
}

void readRecurrence(const BackupField* field, CalendarRecord& event)
{
    if (!field || field->data.size() < kRecurrenceSize)
        return;
    const QByteArray& data = field->data;
    const QString frequency = frequencyOf(quint8(data.at(0)));
    if (frequency.isEmpty())
        return;
    const quint16 interval = quint16(quint8(data.at(1)) | quint8(data.at(2)) << 8);
    quint32 last = 0;
    for (int i = 6; i >= 3; --i)
        last = last << 8 | quint8(data.at(i));
    event.entry.frequency = frequency;
    event.entry.interval = QString::number(interval > 0 ? interval : 1);
    if (last != kNoLastOccurrence) {
        event.repeatEnd = BlackberryCalendarConverter::secondsOfMinutesSince1900(last);
        event.entry.repeatEndDate = QString::number(*event.repeatEnd);
    }
}

} // namespace

qint64 BlackberryCalendarConverter::secondsOfMinutesSince1900(quint32 minutes)
{
    return (qint64(minutes) - kMinutesFrom1900To1970) * kSecondsPerMinute;
}

CalendarRecord BlackberryCalendarConverter::entryOfRecord(const BackupRecord& record)
{
    CalendarRecord event;
    CalendarEntry& entry = event.entry;
    entry.title = textOf(fieldOf(record, kSubjectField));
    entry.description = textOf(fieldOf(record, kNotesField));
    entry.location = textOf(fieldOf(record, kLocationField));
    entry.allDay = numberOf(fieldOf(record, kAllDayField)).value_or(0) != 0;
    event.start = timeOf(fieldOf(record, kStartField));
    event.end = timeOf(fieldOf(record, kEndField));
    if (event.start)
        entry.startDate = QString::number(*event.start);
    if (event.end)
        entry.endDate = QString::number(*event.end);
    readRecurrence(fieldOf(record, kRecurrenceField), event);

    // The reminder is a moment of its own; the calendar file counts it from
    // the start, where there is one and the distance fits.
    if (const std::optional<qint64> reminder = timeOf(fieldOf(record, kReminderField))) {
        const std::optional<qint64> before =
            event.start ? std::optional<qint64>(*reminder - *event.start) : std::nullopt;
        if (before && *before >= std::numeric_limits<qint32>::min() && *before <= std::numeric_limits<qint32>::max())
            entry.alarms.append(qint32(*before));
        else
            event.alarmTimes.append(*reminder);
    }
    event.identity = QStringLiteral("blackberry-") + QString::number(record.uniqueId);
    return event;
}
