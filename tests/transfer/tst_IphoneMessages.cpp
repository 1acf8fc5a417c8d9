// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupDatabases.h"
#include "support/IphoneBackupXml.h"
#include "transfer/iphone/AppleExtractor.h"
#include "transfer/iphone/AttributedBodyText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An archived NSAttributedString as iOS writes it, with a chosen length encoding.
QByteArray typedStream(const QByteArray& text, bool realHeader = true)
{
    QByteArray out = QByteArrayLiteral("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x12NSAttributedString"
                                       "\x00\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84\x08NSString");
    out += realHeader ? QByteArrayLiteral("\x01\x94\x84\x01+") : QByteArrayLiteral("\x00\x96+");
    if (text.size() < 0x80) {
        out += char(text.size());
    } else if (text.size() < 0x10000) {
        out += '\x81';
        out += char(text.size() & 0xFF);
        out += char(text.size() >> 8);
    } else {
        out += '\x82';
        for (int i = 0; i < 4; ++i)
            out += char((text.size() >> (8 * i)) & 0xFF);
    }
    return out + text + QByteArrayLiteral("\x86\x84\x02iI\x01\x02\x92\x84\x84\x84\x0cNSDictionary");
}

QStringList convert(const QString& databasePath, int& result)
{
    QTemporaryDir out;
    AppleExtractor extractor;
    extractor.setSmsDatabasePath(databasePath);
    const QString xml = out.filePath(QStringLiteral("messages.xml"));
    result = extractor.generateMessagesXML(out.path(), xml);
    return IphoneBackupXml::outline(xml);
}

// The outline of one message from the handle "+111"; a null date or text is
// left out, as the writer leaves out what the database does not hold.
QStringList messageOutline(const QString& element, const QString& date, const QString& text, bool read)
{
    const QString path = QStringLiteral("messages/") + element;
    QStringList lines{path, path + QStringLiteral("/address=+111")};
    if (!date.isNull())
        lines << path + QStringLiteral("/date=") + date;
    if (!text.isNull())
        lines << path + QStringLiteral("/text=") + text;
    lines << path + (read ? QStringLiteral("/read=true") : QStringLiteral("/read=false"));
    return lines;
}

} // namespace

class TestIphoneMessages : public QObject
{
    Q_OBJECT

private slots:
    void readsAttributedBodyText_data();
    void readsAttributedBodyText();
    void olderLayout();
    void newerLayout_data();
    void newerLayout();
    void messagesWithoutHandleAreKept();
    void sentMessagesAreRead();
    void realIos18Database();
    void failures_data();
    void failures();
    void unwritableOutput();
};

void TestIphoneMessages::readsAttributedBodyText_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::newRow("short") << typedStream("Hello") << "Hello" << true;
    QTest::newRow("fixture header") << typedStream("Hi", false) << "Hi" << true;
    QTest::newRow("16-bit length") << typedStream(QByteArray(300, 'x')) << QString(300, QLatin1Char('x')) << true;
    QTest::newRow("32-bit length") << typedStream(QByteArray(70000, 'y')) << QString(70000, QLatin1Char('y')) << true;
    QTest::newRow("UTF-8 and emoji") << typedStream("Gr\xc3\xbc\xc3\x9f \xf0\x9f\x91\x8b")
                                     << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f \xf0\x9f\x91\x8b") << true;
    QTest::newRow("empty text") << typedStream("") << "" << true;
    QTest::newRow("mutable string") << QByteArray("xxNSMutableString\x01\x94\x84\x01+\x03"
                                                  "abc")
                                    << "abc" << true;
    QTest::newRow("length past the end") << typedStream("abc").left(typedStream("abc").indexOf("abc") + 2) << ""
                                         << false;
    QTest::newRow("16-bit length cut") << QByteArray("NSString\x01+\x81\x05") << "" << false;
    QTest::newRow("32-bit length huge") << QByteArray("NSString\x01+\x82\xff\xff\xff\x7f"
                                                      "abc")
                                        << "" << false;
    QTest::newRow("no type marker") << QByteArray("NSString\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c"
                                                  "\x0d\x0e\x0f\x10\x11+\x01x")
                                    << "" << false;
    QTest::newRow("no string class") << QByteArray("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@") << "" << false;
    QTest::newRow("ends after the class") << QByteArray("NSString") << "" << false;
    QTest::newRow("ends after the marker") << QByteArray("NSString\x01+") << "" << false;
    QTest::newRow("empty") << QByteArray() << "" << false;
}

void TestIphoneMessages::readsAttributedBodyText()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, text);
    QFETCH(bool, found);
    const std::optional<QString> read = AttributedBodyText::plainText(archive);
    QCOMPARE(read.has_value(), found);
    if (found)
        QCOMPARE(*read, text);
}

