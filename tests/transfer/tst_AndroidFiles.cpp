// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The standard files (vCard, iCalendar, SMS Backup & Restore) from BlackBerry
// and iPhone backups, read back by independent parsers.
#include "support/IpdWriter.h"
#include "support/IphoneBackupDatabases.h"
#include "transfer/BackupConversion.h"
#include "transfer/android/ContactNames.h"
#include "transfer/android/IcsWriter.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/android/VCardText.h"
#include "transfer/android/VCardWriter.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"
#include "transfer/iphone/IphoneMessagesExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <libical/ical.h>

namespace {

const QString kEmojiName = QString::fromUtf8("Zo\xC3\xAB \xF0\x9F\x98\x80");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A BlackBerry backup full of the hard cases.
QByteArray hardBlackberryBackup()
{
    using namespace IpdWriter;
    const QByteArray longStreet(120, 'x');
    return header({"SMS Messages", "Address Book - All"})
           + record(1, {{10, encodedSubfield(32, 1, utf16BigEndian(kEmojiName)) + textSubfield(32, "Smith, Jr; II")
                                 + textSubfield(8, "07700 900123") + textSubfield(1, "zoe@example.com")
                                 + textSubfield(35, longStreet) + textSubfield(38, "Leeds")}})
           + record(1, {{10, textSubfield(33, "Acme Ltd") + textSubfield(6, "+1 (555) 010-0200")}})
           + record(1, {{10, textSubfield(17, "555-0300")}})
           // Out of date order on purpose; the second names Zoë in international form.
           + smsRecord(0, true, 1300000005000ull, "+447700900123", "later")
           + smsRecord(0, false, 1300000001000ull, "+15550100200", "first, \"quoted\" & <b>")
           + record(0, {{1, smsFlags(true, 1300000003000ull, true)},
                        {2, "99999"},
                        {4, utf16BigEndian(QString::fromUtf8("smile \xF0\x9F\x98\x80\nline"))},
                        {7, QByteArray(1, 2)}});
}

// The hard backup, written into work once, converted with choices into work's folder out.
BackupConversionResult convertHardBackup(const QTemporaryDir& work, const QString& out, const BackupChoices& choices)
{
    const QString backup = work.filePath(QStringLiteral("hard.ipd"));
    QFile file(backup);
    if (!file.exists() && !(file.open(QIODevice::WriteOnly) && file.write(hardBlackberryBackup()) > 0)) {
        BackupConversionResult unwritten;
        unwritten.code = -1;
        return unwritten;
    }
    file.close();
    return BackupConversion::convert(backup, work.filePath(out), work.filePath(out), choices);
}

struct Sms
{
    QString address, date, type, body, read, contactName;
};

QList<Sms> readSmsFile(const QString& path, int& count)
{
    QList<Sms> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("smses")) {
            count = xml.attributes().value(QLatin1String("count")).toInt();
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        messages.append({a.value(QLatin1String("address")).toString(), a.value(QLatin1String("date")).toString(),
                         a.value(QLatin1String("type")).toString(), a.value(QLatin1String("body")).toString(),
                         a.value(QLatin1String("read")).toString(), a.value(QLatin1String("contact_name")).toString()});
        xml.skipCurrentElement();
    }
    if (xml.hasError())
        messages.clear();
    return messages;
}

