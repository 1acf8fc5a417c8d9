// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The call history of each backup layout to calls-<time>.xml, read back by
// Python's ElementTree as the SMS Backup & Restore format is read.
#include "support/IpdWriter.h"
#include "support/IphoneBackupDatabases.h"
#include "transfer/BackupConversion.h"
#include "transfer/android/CallLogWriter.h"
#include "transfer/iphone/IphoneCallHistoryExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class CallList : public CallSink
{
public:
    void add(const CallRecord& call) override { calls.append(call); }
    QList<CallRecord> calls;
};

// The calls file as ElementTree parses it: [count, [attributes...]].
QJsonArray callsByElementTree(const QString& path)
{
    const QString script = QStringLiteral("import sys, json, xml.etree.ElementTree as ET\n"
                                          "root = ET.parse(sys.argv[1]).getroot()\n"
                                          "assert root.tag == 'calls'\n"
                                          "print(json.dumps([int(root.get('count')), [c.attrib for c in root]]))\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

// ZCALLRECORD as iOS 8 and later create it; older stores lack some columns.
QString storeSchema(bool withCallType)
{
    return QStringLiteral("CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,"
                          " ZANSWERED INTEGER, %1 ZDISCONNECTED_CAUSE INTEGER, ZFACE_TIME_DATA INTEGER,"
                          " ZNUMBER_AVAILABILITY INTEGER, ZORIGINATED INTEGER, ZREAD INTEGER, ZDATE TIMESTAMP,"
                          " ZDURATION FLOAT, ZDEVICE_ID VARCHAR, ZISO_COUNTRY_CODE VARCHAR, ZNAME VARCHAR,"
                          " ZUNIQUE_ID VARCHAR, ZADDRESS BLOB)")
        .arg(withCallType ? QStringLiteral("ZCALLTYPE INTEGER,") : QString());
}

QString legacySchema()
{
    return QStringLiteral("CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER,"
                          " duration INTEGER, flags INTEGER, id INTEGER, name TEXT, country_code TEXT,"
                          " network_code TEXT, read INTEGER, assisted INTEGER, face_time_data BLOB,"
                          " originalAddress TEXT)");
}

} // namespace

class TestCallHistory : public QObject
{
    Q_OBJECT

private slots:
    void storesMergedWithoutDuplicates();
    void legacyDateEpoch_data();
    void legacyDateEpoch();
    void blackberryCallLogToFile();
    void damagedStoreKeepsWhatWasRead();
    void longHistorySortedThroughSpill_data();
    void longHistorySortedThroughSpill();
};

void TestCallHistory::storesMergedWithoutDuplicates()
{
    QTemporaryDir work;
    const QString main = work.filePath(QStringLiteral("CallHistory.storedata"));
    const QString temp = work.filePath(QStringLiteral("CallHistoryTemp.storedata"));
    // 2024-03-10 09:00:00.250 UTC is 731754000.25 seconds since 2001.
    QVERIFY(IphoneBackupDatabases::create(
        main, {storeSchema(true),
               QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZCALLTYPE,"
                              " ZUNIQUE_ID) VALUES (CAST('+447700900123' AS BLOB), 731754000.25, 62.6, 1, 0, 1, 'A')"),
               QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZCALLTYPE,"
                              " ZUNIQUE_ID) VALUES ('07700 900124', 731754100, 10, 0, 1, 16, 'B')"),
               QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZCALLTYPE,"
                              " ZUNIQUE_ID) VALUES ('', 731754200, 0, 0, 0, 1, 'C')"),
               QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZCALLTYPE,"
                              " ZUNIQUE_ID) VALUES (CAST('zoe@example.com' AS BLOB), 731754300, 30, 1, 0, 8, 'D')")}));
    // The temporary store repeats call B and adds one, in an older layout.
    QVERIFY(IphoneBackupDatabases::create(
        temp, {storeSchema(false),
               QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZUNIQUE_ID)"
                              " VALUES ('07700 900124', 731754100, 10, 0, 1, 'B')"),
               QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZUNIQUE_ID)"
                              " VALUES ('555', 731754400, 5, 0, 1, 'E')")}));
    CallList list;
    int leftOut = 0;
    QCOMPARE(IphoneCallHistoryExport::readStores({main, temp}, list, leftOut), 0);
    QCOMPARE(leftOut, 1); // the FaceTime video call to an e-mail address
    QCOMPARE(list.calls.size(), 4);
    QCOMPARE(list.calls.at(0).number, QStringLiteral("+447700900123"));
    QCOMPARE(list.calls.at(0).dateMs, 1710061200250);
    QCOMPARE(list.calls.at(0).durationSeconds, 63);
    QCOMPARE(list.calls.at(0).type, CallRecord::Type::Outgoing);
    QCOMPARE(list.calls.at(1).type, CallRecord::Type::Incoming); // FaceTime audio to a number stays
    QCOMPARE(list.calls.at(2).type, CallRecord::Type::Missed);
    QCOMPARE(list.calls.at(2).number, QString());
    QCOMPARE(list.calls.at(3).number, QStringLiteral("555"));

    // One store missing: the other is still read.
    list.calls.clear();
    QCOMPARE(IphoneCallHistoryExport::readStores({work.filePath(QStringLiteral("absent")), temp}, list, leftOut), 0);
    QCOMPARE(list.calls.size(), 2);
}

