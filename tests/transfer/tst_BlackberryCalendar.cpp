// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// BlackBerry calendars into calendar.xml and calendar.ics, read back by libical.
#include "support/IpdWriter.h"
#include "transfer/BackupContents.h"
#include "transfer/BackupConversion.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryCalendarConverter.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <libical/ical.h>

namespace {

const QDateTime kStart(QDate(2011, 3, 13), QTime(10, 0), Qt::UTC);

// A time as the calendar stores it, counted here from 1900 by Qt's own calendar.
QByteArray minutes(const QDateTime& time)
{
    const qint64 value = QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC).secsTo(time) / 60;
    QByteArray out;
    IpdWriter::appendLittle32(out, quint32(value));
    return out;
}

QByteArray recurrence(quint8 type, quint16 interval, const QByteArray& last)
{
    QByteArray out(1, char(type));
    IpdWriter::appendLittle16(out, interval);
    return out + last + QByteArray(2, '\0');
}

QByteArray backupWith(const QStringList& names, quint16 calendarId)
{
    const QDateTime day(QDate(2011, 12, 25), QTime(0, 0), Qt::UTC);
    return IpdWriter::header(names)
           + IpdWriter::record(calendarId,
                               {{0x02, "Team, weekly; sync"},
                                {0x03, QByteArray("line one\nline two\0", 18)},
                                {0x04, "Room 5"},
                                {0x05, minutes(kStart.addSecs(-15 * 60))},
                                {0x06, minutes(kStart)},
                                {0x07, minutes(kStart.addSecs(3600))},
                                {0x0c, recurrence(0x0c, 1, minutes(kStart.addDays(28)))}},
                               1)
           + IpdWriter::record(calendarId, {{0x02, "Christmas"}, {0x06, minutes(day)}, {0xff, QByteArray(1, 1)}}, 2)
           // Damaged: a start of three bytes, a recurrence of two, a reminder of eight.
           + IpdWriter::record(
               calendarId, {{0x02, "no start"}, {0x06, "abc"}, {0x0c, "\x01\x02"}, {0x05, QByteArray(8, '\xff')}}, 3)
           // Daily, a zero interval, no last occurrence.
           + IpdWriter::record(
               calendarId,
               {{0x02, "Stand-up"}, {0x06, minutes(kStart)}, {0x0c, recurrence(0x01, 0, QByteArray(4, '\xff'))}}, 4);
}

BackupConversionResult convert(const QByteArray& backup, QTemporaryDir& work)
{
    const QString path = work.filePath(QStringLiteral("Backup.ipd"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(backup) != backup.size())
        return {};
    file.close();
    BackupChoices choices;
    choices.format = BackupChoices::Format::All;
    const QString out = work.filePath(QStringLiteral("out"));
    return BackupConversion::convert(path, out, out, choices);
}

QString text(icalproperty* property)
{
    return property ? QString::fromUtf8(icalproperty_as_ical_string(property)).remove(QStringLiteral("\r\n ")).trimmed()
                    : QString();
}

} // namespace

class TestBlackberryCalendar : public QObject
{
    Q_OBJECT

private slots:
    void calendarToBothFiles();
    void databaseNamesChooseTheCalendar_data();
    void databaseNamesChooseTheCalendar();
    void damagedRecordsAreSafe();
};

