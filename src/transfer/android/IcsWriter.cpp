// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/IcsWriter.h"

#include "app/TraceLog.h"
#include "transfer/android/LineSafeText.h"
#include "transfer/android/VCardText.h"

#include <QCryptographicHash>
#include <QDate>
#include <QTimeZone>

#include <libical/ical.h>

#include <cstdlib>

namespace {

// The zone an entry names, from libical's own zone data; null for floating
// time and for UTC or a name it does not know (the entry is then written in UTC).
icaltimezone* zoneNamed(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String("_float") || name == QLatin1String("UTC")
        || name == QLatin1String("GMT"))
        return nullptr;
    return icaltimezone_get_builtin_timezone(name.toUtf8().constData());
}

QByteArray utf8(const QString& text)
{
    return VCardText::cleaned(text).toUtf8();
}

icaltimetype dateOf(const QDate& date)
{
    icaltimetype value = icaltime_null_date();
    value.year = date.year();
    value.month = date.month();
    value.day = date.day();
    return value;
}

// The calendar day of an instant in the entry's zone (UTC for floating time,
// which the phone stores as UTC wall-clock time).
QDate localDate(qint64 seconds, icaltimezone* zone, bool* midnight = nullptr)
{
    const icaltimetype time =
        icaltime_from_timet_with_zone(time_t(seconds), 0, zone ? zone : icaltimezone_get_utc_timezone());
    if (midnight)
        *midnight = time.hour == 0 && time.minute == 0 && time.second == 0;
    return QDate(time.year, time.month, time.day);
}

icalproperty* timeProperty(icalproperty* (*make)(icaltimetype), qint64 seconds, const QString& zoneName,
                           icaltimezone* zone)
{
    const bool floating = zoneName == QLatin1String("_float");
    icaltimezone* target = zone ? zone : (floating ? nullptr : icaltimezone_get_utc_timezone());
    icaltimetype time =
        icaltime_from_timet_with_zone(time_t(seconds), 0, target ? target : icaltimezone_get_utc_timezone());
    if (target != icaltimezone_get_utc_timezone())
        time.zone = nullptr; // the wall-clock time: its zone is the TZID parameter, or none for floating time
    icalproperty* property = make(time);
    if (zone && !icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER))
        icalproperty_add_parameter(property, icalparameter_new_tzid(icaltimezone_get_location(zone)));
    return property;
}

icalrecurrencetype_frequency frequencyOf(const QString& text)
{
    if (text == QLatin1String("DAILY"))
        return ICAL_DAILY_RECURRENCE;
    if (text == QLatin1String("WEEKLY"))
        return ICAL_WEEKLY_RECURRENCE;
    if (text == QLatin1String("MONTHLY"))
        return ICAL_MONTHLY_RECURRENCE;
    if (text == QLatin1String("YEARLY"))
        return ICAL_YEARLY_RECURRENCE;
    return ICAL_NO_RECURRENCE;
}

// One component as libical formats it, folded and ending in CRLF.
QByteArray formatted(icalcomponent* component)
{
    char* text = icalcomponent_as_ical_string_r(component);
    QByteArray out(text);
    icalmemory_free_buffer(text);
    return out;
}

QByteArrayView calendarTail()
{
    return "END:VCALENDAR\r\n";
}

// The calendar's own lines up to its first component.
QByteArray calendarHead()
{
    icalcomponent* root = icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                              icalproperty_new_prodid("-//Velmora//Velmora//EN"),
                                              icalproperty_new_calscale("GREGORIAN"), nullptr);
    QByteArray text = formatted(root);
    icalcomponent_free(root);
    text.chop(calendarTail().size());
    return text;
}

