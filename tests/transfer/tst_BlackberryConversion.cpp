// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// BlackBerry contacts and SMS into the address-book and messages files.
#include "support/IpdWriter.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"
#include "transfer/xml/XmlDataFile.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using IpdWriter::encodedSubfield;
using IpdWriter::textSubfield;

namespace {

// "element[type]=value{child=text,...}" for each entry, to compare in one go.
QStringList describe(const QList<ContactEntry>& entries)
{
    QStringList out;
    for (const ContactEntry& e : entries) {
        QString s = e.element;
        if (e.type)
            s += '[' + *e.type + ']';
        s += '=' + e.value;
        if (!e.children.isEmpty()) {
            QStringList children;
            for (const auto& c : e.children)
                children << c.first + '=' + c.second;
            s += '{' + children.join(',') + '}';
        }
        out << s;
    }
    return out;
}

BackupRecord recordOf(const IpdWriter::Fields& fields)
{
    BackupRecord record;
    for (const auto& f : fields)
        record.fields.append(BackupField{f.first, f.second});
    return record;
}

QDomElement rootOf(const QString& path)
{
    QFile file(path);
    QDomDocument document;
    if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file))
        return QDomElement();
    return document.documentElement();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestBlackberryConversion : public QObject
{
    Q_OBJECT

private slots:
    void contactField_data();
    void contactField();
    void severalContactFieldsRepeatNamesAndAddresses();
    void smsRecord_data();
    void smsRecord();
    void smsRecordLackingAField();
    void convertsWholeBackup();
    void copyChoicesLimitTheFiles();
    void failures();
};

void TestBlackberryConversion::contactField_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("three-part name follows the phone")
        << textSubfield(32, "Jane") + textSubfield(32, "Q") + textSubfield(32, "Public") + textSubfield(8, "+447700")
        << QStringList{"phone[mobile]=+447700", "first_name=Jane", "middle_name=Q", "last_name=Public"};
    QTest::newRow("one name part") << textSubfield(32, "Cher") << QStringList{"first_name=Cher"};
    QTest::newRow("two name parts") << textSubfield(32, "Ada") + textSubfield(32, "Lovelace")
                                    << QStringList{"first_name=Ada", "last_name=Lovelace"};
    QTest::newRow("four name parts drop the fourth")
        << textSubfield(32, "A") + textSubfield(32, "B") + textSubfield(32, "C") + textSubfield(32, "D")
        << QStringList{"first_name=A", "middle_name=B", "last_name=C"};
    QTest::newRow("UTF-16 e-mail subfield")
        << encodedSubfield(1, 1, IpdWriter::utf16BigEndian(QString::fromUtf8("j\xc3\xa9@example.org")))
        << QStringList{QString::fromUtf8("email[main]=j\xc3\xa9@example.org")};
    QTest::newRow("UTF-8 name subfield") << encodedSubfield(32, 0, "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd")
                                         << QStringList{
                                                QString::fromUtf8("first_name=\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd")};
    QTest::newRow("unknown character set gives an empty name part")
        << encodedSubfield(32, 5, "xyz") + textSubfield(32, "Smith") << QStringList{"first_name=", "last_name=Smith"};
    QTest::newRow("encoded subfield without a character-set byte")
        << QByteArray("\x00\x00\x81", 3) + textSubfield(18, "1") << QStringList{"email[main]=", "phone[main]=1"};
    QTest::newRow("8-bit text ends at NUL and is Latin-1")
        << textSubfield(33, QByteArray("Caf\xe9\0junk", 9))
        << QStringList{QString::fromUtf8("organization=Caf\xc3\xa9")};
    QTest::newRow("phone kinds, organization, url")
        << textSubfield(6, "1") + textSubfield(16, "2") + textSubfield(17, "3") + textSubfield(18, "4")
               + textSubfield(19, "5") + textSubfield(42, "Acme") + textSubfield(54, "http://a.example")
               + textSubfield(99, "ignored")
        << QStringList{"phone[work]=1",
                       "phone[work]=2",
                       "phone[home]=3",
                       "phone[main]=4",
                       "phone[mobile]=5",
                       "organization=Acme",
                       "url[homepage]=http://a.example"};
    QTest::newRow("home then work address after the names")
        << textSubfield(35, "1 Work St") + textSubfield(61, "2 Home Rd") + textSubfield(40, "W1")
               + textSubfield(72, "UK") + textSubfield(69, "Leeds") + textSubfield(32, "Bo")
               + textSubfield(36, "Unit 4") + textSubfield(38, "London") + textSubfield(39, "LDN")
               + textSubfield(41, "GB") + textSubfield(62, "Flat 1") + textSubfield(70, "WY") + textSubfield(71, "LS1")
        << QStringList{"first_name=Bo",
                       "address[home]={street=2 Home Rd,country=UK,city=Leeds,street=Flat 1,state=WY,zip=LS1}",
                       "address[work]={street=1 Work St,zip=W1,street=Unit 4,city=London,state=LDN,country=GB}"};
    QTest::newRow("bad length keeps what came before") << textSubfield(8, "123")
                                                              + QByteArray("\xff\x00\x20"
                                                                           "ab",
                                                                           5)
                                                       << QStringList{"phone[mobile]=123"};
    QTest::newRow("bad length after name parts still gives the names")
        << textSubfield(32, "Al") + QByteArray("\x10\x00\x20", 3) << QStringList{"first_name=Al"};
    QTest::newRow("length without type") << textSubfield(8, "1") + QByteArray("\x01\x00", 2)
                                         << QStringList{"phone[mobile]=1"};
    QTest::newRow("single trailing byte")
        << textSubfield(8, "1") + QByteArray("\x01", 1) << QStringList{"phone[mobile]=1"};
    QTest::newRow("empty field") << QByteArray() << QStringList{};
}