void TestIphoneMessages::olderLayout()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QStringList statements = IphoneBackupDatabases::smsOlderSchema();
    statements << QStringLiteral("INSERT INTO message (address, date, text, flags, read) VALUES"
                                 " ('+4912345', 1262304000, 'sent one', 3, 1),"
                                 " ('+4967890', 1262305000, 'got one', 2, 0),"
                                 " ('+4967890', 1262306000, NULL, 2, NULL),"
                                 " (NULL, NULL, 'line\nbreak', 'x', 1)");
    QVERIFY(IphoneBackupDatabases::create(db, statements));
    int result = 1;
    const QStringList lines = convert(db, result);
    QCOMPARE(result, 0);
    QCOMPARE(lines, (QStringList{
                        "messages",
                        "messages/sent_message",
                        "messages/sent_message/address=+4912345",
                        "messages/sent_message/date=1262304000",
                        "messages/sent_message/text=sent one",
                        "messages/sent_message/read=true",
                        "messages/received_message",
                        "messages/received_message/address=+4967890",
                        "messages/received_message/date=1262305000",
                        "messages/received_message/text=got one",
                        "messages/received_message/read=false",
                        "messages/received_message",
                        "messages/received_message/address=+4967890",
                        "messages/received_message/date=1262306000",
                        "messages/received_message/read=true",
                        "messages/received_message",
                        "messages/received_message/text=linebreak",
                        "messages/received_message/read=true",
                    }));
}

void TestIphoneMessages::newerLayout_data()
{
    QTest::addColumn<QString>("values");
    QTest::addColumn<QStringList>("expected");
    const QString sent = QStringLiteral("sent_message");
    const QString received = QStringLiteral("received_message");
    QTest::newRow("from me is sent") << "'a', 'hi', NULL, 1, 100, 1, 1"
                                     << messageOutline(sent, QStringLiteral("978307300"), QStringLiteral("hi"), true);
    QTest::newRow("not from me is received")
        << "'b', 'yo', NULL, 1, 100, 0, 0"
        << messageOutline(received, QStringLiteral("978307300"), QStringLiteral("yo"), false);
    QTest::newRow("nanoseconds since 2001")
        << "'c', 't', NULL, 1, 700000001000000000, 0, 1"
        << messageOutline(received, QStringLiteral("1678307201"), QStringLiteral("t"), true);
    QTest::newRow("before 1970 stays signed")
        << "'d', 't', NULL, 1, -1000000000, 0, 1"
        << messageOutline(received, QStringLiteral("-21692800"), QStringLiteral("t"), true);
    QTest::newRow("negative nanoseconds")
        << "'e', 't', NULL, 1, -1000000000000000000, 0, 1"
        << messageOutline(received, QStringLiteral("-21692800"), QStringLiteral("t"), true);
    QTest::newRow("body only in attributedBody")
        << "'f', NULL, X'" + QString::fromLatin1(typedStream("from blob").toHex()) + "', 1, 0, 0, NULL"
        << messageOutline(received, QStringLiteral("978307200"), QStringLiteral("from blob"), true);
    QTest::newRow("no text at all") << "'g', NULL, X'00', 1, NULL, 0, 1"
                                    << messageOutline(received, QString(), QString(), true);
}

void TestIphoneMessages::newerLayout()
{
    QFETCH(QString, values);
    QFETCH(QStringList, expected);
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QStringList statements = IphoneBackupDatabases::smsNewerSchema();
    statements << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
               << QStringLiteral("INSERT INTO message (guid, text, attributedBody, handle_id, date, is_from_me,"
                                 " is_read) VALUES (")
                      + values + QStringLiteral(")");
    QVERIFY(IphoneBackupDatabases::create(db, statements));
    int result = 1;
    const QStringList lines = convert(db, result);
    QCOMPARE(result, 0);
    QCOMPARE(IphoneBackupXml::linesUnder(lines, QString()),
             expected.replaceInStrings(QStringLiteral("messages/"), QString()));
}

void TestIphoneMessages::messagesWithoutHandleAreKept()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QStringList statements = IphoneBackupDatabases::smsNewerSchema();
    statements << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
               << QStringLiteral("INSERT INTO chat (ROWID, guid, chat_identifier) VALUES (7, 'c7', '+222'),"
                                 " (8, 'c8', 'group-8')")
               << QStringLiteral("INSERT INTO message (ROWID, guid, text, handle_id, date, is_from_me) VALUES"
                                 " (1, 'm1', 'mine', 0, 0, 1), (2, 'm2', 'lost handle', 999, 0, 0),"
                                 " (3, 'm3', 'no chat either', 0, 0, 1), (4, 'm4', 'normal', 1, 0, 0)")
               << QStringLiteral("INSERT INTO chat_message_join (chat_id, message_id) VALUES (7, 1), (8, 2), (8, 4)");
    QVERIFY(IphoneBackupDatabases::create(db, statements));
    int result = 1;
    const QStringList lines = IphoneBackupXml::linesUnder(convert(db, result), QString());
    QCOMPARE(result, 0);
    QCOMPARE(lines.filter(QStringLiteral("/address=")),
             (QStringList{"sent_message/address=+222", "received_message/address=group-8",
                          "received_message/address=+111"}));
    QCOMPARE(lines.filter(QStringLiteral("/text=")).size(), 4);
}