void TestCallHistory::legacyDateEpoch_data()
{
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("type");
    // 2012-06-01 12:00:00 UTC in both epochs gives the same call.
    QTest::newRow("unix seconds, outgoing") << qint64(1338552000) << 5 << 60 << int(CallRecord::Type::Outgoing);
    QTest::newRow("seconds since 2001, incoming")
        << qint64(1338552000 - 978307200) << 4 << 60 << int(CallRecord::Type::Incoming);
    QTest::newRow("unanswered is missed") << qint64(1338552000) << 4 << 0 << int(CallRecord::Type::Missed);
}

void TestCallHistory::legacyDateEpoch()
{
    QFETCH(qint64, stored);
    QFETCH(int, flags);
    QFETCH(int, duration);
    QFETCH(int, type);
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("call_history.db"));
    QVERIFY(IphoneBackupDatabases::create(
        path, {legacySchema(), QStringLiteral("INSERT INTO call (address, date, duration, flags) VALUES"
                                              " ('+15550100200', %1, %2, %3)")
                                   .arg(stored)
                                   .arg(duration)
                                   .arg(flags)}));
    CallList list;
    QCOMPARE(IphoneCallHistoryExport::readLegacy(path, list), 0);
    QCOMPARE(list.calls.size(), 1);
    QCOMPARE(list.calls.at(0).dateMs, qint64(1338552000) * 1000);
    QCOMPARE(int(list.calls.at(0).type), type);
    QCOMPARE(list.calls.at(0).durationSeconds, duration);
}

void TestCallHistory::blackberryCallLogToFile()
{
    using namespace IpdWriter;
    const auto little = [](quint64 value, int bytes) {
        QByteArray out;
        for (int i = 0; i < bytes; ++i)
            out.append(char((value >> (8 * i)) & 0xFF));
        return out;
    };
    const auto call = [&](int direction, quint32 seconds, quint64 ms, const QByteArray& number,
                          const QByteArray& name) {
        Fields fields{{0x02, little(quint64(direction), 1)},
                      {0x03, little(seconds, 4)},
                      {0x04, little(ms, 8)},
                      {0x0c, number + '\0'}};
        if (!name.isEmpty())
            fields.append({0x1f, name + '\0'});
        return record(1, fields);
    };
    const QByteArray backup = header({"Address Book - All", "Phone Call Logs"})
                              + record(0, {{10, textSubfield(32, "Zoe") + textSubfield(8, "07700 900123")}})
                              // Out of date order; the second is matched to the contact by its number.
                              + call(1, 90, 1300000005000ull, "555 0100", "Bob & \"Co\" <HQ>")
                              + call(0, 12, 1300000001000ull, "+447700900123", "")
                              + call(2, 0, 1300000003000ull, "555 0101", "") + call(3, 0, 1300000004000ull, "", "")
                              + record(1, {{0x0c, "no time\0"}});
    QTemporaryDir work;
    const QString ipd = work.filePath(QStringLiteral("b.ipd"));
    QFile file(ipd);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(backup) == backup.size());
    file.close();
    BackupChoices choices;
    choices.format = BackupChoices::Format::Android;
    choices.conversionTime = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
    const QString out = work.filePath(QStringLiteral("out"));
    const BackupConversionResult result = BackupConversion::convert(ipd, out, out, choices);
    QCOMPARE(result.firstFailure(), 0);
    QCOMPARE(result.callLog.count, 4);
    QCOMPARE(result.callLog.path, out + QStringLiteral("/calls-20240506070809.xml"));

    const QJsonArray parsed = callsByElementTree(result.callLog.path);
    QCOMPARE(parsed.size(), 2);
    QCOMPARE(parsed.at(0).toInt(), 4);
    const QJsonArray calls = parsed.at(1).toArray();
    QCOMPARE(calls.size(), 4);
    const QStringList expected[] = {{"+447700900123", "12", "1300000001000", "1", "1", "Zoe"},
                                    {"555 0101", "0", "1300000003000", "3", "1", "(Unknown)"},
                                    {"", "0", "1300000004000", "3", "2", "(Unknown)"},
                                    {"555 0100", "90", "1300000005000", "2", "1", "Bob & \"Co\" <HQ>"}};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject c = calls.at(i).toObject();
        const QStringList got{
            c.value(QStringLiteral("number")).toString(),       c.value(QStringLiteral("duration")).toString(),
            c.value(QStringLiteral("date")).toString(),         c.value(QStringLiteral("type")).toString(),
            c.value(QStringLiteral("presentation")).toString(), c.value(QStringLiteral("contact_name")).toString()};
        QCOMPARE(got, expected[i]);
    }

    // A second conversion replaces the file of the first.
    choices.conversionTime = choices.conversionTime.addSecs(60);
    const BackupConversionResult again = BackupConversion::convert(ipd, out, out, choices);
    QCOMPARE(again.callLog.count, 4);
    QCOMPARE(QDir(out).entryList({QStringLiteral("calls-*.xml")}),
             QStringList{QStringLiteral("calls-20240506070909.xml")});
}