void TestBlackberryConversion::contactField()
{
    QFETCH(QByteArray, field);
    QFETCH(QStringList, entries);
    QCOMPARE(describe(BlackberryContactConverter::entriesOfField(field)), entries);
}

void TestBlackberryConversion::severalContactFieldsRepeatNamesAndAddresses()
{
    const BackupRecord record = recordOf({{10, textSubfield(32, "A") + textSubfield(69, "X")},
                                          {3, textSubfield(32, "not a contact field")},
                                          {10, textSubfield(32, "B") + textSubfield(8, "9")}});
    QCOMPARE(describe(BlackberryContactConverter::entriesOfRecord(record)),
             (QStringList{"first_name=A", "address[home]={city=X}", "phone[mobile]=9", "first_name=B"}));
}

void TestBlackberryConversion::smsRecord_data()
{
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("moreFlags");
    QTest::addColumn<bool>("received");
    QTest::addColumn<QString>("expectedAddress");
    QTest::addColumn<QString>("expectedDate"); // null: no date element
    QTest::addColumn<QString>("expectedText");

    const QByteArray plain(1, '\0');
    QTest::newRow("received, with a date") << IpdWriter::smsFlags(true, 1234567890123ull) << QByteArray("+15550100")
                                           << QByteArray("Hello\0garbage", 13) << plain << true << "+15550100"
                                           << "1234567890"
                                           << "Hello";
    QTest::newRow("sent") << IpdWriter::smsFlags(false, 999) << QByteArray("5") << QByteArray("x") << plain << false
                          << "5"
                          << "0"
                          << "x";
    QTest::newRow("direction byte other than 1 is sent") << IpdWriter::smsFlags(false, 0).replace(0, 1, "\x07")
                                                         << QByteArray("5") << QByteArray("x") << plain << false << "5"
                                                         << "0"
                                                         << "x";
    QTest::newRow("field 1 of exactly 20 bytes has no date")
        << IpdWriter::smsFlags(true, 1234567890123ull, false, 20) << QByteArray("5") << QByteArray("x") << plain << true
        << "5" << QString() << "x";
    QTest::newRow("field 1 of 21 bytes has a date")
        << IpdWriter::smsFlags(true, 5000, false, 21) << QByteArray("5") << QByteArray("x") << plain << true << "5"
        << "5"
        << "x";
    QTest::newRow("empty field 1 is a sent message without date")
        << QByteArray() << QByteArray("5") << QByteArray("x") << plain << false << "5" << QString() << "x";
    QTest::newRow("date beyond signed 64 bits counts as 0")
        << IpdWriter::smsFlags(true, 0x8000000000000000ull) << QByteArray("5") << QByteArray("x") << plain << true
        << "5"
        << "0"
        << "x";
    QTest::newRow("zero bytes in the address and leading blanks")
        << IpdWriter::smsFlags(true, 0) << QByteArray(" \0 \0+\0004\0004\0", 10) << QByteArray("x") << plain << true
        << "+44"
        << "0"
        << "x";
    QTest::newRow("UCS-2 text by byte 29 of field 1")
        << IpdWriter::smsFlags(true, 0, true) << QByteArray("5")
        << IpdWriter::utf16BigEndian(QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82")) << plain
        << true << "5"
        << "0" << QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
    QTest::newRow("UCS-2 text by field 7")
        << IpdWriter::smsFlags(true, 0, false) << QByteArray("5") << IpdWriter::utf16BigEndian(QStringLiteral("ok"))
        << QByteArray("\x02\x01") << true << "5"
        << "0"
        << "ok";
    QTest::newRow("UTF-8 text") << IpdWriter::smsFlags(false, 0) << QByteArray("5")
                                << QByteArray("gr\xc3\xbc\xc3\x9f"
                                              "e")
                                << plain << false << "5"
                                << "0"
                                << QString::fromUtf8("gr\xc3\xbc\xc3\x9f"
                                                     "e");
    QTest::newRow("empty field 7 and empty text")
        << IpdWriter::smsFlags(false, 0) << QByteArray("5") << QByteArray() << QByteArray() << false << "5"
        << "0"
        << "";
}

void TestBlackberryConversion::smsRecord()
{
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, moreFlags);
    QFETCH(bool, received);
    QFETCH(QString, expectedAddress);
    QFETCH(QString, expectedDate);
    QFETCH(QString, expectedText);

    const auto message = BlackberrySmsConverter::messageOfRecord(
        recordOf({{7, moreFlags}, {4, text}, {2, address}, {1, flags}, {3, "ignored"}}));
    QVERIFY(message);
    QCOMPARE(message->direction == MessageEntry::Direction::Received, received);
    QCOMPARE(message->address.value_or("<none>"), expectedAddress);
    QCOMPARE(message->date.has_value(), !expectedDate.isNull());
    if (message->date)
        QCOMPARE(*message->date, expectedDate);
    QCOMPARE(message->text.value_or("<none>"), expectedText);
    QCOMPARE(message->readState, MessageEntry::ReadState::NotWritten);
}

