// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// A whole iPhone backup made of the real sample databases, through the
// extractor and velmora-convert, as a sync would convert it.
#include "support/IphoneBackupBuilder.h"
#include "support/IphoneBackupDatabases.h"
#include "support/IphoneBackupXml.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray sample(const QString& name)
{
    QFile file(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int runConvert(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-convert"), arguments);
    if (!process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

int count(const QStringList& lines, const QString& element)
{
    return int(lines.filter(QRegularExpression(QLatin1Char('^') + element + QLatin1Char('$'))).size());
}

} // namespace

class TestExtractIphoneConvert : public QObject
{
    Q_OBJECT

private slots:
    void convertsARealBackup_data();
    void convertsARealBackup();
    void encryptedBackupFails();
    void messagePicturesReachTheStandardFile();
    void callsAndNotesForAndroid();
};

void TestExtractIphoneConvert::convertsARealBackup_data()
{
    QTest::addColumn<IphoneBackupBuilder::Manifest>("manifest");
    QTest::newRow("Manifest.db") << IphoneBackupBuilder::Manifest::Database;
    QTest::newRow("Manifest.mbdb") << IphoneBackupBuilder::Manifest::Mbdb;
}

void TestExtractIphoneConvert::convertsARealBackup()
{
    QFETCH(IphoneBackupBuilder::Manifest, manifest);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    const QString home = QStringLiteral("HomeDomain");
    IphoneBackupBuilder builder;
    builder.addFile(home, QStringLiteral("Library/SMS/sms.db"), sample(QStringLiteral("ios18-sms.db")));
    builder.addFile(home, QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
                    sample(QStringLiteral("ios18-Calendar.sqlitedb")));
    // The iOS 16 address book keeps its only person in the -wal file: it is
    // found only when the companions are extracted beside the database.
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        builder.addFile(home, QStringLiteral("Library/AddressBook/AddressBook.sqlitedb") + suffix,
                        sample(QStringLiteral("ios16-addressbook-wal-only/AddressBook.sqlitedb") + suffix));
    }
    builder.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"), "jpeg");
    QVERIFY(builder.write(backup, manifest));

    QCOMPARE(runConvert({backup, out}), 0);

    const QStringList messages = IphoneBackupXml::outline(out + QStringLiteral("/messages.xml"));
    QCOMPARE(count(messages, QStringLiteral("messages/(sent|received)_message")), 10);
    const QStringList calendar = IphoneBackupXml::outline(out + QStringLiteral("/calendar.xml"));
    QCOMPARE(count(calendar, QStringLiteral("calendar/calendar_entry")), 5);
    const QStringList book = IphoneBackupXml::outline(out + QStringLiteral("/address.xml"));
    QCOMPARE(count(book, QStringLiteral("address_book/person")), 1);
    // The user's backup is left as it was: no -wal or -shm of a database opened there.
    QVERIFY(QDir(backup).entryList({QStringLiteral("*-wal"), QStringLiteral("*-shm")}, QDir::Files).isEmpty());
}

void TestExtractIphoneConvert::encryptedBackupFails()
{
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"),
                    sample(QStringLiteral("ios18-sms.db")));
    builder.setEncrypted(true);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    QVERIFY(runConvert({backup, out}) != 0);
    QVERIFY(!QFile::exists(out + QStringLiteral("/messages.xml")));
}

// A picture sent in a message comes out of the backup's MediaDomain into
// the MMS, and the report counts it and the one the backup lacks.
void TestExtractIphoneConvert::messagePicturesReachTheStandardFile()
{
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    const QByteArray sms = IphoneBackupDatabases::createBytes(
        temp.filePath(QStringLiteral("sms.db")),
        IphoneBackupDatabases::smsNewerSchema()
            << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
            << QStringLiteral(
                   "INSERT INTO message (ROWID, guid, text, handle_id, date, is_from_me) VALUES"
                   " (1, 'm1', 'look', 1, 700000000000000000, 0), (2, 'm2', 'and', 1, 700000001000000000, 0)")
            << QStringLiteral(
                   "INSERT INTO attachment (ROWID, guid, filename, mime_type, transfer_name) VALUES"
                   " (1, 'a1', '~/Library/SMS/Attachments/ab/01/G1/IMG_0001.HEIC', 'image/heic', 'IMG_0001.HEIC'),"
                   " (2, 'a2', '~/Library/SMS/Attachments/ab/02/G2/IMG_0002.JPG', 'image/jpeg', 'IMG_0002.JPG')")
            << QStringLiteral("INSERT INTO message_attachment_join (message_id, attachment_id) VALUES (1, 1), (2, 2)"));
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), sms);
    const QByteArray picture(5000, '\x42');
    builder.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Library/SMS/Attachments/ab/01/G1/IMG_0001.HEIC"),
                    picture);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));

    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-convert"),
                  {QStringLiteral("--format"), QStringLiteral("android"), backup, out});
    QVERIFY(process.waitForFinished(120000));
    const QString report = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(report.contains(QStringLiteral("2 written, of which 2 with 1 attachment; 1 attachment not in the backup")),
             qPrintable(report));
    const QStringList files = QDir(out).entryList({QStringLiteral("sms-*.xml")});
    QCOMPARE(files.size(), 1);
    QFile file(out + QLatin1Char('/') + files.first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains(picture.toBase64()));
}

