// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupDatabases.h"
#include "support/IphoneBackupXml.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/AppleExtractor.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList convert(const QString& calendar, int& result)
{
    QTemporaryDir out;
    AppleExtractor extractor;
    extractor.setCalendarPath(calendar);
    const QString xml = out.filePath(QStringLiteral("calendar.xml"));
    result = extractor.generateCalendarXML(out.path(), xml);
    return IphoneBackupXml::linesUnder(IphoneBackupXml::outline(xml), QString());
}

// The lines of one entry, without the "calendar_entry/" prefix.
QStringList entry(const QStringList& lines, int number)
{
    QStringList result;
    int seen = -1;
    for (const QString& line : lines) {
        if (line == QLatin1String("calendar_entry"))
            ++seen;
        else if (seen == number)
            result << line.mid(15);
    }
    return result;
}

QStringList plainEntry(const QString& title, const QString& start, const QString& end)
{
    return {"title=" + title, "location",      "description", "time_zone",           "frequency=once",
            "interval=1",     "all_day=false", "url",         "start_date=" + start, "end_date=" + end};
}

} // namespace

class TestIphoneCalendar : public QObject
{
    Q_OBJECT

private slots:
    void convertsDates_data();
    void convertsDates();
    void newerLayout();
    void olderLayout();
    void realIos18();
    void failures();
};

void TestIphoneCalendar::convertsDates_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("calendar");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("birthday");
    QTest::newRow("zero") << "0"
                          << "978307200"
                          << "978307200"
                          << "978264000";
    QTest::newRow("whole seconds") << "100"
                                   << "978307300"
                                   << "978307300"
                                   << "978264100";
    QTest::newRow("fraction truncated") << "700000000.75"
                                        << "1678307200"
                                        << "1678307200"
                                        << "1678264000";
    QTest::newRow("negative fraction toward zero") << "-0.5"
                                                   << "978307200"
                                                   << "978307200"
                                                   << "978264000";
    QTest::newRow("before 1970") << "-1000000000"
                                 << "-21692800"
                                 << "-21692800"
                                 << "-21736000";
    QTest::newRow("nanoseconds") << "700000001000000000"
                                 << "700978307201000000000"
                                 << "1678307201"
                                 << "700978264001000000000";
    QTest::newRow("10^11 exactly stays seconds") << "100000000000"
                                                 << "100978307200"
                                                 << "100978307200"
                                                 << "100978264000";
    QTest::newRow("not a number") << "not-a-date"
                                  << "978307200"
                                  << "978307200"
                                  << "";
    QTest::newRow("empty") << ""
                           << "978307200"
                           << "978307200"
                           << "";
    QTest::newRow("infinity") << "inf"
                              << "978307200"
                              << "978307200"
                              << "";
    QTest::newRow("beyond 64 bits") << "99999999999999999999"
                                    << "978307200"
                                    << "978307200"
                                    << "";
    QTest::newRow("exponent") << "1e3"
                              << "978308200"
                              << "978308200"
                              << "978265000";
}

void TestIphoneCalendar::convertsDates()
{
    QFETCH(QString, stored);
    QFETCH(QString, calendar);
    QFETCH(QString, message);
    QFETCH(QString, birthday);
    if (calendar.size() < 16) // the calendar takes no nanoseconds
        QCOMPARE(AppleDates::calendarDate(stored), calendar);
    QCOMPARE(AppleDates::messageDate(stored), message);
    if (birthday.size() < 16)
        QCOMPARE(AppleDates::birthday(stored), birthday);
}

void TestIphoneCalendar::newerLayout()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("Calendar.sqlitedb"));
    QStringList s = IphoneBackupDatabases::calendarNewerSchema();
    s << "INSERT INTO CalendarItem (ROWID, summary, description, start_date, end_date, start_tz, all_day, url) VALUES"
         " (1, 'Weekly', 'desc', 100, 200.9, 'Europe/Berlin', 0, 'https://x.example'),"
         " (2, 'Once', NULL, 0, 3600, NULL, 1, NULL),"
         " (3, 'Daily until', NULL, -100, NULL, NULL, 0, NULL),"
         " (4, 'Odd code', NULL, 5, 6, NULL, 'yes', NULL)"
      << "INSERT INTO Location (title, item_owner_id) VALUES ('Room 1', 1)"
      << "INSERT INTO Recurrence (frequency, interval, end_date, owner_id) VALUES (2, 1, 0, 1), (1, NULL, 1000, 3),"
         " (9, 3, NULL, 4)"
      << "INSERT INTO Alarm (trigger_interval, owner_id) VALUES (-900, 1), (NULL, 1), (-3600, 1), (60, 2),"
         " ('12.5', 2), (99999999999, 2)";
    QVERIFY(IphoneBackupDatabases::create(db, s));
    int result = 1;
    const QStringList lines = convert(db, result);
    QCOMPARE(result, 0);
    QCOMPARE(entry(lines, 0),
             (QStringList{"title=Weekly", "location=Room 1", "description=desc", "time_zone=Europe/Berlin",
                          "frequency=WEEKLY", "interval=1", "all_day=false", "url=https://x.example",
                          "start_date=978307300", "end_date=978307400", "alarm=-900", "alarm=-3600"}));
    QStringList once = plainEntry(QStringLiteral("Once"), QStringLiteral("978307200"), QStringLiteral("978310800"));
    once[6] = QStringLiteral("all_day=true");
    once << QStringLiteral("alarm=60");
    QCOMPARE(entry(lines, 1), once);
    QCOMPARE(entry(lines, 2),
             (QStringList{"title=Daily until", "location", "description", "time_zone", "frequency=DAILY", "interval",
                          "repeat_end_date=978308200", "all_day=false", "url", "start_date=978307100", "end_date"}));
    QCOMPARE(entry(lines, 3),
             (QStringList{"title=Odd code", "location", "description", "time_zone", "frequency=once", "interval=3",
                          "all_day=false", "url", "start_date=978307205", "end_date=978307206"}));
}