// The zone's definition with its plain name as TZID ("Europe/London"), as
// calendar apps expect.
QByteArray zoneText(icaltimezone* zone, const QByteArray& id)
{
    icalcomponent* definition = icalcomponent_new_clone(icaltimezone_get_component(zone));
    if (icalproperty* tzid = icalcomponent_get_first_property(definition, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, id.constData());
    QByteArray text = formatted(definition);
    icalcomponent_free(definition);
    return text;
}

// A property as libical formats it, folded and ending in CRLF; the property is freed.
void appendProperty(QByteArray& out, icalproperty* property)
{
    char* text = icalproperty_as_ical_string_r(property);
    out.append(text);
    icalmemory_free_buffer(text);
    icalproperty_free(property);
}

QByteArray propertyText(icalproperty* property)
{
    QByteArray text;
    appendProperty(text, property);
    return text;
}

} // namespace

IcsWriter::IcsWriter(const QDateTime& stamp)
    : mStampLine(propertyText(icalproperty_new_dtstamp(
        icaltime_from_timet_with_zone(time_t(stamp.toSecsSinceEpoch()), 0, icaltimezone_get_utc_timezone())))),
      mDisplayLine(propertyText(icalproperty_new_action(ICAL_ACTION_DISPLAY)))
{
}

IcsWriter::~IcsWriter() = default; // an unfinished file is discarded

int IcsWriter::open(const QString& path)
{
    TraceScope trace("IcsWriter::open");
    traceValue("path", path);
    if (!mFile.open(path))
        return DataResult::FileCannotWrite;
    mFile.text().append(calendarHead());
    mFile.text().append(mPending);
    mPending.clear();
    return 0;
}

QString IcsWriter::uidOf(const CalendarRecord& event)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(event.identity.toUtf8());
    hash.addData(QByteArrayView("\n"));
    hash.addData(QByteArray::number(event.start.value_or(0)));
    hash.addData(QByteArrayView("\n"));
    hash.addData(event.entry.title.toUtf8());
    return QString::fromLatin1(hash.result().toHex()) + QStringLiteral("@velmora");
}

