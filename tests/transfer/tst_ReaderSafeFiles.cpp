// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Contacts and calendar files that strict readers take whole: every card named
// and with a lasting UID, no event without a start, zones defined once before
// their use, and no file for nothing.
#include "support/IphoneBackupDatabases.h"
#include "transfer/android/IcsWriter.h"
#include "transfer/android/VCardWriter.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <libical/ical.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ContactEntry value(const QString& element, const QString& text, const QString& type = QString())
{
    return ContactEntry{element, type.isEmpty() ? std::nullopt : std::optional<QString>(type), text, {}};
}

// "FN|UID" per card, as Debian's python3-vobject reads the file.
QStringList namesByVobject(const QString& path)
{
    const QString script =
        QStringLiteral("import sys, vobject\n"
                       "for c in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):\n"
                       "    print(c.fn.value + '|' + c.uid.value)\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QString::fromUtf8(python.readAllStandardError())};
    return QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString propertyText(icalcomponent* component, icalproperty_kind kind)
{
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    return property ? QString::fromUtf8(icalproperty_as_ical_string(property)).remove(QStringLiteral("\r\n ")).trimmed()
                    : QString();
}

} // namespace

class TestReaderSafeFiles : public QObject
{
    Q_OBJECT

private slots:
    void everyCardIsNamed_data();
    void everyCardIsNamed();
    void addressBookCardsKeepTheirIdentity();
    void calendarStreamsWhatReadersTake();
    void nothingWritesNoFile();
};

void TestReaderSafeFiles::everyCardIsNamed_data()
{
    using namespace AddressBookXml;
    QTest::addColumn<QList<ContactEntry>>("entries");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("name");
    QTest::newRow("name parts") << QList<ContactEntry>{value(firstName(), QStringLiteral("Ana")),
                                                       value(lastName(), QStringLiteral("Lee"))}
                                << QString() << QStringLiteral("Ana Lee");
    QTest::newRow("company") << QList<ContactEntry>{value(organization(), QStringLiteral("Acme"))} << QString()
                             << QStringLiteral("Acme");
    QTest::newRow("number") << QList<ContactEntry>{value(phone(), QStringLiteral("+1 555"), typeMobile())} << QString()
                            << QStringLiteral("+1 555");
    ContactEntry address = value(AddressBookXml::address(), QString(), typeHome());
    address.children = {{city(), QString()}, {street(), QStringLiteral("1 High St\nFlat 2")}};
    QTest::newRow("address line") << QList<ContactEntry>{address} << QString() << QStringLiteral("1 High St");
    QTest::newRow("note words") << QList<ContactEntry>{} << QStringLiteral("  the plumber who fixed\nthe boiler in May")
                                << QStringLiteral("the plumber who fixed the");
    QTest::newRow("nothing") << QList<ContactEntry>{value(firstName(), QStringLiteral("  "))} << QString() << QString();
}

void TestReaderSafeFiles::everyCardIsNamed()
{
    QFETCH(QList<ContactEntry>, entries);
    QFETCH(QString, note);
    QFETCH(QString, name);
    ContactRecord contact;
    contact.entries = entries;
    contact.note = note;
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("contacts.vcf"));
    VCardWriter writer;
    QCOMPARE(writer.open(path), 0);
    writer.add(contact);
    QCOMPARE(writer.finish(), 0);
    QCOMPARE(writer.count(), name.isEmpty() ? 0 : 1);
    QCOMPARE(QFile::exists(path), !name.isEmpty());
    if (!name.isEmpty())
        QCOMPARE(namesByVobject(path).value(0).section(QLatin1Char('|'), 0, 0), name);
}

