// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Recognising BlackBerry backups and reading their database containers.
#include "support/IpdWriter.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryIpdReader.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using IpdWriter::header;
using IpdWriter::record;

namespace {

int readBytes(const QByteArray& bytes, BackupDatabaseTable& table)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    BlackberryIpdReader reader(table);
    return reader.read(buffer);
}

QList<quint32> uniqueIds(BackupDatabaseTable& table)
{
    QList<quint32> ids;
    for (int id = 0; id < table.count(); ++id) {
        for (const BackupRecord& r : table.database(id).records)
            ids.append(r.uniqueId);
    }
    return ids;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Packs folder's contents into a zip archive at archivePath with the real 7z.
bool zipFolder(const QString& folder, const QString& archivePath)
{
    QProcess zip;
    zip.setWorkingDirectory(folder);
    zip.start(QStandardPaths::findExecutable("7z"), {"a", "-tzip", archivePath, "."});
    return zip.waitForFinished(60000) && zip.exitCode() == 0;
}

} // namespace

class TestBlackberryReader : public QObject
{
    Q_OBJECT

private slots:
    void recognisesBackupPaths_data();
    void recognisesBackupPaths();
    void readsNamesAndRecords();
    void recordRecovery_data();
    void recordRecovery();
    void databaseNames_data();
    void databaseNames();
    void inputWithoutContainer_data();
    void inputWithoutContainer();
    void realServiceBookMatchesItsFieldDump();
    void unpackedArchiveReadsNumberedFilesInOrder();
    void archiveThatCannotBeUnpacked();
    void missingBackupFile();
};

void TestBlackberryReader::recognisesBackupPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<bool>("archive");
    QTest::newRow("ipd") << "/home/u/Backup.ipd" << true << false;
    QTest::newRow("bbb") << "x.bbb" << true << true;
    QTest::newRow("upper-case IPD") << "/home/u/a.IPD" << false << false;
    QTest::newRow("upper-case BBB") << "/home/u/a.BBB" << false << false;
    QTest::newRow("four characters ending in ipd") << "aipd" << false << false;
    QTest::newRow("four characters ending in bbb") << "abbb" << false << false;
    QTest::newRow("five characters") << "x.ipd" << true << false;
    QTest::newRow("ipd inside the name") << "backup.ipd.txt" << false << false;
    QTest::newRow("iPhone backup folder") << "/home/u/MobileSync/Backup/0a1b2c" << false << false;
}

void TestBlackberryReader::recognisesBackupPaths()
{
    QFETCH(QString, path);
    QFETCH(bool, backup);
    QFETCH(bool, archive);
    QCOMPARE(BlackberryBackup::isBackupPath(path), backup);
    QCOMPARE(BlackberryBackup::isArchivePath(path), archive);
}

void TestBlackberryReader::readsNamesAndRecords()
{
    const QByteArray file = header({"Address Book - All", "SMS Messages"})
                            + record(1, {{1, "ab"}, {4, QByteArray(300, 'x')}}, 0xC78B705D)
                            + record(0, {{10, QByteArray()}}, 7) + record(1, {}, 8);
    BackupDatabaseTable table;
    QCOMPARE(readBytes(file, table), 0);
    QCOMPARE(table.names(), (QStringList{"Address Book - All", "SMS Messages"}));
    QCOMPARE(table.findByName("SMS Messages")->id, 1);
    QVERIFY(!table.findByName("sms messages"));

    const QList<BackupRecord>& sms = table.database(1).records;
    QCOMPARE(sms.size(), 2);
    QCOMPARE(sms[0].databaseId, quint16(1));
    QCOMPARE(sms[0].recordLength, quint32(7 + 5 + 303));
    QCOMPARE(sms[0].databaseVersion, quint8(1));
    QCOMPARE(sms[0].recordHandle, quint16(0x42));
    QCOMPARE(sms[0].uniqueId, quint32(0xC78B705D));
    QCOMPARE(sms[0].fields.size(), 2);
    QCOMPARE(sms[0].fields[0].type, quint8(1));
    QCOMPARE(sms[0].fields[0].data, QByteArray("ab"));
    QCOMPARE(sms[0].fields[1].data, QByteArray(300, 'x'));
    QCOMPARE(sms[1].fields.size(), 0);
    QCOMPARE(table.database(0).records.size(), 1);
    QCOMPARE(table.database(0).records[0].fields[0].data, QByteArray());
}