void IcsWriter::add(const CalendarRecord& event)
{
    const CalendarEntry& entry = event.entry;
    if (!event.start) {
        ++mWithoutStart;
        return;
    }
    QByteArray& out = mFile.isOpen() ? mFile.text() : mPending;
    // libical looks a zone up by a search of its whole list: each name once.
    auto known = mZoneByName.constFind(entry.timeZone);
    if (known == mZoneByName.constEnd())
        known = mZoneByName.insert(entry.timeZone, zoneNamed(entry.timeZone));
    icaltimezone* zone = *known;
    if (zone) {
        // Each zone once, before its first use, so that a reader meets every
        // TZID's definition before the entries that name it.
        const QByteArray id = icaltimezone_get_location(zone);
        if (!mZones.contains(id)) {
            mZones.insert(id);
            out.append(zoneText(zone, id));
        }
    }

    // The entry is put together from its properties, each formatted by
    // libical as a whole VEVENT would format it, so that the lines every
    // entry shares (DTSTAMP, an alarm's ACTION and usual TRIGGER) are
    // formatted once, not once an entry.
    out.append("BEGIN:VEVENT\r\n");
    appendProperty(out, icalproperty_new_uid(utf8(uidOf(event)).constData()));
    out.append(mStampLine);
    if (!entry.title.isEmpty())
        appendProperty(out, icalproperty_new_summary(utf8(entry.title).constData()));
    if (!entry.location.isEmpty())
        appendProperty(out, icalproperty_new_location(utf8(entry.location).constData()));
    if (!entry.description.isEmpty())
        appendProperty(out, icalproperty_new_description(utf8(entry.description).constData()));
    // libical writes a URI as it is given: a line break in it would end the
    // property and let the rest of the text stand as properties of its own.
    if (!entry.url.isEmpty())
        appendProperty(out, icalproperty_new_url(LineSafeText::uri(entry.url).constData()));

    if (entry.allDay) {
        const QDate first = localDate(*event.start, zone);
        QDate after = first.addDays(1);
        if (event.end) {
            bool midnight = false;
            const QDate last = localDate(*event.end, zone, &midnight);
            // The phone ends an all-day entry either at the next midnight or
            // a moment before it.
            const QDate end = midnight ? last : last.addDays(1);
            if (end > first)
                after = end;
        }
        appendProperty(out, icalproperty_new_dtstart(dateOf(first)));
        appendProperty(out, icalproperty_new_dtend(dateOf(after)));
    } else {
        appendProperty(out, timeProperty(icalproperty_new_dtstart, *event.start, entry.timeZone, zone));
        if (event.end && *event.end >= *event.start)
            appendProperty(out, timeProperty(icalproperty_new_dtend, *event.end, entry.timeZone, zone));
    }

    const icalrecurrencetype_frequency frequency = frequencyOf(entry.frequency);
    if (frequency != ICAL_NO_RECURRENCE) {
        icalrecurrencetype rule;
        icalrecurrencetype_clear(&rule);
        rule.freq = frequency;
        const int interval = entry.interval.toInt();
        rule.interval = short(interval >= 1 && interval <= 1000 ? interval : 1);
        if (event.repeatCount > 0) {
            rule.count = event.repeatCount;
        } else if (event.repeatEnd) {
            if (entry.allDay)
                rule.until = dateOf(localDate(*event.repeatEnd, zone));
            else
                rule.until =
                    icaltime_from_timet_with_zone(time_t(*event.repeatEnd), 0, icaltimezone_get_utc_timezone());
        }
        appendProperty(out, icalproperty_new_rrule(rule));
        // An excluded occurrence is named as DTSTART is: a date, or the
        // same zone's wall-clock time.
        for (const qint64 deleted : event.exceptionStarts) {
            if (entry.allDay)
                appendProperty(out, icalproperty_new_exdate(dateOf(localDate(deleted, zone))));
            else
                appendProperty(out, timeProperty(icalproperty_new_exdate, deleted, entry.timeZone, zone));
        }
    }

    for (const qint32 seconds : entry.alarms) {
        auto line = mTriggerLines.constFind(seconds);
        if (line == mTriggerLines.constEnd()) {
            icaltriggertype trigger;
            trigger.time = icaltime_null_time();
            trigger.duration = icaldurationtype_from_int(seconds);
            line = mTriggerLines.insert(seconds, propertyText(icalproperty_new_trigger(trigger)));
        }
        appendAlarm(out, *line, entry);
    }
    for (const qint64 at : event.alarmTimes) {
        icaltriggertype trigger;
        trigger.time = icaltime_from_timet_with_zone(time_t(at), 0, icaltimezone_get_utc_timezone());
        trigger.duration = icaldurationtype_null_duration();
        appendAlarm(out, propertyText(icalproperty_new_trigger(trigger)), entry);
    }
    out.append("END:VEVENT\r\n");
    ++mCount;
    if (mFile.isOpen())
        mFile.flushIfFull();
}

void IcsWriter::appendAlarm(QByteArray& out, const QByteArray& triggerLine, const CalendarEntry& entry) const
{
    out.append("BEGIN:VALARM\r\n");
    out.append(mDisplayLine);
    out.append(triggerLine);
    appendProperty(out,
                   icalproperty_new_description(entry.title.isEmpty() ? "Reminder" : utf8(entry.title).constData()));
    out.append("END:VALARM\r\n");
}

QByteArray IcsWriter::text() const
{
    return calendarHead() + mPending + calendarTail();
}

int IcsWriter::write(const QString& path)
{
    const int opened = open(path);
    return opened != 0 ? opened : finish();
}

int IcsWriter::finish()
{
    TraceScope trace("IcsWriter::finish");
    traceValue("entries", mCount);
    traceValue("without start", mWithoutStart);
    if (!mFile.isOpen())
        return DataResult::FileCannotWrite;
    if (mCount == 0) {
        mFile.cancel();
        return 0;
    }
    mFile.text().append(calendarTail());
    const int result = mFile.finish() ? 0 : int(DataResult::FileCannotWrite);
    traceReturns(result);
    return result;
}
