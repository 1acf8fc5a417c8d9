// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Whole iPhone conversations in the SMS Backup & Restore file: text from
// every attributedBody class, attachments as MMS parts, group chats,
// millisecond order, one file per folder, databases without iOS's indexes.
#include "support/IphoneBackupDatabases.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/iphone/AttributedBodyText.h"
#include "transfer/iphone/IphoneMessagesExport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// The typedstream layout iOS writes: outer attributed-string class, the
// string class (with NSString as its superclass when it is the mutable
// one), the type "+" and the length as the archive encodes it.
QByteArray typedStream(const QByteArray& outerClass, const QByteArray& stringClass, const QByteArray& text)
{
    QByteArray out = QByteArrayLiteral("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84");
    out += char(outerClass.size()) + outerClass + QByteArrayLiteral("\x00\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84");
    out += char(stringClass.size()) + stringClass;
    if (stringClass != "NSString")
        out += QByteArrayLiteral("\x01\x84\x84\x08NSString");
    out += QByteArrayLiteral("\x01\x95\x84\x01+");
    if (text.size() < 0x80) {
        out += char(text.size());
    } else {
        out += '\x81';
        out += char(text.size() & 0xFF);
        out += char(text.size() >> 8);
    }
    return out + text + QByteArrayLiteral("\x86\x84\x02iI\x01\x02\x92\x84\x84\x84\x0cNSDictionary");
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Part
{
    QString ct, name, text;
    QByteArray data;
};

struct Element
{
    QString kind; // "sms" or "mms"
    QXmlStreamAttributes attributes;
    QList<Part> parts;
    QList<QPair<QString, QString>> addrs; // address, type
    QString value(const char* name) const { return attributes.value(QLatin1String(name)).toString(); }
};

// The file read back by Qt's XML parser; count is the root's count attribute.
QList<Element> readBack(const QString& path, int& count)
{
    QList<Element> elements;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return elements;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || (!xml.atEnd() && !xml.hasError())) {
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (name == QLatin1String("smses")) {
            count = xml.attributes().value(QLatin1String("count")).toInt();
        } else if (name == QLatin1String("sms") || name == QLatin1String("mms")) {
            elements.append({name.toString(), xml.attributes(), {}, {}});
        } else if (name == QLatin1String("part")) {
            const QXmlStreamAttributes a = xml.attributes();
            elements.last().parts.append({a.value(QLatin1String("ct")).toString(),
                                          a.value(QLatin1String("name")).toString(),
                                          a.value(QLatin1String("text")).toString(),
                                          QByteArray::fromBase64(a.value(QLatin1String("data")).toLatin1())});
        } else if (name == QLatin1String("addr")) {
            const QXmlStreamAttributes a = xml.attributes();
            elements.last().addrs.append(
                {a.value(QLatin1String("address")).toString(), a.value(QLatin1String("type")).toString()});
        }
    }
    if (xml.hasError())
        qWarning() << "XML error" << xml.errorString();
    return elements;
}

// A home folder as the extractor leaves MediaDomain, with one picture.
const QByteArray kPicture =
    QByteArray("\xff\xd8\xff\xe0 not quite a JPEG \x00\x01\x02", 24) + QByteArray(70000, '\x7f');

QStringList conversationStatements()
{
    QStringList statements = IphoneBackupDatabases::smsNewerSchema();
    statements << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111'), (2, '+222'), (3, '+333')")
               << QStringLiteral("INSERT INTO chat (ROWID, guid, style, chat_identifier) VALUES"
                                 " (1, 'c1', 45, '+111'), (2, 'c2', 43, 'chat123456')")
               << QStringLiteral("INSERT INTO chat_handle_join (chat_id, handle_id) VALUES (1, 1), (2, 2), (2, 3)")
               // Dates in nanoseconds: 5 and 6 share a millisecond, 2 comes 400 ms after 1.
               << QStringLiteral("INSERT INTO message (ROWID, guid, text, handle_id, date, is_from_me, is_read) VALUES"
                                 " (1, 'm1', 'look', 1, 700000000000000000, 0, 1),"
                                 " (2, 'm2', '\uFFFC', 0, 700000000400000000, 1, 0),"
                                 " (3, 'm3', 'lost one', 1, 700000001000000000, 0, 0),"
                                 " (4, 'm4', 'hi all', 2, 700000002000000000, 0, 1),"
                                 " (5, 'm5', 'me to all', 0, 700000003000500000, 1, 0),"
                                 " (6, 'm6', 'same ms', 0, 700000003000900000, 1, 0)")
               << QStringLiteral("INSERT INTO chat_message_join (chat_id, message_id) VALUES"
                                 " (1, 1), (1, 2), (1, 3), (2, 4), (2, 5), (2, 6)")
               << QStringLiteral("INSERT INTO attachment (ROWID, guid, filename, mime_type, transfer_name) VALUES"
                                 " (1, 'a1', '~/Library/SMS/Attachments/ab/01/G1/IMG_0001.HEIC', 'image/heic',"
                                 " 'IMG_0001.HEIC'),"
                                 " (2, 'a2', '~/Library/SMS/Attachments/ab/02/G2/IMG_0002.JPG', 'image/jpeg',"
                                 " 'IMG_0002.JPG'),"
                                 " (3, 'a3', '~/../../etc/passwd', 'text/plain', 'passwd')")
               << QStringLiteral("INSERT INTO message_attachment_join (message_id, attachment_id) VALUES"
                                 " (2, 1), (3, 2), (3, 3)");
    return statements;
}