void TestIphoneMessages::sentMessagesAreRead()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QStringList statements = IphoneBackupDatabases::smsNewerSchema();
    // iOS stores is_read 0 for everything the owner sent.
    statements << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
               << QStringLiteral("INSERT INTO message (guid, text, handle_id, date, is_from_me, is_read) VALUES"
                                 " ('1', 'sent unread flag', 1, 0, 1, 0), ('2', 'sent read flag', 1, 0, 1, 1),"
                                 " ('3', 'got unread', 1, 0, 0, 0), ('4', 'got read', 1, 0, 0, 1)");
    QVERIFY(IphoneBackupDatabases::create(db, statements));
    int result = 1;
    const QStringList lines = IphoneBackupXml::linesUnder(convert(db, result), QString());
    QCOMPARE(result, 0);
    QCOMPARE(
        lines.filter(QStringLiteral("/read=")),
        (QStringList{QStringLiteral("sent_message/read=true"), QStringLiteral("sent_message/read=true"),
                     QStringLiteral("received_message/read=false"), QStringLiteral("received_message/read=true")}));
}

void TestIphoneMessages::realIos18Database()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/ios18-sms.db"), db));
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    int result = 1;
    const QStringList lines = IphoneBackupXml::linesUnder(convert(db, result), QString());
    QCOMPARE(result, 0);
    // All ten messages, the two sent ones (handle_id 0) included.
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^(sent|received)_message$"))).size(), 10);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^sent_message$"))).size(), 2);
    QCOMPARE(lines.filter(QStringLiteral("/date=")).first(), QStringLiteral("sent_message/date=1678307201"));
    QVERIFY(lines.contains(QStringLiteral("received_message/text=Reply via attributedBody")));
    QVERIFY(lines.contains(QString::fromUtf8("received_message/text=Hi \xf0\x9f\x91\x8b group \xf0\x9f\x8c\x8d")));
    QVERIFY(lines.contains(QStringLiteral("received_message/text=orphan")));
    QVERIFY(lines.contains(QStringLiteral("received_message/address=+15550002")));
    // is_read 0 everywhere: the eight received ones are unread on the phone
    // too, the two the owner sent are read.
    QCOMPARE(lines.filter(QStringLiteral("received_message/read=false")).size(), 8);
    QCOMPARE(lines.filter(QStringLiteral("sent_message/read=true")).size(), 2);
    // Sent messages take the chat's identifier as their address.
    QCOMPARE(lines.filter(QStringLiteral("sent_message/address=")),
             (QStringList{"sent_message/address=+15550001", "sent_message/address=+15550001"}));
}

void TestIphoneMessages::failures_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<int>("code");
    QTest::newRow("no table message") << QStringList{"CREATE TABLE other (x)"} << -12002;
    QTest::newRow("handle but no message")
        << QStringList{"CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)"} << -12002;
}

void TestIphoneMessages::failures()
{
    QFETCH(QStringList, statements);
    QFETCH(int, code);
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QVERIFY(IphoneBackupDatabases::create(db, statements));
    int result = 0;
    // A read that got nothing writes no file, so it cannot replace an earlier good one.
    const QStringList noFile{QStringLiteral("<missing>")};
    QCOMPARE(convert(db, result), noFile);
    QCOMPARE(result, code);

    // No database at all, and a file that is not one.
    QCOMPARE(convert(QString(), result), noFile);
    QCOMPARE(result, -12002);
    const QString garbage = temp.filePath(QStringLiteral("garbage.db"));
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'g'));
    file.close();
    QCOMPARE(convert(garbage, result), noFile);
    QVERIFY(result < 0);
}

void TestIphoneMessages::unwritableOutput()
{
    QTemporaryDir temp;
    AppleExtractor extractor;
    extractor.setSmsDatabasePath(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/ios18-sms.db"));
    QCOMPARE(extractor.generateMessagesXML(temp.path(), temp.filePath(QStringLiteral("no/such/folder/m.xml"))), -12004);
}

QTEST_GUILESS_MAIN(TestIphoneMessages)
#include "tst_IphoneMessages.moc"