void TestCallHistory::damagedStoreKeepsWhatWasRead()
{
    QTemporaryDir work;
    const QString bogus = work.filePath(QStringLiteral("CallHistory.storedata"));
    QFile file(bogus);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
    file.close();
    CallList list;
    int leftOut = 0;
    QVERIFY(IphoneCallHistoryExport::readStores({bogus}, list, leftOut) != 0);
    QVERIFY(IphoneCallHistoryExport::readLegacy(QString(), list) != 0);
    QVERIFY(list.calls.isEmpty());
}

void TestCallHistory::longHistorySortedThroughSpill_data()
{
    QTest::addColumn<bool>("inOrder");
    QTest::newRow("in date order") << true;
    QTest::newRow("out of date order") << false;
}

// Far more calls than one block of the spill: the file comes out by date,
// calls of the same millisecond in the order they came, and no spill stays.
void TestCallHistory::longHistorySortedThroughSpill()
{
    QFETCH(bool, inOrder);
    constexpr int kCalls = 20000;
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("calls.xml"));
    CallLogWriter writer;
    QCOMPARE(writer.open(path), 0);
    for (int i = 0; i < kCalls; ++i) {
        CallRecord call;
        // Pairs share a date; out of order, the pairs come last first.
        const int pair = inOrder ? i / 2 : (kCalls - 1 - i) / 2;
        call.dateMs = 1300000000000LL + pair * 1000LL;
        call.number = QStringLiteral("+4477009%1").arg(i, 5, 10, QLatin1Char('0'));
        call.name = i % 3 == 0 ? QStringLiteral("Caller %1").arg(i) : QString();
        writer.add(call);
    }
    QCOMPARE(writer.finish(nullptr), 0);
    QCOMPARE(writer.count(), kCalls);
    QCOMPARE(QDir(work.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("calls.xml")});

    const QJsonArray parsed = callsByElementTree(path);
    QCOMPARE(parsed.at(0).toInt(), kCalls);
    const QJsonArray calls = parsed.at(1).toArray();
    QCOMPARE(calls.size(), kCalls);
    for (int at = 0; at < kCalls; ++at) {
        // The pair's two calls keep the order they were added in.
        const int added = inOrder ? at : kCalls - 2 - (at / 2) * 2 + at % 2;
        const QJsonObject c = calls.at(at).toObject();
        QCOMPARE(c.value(QStringLiteral("date")).toString(), QString::number(1300000000000LL + (at / 2) * 1000LL));
        QCOMPARE(c.value(QStringLiteral("number")).toString(),
                 QStringLiteral("+4477009%1").arg(added, 5, 10, QLatin1Char('0')));
        QCOMPARE(c.value(QStringLiteral("contact_name")).toString(),
                 added % 3 == 0 ? QStringLiteral("Caller %1").arg(added) : QStringLiteral("(Unknown)"));
    }
}

QTEST_GUILESS_MAIN(TestCallHistory)
#include "tst_CallHistory.moc"