// Converts db with attachments below home into the SBR file at out.
bool convert(const QString& db, const QString& home, const QString& out, SmsBackupWriter& writer)
{
    return writer.open(out) == 0 && IphoneMessagesExport::read(db, writer, home) == 0 && writer.finish(nullptr) == 0;
}

} // namespace

class TestIphoneConversations : public QObject
{
    Q_OBJECT

private slots:
    void attributedBodyOfEveryClass_data();
    void attributedBodyOfEveryClass();
    void conversationsAsMms();
    void sameResultWithIndexes();
    void secondRunLeavesOneFile();
    void olderLayoutMms();
};

void TestIphoneConversations::attributedBodyOfEveryClass_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("text");
    const QString realFolder = QStringLiteral(VELMORA_TEST_DATA_DIR "/messages/attributedBody/");
    const auto real = [&](const char* name) { return readAll(realFolder + QLatin1String(name)); };
    QTest::newRow("real mutable") << real("AttributedBodyTextOnly") << "Noter test";
    QTest::newRow("real immutable") << real("AttributedBodyTextOnly2") << "Test 3";
    QTest::newRow("real blank") << real("Blank") << "";
    // Its 16-bit length runs past the end: the string ends at its object's end.
    QTest::newRow("real length past the end") << real("ExtraData") << "This is parsing  ";
    QTest::newRow("real placeholders") << real("MultiPart") << "test 1test 2 test 3";
    QTest::newRow("real URL") << real("URL") << "https://github.com/ReagentX/Logria";
    QTest::newRow("real wide characters")
        << real("WeirdText")
        << QString::fromUtf8("\xf0\x9d\x96\x8d\xf0\x9d\x96\x8a\xf0\x9d\x96\x91\xf0\x9d\x96\x91\xf0\x9d\x96\x94 "
                             "\xf0\x9d\x96\x9c\xf0\x9d\x96\x94\xf0\x9d\x96\x97\xf0\x9d\x96\x91\xf0\x9d\x96\x89");
    QTest::newRow("mutable attributed, immutable string")
        << typedStream("NSMutableAttributedString", "NSString", "abc") << "abc";
    QTest::newRow("immutable attributed, mutable string, 16-bit")
        << typedStream("NSAttributedString", "NSMutableString", QByteArray(200, 'z')) << QString(200, QLatin1Char('z'));
    QTest::newRow("placeholder only") << typedStream("NSMutableAttributedString", "NSMutableString", "\xef\xbf\xbc")
                                      << "";
}

void TestIphoneConversations::attributedBodyOfEveryClass()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, text);
    QVERIFY(!archive.isEmpty());
    const std::optional<QString> read = AttributedBodyText::plainText(archive);
    QVERIFY(read.has_value());
    QCOMPARE(*read, text);
}