// The cards of a vCard file as Debian's python3-vobject reads them.
QJsonArray cardsByVobject(const QString& path)
{
    const QString script =
        QStringLiteral("import sys, json, vobject\n"
                       "out = []\n"
                       "for c in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):\n"
                       "    d = {'fn': c.fn.value, 'n': [c.n.value.family, c.n.value.given]}\n"
                       "    d['tel'] = [[t.value, t.params.get('TYPE', [])] for t in c.contents.get('tel', [])]\n"
                       "    d['email'] = [e.value for e in c.contents.get('email', [])]\n"
                       "    d['org'] = [o.value for o in c.contents.get('org', [])]\n"
                       "    d['adr'] = [[a.value.street, a.value.city] for a in c.contents.get('adr', [])]\n"
                       "    out.append(d)\n"
                       "print(json.dumps(out))\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

bool createCalendar(const QString& path)
{
    QStringList statements = IphoneBackupDatabases::calendarNewerSchema();
    // 2024-03-10 09:00 UTC is 731754000 Apple seconds.
    statements << QStringLiteral(
        "INSERT INTO CalendarItem (ROWID, summary, description, start_date, end_date, start_tz, all_day, UUID)"
        " VALUES (1, 'Team, weekly; sync', 'line one\nline two', 731754000, 731757600, 'Europe/London', 0, 'A-1')")
               << QStringLiteral("INSERT INTO Location (title, item_owner_id) VALUES ('Room 5', 1)")
               << QStringLiteral("INSERT INTO Recurrence (frequency, interval, count, owner_id) VALUES (2, 2, 10, 1)")
               << QStringLiteral("INSERT INTO Alarm (trigger_interval, owner_id) VALUES (-900, 1)")
               << QStringLiteral("INSERT INTO Alarm (trigger_interval, owner_id) VALUES (-3600, 1)")
               << QStringLiteral("INSERT INTO CalendarItem (ROWID, summary, start_date, end_date, start_tz, all_day)"
                                 " VALUES (2, 'Holiday', 731721600, 731807999, '_float', 1)")
               << QStringLiteral("INSERT INTO CalendarItem (ROWID, summary, start_date, end_date, start_tz, all_day)"
                                 " VALUES (3, 'Call NY', 731754000.5, 'soon', 'America/New_York', 0)");
    return IphoneBackupDatabases::create(path, statements);
}

class RecordingCalendar : public CalendarSink
{
public:
    void add(const CalendarRecord& event) override { events.append(event); }
    QList<CalendarRecord> events;
};

QString propertyText(icalcomponent* event, icalproperty_kind kind)
{
    icalproperty* property = icalcomponent_get_first_property(event, kind);
    return property ? QString::fromUtf8(icalproperty_as_ical_string(property)).remove(QStringLiteral("\r\n ")).trimmed()
                    : QString();
}

} // namespace

class TestAndroidFiles : public QObject
{
    Q_OBJECT

private slots:
    void blackberryBackupToStandardFiles();
    void formatChoosesTheFiles();
    void vcardTextRules();
    void labelsKeepTheirMeaning();
    void numbersMatchTheWayPhonesCompare();
    void sharedNumbersAndAddresses_data();
    void sharedNumbersAndAddresses();
    void iphoneCalendarReadBackByLibical();
    void icsEntriesAreWrittenAsLibicalWritesThem();
    void realIphoneSamples();
    void longMessagesAreWrittenWhole_data();
    void longMessagesAreWrittenWhole();
};

void TestAndroidFiles::blackberryBackupToStandardFiles()
{
    QTemporaryDir work;
    BackupChoices choices;
    choices.format = BackupChoices::Format::All;
    choices.conversionTime = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    const QString out = work.filePath(QStringLiteral("out"));
    const BackupConversionResult result = convertHardBackup(work, QStringLiteral("out"), choices);
    QCOMPARE(result.firstFailure(), 0);
    QCOMPARE(result.contactsVcard.count, 3);
    QCOMPARE(result.smsBackup.count, 3);
    QCOMPARE(QFileInfo(result.smsBackup.path).fileName(), QStringLiteral("sms-20260102030405.xml"));
    QVERIFY(QFile::exists(out + QStringLiteral("/address.xml"))); // the XML files as well

    // Messages: in date order, dates in ms, direction, names by number.
    int count = -1;
    const QList<Sms> sms = readSmsFile(result.smsBackup.path, count);
    QCOMPARE(count, 3);
    QCOMPARE(sms.size(), 3);
    QCOMPARE(sms.at(0).date, QStringLiteral("1300000001000"));
    QCOMPARE(sms.at(0).type, QStringLiteral("2"));
    QCOMPARE(sms.at(0).body, QStringLiteral("first, \"quoted\" & <b>"));
    QCOMPARE(sms.at(0).contactName, QStringLiteral("Acme Ltd")); // "+1 (555) 010-0200"
    QCOMPARE(sms.at(1).body, QString::fromUtf8("smile \xF0\x9F\x98\x80\nline"));
    QCOMPARE(sms.at(1).contactName, QStringLiteral("(Unknown)"));
    QCOMPARE(sms.at(2).type, QStringLiteral("1"));
    QCOMPARE(sms.at(2).read, QStringLiteral("1"));
    QCOMPARE(sms.at(2).contactName, kEmojiName + QStringLiteral(" Smith, Jr; II")); // national 07700 form

    // Contacts: CR LF lines of at most 75 octets, and vobject reads back what the backup holds.
    const QByteArray vcf = readAll(result.contactsVcard.path);
    for (const QByteArray& line : vcf.split('\n')) {
        QVERIFY2(line.isEmpty() || line.endsWith('\r'), line.constData());
        QVERIFY2(line.size() <= 76, line.constData());
        QVERIFY(QString::fromUtf8(line).toUtf8() == line); // no character split across a fold
    }
    const QJsonArray cards = cardsByVobject(result.contactsVcard.path);
    QCOMPARE(cards.size(), 3);
    const QJsonObject zoe = cards.at(0).toObject();
    QCOMPARE(zoe.value(QLatin1String("fn")).toString(), kEmojiName + QStringLiteral(" Smith, Jr; II"));
    QCOMPARE(zoe.value(QLatin1String("n")).toArray().at(0).toString(), QStringLiteral("Smith, Jr; II"));
    QCOMPARE(zoe.value(QLatin1String("tel")).toArray().at(0).toArray().at(0).toString(),
             QStringLiteral("07700 900123"));
    QCOMPARE(zoe.value(QLatin1String("tel")).toArray().at(0).toArray().at(1).toArray().at(0).toString(),
             QStringLiteral("CELL"));
    QCOMPARE(zoe.value(QLatin1String("email")).toArray().at(0).toString(), QStringLiteral("zoe@example.com"));
    QCOMPARE(zoe.value(QLatin1String("adr")).toArray().at(0).toArray().at(0).toString(),
             QString(120, QLatin1Char('x')));
    QCOMPARE(zoe.value(QLatin1String("adr")).toArray().at(0).toArray().at(1).toString(), QStringLiteral("Leeds"));
    // A person with only a company, and one with only a number, still have a name.
    QCOMPARE(cards.at(1).toObject().value(QLatin1String("fn")).toString(), QStringLiteral("Acme Ltd"));
    QCOMPARE(cards.at(2).toObject().value(QLatin1String("fn")).toString(), QStringLiteral("555-0300"));
}

void TestAndroidFiles::formatChoosesTheFiles()
{
    QTemporaryDir work;
    BackupChoices choices;
    choices.format = BackupChoices::Format::Android;
    choices.addressBook = false; // the messages still get their names from the contacts
    const QString out = work.filePath(QStringLiteral("android"));
    const BackupConversionResult result = convertHardBackup(work, QStringLiteral("android"), choices);
    QCOMPARE(result.firstFailure(), 0);
    QVERIFY(result.messages.path.isEmpty());
    QVERIFY(result.contactsVcard.path.isEmpty());
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{QFileInfo(result.smsBackup.path).fileName()});
    int count = -1;
    QCOMPARE(readSmsFile(result.smsBackup.path, count).last().contactName,
             kEmojiName + QStringLiteral(" Smith, Jr; II"));

    choices.format = BackupChoices::Format::Korva;
    QCOMPARE(convertHardBackup(work, QStringLiteral("korva"), choices).firstFailure(), 0);
    QCOMPARE(QDir(work.filePath(QStringLiteral("korva"))).entryList(QDir::Files),
             QStringList{QStringLiteral("messages.xml")});
}

