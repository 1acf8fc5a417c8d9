// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "support/IpdWriter.h"
#include "support/PhoneContents.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"

#include <QTemporaryDir>
#include <QtTest>

// What the messages file says must match what the old phone showed: the
// text of 8-bit BlackBerry bodies.
class tst_MessageFaults : public QObject
{
    Q_OBJECT

private slots:
    void blackBerryBodyEncodings_data();
    void blackBerryBodyEncodings();
    void blackBerryCodePageTextReachesTheFile();
};

void tst_MessageFaults::blackBerryBodyEncodings_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("valid UTF-8 stays") << QByteArray("gr\xc3\xbc\xc3\x9f"
                                                     "e \xe2\x82\xac")
                                       << QString::fromUtf8("gr\xc3\xbc\xc3\x9f"
                                                            "e \xe2\x82\xac");
    QTest::newRow("Latin-1 letters") << QByteArray("Gr\xfc\xdf"
                                                   "e aus K\xf6ln")
                                     << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                                                          "e aus K\xc3\xb6ln");
    QTest::newRow("Windows-1252 punctuation")
        << QByteArray("\x80 5 \x93ok\x94 \x85")
        << QString::fromUtf8("\xe2\x82\xac 5 \xe2\x80\x9cok\xe2\x80\x9d \xe2\x80\xa6");
    QTest::newRow("unassigned byte keeps its value") << QByteArray("a\x81z") << QStringLiteral("a\u0081z");
    QTest::newRow("cut UTF-8 sequence is 8-bit text") << QByteArray("caf\xc3") << QStringLiteral("caf\u00c3");
    QTest::newRow("text ends at its zero byte")
        << QByteArray("\xe9t\xe9\0junk\xff", 9) << QString::fromUtf8("\xc3\xa9t\xc3\xa9");
}

void tst_MessageFaults::blackBerryBodyEncodings()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    BackupRecord record;
    for (const auto& field : IpdWriter::Fields{{1, IpdWriter::smsFlags(true, 0)}, {2, "5"}, {4, body}, {7, "\0"}})
        record.fields.append({field.first, field.second});
    const auto message = BlackberrySmsConverter::messageOfRecord(record);
    QVERIFY(message);
    QCOMPARE(message->text.value_or(QStringLiteral("<none>")), expected);
    QVERIFY(!message->text->contains(QChar(QChar::ReplacementCharacter)));
}

void tst_MessageFaults::blackBerryCodePageTextReachesTheFile()
{
    QTemporaryDir work;
    const QString backup = work.filePath(QStringLiteral("Backup.ipd"));
    QVERIFY(PhoneContents::writeFile(backup, IpdWriter::header({QStringLiteral("SMS Messages")})
                                                 + IpdWriter::smsRecord(0, true, 1300000000000ULL, "+4930",
                                                                        "Sch\xf6ne Gr\xfc\xdf"
                                                                        "e")));
    const BlackberryConversionResult result =
        BlackberryConversion::convert(backup, work.filePath(QStringLiteral("out")), true, false);
    QCOMPARE(result.code, 0);
    QCOMPARE(result.messages, 1);
    const QByteArray xml = PhoneContents::readFile(result.messagesPath);
    QVERIFY2(xml.contains("Sch\xc3\xb6ne Gr\xc3\xbc\xc3\x9f"
                          "e"),
             xml.constData());
    QVERIFY(!xml.contains("\xef\xbf\xbd"));
}

QTEST_GUILESS_MAIN(tst_MessageFaults)
#include "tst_MessageFaults.moc"