void TestIphoneConversations::conversationsAsMms()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QVERIFY(IphoneBackupDatabases::create(db, conversationStatements()));
    const QString home = temp.filePath(QStringLiteral("MediaDomain"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/Library/SMS/Attachments/ab/01/G1")));
    QFile picture(home + QStringLiteral("/Library/SMS/Attachments/ab/01/G1/IMG_0001.HEIC"));
    QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(kPicture) == kPicture.size());
    picture.close();

    SmsBackupWriter writer;
    const QString out = temp.filePath(QStringLiteral("sms-20260102030405.xml"));
    QVERIFY(convert(db, home, out, writer));
    QCOMPARE(writer.multimediaCount(), 2);
    QCOMPARE(writer.attachmentCount(), 1);
    QCOMPARE(writer.missingAttachmentCount(), 2); // not in the backup, and an unsafe path

    int count = -1;
    const QList<Element> elements = readBack(out, count);
    QCOMPARE(count, 6);
    QCOMPARE(elements.size(), 6);
    QStringList dates;
    for (const Element& element : elements)
        dates << element.value("date");
    // Milliseconds kept; the two of the same millisecond in database order.
    QCOMPARE(dates, (QStringList{"1678307200000", "1678307200400", "1678307201000", "1678307202000", "1678307203000",
                                 "1678307203000"}));

    QCOMPARE(elements.at(0).kind, QStringLiteral("sms"));
    // A sent picture: the placeholder gone, the file's bytes back unchanged.
    const Element& sentPicture = elements.at(1);
    QCOMPARE(sentPicture.kind, QStringLiteral("mms"));
    QCOMPARE(sentPicture.value("msg_box"), QStringLiteral("2"));
    QCOMPARE(sentPicture.value("m_type"), QStringLiteral("128"));
    QCOMPARE(sentPicture.value("address"), QStringLiteral("+111"));
    QCOMPARE(sentPicture.value("text_only"), QStringLiteral("0"));
    QCOMPARE(sentPicture.parts.size(), 1);
    QCOMPARE(sentPicture.parts.at(0).ct, QStringLiteral("image/heic"));
    QCOMPARE(sentPicture.parts.at(0).name, QStringLiteral("IMG_0001.HEIC"));
    QCOMPARE(sentPicture.parts.at(0).data, kPicture);
    QCOMPARE(sentPicture.addrs, (QList<QPair<QString, QString>>{{"insert-address-token", "137"}, {"+111", "151"}}));

    // Missing files keep the message and its text, and are named.
    const Element& lost = elements.at(2);
    QCOMPARE(lost.value("read"), QStringLiteral("0"));
    QCOMPARE(lost.parts.size(), 3);
    QCOMPARE(lost.parts.at(0).text, QStringLiteral("lost one"));
    QCOMPARE(lost.parts.at(1).text, QStringLiteral("[Attachment not in the backup: IMG_0002.JPG]"));
    QCOMPARE(lost.parts.at(2).text, QStringLiteral("[Attachment not in the backup: passwd]"));
    QVERIFY(lost.parts.at(1).data.isEmpty());

    // Group chat: every member, never the chat's identifier.
    const Element& groupReceived = elements.at(3);
    QCOMPARE(groupReceived.kind, QStringLiteral("mms"));
    QCOMPARE(groupReceived.value("address"), QStringLiteral("+222~+333"));
    QCOMPARE(groupReceived.value("text_only"), QStringLiteral("1"));
    QCOMPARE(groupReceived.addrs, (QList<QPair<QString, QString>>{{"+222", "137"}, {"+333", "151"}}));
    for (int i : {4, 5}) {
        QCOMPARE(elements.at(i).value("address"), QStringLiteral("+222~+333"));
        QCOMPARE(elements.at(i).addrs,
                 (QList<QPair<QString, QString>>{{"insert-address-token", "137"}, {"+222", "151"}, {"+333", "151"}}));
    }
    QCOMPARE(elements.at(4).parts.at(0).text, QStringLiteral("me to all"));
    QCOMPARE(elements.at(5).parts.at(0).text, QStringLiteral("same ms"));
}

void TestIphoneConversations::sameResultWithIndexes()
{
    // The queries must not depend on the indexes iOS creates; with them the
    // file is the same.
    QTemporaryDir temp;
    const QString bare = temp.filePath(QStringLiteral("bare.db"));
    const QString indexed = temp.filePath(QStringLiteral("indexed.db"));
    QVERIFY(IphoneBackupDatabases::create(bare, conversationStatements()));
    QVERIFY(IphoneBackupDatabases::create(
        indexed, conversationStatements()
                     << QStringLiteral("CREATE INDEX chat_message_join_idx_message_id ON chat_message_join(message_id)")
                     << QStringLiteral("CREATE INDEX message_attachment_join_idx_message_id ON"
                                       " message_attachment_join(message_id)")
                     << QStringLiteral("CREATE INDEX chat_handle_join_idx_handle_id ON chat_handle_join(handle_id)")));
    SmsBackupWriter first;
    SmsBackupWriter second;
    QVERIFY(convert(bare, temp.path(), temp.filePath(QStringLiteral("a.xml")), first));
    QVERIFY(convert(indexed, temp.path(), temp.filePath(QStringLiteral("b.xml")), second));
    QCOMPARE(readAll(temp.filePath(QStringLiteral("a.xml"))), readAll(temp.filePath(QStringLiteral("b.xml"))));
}