void TestAndroidFiles::vcardTextRules()
{
    QCOMPARE(VCardText::escaped(QStringLiteral("a\\b,c;d\r\ne\nf\rg\x01")), QByteArray("a\\\\b\\,c\\;d\\ne\\nf\\ng"));
    // A lone surrogate half is dropped, a pair kept.
    QCOMPARE(VCardText::escaped(QString(QChar(0xD83D)) + QStringLiteral("x")), QByteArray("x"));
    QByteArray folded;
    const QByteArray line = "NOTE:" + QString(100, QChar(0x00E9)).toUtf8(); // 2-byte characters
    VCardText::appendFolded(folded, line);
    const QList<QByteArray> parts = folded.split('\n');
    QVERIFY(parts.size() >= 3);
    QByteArray unfolded;
    for (const QByteArray& part : parts) {
        if (part.isEmpty())
            continue;
        QVERIFY(part.size() <= 76);
        QVERIFY(QString::fromUtf8(part).toUtf8() == part);
        unfolded += unfolded.isEmpty() ? part.chopped(1) : part.mid(1).chopped(1);
    }
    QCOMPARE(unfolded, line);
}

void TestAndroidFiles::labelsKeepTheirMeaning()
{
    QCOMPARE(VCardWriter::phoneType(QString(), QStringLiteral("_$!<Mobile>!$_")), QByteArray("CELL"));
    QCOMPARE(VCardWriter::phoneType(QString(), QStringLiteral("_$!<WorkFAX>!$_")), QByteArray("FAX,WORK"));
    QCOMPARE(VCardWriter::phoneType(QString(), QStringLiteral("_$!<Pager>!$_")), QByteArray("PAGER"));
    QCOMPARE(VCardWriter::phoneType(QString(), QStringLiteral("Boat")), QByteArray("X-Boat"));
    QCOMPARE(VCardWriter::phoneType(QString(), QStringLiteral("Boat; big")), QByteArray("\"X-Boat; big\""));
    QCOMPARE(VCardWriter::phoneType(QStringLiteral("mobile"), QString()), QByteArray("CELL"));
    QCOMPARE(VCardWriter::phoneType(QString(), QString()), QByteArray());
    QCOMPARE(VCardWriter::imageType(QByteArray("\xFF\xD8\xFF\xE0", 4)), QByteArray("JPEG"));
    QCOMPARE(VCardWriter::imageType(QByteArray("\x89PNG\r\n\x1A\n", 8)), QByteArray("PNG"));
    QCOMPARE(VCardWriter::imageType(QByteArray("raw pixels")), QByteArray());

    ContactRecord person;
    person.entries = {ContactEntry{AddressBookXml::phone(), QString(), QStringLiteral("+1 555"), {}}};
    person.labels.insert(0, QStringLiteral("Boat"));
    person.photo = QByteArray("\xFF\xD8\xFF\xE0 jpeg", 9);
    person.note = QStringLiteral("two\nlines");
    const QByteArray card = VCardWriter::card(person);
    QVERIFY(card.contains("TEL;TYPE=X-Boat:+1 555\r\n"));
    QVERIFY(card.contains("FN:+1 555\r\n"));
    QVERIFY(card.contains("NOTE:two\\nlines\r\n"));
    const QByteArray photoLine = "PHOTO;ENCODING=b;TYPE=JPEG:" + person.photo->toBase64();
    QVERIFY(card.contains(photoLine));
}

