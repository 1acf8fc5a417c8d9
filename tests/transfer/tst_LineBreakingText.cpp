// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Text from a backup holding CR, LF or NUL, through every property of every
// writer: the file keeps its lines (no entry of the backup's own making, no
// line cut in two) and no NUL.
#include "transfer/DataSinks.h"
#include "transfer/android/IcsWriter.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/android/VCardWriter.h"
#include "transfer/xml/AddressBookXmlWriter.h"
#include "transfer/xml/CalendarXmlWriter.h"
#include "transfer/xml/MessagesXmlWriter.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Sets one property of a record to a value.
using Setter = std::function<void(const QString& value)>;

QByteArray calendarText(const std::function<void(CalendarRecord&, const QString&)>& set, const QString& value)
{
    CalendarRecord event;
    event.start = 1300000000;
    event.end = 1300003600;
    event.entry.alarms = {-600};
    set(event, value);
    IcsWriter writer(QDateTime::fromSecsSinceEpoch(1400000000));
    writer.add(event);
    return writer.text();
}

QByteArray cardText(const std::function<void(ContactRecord&, const QString&)>& set, const QString& value)
{
    ContactRecord contact;
    contact.entries.append({AddressBookXml::firstName(), std::nullopt, QStringLiteral("Jo"), {}});
    set(contact, value);
    return VCardWriter::card(contact);
}

QByteArray smsText(const std::function<void(MessageEntry&, const QString&)>& set, const QString& value)
{
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("sms.xml"));
    MessageEntry message;
    message.address = QStringLiteral("+1");
    message.date = QStringLiteral("1300000000");
    message.text = QStringLiteral("hi");
    set(message, value);
    SmsBackupWriter writer;
    if (writer.open(path) != 0)
        return {};
    writer.add(message);
    if (writer.finish(nullptr) != 0)
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <typename Writer, typename Write> QByteArray korvaText(Write write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Writer writer;
    if (writer.open(&buffer) != 0)
        return {};
    write(writer);
    return writer.finish() == 0 ? buffer.data() : QByteArray();
}

// The file the writer makes with value in the property.
using Output = std::function<QByteArray(const QString& value)>;

QHash<QString, Output> outputs()
{
    QHash<QString, Output> all;
    // iCalendar
    const QList<QPair<QString, std::function<void(CalendarRecord&, const QString&)>>> calendar{
        {"title", [](CalendarRecord& r, const QString& v) { r.entry.title = v; }},
        {"location", [](CalendarRecord& r, const QString& v) { r.entry.location = v; }},
        {"description", [](CalendarRecord& r, const QString& v) { r.entry.description = v; }},
        {"url", [](CalendarRecord& r, const QString& v) { r.entry.url = v; }},
        {"time zone", [](CalendarRecord& r, const QString& v) { r.entry.timeZone = v; }},
        {"frequency", [](CalendarRecord& r, const QString& v) { r.entry.frequency = v; }},
        {"identity", [](CalendarRecord& r, const QString& v) { r.identity = v; }},
    };
    for (const auto& property : calendar) {
        const auto set = property.second;
        all.insert("ics " + property.first, [set](const QString& v) { return calendarText(set, v); });
        all.insert("calendar.xml " + property.first, [set](const QString& v) {
            CalendarRecord record;
            set(record, v);
            return korvaText<CalendarXmlWriter>([&](CalendarXmlWriter& w) { w.writeEntry(record.entry); });
        });
    }
    // vCard
    auto entry = [](const QString& element, const std::optional<QString>& type) {
        return [element, type](ContactRecord& r, const QString& v) { r.entries.append({element, type, v, {}}); };
    };
    auto child = [](const QString& name) {
        return [name](ContactRecord& r, const QString& v) {
            r.entries.append({AddressBookXml::address(), AddressBookXml::typeHome(), QString(), {{name, v}}});
        };
    };
    const QList<QPair<QString, std::function<void(ContactRecord&, const QString&)>>> contact{
        {"first name", entry(AddressBookXml::firstName(), std::nullopt)},
        {"middle name", entry(AddressBookXml::middleName(), std::nullopt)},
        {"last name", entry(AddressBookXml::lastName(), std::nullopt)},
        {"organization", entry(AddressBookXml::organization(), std::nullopt)},
        {"phone", entry(AddressBookXml::phone(), AddressBookXml::typeMobile())},
        {"email", entry(AddressBookXml::email(), AddressBookXml::typeHome())},
        {"url", entry(AddressBookXml::url(), AddressBookXml::typeHomePage())},
        {"street", child(AddressBookXml::street())},
        {"city", child(AddressBookXml::city())},
        {"zip", child(AddressBookXml::zip())},
        {"state", child(AddressBookXml::state())},
        {"country", child(AddressBookXml::country())},
        {"label",
         [](ContactRecord& r, const QString& v) {
             r.labels.insert(r.entries.size(), v);
             r.entries.append({AddressBookXml::phone(), AddressBookXml::typeMobile(), QStringLiteral("1"), {}});
         }},
        {"prefix", [](ContactRecord& r, const QString& v) { r.prefix = v; }},
        {"suffix", [](ContactRecord& r, const QString& v) { r.suffix = v; }},
        {"nickname", [](ContactRecord& r, const QString& v) { r.nickname = v; }},
        {"job title", [](ContactRecord& r, const QString& v) { r.jobTitle = v; }},
        {"department", [](ContactRecord& r, const QString& v) { r.department = v; }},
        {"note", [](ContactRecord& r, const QString& v) { r.note = v; }},
    };
    for (const auto& property : contact) {
        const auto set = property.second;
        all.insert("vcf " + property.first, [set](const QString& v) { return cardText(set, v); });
        all.insert("address.xml " + property.first, [set](const QString& v) {
            ContactRecord record;
            set(record, v);
            return korvaText<AddressBookXmlWriter>([&](AddressBookXmlWriter& w) { w.writePerson(record.entries); });
        });
    }
    // SMS Backup & Restore, and the KORVA messages file
    const QList<QPair<QString, std::function<void(MessageEntry&, const QString&)>>> message{
        {"address", [](MessageEntry& m, const QString& v) { m.address = v; }},
        {"text", [](MessageEntry& m, const QString& v) { m.text = v; }},
        {"date", [](MessageEntry& m, const QString& v) { m.date = v; }},
    };
    for (const auto& property : message) {
        const auto set = property.second;
        all.insert("sms " + property.first, [set](const QString& v) { return smsText(set, v); });
        all.insert("messages.xml " + property.first, [set](const QString& v) {
            MessageEntry record;
            record.text = QStringLiteral("hi");
            set(record, v);
            return korvaText<MessagesXmlWriter>([&](MessagesXmlWriter& w) { w.writeMessage(record); });
        });
    }
    return all;
}

