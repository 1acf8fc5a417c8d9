// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The address-book, messages and calendar files and the control-character filter they share.
#include "app/XmlText.h"
#include "support/FileSizeLimit.h"
#include "transfer/xml/AddressBookXmlWriter.h"
#include "transfer/xml/CalendarXmlWriter.h"
#include "transfer/xml/MessagesXmlWriter.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// A device that accepts a fixed number of bytes and then fails every write,
// like a disk that fills up.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity) : mCapacity(capacity) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        if (mWritten + length > mCapacity)
            return -1;
        mWritten += length;
        return length;
    }

private:
    qint64 mCapacity;
    qint64 mWritten = 0;
};

QDomDocument parse(const QByteArray& bytes)
{
    QDomDocument document;
    QString error;
    if (!document.setContent(bytes, &error))
        qWarning() << "not well-formed:" << error;
    return document;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Values that exercise every path of the writer's escaping and encoding:
// markup characters, 2-, 3- and 4-byte UTF-8, characters the filter drops
// (controls, noncharacters, lone surrogate halves) and empty values.
QString markup()
{
    return QStringLiteral("a&b<c>d\"e'f&amp;]]>");
}
QString nonAscii()
{
    return QString::fromUtf16(u"J\u00fcrgen \u041f\u0440\u0438 \u20ac \U0001F600 \u4e2d");
}
QString dropped()
{
    return QString::fromUtf16(u"x\t\r\n\x01y\xD83Dz\xDE00", 10) + QChar(0xFFFE) + QChar(0xFFFF) + QChar(0xFFFD);
}

// The one message of the messages fixture, also repeated across output blocks.
MessageEntry richMessage()
{
    MessageEntry message;
    message.direction = MessageEntry::Direction::Sent;
    message.address = QStringLiteral("+44 (0) <7700>");
    message.date = QStringLiteral("978307300");
    message.text = markup() + nonAscii() + dropped();
    message.readState = MessageEntry::ReadState::Unread;
    return message;
}

using XmlProducer = std::function<int(QIODevice*)>;

// Opens a Writer on the device, lets body fill it and finishes it; -1 where it cannot open.
template <typename Writer> XmlProducer producerOf(std::function<void(Writer&)> body)
{
    return [body](QIODevice* device) {
        Writer writer;
        if (writer.open(device) != 0)
            return -1;
        body(writer);
        return writer.finish();
    };
}

XmlProducer addressBookProducer()
{
    return producerOf<AddressBookXmlWriter>([](AddressBookXmlWriter& writer) {
        writer.writePerson({});
        writer.startPerson();
        writer.writeValue(AddressBookXml::firstName(), nonAscii());
        writer.writeValue(AddressBookXml::lastName(), markup());
        writer.writeValue(AddressBookXml::middleName(), QString());
        writer.writeValue(AddressBookXml::organization(), QStringLiteral("\r\n"));
        writer.startMultiValue(AddressBookXml::phone(), QStringLiteral("\tmobile\r\n"), markup());
        writer.endMultiValue();
        writer.startMultiValue(AddressBookXml::address(), AddressBookXml::typeHome(), QString());
        writer.writeValue(AddressBookXml::street(), dropped());
        writer.writeValue(AddressBookXml::city(), QString());
        writer.endMultiValue();
        writer.startMultiValue(AddressBookXml::email(), nonAscii(), dropped());
        writer.endMultiValue();
        writer.writePhoto(QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10));
        writer.endPerson();
        writer.writePerson({{AddressBookXml::url(),
                             AddressBookXml::typeHomePage(),
                             QStringLiteral("http://x/?a=1&b=2"),
                             {{AddressBookXml::unknown(), QStringLiteral("  spaced  ")}}}});
    });
}

XmlProducer messagesProducer()
{
    return producerOf<MessagesXmlWriter>([](MessagesXmlWriter& writer) {
        writer.writeMessage(richMessage());
        writer.writeMessage(MessageEntry());
        MessageEntry empty;
        empty.address = QString();
        empty.text = QStringLiteral("");
        empty.readState = MessageEntry::ReadState::Read;
        writer.writeMessage(empty);
    });
}