void TestBlackberryConversion::smsRecordLackingAField()
{
    const IpdWriter::Fields all = {{1, IpdWriter::smsFlags(true, 0)}, {2, "5"}, {4, "x"}, {7, "\0"}};
    for (int missing = 0; missing < all.size(); ++missing) {
        IpdWriter::Fields fields = all;
        fields.removeAt(missing);
        QVERIFY(!BlackberrySmsConverter::messageOfRecord(recordOf(fields)));
    }
    // A later field of the same type replaces an earlier one.
    const auto message = BlackberrySmsConverter::messageOfRecord(recordOf(all + IpdWriter::Fields{{2, "6"}}));
    QVERIFY(message);
    QCOMPARE(*message->address, QStringLiteral("6"));
}

void TestBlackberryConversion::convertsWholeBackup()
{
    QTemporaryDir work;
    const QString backup = work.filePath("Backup.ipd");
    writeFile(backup, IpdWriter::header({"Tasks", "SMS Messages", "Address Book - All"})
                          + IpdWriter::smsRecord(1, true, 1300000000000ull, "+15550100", "first\nline")
                          + IpdWriter::record(2, {{10, textSubfield(32, "Jane") + textSubfield(8, "+447700")}})
                          + IpdWriter::record(0, {{1, "task"}})
                          + IpdWriter::smsRecord(1, false, 1300000001000ull, "+15550101",
                                                 IpdWriter::utf16BigEndian(QStringLiteral("caf\u00e9")), true)
                          + IpdWriter::record(1, {{1, "incomplete"}}) + IpdWriter::record(2, {}));
    const QString out = work.filePath("out/extracted");
    const BlackberryConversionResult result = BlackberryConversion::convert(backup, out);
    QCOMPARE(result.code, 0);
    QCOMPARE(result.databases, 3);
    QCOMPARE(result.messages, 2);
    QCOMPARE(result.contacts, 2);

    const QDomElement messages = rootOf(out + "/messages.xml");
    QCOMPARE(messages.tagName(), QStringLiteral("messages"));
    QDomElement m = messages.firstChildElement();
    QCOMPARE(m.tagName(), QStringLiteral("received_message"));
    QCOMPARE(m.firstChildElement("address").text(), QStringLiteral("+15550100"));
    QCOMPARE(m.firstChildElement("date").text(), QStringLiteral("1300000000"));
    QCOMPARE(m.firstChildElement("text").text(), QStringLiteral("firstline"));
    QVERIFY(m.firstChildElement("read").isNull());
    m = m.nextSiblingElement();
    QCOMPARE(m.tagName(), QStringLiteral("sent_message"));
    QCOMPARE(m.firstChildElement("text").text(), QStringLiteral("caf\u00e9"));
    QVERIFY(m.nextSiblingElement().isNull());

    const QDomElement contacts = rootOf(out + "/address.xml");
    QCOMPARE(contacts.tagName(), QStringLiteral("address_book"));
    const QDomElement jane = contacts.firstChildElement("person");
    QCOMPARE(jane.firstChildElement().tagName(), QStringLiteral("phone"));
    QCOMPARE(jane.firstChildElement("first_name").text(), QStringLiteral("Jane"));
    QVERIFY(!jane.nextSiblingElement("person").hasChildNodes());
    // Nothing of the unpacking or the old path is left beside the files.
    QCOMPARE(QDir(out).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             (QStringList{"address.xml", "messages.xml"}));
}