void TestAndroidFiles::numbersMatchTheWayPhonesCompare()
{
    QVERIFY(ContactNames::sameNumber(QStringLiteral("+44 7700 900123"), QStringLiteral("07700-900-123")));
    QVERIFY(ContactNames::sameNumber(QStringLiteral("(555) 010-0200"), QStringLiteral("+1 555 010 0200")));
    QVERIFY(!ContactNames::sameNumber(QStringLiteral("+44 7700 900123"), QStringLiteral("+44 7700 900124")));
    QVERIFY(!ContactNames::sameNumber(QStringLiteral("12345"), QStringLiteral("912345"))); // short codes: exact only
    QVERIFY(!ContactNames::sameNumber(QStringLiteral("ana@example.com"), QStringLiteral("ana@example.com")));

    ContactNames names;
    ContactRecord ana;
    ana.entries = {
        ContactEntry{AddressBookXml::firstName(), std::nullopt, QStringLiteral("Ana"), {}},
        ContactEntry{AddressBookXml::phone(), QStringLiteral("mobile"), QStringLiteral("07700 900123"), {}},
        ContactEntry{AddressBookXml::email(), QStringLiteral("home"), QStringLiteral("Ana@Example.com"), {}}};
    names.add(ana);
    QCOMPARE(names.nameFor(QStringLiteral("+447700900123")), QStringLiteral("Ana"));
    QCOMPARE(names.nameFor(QStringLiteral("ana@example.COM")), QStringLiteral("Ana"));
    QCOMPARE(names.nameFor(QStringLiteral("+447700900999")), QString());
}