XmlProducer calendarProducer()
{
    return producerOf<CalendarXmlWriter>([](CalendarXmlWriter& writer) {
        CalendarEntry entry;
        entry.title = markup();
        entry.location = nonAscii();
        entry.description = dropped();
        entry.timeZone = QStringLiteral("Europe/London");
        entry.repeatEndDate = QStringLiteral("1000000000");
        entry.allDay = true;
        entry.url = QStringLiteral("https://example.org/?q=\"x\"&y=<z>");
        entry.startDate = QStringLiteral("978307200");
        entry.alarms = {-900, 0};
        writer.writeEntry(entry);
        writer.writeEntry(CalendarEntry());
    });
}

XmlProducer emptyMessagesProducer()
{
    return producerOf<MessagesXmlWriter>([](MessagesXmlWriter&) {});
}

// An in-memory file for the tests that look at the writer between steps.
struct MemoryFile
{
    MemoryFile() { buffer.open(QIODevice::WriteOnly); }
    QByteArray bytes;
    QBuffer buffer{&bytes};
};

QByteArray produce(const XmlProducer& producer)
{
    MemoryFile file;
    return producer(&file.buffer) == 0 ? file.bytes : QByteArray("failed");
}

} // namespace

class TestXmlWriters : public QObject
{
    Q_OBJECT

private slots:
    void filterDropsWhatXmlCannotCarry_data();
    void filterDropsWhatXmlCannotCarry();
    void filterKeepsNullness();
    void addressBookStreamsElementsInOrder();
    void addressBookCollectedPerson();
    void addressBookEmptyPersonAndEmptyValue();
    void messagesElementsAndDirections();
    void controlCharactersNeverReachTheFile();
    void fileAppearsOnlyWhenFinished();
    void unopenableFileIsReported();
    void writeFailureIsReported();
    void fullDiskLeavesNoFile();
    void outputIsByteExact_data();
    void outputIsByteExact();
    void outputIsTheSameAcrossBlocks();
};

void TestXmlWriters::filterDropsWhatXmlCannotCarry_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("clean") << QStringLiteral("Jane Public") << QStringLiteral("Jane Public");
    QTest::newRow("line feed in street") << QStringLiteral("1 Main St\nApt 2") << QStringLiteral("1 Main StApt 2");
    QTest::newRow("tab, CR, NUL, 31") << QString::fromUtf16(u"a\tb\rc\0d\x1f"
                                                            "e",
                                                            9)
                                      << QStringLiteral("abcde");
    QTest::newRow("blank stays") << QStringLiteral(" x ") << QStringLiteral(" x ");
    QTest::newRow("non-Latin stays") << QString::fromUtf16(u"\u041f\u0440\u0438\u0432\u0435\u0442")
                                     << QString::fromUtf16(u"\u041f\u0440\u0438\u0432\u0435\u0442");
    QTest::newRow("surrogate pair stays") << QString::fromUtf16(u"a\U0001F600b") << QString::fromUtf16(u"a\U0001F600b");
    QTest::newRow("lone high surrogate") << QString::fromUtf16(u"a\xD83D"
                                                               "b",
                                                               3)
                                         << QStringLiteral("ab");
    QTest::newRow("lone low surrogate at start") << QString::fromUtf16(u"\xDE00"
                                                                       "b",
                                                                       2)
                                                 << QStringLiteral("b");
    // Built from QChars: fromUtf16 would take a leading U+FFFE for a byte-order mark.
    QTest::newRow("noncharacters") << (QString(QChar(0xFFFE)) + QLatin1Char('a') + QChar(0xFFFF))
                                   << QStringLiteral("a");
    QTest::newRow("all dropped") << QStringLiteral("\n\n") << QString();
}

void TestXmlWriters::filterDropsWhatXmlCannotCarry()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(XmlText::filtered(input), expected);
}

void TestXmlWriters::filterKeepsNullness()
{
    QVERIFY(XmlText::filtered(QString()).isNull());
    QVERIFY(!XmlText::filtered(QStringLiteral("")).isNull());
    // A value made only of control characters is still a present, empty value.
    QVERIFY(!XmlText::filtered(QStringLiteral("\r")).isNull());
}