void TestReaderSafeFiles::addressBookCardsKeepTheirIdentity()
{
    QTemporaryDir work;
    const QString book = work.filePath(QStringLiteral("AddressBook.sqlitedb"));
    const QString images = work.filePath(QStringLiteral("AddressBookImages.sqlitedb"));
    // No indexes, and multi-values stored out of person order: one pass must
    // still give each person its own.
    QVERIFY(IphoneBackupDatabases::create(
        book, IphoneBackupDatabases::addressBookSchema()
                  << QStringLiteral("INSERT INTO ABPerson (ROWID, First, Birthday, guid) VALUES"
                                    " (1, 'Ana', '1990-04-01', 'G-ANA'), (2, 'Ben', NULL, ''), (3, 'Ana', NULL, '')")
                  << QStringLiteral("INSERT INTO ABMultiValue (UID, record_id, property, value) VALUES"
                                    " (10, 3, 3, '333'), (11, 1, 3, '111'), (12, 2, 5, NULL), (13, 1, 4, 'a@x')")
                  << QStringLiteral("INSERT INTO ABMultiValueEntryKey (rowid, value) VALUES (1, 'City')")
                  << QStringLiteral("INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES (12, 1, 'Leeds')")));
    const QByteArray thumbnail = QByteArray("\xFF\xD8\xFF") + "thumb";
    const QByteArray fullSize = QByteArray("\xFF\xD8\xFF") + "full size";
    QStringList imageTables = IphoneBackupDatabases::addressBookImagesSchema(true);
    imageTables << QStringLiteral("CREATE TABLE ABFullSizeImage (ROWID INTEGER PRIMARY KEY, record_id INTEGER,"
                                  " crop_x INTEGER, crop_y INTEGER, crop_width INTEGER, data BLOB)")
                << QStringLiteral("INSERT INTO ABThumbnailImage (record_id, format, data) VALUES (1, 0, x'%1'),"
                                  " (2, 0, x'%1')")
                       .arg(QString::fromLatin1(thumbnail.toHex()))
                << QStringLiteral("INSERT INTO ABFullSizeImage (record_id, data) VALUES (1, x'%1')")
                       .arg(QString::fromLatin1(fullSize.toHex()));
    QVERIFY(IphoneBackupDatabases::create(images, imageTables));

    QStringList runs[2];
    QByteArray text;
    for (QStringList& names : runs) {
        const QString path = work.filePath(QStringLiteral("contacts.vcf"));
        VCardWriter writer;
        QCOMPARE(writer.open(path), 0);
        QCOMPARE(IphoneAddressBookExport::read(book, images, writer), 0);
        QCOMPARE(writer.finish(), 0);
        names = namesByVobject(path);
        text = readAll(path);
    }
    QCOMPARE(runs[0].size(), 3);
    QCOMPARE(runs[1], runs[0]); // the same UIDs on the next conversion
    QCOMPARE(runs[0].at(0).section(QLatin1Char('|'), 0, 0), QStringLiteral("Ana"));
    QVERIFY(runs[0].at(0).section(QLatin1Char('|'), 1) != runs[0].at(2).section(QLatin1Char('|'), 1));
    QVERIFY(text.contains("BDAY:1990-04-01"));
    QVERIFY(text.contains(QByteArray("PHOTO;ENCODING=b;TYPE=JPEG:").append(fullSize.toBase64())));
    QVERIFY(text.contains(
        QByteArray("PHOTO;ENCODING=b;TYPE=JPEG:").append(thumbnail.toBase64()))); // Ben has only the thumbnail
    QVERIFY(text.contains("TEL:333"));
    QVERIFY(text.contains("ADR:;;;Leeds;;;"));
    QVERIFY(text.indexOf("TEL:111") < text.indexOf("EMAIL;TYPE=INTERNET:a@x"));
    QVERIFY(text.indexOf("EMAIL;TYPE=INTERNET:a@x") < text.indexOf("Leeds"));
}