// Of numbers ending alike the exact one wins, then the first that agrees on
// seven digits; a shared number or e-mail address is the first contact's.
void TestAndroidFiles::sharedNumbersAndAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::newRow("exact beats an earlier tail match") << QStringLiteral("+1 212 7700 900123") << QStringLiteral("Cy");
    QTest::newRow("the first of two tail matches") << QStringLiteral("+9 1 212 7700 900123") << QStringLiteral("Bo");
    QTest::newRow("same number twice: the first keeps it") << QStringLiteral("+447700900123") << QStringLiteral("Ana");
    QTest::newRow("short codes match whole") << QStringLiteral("123") << QStringLiteral("Dee");
    QTest::newRow("leading zeros of the tail count") << QStringLiteral("+44 20 0000123") << QStringLiteral("Eve");
    QTest::newRow("six digits agree only") << QStringLiteral("+44 7700 800123") << QString();
    QTest::newRow("shared e-mail: the first keeps it") << QStringLiteral(" Team@Example.com") << QStringLiteral("Bo");
}

void TestAndroidFiles::sharedNumbersAndAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    ContactNames names;
    for (const char* person : {"Ana|+44 7700 900123|", "Bo|07700 900123|team@example.com", "Cy|+1 212 7700 900123|",
                               "Dee|123|", "Eve|+44 20 0000123|", "Fay|0044 7700 900-123|TEAM@example.com"}) {
        const QStringList parts = QString::fromLatin1(person).split(QLatin1Char('|'));
        ContactRecord record;
        record.entries = {ContactEntry{AddressBookXml::firstName(), std::nullopt, parts.at(0), {}},
                          ContactEntry{AddressBookXml::phone(), QStringLiteral("mobile"), parts.at(1), {}},
                          ContactEntry{AddressBookXml::email(), QStringLiteral("home"), parts.at(2), {}}};
        names.add(record);
    }
    QCOMPARE(names.nameFor(address), name);
}