// Call history and notes of an iPhone backup become the phone's calls file and note files.
void TestExtractIphoneConvert::callsAndNotesForAndroid()
{
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    const QString calls = temp.filePath(QStringLiteral("CallHistory.storedata"));
    QVERIFY(IphoneBackupDatabases::create(
        calls, {QStringLiteral("CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, ZADDRESS BLOB, ZDATE TIMESTAMP,"
                               " ZDURATION FLOAT, ZORIGINATED INTEGER, ZANSWERED INTEGER, ZCALLTYPE INTEGER)"),
                QStringLiteral("INSERT INTO ZCALLRECORD (ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZCALLTYPE)"
                               " VALUES ('+15550100200', 731754000, 5, 1, 0, 1)")}));
    QFile store(calls);
    QVERIFY(store.open(QIODevice::ReadOnly));
    QFile notes(QStringLiteral(VELMORA_REALDATA_DIR "/notes/ios15-NoteStore.sqlite"));
    QVERIFY(notes.open(QIODevice::ReadOnly));
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/CallHistoryDB/CallHistory.storedata"),
                    store.readAll());
    builder.addFile(QStringLiteral("AppDomainGroup-group.com.apple.notes"), QStringLiteral("NoteStore.sqlite"),
                    notes.readAll());
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));

    // 2: the backup has no contacts, messages or calendar, which count as failures.
    QCOMPARE(runConvert({QStringLiteral("--format"), QStringLiteral("android"), backup, out}), 2);
    const QStringList callFiles = QDir(out).entryList({QStringLiteral("calls-*.xml")});
    QCOMPARE(callFiles.size(), 1);
    QFile callFile(QDir(out).filePath(callFiles.at(0)));
    QVERIFY(callFile.open(QIODevice::ReadOnly));
    QVERIFY(callFile.readAll().contains("number=\"+15550100200\" duration=\"5\" date=\"1710061200000\" type=\"2\""));
    const QStringList written = QDir(out + QStringLiteral("/Notes/Notes")).entryList(QDir::Files, QDir::Name);
    QCOMPARE(written, (QStringList{QStringLiteral("My First Note.txt"), QStringLiteral("iOS 14 Note.txt"),
                                   QStringLiteral("iOS 15 Note.txt")}));
    // ZMODIFICATIONDATE1 of "iOS 15 Note": 705373021.178374 seconds since 2001.
    QCOMPARE(QFileInfo(out + QStringLiteral("/Notes/Notes/iOS 15 Note.txt")).lastModified().toSecsSinceEpoch(),
             705373021LL + 978307200LL);
}

QTEST_GUILESS_MAIN(TestExtractIphoneConvert)
#include "tst_ExtractIphoneConvert.moc"