void TestIphoneCalendar::olderLayout()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("Calendar.sqlitedb"));
    QStringList s = IphoneBackupDatabases::calendarOlderSchema();
    s << "INSERT INTO Event (ROWID, summary, location, description, start_date, end_date, start_tz, all_day, url)"
         " VALUES (1, 'Dentist', 'Main St', 'check', 300000000, 300003600, 'UTC', 0, 'ignored'),"
         " (2, 'Monthly', NULL, NULL, 1, 2, NULL, 1, NULL)"
      << "INSERT INTO Recurrence (frequency, interval, end_date, event_id) VALUES (3, 2, 400000000, 2)"
      << "INSERT INTO Alarm (trigger_interval, entity_id) VALUES (-600, 1), (-60, 2)";
    QVERIFY(IphoneBackupDatabases::create(db, s));
    int result = 1;
    const QStringList lines = convert(db, result);
    QCOMPARE(result, 0);
    QStringList dentist =
        plainEntry(QStringLiteral("Dentist"), QStringLiteral("1278307200"), QStringLiteral("1278310800"));
    dentist[1] = QStringLiteral("location=Main St");
    dentist[2] = QStringLiteral("description=check");
    dentist[3] = QStringLiteral("time_zone=UTC");
    dentist << QStringLiteral("alarm=-600");
    QCOMPARE(entry(lines, 0), dentist);
    QCOMPARE(entry(lines, 1), (QStringList{"title=Monthly", "location", "description", "time_zone", "frequency=MONTHLY",
                                           "interval=2", "repeat_end_date=1378307200", "all_day=true", "url",
                                           "start_date=978307201", "end_date=978307202", "alarm=-60"}));
}

void TestIphoneCalendar::realIos18()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("Calendar.sqlitedb"));
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/ios18-Calendar.sqlitedb"), db));
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    int result = 1;
    const QStringList lines = convert(db, result);
    QCOMPARE(result, 0);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^calendar_entry$"))).size(), 5);
    QCOMPARE(entry(lines, 0), (QStringList{"title=Team Sync", "location=HQ", "description=Quarterly planning",
                                           "time_zone=America/Los_Angeles", "frequency=WEEKLY", "interval=1",
                                           "all_day=false", "url=https://example.invalid/e1", "start_date=1678307200",
                                           "end_date=1678310800", "alarm=-900"}));
    QCOMPARE(entry(lines, 3).filter(QStringLiteral("start_date")), QStringList{"start_date=978307200"});
    QCOMPARE(entry(lines, 1).filter(QStringLiteral("all_day")), QStringList{"all_day=true"});
}

void TestIphoneCalendar::failures()
{
    QTemporaryDir temp;
    int result = 0;
    QCOMPARE(convert(QString(), result), QStringList());
    QCOMPARE(result, -12002);

    const QString neither = temp.filePath(QStringLiteral("neither.sqlitedb"));
    QVERIFY(IphoneBackupDatabases::create(neither, {QStringLiteral("CREATE TABLE Other (x)")}));
    QCOMPARE(convert(neither, result), QStringList());
    QCOMPARE(result, -12002);

    // No Alarm table: entries are written without alarms, and the code tells that the
    // file holds only part of the database.
    const QString noAlarms = temp.filePath(QStringLiteral("noalarms.sqlitedb"));
    QStringList s = IphoneBackupDatabases::calendarOlderSchema().mid(0, 2);
    s << QStringLiteral("INSERT INTO Event (summary, start_date, end_date) VALUES ('a', 0, 0), ('b', 0, 0)");
    QVERIFY(IphoneBackupDatabases::create(noAlarms, s));
    const QStringList lines = convert(noAlarms, result);
    QCOMPARE(result, -12007);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^calendar_entry$"))).size(), 2);

    AppleExtractor extractor;
    extractor.setCalendarPath(noAlarms);
    QCOMPARE(extractor.generateCalendarXML(temp.path(), temp.filePath(QStringLiteral("none/c.xml"))), -12004);
}

QTEST_GUILESS_MAIN(TestIphoneCalendar)
#include "tst_IphoneCalendar.moc"