void TestBlackberryConversion::copyChoicesLimitTheFiles()
{
    QTemporaryDir work;
    const QString backup = work.filePath("Backup.ipd");
    writeFile(backup, IpdWriter::header({"SMS Messages", "Address Book - All"})
                          + IpdWriter::smsRecord(0, true, 0, "1", "x") + IpdWriter::record(1, {}));
    BlackberryConversionResult result = BlackberryConversion::convert(backup, work.filePath("a"), true, false);
    QCOMPARE(result.code, 0);
    QVERIFY(QFile::exists(work.filePath("a/messages.xml")));
    QVERIFY(!QFile::exists(work.filePath("a/address.xml")));
    result = BlackberryConversion::convert(backup, work.filePath("b"), false, true);
    QVERIFY(!QFile::exists(work.filePath("b/messages.xml")));
    QCOMPARE(result.contacts, 1);
    QCOMPARE(result.addressBookPath, work.filePath("b/address.xml"));
}

void TestBlackberryConversion::failures()
{
    QTemporaryDir work;
    QCOMPARE(BlackberryConversion::convert(work.filePath("gone.ipd"), work.filePath("o")).code,
             BlackberryBackup::kErrorCannotOpenBackup);

    const QString garbage = work.filePath("garbage.ipd");
    writeFile(garbage, QByteArray(1000, 'z'));
    QCOMPARE(BlackberryConversion::convert(garbage, work.filePath("o")).code, BlackberryBackup::kErrorNotBackup);

    // Output folder that cannot be created: a file stands in its way.
    const QString backup = work.filePath("Backup.ipd");
    writeFile(backup, IpdWriter::header({"SMS Messages"}) + IpdWriter::smsRecord(0, true, 0, "1", "x"));
    QCOMPARE(BlackberryConversion::convert(backup, backup + "/out").code, XmlDataFile::kErrorCannotOpenFile);

    // An output file that cannot be written: a folder holds its name. The
    // other file is still written.
    writeFile(backup, IpdWriter::header({"SMS Messages", "Address Book - All"})
                          + IpdWriter::smsRecord(0, true, 0, "1", "x") + IpdWriter::record(1, {}));
    const QString blocked = work.filePath("blocked");
    QVERIFY(QDir().mkpath(blocked + "/messages.xml"));
    const BlackberryConversionResult result = BlackberryConversion::convert(backup, blocked);
    QCOMPARE(result.code, XmlDataFile::kErrorCannotOpenFile);
    QVERIFY(result.messagesPath.isEmpty());
    QCOMPARE(result.contacts, 1);
    QVERIFY(QFileInfo(blocked + "/address.xml").isFile());
}

QTEST_GUILESS_MAIN(TestBlackberryConversion)
#include "tst_BlackberryConversion.moc"