void TestAndroidFiles::iphoneCalendarReadBackByLibical()
{
    QTemporaryDir work;
    const QString database = work.filePath(QStringLiteral("Calendar.sqlitedb"));
    QVERIFY(createCalendar(database));
    RecordingCalendar first;
    QCOMPARE(IphoneCalendarExport::read(database, first), 0);
    QCOMPARE(first.events.size(), 3);
    QVERIFY(!first.events.at(2).end); // "soon" is no number: left out

    IcsWriter writer(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    for (const CalendarRecord& event : std::as_const(first.events))
        writer.add(event);
    const QString path = work.filePath(QStringLiteral("calendar.ics"));
    QCOMPARE(writer.write(path), 0);

    const QByteArray text = readAll(path);
    icalcomponent* calendar = icalparser_parse_string(text.constData());
    QVERIFY(calendar);
    QCOMPARE(icalcomponent_count_components(calendar, ICAL_VTIMEZONE_COMPONENT), 2);
    QCOMPARE(icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT), 3);

    icalcomponent* weekly = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(QString::fromUtf8(icalcomponent_get_summary(weekly)), QStringLiteral("Team, weekly; sync"));
    QCOMPARE(QString::fromUtf8(icalcomponent_get_location(weekly)), QStringLiteral("Room 5"));
    QCOMPARE(QString::fromUtf8(icalcomponent_get_description(weekly)), QStringLiteral("line one\nline two"));
    QCOMPARE(propertyText(weekly, ICAL_DTSTART_PROPERTY), QStringLiteral("DTSTART;TZID=Europe/London:20240310T090000"));
    QCOMPARE(propertyText(weekly, ICAL_DTEND_PROPERTY), QStringLiteral("DTEND;TZID=Europe/London:20240310T100000"));
    QCOMPARE(propertyText(weekly, ICAL_RRULE_PROPERTY), QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=10;INTERVAL=2"));
    QCOMPARE(icalcomponent_count_components(weekly, ICAL_VALARM_COMPONENT), 2);
    icalcomponent* alarm = icalcomponent_get_first_component(weekly, ICAL_VALARM_COMPONENT);
    QCOMPARE(propertyText(alarm, ICAL_TRIGGER_PROPERTY), QStringLiteral("TRIGGER:-PT15M"));

    icalcomponent* holiday = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(propertyText(holiday, ICAL_DTSTART_PROPERTY), QStringLiteral("DTSTART;VALUE=DATE:20240310"));
    QCOMPARE(propertyText(holiday, ICAL_DTEND_PROPERTY), QStringLiteral("DTEND;VALUE=DATE:20240311"));

    icalcomponent* call = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT);
    QCOMPARE(propertyText(call, ICAL_DTSTART_PROPERTY),
             QStringLiteral("DTSTART;TZID=America/New_York:20240310T050000"));
    QVERIFY(propertyText(call, ICAL_DTEND_PROPERTY).isEmpty());
    icalcomponent_free(calendar);

    // The same backup gives the same UIDs.
    RecordingCalendar second;
    QCOMPARE(IphoneCalendarExport::read(database, second), 0);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(IcsWriter::uidOf(second.events.at(i)), IcsWriter::uidOf(first.events.at(i)));
    QVERIFY(IcsWriter::uidOf(first.events.at(0)) != IcsWriter::uidOf(first.events.at(1)));
}

// Entries share their DTSTAMP, ACTION and usual TRIGGER lines: each VEVENT
// must still read as libical writes the whole component, with its own alarms.
void TestAndroidFiles::icsEntriesAreWrittenAsLibicalWritesThem()
{
    IcsWriter writer(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    for (const QString& title : {QStringLiteral("Dentist, 9:00; \u00e9t\u00e9"), QString()}) {
        CalendarRecord event;
        event.identity = title;
        event.entry.title = title;
        event.start = 1710000000;
        event.entry.alarms = {-900, title.isEmpty() ? -900 : -600};
        if (title.isEmpty())
            event.alarmTimes = {*event.start - 60};
        writer.add(event);
    }
    const QByteArray text = writer.text();
    icalcomponent* calendar = icalparser_parse_string(text.constData());
    QVERIFY(calendar);
    QStringList alarms;
    for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        char* whole = icalcomponent_as_ical_string_r(event);
        QVERIFY2(text.contains(whole), whole);
        icalmemory_free_buffer(whole);
        for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); alarm;
             alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT))
            alarms << QString::fromUtf8(icalcomponent_get_description(alarm)) + QLatin1Char(' ')
                          + propertyText(alarm, ICAL_TRIGGER_PROPERTY);
    }
    icalcomponent_free(calendar);
    QCOMPARE(alarms, (QStringList{QStringLiteral("Dentist, 9:00; \u00e9t\u00e9 TRIGGER:-PT15M"),
                                  QStringLiteral("Dentist, 9:00; \u00e9t\u00e9 TRIGGER:-PT10M"),
                                  QStringLiteral("Reminder TRIGGER:-PT15M"), QStringLiteral("Reminder TRIGGER:-PT15M"),
                                  QStringLiteral("Reminder TRIGGER;VALUE=DATE-TIME:20240309T155900Z")}));
}