// Whether text holds a line ending that is not the file's own: a lone CR in a
// CR LF file, or any CR in an LF file.
bool hasForeignLineEnd(const QByteArray& text)
{
    const bool crlf = text.contains("\r\n");
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == '\r' && (!crlf || i + 1 >= text.size() || text.at(i + 1) != '\n'))
            return true;
        if (text.at(i) == '\n' && crlf && (i == 0 || text.at(i - 1) != '\r'))
            return true;
    }
    return false;
}

} // namespace

class TestLineBreakingText : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheFilesLines_data();
    void keepsTheFilesLines();
};

void TestLineBreakingText::keepsTheFilesLines_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("lineBreak");
    QStringList names = outputs().keys();
    names.sort();
    for (const QString& name : std::as_const(names)) {
        for (const char* lineBreak : {"\r\n", "\n", "\r", "\0"}) {
            const QString breakText = QString::fromLatin1(lineBreak, qMax<qsizetype>(1, qstrlen(lineBreak)));
            QTest::addRow("%s %s", qPrintable(name), qPrintable(QString::fromLatin1(breakText.toLatin1().toHex())))
                << name << breakText;
        }
    }
}

void TestLineBreakingText::keepsTheFilesLines()
{
    QFETCH(QString, output);
    QFETCH(QString, lineBreak);
    const Output make = outputs().value(output);
    const QByteArray plain = make(QStringLiteral("aX-INJECTED:1b"));
    const QByteArray hostile =
        make(QStringLiteral("a") + lineBreak + QStringLiteral("X-INJECTED:1") + lineBreak + QStringLiteral("b"));
    QVERIFY(!plain.isEmpty());
    QVERIFY(!hostile.isEmpty());
    QVERIFY2(!hostile.contains('\0'), hostile.constData());
    QVERIFY2(!hasForeignLineEnd(hostile), hostile.constData());
    QVERIFY2(!hostile.contains("\nX-INJECTED"), hostile.constData());
    // The value may grow (escapes) but never adds lines beyond a folded one.
    QVERIFY2(hostile.count('\n') <= plain.count('\n') + 1, hostile.constData());
}

QTEST_GUILESS_MAIN(TestLineBreakingText)
#include "tst_LineBreakingText.moc"