void TestBlackberryReader::recordRecovery_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<quint32>>("expected");
    QTest::addColumn<int>("dropped");

    const QByteArray head = header({"A"});
    const IpdWriter::Fields two = {{1, "abc"}, {2, "de"}};
    QTest::newRow("fields fill the record exactly")
        << head + record(0, two, 1, 7 + 6 + 5) + record(0, two, 2) << QList<quint32>{1, 2} << 0;
    // The record's length says where it ends; its last field claims more.
    QTest::newRow("fields run past the record")
        << head + record(0, two, 1, 7 + 6 + 4).chopped(1) + record(0, two, 2) << QList<quint32>{2} << 1;
    QTest::newRow("record shorter than its first field")
        << head + record(0, {{1, QByteArray(100, 'q')}}, 1, 9).left(6 + 9) + record(0, two, 2) << QList<quint32>{2}
        << 1;
    QTest::newRow("record length 7 holds no fields")
        << head + record(0, {}, 1, 7) + record(0, two, 2) << QList<quint32>{1, 2} << 0;
    QTest::newRow("truncated inside a field's data")
        << head + record(0, two, 1) + record(0, {{4, QByteArray(50, 'x')}}, 2).left(40) << QList<quint32>{1} << 1;
    QTest::newRow("truncated inside a record header")
        << head + record(0, two, 1) + record(0, two, 2).left(9) << QList<quint32>{1} << 1;
    QTest::newRow("one byte left over") << head + record(0, two, 1) + QByteArray(1, '\0') << QList<quint32>{1} << 0;
    QTest::newRow("huge record length runs to the end")
        << head + record(0, two, 1) + record(0, two, 2, 0xFFFFFFFFu) + record(0, two, 3) << QList<quint32>{1} << 1;
    QTest::newRow("field longer than the file")
        << head + record(0, two, 1) + record(0, {{4, QByteArray(10, 'x')}}, 2, 0xFFFF0).left(20)
               + QByteArray("\xff\xff")
        << QList<quint32>{1} << 1;
    // Unknown ids are stepped over two bytes at a time: an unknown id 0x0505
    // followed by 0x0505 pairs lands exactly on the next record.
    QTest::newRow("unknown database id is skipped")
        << head + QByteArray(8, '\x05') + record(0, two, 9) << QList<quint32>{9} << 0;
    QTest::newRow("special id 0xffff skips six bytes")
        << head + QByteArray(6, '\xff') + record(0, two, 4) << QList<quint32>{4} << 0;
    QTest::newRow("zero database count reads no names and no records")
        << header({}) + record(0, two, 1) + record(1, two, 2) << QList<quint32>{} << 0;
}

void TestBlackberryReader::recordRecovery()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<quint32>, expected);
    QFETCH(int, dropped);
    QByteArray copy = file;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    BackupDatabaseTable table;
    BlackberryIpdReader reader(table);
    QCOMPARE(reader.read(buffer), 0);
    QCOMPARE(uniqueIds(table), expected);
    QCOMPARE(reader.recordsDropped(), dropped);
}

void TestBlackberryReader::databaseNames_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");
    const QString longName = QString(200, QLatin1Char('n'));
    QTest::newRow("name of 200 bytes") << header({longName, "B"}) << QStringList{longName, "B"};
    QTest::newRow("UTF-8 name") << header({QString::fromUtf8("Adressbuch - Gr\xc3\xbc\xc3\x9f"
                                                             "e")})
                                << QStringList{QString::fromUtf8("Adressbuch - Gr\xc3\xbc\xc3\x9f"
                                                                 "e")};
    QTest::newRow("name ends at its NUL")
        << header({QStringLiteral("SMS")}).replace(QByteArray("SMS"), QByteArray("SM\0", 3)) << QStringList{"SM"};
    QTest::newRow("count larger than the names") << header({"A"}, 5) << QStringList{"A"};
    QTest::newRow("name running past the end") << header({"A", "Longer"}).chopped(3) << QStringList{"A"};
    QTest::newRow("separator not zero") << header({"A"}, std::nullopt, 1) << QStringList{};
    QTest::newRow("count of 65535 on a short file") << header({"A", "B"}, 0xFFFF) << QStringList{"A", "B"};
}

void TestBlackberryReader::databaseNames()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);
    BackupDatabaseTable table;
    QCOMPARE(readBytes(file, table), 0);
    QCOMPARE(table.names(), names);
}

void TestBlackberryReader::inputWithoutContainer_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no header line") << QByteArray(500, 'a');
    QTest::newRow("header only") << QByteArray("Inter@ctive Pager Backup/Restore File\n\x02\x00", 40);
}

void TestBlackberryReader::inputWithoutContainer()
{
    QFETCH(QByteArray, file);
    BackupDatabaseTable table;
    QCOMPARE(readBytes(file, table), BlackberryIpdReader::kErrorNoContainer);
    QCOMPARE(table.count(), 0);
}