// The phones' own databases in tests/data, through the same path.
void TestAndroidFiles::realIphoneSamples()
{
    QTemporaryDir work;
    const QString data = QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/");
    for (const char* name : {"ios18-AddressBook.sqlitedb", "ios18-Calendar.sqlitedb", "ios18-sms.db"})
        QVERIFY(QFile::copy(data + QLatin1String(name), work.filePath(QLatin1String(name))));

    VCardWriter cards;
    QCOMPARE(cards.open(work.filePath(QStringLiteral("contacts.vcf"))), 0);
    QCOMPARE(
        IphoneAddressBookExport::read(work.filePath(QStringLiteral("ios18-AddressBook.sqlitedb")), QString(), cards),
        0);
    QCOMPARE(cards.finish(), 0);
    QVERIFY(cards.count() > 0);
    QCOMPARE(cardsByVobject(work.filePath(QStringLiteral("contacts.vcf"))).size(), cards.count());

    IcsWriter calendar(QDateTime::currentDateTimeUtc());
    QCOMPARE(IphoneCalendarExport::read(work.filePath(QStringLiteral("ios18-Calendar.sqlitedb")), calendar), 0);
    QVERIFY(calendar.count() > 0);
    icalcomponent* parsed = icalparser_parse_string(calendar.text().constData());
    QVERIFY(parsed);
    QCOMPARE(icalcomponent_count_components(parsed, ICAL_VEVENT_COMPONENT), calendar.count());
    icalcomponent_free(parsed);

    SmsBackupWriter sms;
    QCOMPARE(sms.open(work.filePath(QStringLiteral("sms.xml"))), 0);
    QCOMPARE(IphoneMessagesExport::read(work.filePath(QStringLiteral("ios18-sms.db")), sms), 0);
    QCOMPARE(sms.finish(nullptr), 0);
    int count = -1;
    const QList<Sms> messages = readSmsFile(work.filePath(QStringLiteral("sms.xml")), count);
    QVERIFY(count > 0);
    QCOMPARE(messages.size(), count);
    for (qsizetype i = 1; i < messages.size(); ++i)
        QVERIFY(messages.at(i - 1).date.toLongLong() <= messages.at(i).date.toLongLong());
}

void TestAndroidFiles::longMessagesAreWrittenWhole_data()
{
    QTest::addColumn<bool>("inOrder");
    QTest::addColumn<bool>("group");
    QTest::newRow("in date order") << true << false;
    QTest::newRow("out of date order") << false << false;
    QTest::newRow("group chat out of date order") << false << true;
}

void TestAndroidFiles::longMessagesAreWrittenWhole()
{
    QFETCH(bool, inOrder);
    QFETCH(bool, group);
    // Longer than anything a phone sends: once left out with only a trace line.
    const QString longText(17 * 1024 * 1024, QLatin1Char('x'));
    MessageEntry longMessage;
    longMessage.address = QStringLiteral("+15550100");
    longMessage.date = QStringLiteral("1300000000");
    longMessage.text = longText;
    if (group)
        longMessage.groupMembers = QStringList{QStringLiteral("+15550100"), QStringLiteral("+15550101")};
    MessageEntry shortMessage;
    shortMessage.address = QStringLiteral("+15550102");
    shortMessage.date = inOrder ? QStringLiteral("1300000001") : QStringLiteral("1200000000");
    shortMessage.text = QStringLiteral("short");

    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("sms.xml"));
    SmsBackupWriter writer;
    QCOMPARE(writer.open(path), 0);
    writer.add(longMessage);
    writer.add(shortMessage);
    QCOMPARE(writer.finish(nullptr), 0);
    QCOMPARE(writer.count(), 2);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("sms"))
            texts << xml.attributes().value(QLatin1String("body")).toString();
        else if (xml.name() == QLatin1String("part"))
            texts << xml.attributes().value(QLatin1String("text")).toString();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    // Date order: the long message first only when it is the older one.
    QCOMPARE(texts, inOrder ? (QStringList{longText, QStringLiteral("short")})
                            : (QStringList{QStringLiteral("short"), longText}));
}

QTEST_GUILESS_MAIN(TestAndroidFiles)
#include "tst_AndroidFiles.moc"