void TestBlackberryCalendar::calendarToBothFiles()
{
    // The epoch: minutes since 1900, in UTC.
    QCOMPARE(BlackberryCalendarConverter::secondsOfMinutesSince1900(36816480), qint64(0));
    QTemporaryDir work;
    const BackupConversionResult result = convert(backupWith({"SMS Messages", "Calendar", "Calendar - All"}, 2), work);
    QCOMPARE(result.firstFailure(), 0);
    QCOMPARE(result.calendar.count, 4);
    QCOMPARE(result.calendarIcs.count, 3);
    QCOMPARE(result.calendarIcs.leftOut, 1);

    QFile xml(result.calendar.path);
    QDomDocument document;
    QVERIFY(xml.open(QIODevice::ReadOnly) && document.setContent(&xml));
    const QDomElement weekly = document.documentElement().firstChildElement(QStringLiteral("calendar_entry"));
    QCOMPARE(weekly.firstChildElement(QStringLiteral("title")).text(), QStringLiteral("Team, weekly; sync"));
    QCOMPARE(weekly.firstChildElement(QStringLiteral("start_date")).text(), QString::number(kStart.toSecsSinceEpoch()));
    QCOMPARE(weekly.firstChildElement(QStringLiteral("frequency")).text(), QStringLiteral("WEEKLY"));
    QCOMPARE(weekly.firstChildElement(QStringLiteral("repeat_end_date")).text(),
             QString::number(kStart.addDays(28).toSecsSinceEpoch()));
    QCOMPARE(weekly.firstChildElement(QStringLiteral("alarm")).text(), QStringLiteral("-900"));
    const QDomElement christmas = weekly.nextSiblingElement();
    QCOMPARE(christmas.firstChildElement(QStringLiteral("all_day")).text(), QStringLiteral("true"));

    QFile ics(result.calendarIcs.path);
    QVERIFY(ics.open(QIODevice::ReadOnly));
    icalcomponent* calendar = icalparser_parse_string(ics.readAll().constData());
    QVERIFY(calendar);
    QCOMPARE(icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT), 3);
    icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(QString::fromUtf8(icalcomponent_get_summary(event)), QStringLiteral("Team, weekly; sync"));
    QCOMPARE(QString::fromUtf8(icalcomponent_get_description(event)), QStringLiteral("line one\nline two"));
    QCOMPARE(text(icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY)),
             QStringLiteral("DTSTART:20110313T100000Z"));
    QCOMPARE(text(icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY)),
             QStringLiteral("RRULE:FREQ=WEEKLY;UNTIL=20110410T100000Z"));
    QCOMPARE(text(icalcomponent_get_first_property(icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT),
                                                   ICAL_TRIGGER_PROPERTY)),
             QStringLiteral("TRIGGER:-PT15M"));
    event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(text(icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY)),
             QStringLiteral("DTSTART;VALUE=DATE:20111225"));
    event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(text(icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY)), QStringLiteral("RRULE:FREQ=DAILY"));
    icalcomponent_free(calendar);
}

void TestBlackberryCalendar::databaseNamesChooseTheCalendar_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("entries"); // of the first database, the one the records belong to
    QTest::newRow("older name alone") << QStringList{"Calendar"} << 4;
    // "Calendar - All" beside it is preferred: "Calendar"'s records are passed over.
    QTest::newRow("both names") << QStringList{"Calendar", "Calendar - All"} << 0;
    QTest::newRow("no calendar") << QStringList{"SMS Messages"} << -1;
}

// What is converted, and what the wizard offers before converting anything.
void TestBlackberryCalendar::databaseNamesChooseTheCalendar()
{
    QFETCH(QStringList, names);
    QFETCH(int, entries);
    QTemporaryDir work;
    const BackupConversionResult result = convert(backupWith(names, 0), work);
    QCOMPARE(result.firstFailure(), 0);
    QCOMPARE(result.calendar.count, entries < 0 ? result.calendar.count : entries);
    QCOMPARE(BackupContents::of(work.filePath(QStringLiteral("Backup.ipd"))).calendar, entries >= 0);
}

void TestBlackberryCalendar::damagedRecordsAreSafe()
{
    for (int cut = 0; cut <= 12; ++cut) {
        BackupRecord record;
        record.fields = {
            {0x05, minutes(kStart).left(cut % 5)}, {0x06, minutes(kStart).left(cut / 3)},
            {0x07, QByteArray(cut, '\xff')},       {0x0c, recurrence(0x05, 2, QByteArray(4, '\x7f')).left(cut)},
            {0xff, QByteArray(cut, '\0')},         {0x02, QByteArray(cut, '\x80')}};
        const CalendarRecord event = BlackberryCalendarConverter::entryOfRecord(record);
        QCOMPARE(event.start.has_value(), cut / 3 == 4);
        QCOMPARE(event.end.has_value(), cut == 4);
        QCOMPARE(event.entry.frequency, cut >= 7 ? QStringLiteral("YEARLY") : QStringLiteral("once"));
        QVERIFY(!event.entry.allDay);
    }
}

QTEST_GUILESS_MAIN(TestBlackberryCalendar)
#include "tst_BlackberryCalendar.moc"