void TestXmlWriters::addressBookStreamsElementsInOrder()
{
    MemoryFile file;
    AddressBookXmlWriter writer;
    QCOMPARE(writer.open(&file.buffer), 0);
    writer.startPerson();
    writer.writeValue(AddressBookXml::firstName(), QStringLiteral("Ada"));
    writer.writeValue(AddressBookXml::birthday(), QStringLiteral("978264000"));
    writer.startMultiValue(AddressBookXml::address(), AddressBookXml::typeHome(), QString());
    writer.writeValue(AddressBookXml::street(), QStringLiteral("1 Main St"));
    writer.writeValue(AddressBookXml::city(), QStringLiteral("Leeds"));
    writer.endMultiValue();
    writer.writePhoto(QByteArray("\x89PNG\r\n", 6));
    writer.endPerson();
    QCOMPARE(writer.finish(), 0);
    QCOMPARE(writer.personsWritten(), 1);

    QVERIFY(file.bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<address_book>\n    <person>\n"));
    QVERIFY(file.bytes.contains("        <address type=\"home\" value=\"\">\n"
                                "            <street>1 Main St</street>\n"));
    const QDomElement person = parse(file.bytes).documentElement().firstChildElement();
    QStringList order;
    for (QDomElement e = person.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        order << e.tagName();
    QCOMPARE(order, (QStringList{"first_name", "birthday", "address", "photo"}));
    QCOMPARE(person.firstChildElement("photo").text(), QStringLiteral("iVBORw0K"));
    const QDomNamedNodeMap attributes = person.firstChildElement("address").attributes();
    QCOMPARE(attributes.count(), 2);
}

void TestXmlWriters::addressBookCollectedPerson()
{
    MemoryFile file;
    AddressBookXmlWriter writer;
    QCOMPARE(writer.open(&file.buffer), 0);
    QList<ContactEntry> entries;
    entries.append({AddressBookXml::phone(), AddressBookXml::typeMobile(), QStringLiteral("+44 7700"), {}});
    entries.append({AddressBookXml::firstName(), std::nullopt, QStringLiteral("Jane"), {}});
    entries.append(
        {AddressBookXml::address(),
         AddressBookXml::typeWork(),
         QString(),
         {{AddressBookXml::zip(), QStringLiteral("LS1")}, {AddressBookXml::country(), QStringLiteral("UK")}}});
    writer.writePerson(entries);
    QCOMPARE(writer.finish(), 0);

    const QDomElement person = parse(file.bytes).documentElement().firstChildElement("person");
    const QDomElement phone = person.firstChildElement();
    QCOMPARE(phone.tagName(), QStringLiteral("phone"));
    QCOMPARE(phone.attribute("type"), QStringLiteral("mobile"));
    QCOMPARE(phone.attribute("value"), QStringLiteral("+44 7700"));
    QVERIFY(!phone.hasChildNodes());
    QCOMPARE(phone.nextSiblingElement().text(), QStringLiteral("Jane"));
    const QDomElement address = person.lastChildElement();
    QCOMPARE(address.attribute("type"), QStringLiteral("work"));
    QCOMPARE(address.firstChildElement().tagName(), QStringLiteral("zip"));
    QCOMPARE(address.lastChildElement().text(), QStringLiteral("UK"));
}

void TestXmlWriters::addressBookEmptyPersonAndEmptyValue()
{
    MemoryFile file;
    AddressBookXmlWriter writer;
    QCOMPARE(writer.open(&file.buffer), 0);
    writer.writePerson({});
    writer.startPerson();
    writer.writeValue(AddressBookXml::organization(), QStringLiteral(""));
    writer.endPerson();
    QCOMPARE(writer.finish(), 0);
    const QDomElement root = parse(file.bytes).documentElement();
    QCOMPARE(root.elementsByTagName("person").count(), 2);
    QVERIFY(!root.firstChildElement().hasChildNodes());
    QVERIFY(!root.lastChildElement().firstChildElement("organization").isNull());
}

void TestXmlWriters::messagesElementsAndDirections()
{
    MemoryFile file;
    MessagesXmlWriter writer;
    QCOMPARE(writer.open(&file.buffer), 0);
    MessageEntry full;
    full.direction = MessageEntry::Direction::Sent;
    full.address = QStringLiteral("+15550100");
    full.date = QStringLiteral("978307300");
    full.text = QStringLiteral("hi");
    full.readState = MessageEntry::ReadState::Unread;
    writer.writeMessage(full);
    MessageEntry noText; // iPhone: no text, read flag absent means read
    noText.readState = MessageEntry::ReadState::Read;
    writer.writeMessage(noText);
    MessageEntry blackberry; // no read element at all
    blackberry.address = QStringLiteral("x");
    blackberry.text = QStringLiteral("");
    writer.writeMessage(blackberry);
    QCOMPARE(writer.finish(), 0);
    QCOMPARE(writer.messagesWritten(), 3);

    const QDomElement root = parse(file.bytes).documentElement();
    QCOMPARE(root.tagName(), QStringLiteral("messages"));
    QDomElement m = root.firstChildElement();
    QCOMPARE(m.tagName(), QStringLiteral("sent_message"));
    QStringList order;
    for (QDomElement e = m.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        order << e.tagName() + '=' + e.text();
    QCOMPARE(order, (QStringList{"address=+15550100", "date=978307300", "text=hi", "read=false"}));
    m = m.nextSiblingElement();
    QCOMPARE(m.tagName(), QStringLiteral("received_message"));
    QCOMPARE(m.childNodes().count(), 1);
    QCOMPARE(m.firstChildElement("read").text(), QStringLiteral("true"));
    m = m.nextSiblingElement();
    QVERIFY(m.firstChildElement("read").isNull());
    QVERIFY(!m.firstChildElement("text").isNull());
}

void TestXmlWriters::controlCharactersNeverReachTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("messages.xml");
    MessagesXmlWriter writer;
    QCOMPARE(writer.open(path), 0);
    MessageEntry message;
    message.address = QString::fromUtf16(u"\x01+1\x02", 4);
    message.text = QString::fromUtf16(u"line1\nline2\xFFFF\xD800", 13);
    writer.writeMessage(message);
    QCOMPARE(writer.finish(), 0);
    const QByteArray bytes = readFile(path);
    const QDomElement m = parse(bytes).documentElement().firstChildElement();
    QCOMPARE(m.firstChildElement("address").text(), QStringLiteral("+1"));
    QCOMPARE(m.firstChildElement("text").text(), QStringLiteral("line1line2"));
    QVERIFY(!bytes.contains("&#"));

    AddressBookXmlWriter contacts;
    const QString contactsPath = dir.filePath("address.xml");
    QCOMPARE(contacts.open(contactsPath), 0);
    contacts.startPerson();
    contacts.startMultiValue(AddressBookXml::phone(), QStringLiteral("\tmain"), QStringLiteral("1\r\n2"));
    contacts.endMultiValue();
    contacts.endPerson();
    QCOMPARE(contacts.finish(), 0);
    const QDomElement phone = parse(readFile(contactsPath)).documentElement().firstChildElement().firstChildElement();
    QCOMPARE(phone.attribute("type"), QStringLiteral("main"));
    QCOMPARE(phone.attribute("value"), QStringLiteral("12"));
}

void TestXmlWriters::fileAppearsOnlyWhenFinished()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("address.xml");
    {
        AddressBookXmlWriter abandoned;
        QCOMPARE(abandoned.open(path), 0);
        abandoned.writePerson({});
    }
    QVERIFY(!QFile::exists(path));

    // An earlier file stays intact until a new one is complete.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    AddressBookXmlWriter writer;
    QCOMPARE(writer.open(path), 0);
    QCOMPARE(readFile(path), QByteArray("old"));
    QCOMPARE(writer.finish(), 0);
    QVERIFY(readFile(path).contains("<address_book/>"));
    QCOMPARE(writer.finish(), XmlDataFile::kErrorCannotOpenFile); // only once
}

void TestXmlWriters::unopenableFileIsReported()
{
    QTemporaryDir dir;
    MessagesXmlWriter writer;
    QCOMPARE(writer.open(dir.filePath("missing-folder/messages.xml")), XmlDataFile::kErrorCannotOpenFile);
    QVERIFY(!writer.isOpen());
    QCOMPARE(writer.finish(), XmlDataFile::kErrorCannotOpenFile);

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    AddressBookXmlWriter contacts;
    QCOMPARE(contacts.open(&readOnly), XmlDataFile::kErrorCannotOpenFile);
}

void TestXmlWriters::writeFailureIsReported()
{
    FailingDevice device(200);
    MessagesXmlWriter writer;
    QCOMPARE(writer.open(&device), 0);
    MessageEntry message;
    message.text = QString(100, QLatin1Char('x'));
    for (int i = 0; i < 10; ++i)
        writer.writeMessage(message);
    QCOMPARE(writer.finish(), XmlDataFile::kErrorCannotOpenFile);
}

void TestXmlWriters::fullDiskLeavesNoFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("messages.xml"));
    MessagesXmlWriter writer;
    QCOMPARE(writer.open(path), 0);
    MessageEntry message;
    message.text = QString(100, QLatin1Char('x'));
    int result = 0;
    {
        const FileSizeLimit limit(1024);
        for (int i = 0; i < 20; ++i)
            writer.writeMessage(message);
        result = writer.finish();
    }
    QCOMPARE(result, XmlDataFile::kErrorCannotOpenFile);
    QVERIFY(!QFile::exists(path));
}