void TestIphoneConversations::secondRunLeavesOneFile()
{
    QTemporaryDir temp;
    const QDir folder(temp.path());
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QVERIFY(IphoneBackupDatabases::create(db, conversationStatements()));
    // The app's own backup of the same name pattern stays, as does anything else.
    const QByteArray foreign = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"0\""
                               " backup_set=\"x\" backup_date=\"1\" type=\"full\">\n</smses>\n";
    QFile other(folder.filePath(QStringLiteral("sms-20200101000000.xml")));
    QVERIFY(other.open(QIODevice::WriteOnly) && other.write(foreign) == foreign.size());
    other.close();
    const QStringList runs{QStringLiteral("sms-20260101000000.xml"), QStringLiteral("sms-20260202000000.xml")};
    for (const QString& name : runs) {
        SmsBackupWriter writer;
        QVERIFY(convert(db, QString(), folder.filePath(name), writer));
        SmsBackupWriter::removeEarlierFiles(folder.path(), name);
    }
    QCOMPARE(folder.entryList({QStringLiteral("sms-*.xml")}, QDir::Files),
             (QStringList{QStringLiteral("sms-20200101000000.xml"), runs.last()}));
    QCOMPARE(readAll(folder.filePath(QStringLiteral("sms-20200101000000.xml"))), foreign);
}

// Before iOS 6 an MMS keeps its text in msg_pieces and its picture as a part file.
void TestIphoneConversations::olderLayoutMms()
{
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("sms.db"));
    QVERIFY(IphoneBackupDatabases::create(
        db, IphoneBackupDatabases::smsOlderSchema()
                << QStringLiteral("INSERT INTO message (ROWID, address, date, text, flags) VALUES"
                                  " (7, '+111', 1300000000, NULL, 2), (8, '+111', 1300000060, 'plain', 3)")
                << QStringLiteral("INSERT INTO msg_pieces (message_id, part_id, content_type, content_loc, data) VALUES"
                                  " (7, 2, 'text/plain', 'text_0002.txt', CAST('caption' AS BLOB)),"
                                  " (7, 0, 'application/smil', 'smil.xml', NULL),"
                                  " (7, 1, 'image/jpeg', 'IMG_0007.jpg', NULL),"
                                  " (7, 3, 'image/png', 'gone.png', NULL)")));
    const QString home = temp.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/Library/SMS/Parts/1c/07")));
    QFile picture(home + QStringLiteral("/Library/SMS/Parts/1c/07/7-1.jpg"));
    QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(kPicture) == kPicture.size());
    picture.close();

    SmsBackupWriter writer;
    const QString out = temp.filePath(QStringLiteral("sms-20260102030405.xml"));
    QVERIFY(convert(db, home, out, writer));
    QCOMPARE(writer.attachmentCount(), 1);
    QCOMPARE(writer.missingAttachmentCount(), 1);
    int count = -1;
    const QList<Element> elements = readBack(out, count);
    QCOMPARE(elements.size(), 2);
    const Element& mms = elements.at(0);
    QCOMPARE(mms.kind, QStringLiteral("mms"));
    QCOMPARE(mms.parts.size(), 3);
    QCOMPARE(mms.parts.at(0).text, QStringLiteral("caption"));
    QCOMPARE(mms.parts.at(1).ct, QStringLiteral("image/jpeg"));
    QCOMPARE(mms.parts.at(1).name, QStringLiteral("IMG_0007.jpg"));
    QCOMPARE(mms.parts.at(1).data, kPicture);
    QCOMPARE(mms.parts.at(2).text, QStringLiteral("[Attachment not in the backup: gone.png]"));
    QCOMPARE(elements.at(1).kind, QStringLiteral("sms"));
    QCOMPARE(elements.at(1).value("body"), QStringLiteral("plain"));
}

QTEST_GUILESS_MAIN(TestIphoneConversations)
#include "tst_IphoneConversations.moc"