void TestBlackberryReader::realServiceBookMatchesItsFieldDump()
{
    // A real backup written by a BlackBerry, and a field dump of it made by
    // another tool.
    const QString dir = QStringLiteral(VELMORA_TEST_DATA_DIR "/blackberry/");
    QFile dump(dir + "servicebook.fields.xml");
    QVERIFY(dump.open(QIODevice::ReadOnly));
    QDomDocument document;
    QVERIFY(document.setContent(&dump));

    BackupDatabaseTable table;
    QCOMPARE(BlackberryBackup::read(dir + "servicebook.ipd", QString(), table), 0);
    const QDomElement database = document.documentElement().firstChildElement("database");
    QCOMPARE(table.names(), QStringList{database.attribute("name")});
    const BackupDatabase* read = table.findByName(database.attribute("name"));
    QVERIFY(read);

    int index = 0;
    for (QDomElement r = database.firstChildElement("record"); !r.isNull(); r = r.nextSiblingElement("record")) {
        QVERIFY(index < read->records.size());
        const BackupRecord& record = read->records.at(index++);
        QCOMPARE(record.uniqueId, r.attribute("uid").toUInt(nullptr, 16));
        QList<QPair<int, QByteArray>> expected, actual;
        for (QDomElement f = r.firstChildElement("field"); !f.isNull(); f = f.nextSiblingElement("field"))
            expected.append({f.attribute("type").toInt(), QByteArray::fromHex(f.text().toLatin1())});
        for (const BackupField& field : record.fields)
            actual.append({field.type, field.data});
        QCOMPARE(actual, expected);
    }
    QCOMPARE(read->records.size(), index);
    QCOMPARE(index, 1);
}

void TestBlackberryReader::unpackedArchiveReadsNumberedFilesInOrder()
{
    QTemporaryDir work;
    const QString content = work.filePath("content");
    writeFile(content + "/Manifest.xml", "<BlackBerry_Backup/>");
    // Ids run over all files after "Null-database" at 0.
    writeFile(content + "/Databases/1.dat", header({"SMS Messages"}) + record(1, {{1, "x"}}, 11));
    writeFile(content + "/Databases/2.dat",
              header({"Address Book - All", "Tasks"}) + record(2, {{10, "y"}}, 21) + record(3, {}, 31));
    writeFile(content + "/Databases/4.dat", header({"Not read"}));
    const QString archive = work.filePath("Backup.bbb");
    QVERIFY(zipFolder(content, archive));

    const QString unpackFolder = work.filePath("unpacked");
    QVERIFY(QDir().mkpath(unpackFolder));
    QVERIFY(BlackberryBackup::unpackArchive(archive, unpackFolder));
    QCOMPARE(BlackberryBackup::databaseFiles(archive, unpackFolder).size(), 2);

    BackupDatabaseTable table;
    QCOMPARE(BlackberryBackup::read(archive, unpackFolder, table), 0);
    QCOMPARE(table.names(), (QStringList{"Null-database", "SMS Messages", "Address Book - All", "Tasks"}));
    QCOMPARE(BlackberryBackup::realDatabaseCount(table), 3);
    QCOMPARE(table.findByName("SMS Messages")->records.size(), 1);
    QCOMPARE(table.findByName("SMS Messages")->records[0].uniqueId, quint32(11));
    QCOMPARE(table.findByName("Address Book - All")->records[0].uniqueId, quint32(21));
    QCOMPARE(table.findByName("Tasks")->records[0].uniqueId, quint32(31));
}

void TestBlackberryReader::archiveThatCannotBeUnpacked()
{
    QTemporaryDir work;
    const QString archive = work.filePath("Broken.bbb");
    writeFile(archive, QByteArray("PK\x03\x04 not really a zip"));
    const QString unpackFolder = work.filePath("unpacked");
    QVERIFY(QDir().mkpath(unpackFolder));
    QVERIFY(!BlackberryBackup::unpackArchive(archive, unpackFolder));
    // The archive itself is then read as a container, and holds none.
    BackupDatabaseTable table;
    QCOMPARE(BlackberryBackup::read(archive, unpackFolder, table), BlackberryBackup::kErrorNotBackup);
    QCOMPARE(table.count(), 0);
}

void TestBlackberryReader::missingBackupFile()
{
    QTemporaryDir work;
    BackupDatabaseTable table;
    QCOMPARE(BlackberryBackup::read(work.filePath("gone.ipd"), QString(), table),
             BlackberryBackup::kErrorCannotOpenBackup);
    QCOMPARE(BlackberryBackup::read(work.path(), QString(), table), BlackberryBackup::kErrorCannotOpenBackup);
}

QTEST_GUILESS_MAIN(TestBlackberryReader)
#include "tst_BlackberryReader.moc"