void TestXmlWriters::outputIsByteExact_data()
{
    QTest::addColumn<XmlProducer>("producer");
    QTest::addColumn<QString>("fixture");
    QTest::newRow("address book") << addressBookProducer() << QStringLiteral("address_book.xml");
    QTest::newRow("messages") << messagesProducer() << QStringLiteral("messages.xml");
    QTest::newRow("calendar") << calendarProducer() << QStringLiteral("calendar.xml");
    QTest::newRow("empty root") << emptyMessagesProducer() << QStringLiteral("messages_empty.xml");
}

// The phone's importer and the tests of every producer rely on the exact
// layout, escaping and encoding of these files: the fixtures hold bytes the
// writer produced and an importer accepted, so any change shows here first.
void TestXmlWriters::outputIsByteExact()
{
    QFETCH(XmlProducer, producer);
    QFETCH(QString, fixture);
    const QByteArray expected = readFile(QStringLiteral(VELMORA_TEST_DATA_DIR "/xml/") + fixture);
    const QByteArray bytes = produce(producer);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(bytes, expected);
    QVERIFY(!parse(bytes).isNull());
}

// The text goes out in blocks between messages: however many blocks a file
// takes, it is the same message after message.
void TestXmlWriters::outputIsTheSameAcrossBlocks()
{
    const auto messages = [](int count) {
        return produce(producerOf<MessagesXmlWriter>([count](MessagesXmlWriter& writer) {
            for (int i = 0; i < count; ++i)
                writer.writeMessage(richMessage());
        }));
    };
    const QByteArray one = messages(1);
    const QByteArray two = messages(2);
    const qsizetype messageSize = two.size() - one.size();
    const qsizetype headerSize = one.indexOf("\n    <sent_message>");
    QVERIFY(headerSize > 0);
    const QByteArray message = one.mid(headerSize, messageSize);
    const int count = int(3 * 256 * 1024 / message.size()) + 2; // several blocks of output
    const QByteArray many = messages(count);
    QCOMPARE(many.size(), one.size() + (count - 1) * messageSize);
    QCOMPARE(many.left(headerSize), one.left(headerSize));
    QCOMPARE(many.right(one.size() - headerSize - messageSize), one.right(one.size() - headerSize - messageSize));
    for (int i = 0; i < count; ++i) {
        if (many.mid(headerSize + i * messageSize, messageSize) != message)
            QFAIL(qPrintable(QStringLiteral("message %1 differs").arg(i)));
    }
}

QTEST_GUILESS_MAIN(TestXmlWriters)
#include "tst_XmlWriters.moc"