void TestReaderSafeFiles::calendarStreamsWhatReadersTake()
{
    QTemporaryDir work;
    const QString database = work.filePath(QStringLiteral("Calendar.sqlitedb"));
    // 2024-03-10 09:00 UTC is 731754000 Apple seconds; a week is 604800.
    QVERIFY(IphoneBackupDatabases::create(
        database,
        IphoneBackupDatabases::calendarNewerSchema()
            << QStringLiteral("CREATE TABLE ExceptionDate (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, date REAL,"
                              " owner_id INTEGER)")
            << QStringLiteral("INSERT INTO CalendarItem (ROWID, summary, start_date, end_date, start_tz, all_day)"
                              " VALUES (1, 'Weekly', 731754000, 731757600, 'Europe/London', 0),"
                              " (2, 'No start', NULL, 731757600, 'Europe/Paris', 0),"
                              " (3, 'New York', 731754000, NULL, 'America/New_York', 0),"
                              " (4, 'London again', 731754000, NULL, 'Europe/London', 0)")
            << QStringLiteral("INSERT INTO Recurrence (frequency, interval, owner_id) VALUES (2, 1, 1)")
            << QStringLiteral("INSERT INTO ExceptionDate (date, owner_id) VALUES (732358800, 1), (1, 3)")
            << QStringLiteral("INSERT INTO Alarm (trigger_date, trigger_interval, owner_id) VALUES"
                              " (731750400, NULL, 1), (NULL, -600, 4), (NULL, -300, 1)")));
    const QString path = work.filePath(QStringLiteral("calendar.ics"));
    IcsWriter writer(QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC));
    QCOMPARE(writer.open(path), 0);
    QCOMPARE(IphoneCalendarExport::read(database, writer), 0);
    QCOMPARE(writer.finish(), 0);
    QCOMPARE(writer.count(), 3);
    QCOMPARE(writer.withoutStartCount(), 1);

    const QByteArray text = readAll(path);
    QCOMPARE(text.count("BEGIN:VTIMEZONE"), 2);
    for (const char* zone : {"Europe/London", "America/New_York"})
        QVERIFY(text.indexOf(QByteArray("TZID:").append(zone)) < text.indexOf(QByteArray("TZID=").append(zone)));
    icalcomponent* calendar = icalparser_parse_string(text.constData());
    QVERIFY(calendar);
    QCOMPARE(icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT), 3);
    icalcomponent* weekly = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(propertyText(weekly, ICAL_EXDATE_PROPERTY), QStringLiteral("EXDATE;TZID=Europe/London:20240317T090000"));
    QStringList triggers;
    for (icalcomponent* alarm = icalcomponent_get_first_component(weekly, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(weekly, ICAL_VALARM_COMPONENT))
        triggers << propertyText(alarm, ICAL_TRIGGER_PROPERTY);
    QCOMPARE(triggers, (QStringList{"TRIGGER:-PT5M", "TRIGGER;VALUE=DATE-TIME:20240310T080000Z"}));
    icalcomponent* newYork = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT);
    QVERIFY(propertyText(newYork, ICAL_EXDATE_PROPERTY).isEmpty()); // it does not repeat
    icalcomponent* again = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(propertyText(icalcomponent_get_first_component(again, ICAL_VALARM_COMPONENT), ICAL_TRIGGER_PROPERTY),
             QStringLiteral("TRIGGER:-PT10M"));
    icalcomponent_free(calendar);
}

void TestReaderSafeFiles::nothingWritesNoFile()
{
    QTemporaryDir work;
    const QString ics = work.filePath(QStringLiteral("calendar.ics"));
    IcsWriter calendar(QDateTime::currentDateTimeUtc());
    QCOMPARE(calendar.open(ics), 0);
    calendar.add(CalendarRecord{}); // no start: left out
    QCOMPARE(calendar.finish(), 0);
    QVERIFY(!QFile::exists(ics));

    const QString vcf = work.filePath(QStringLiteral("contacts.vcf"));
    VCardWriter cards;
    QCOMPARE(cards.open(vcf), 0);
    QCOMPARE(cards.finish(), 0);
    QVERIFY(!QFile::exists(vcf));
}

QTEST_GUILESS_MAIN(TestReaderSafeFiles)
#include "tst_ReaderSafeFiles.moc"
