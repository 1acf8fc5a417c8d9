// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "support/IphoneBackupBuilder.h"
#include "transfer/iphone/AppleExtractor.h"
#include "transfer/iphone/BackupFileList.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(BackupFileList::Kind)

class TestAppleExtractor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void classifiesPlaces_data();
    void classifiesPlaces();
    void readsRecordsOfTwoLines_data();
    void readsRecordsOfTwoLines();
    void extractsABackup_data();
    void extractsABackup();
    void laterRecordReplacesEarlier();
    void encryptedBackupIsUnreadable();
    void missingExtractorIsUnreadable();
    void damagedManifestIsNotBlamedOnEncryption_data();
    void damagedManifestIsNotBlamedOnEncryption();
    void emptiesOnlyADisposableFolder();

private:
    QTemporaryDir mHome;
    QString mExtraction;
};

void TestAppleExtractor::initTestCase()
{
    qputenv("HOME", QFile::encodeName(mHome.path()));
    mExtraction = QDir::homePath() + QLatin1Char('/') + Constants::programFolderName() + QLatin1Char('/')
                  + Constants::extractionFolderName() + QLatin1Char('/');
}

void TestAppleExtractor::classifiesPlaces_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<BackupFileList::Kind>("kind");
    QTest::addColumn<QString>("destination");
    using K = BackupFileList::Kind;
    QTest::newRow("sms with domain") << "HomeDomainLibrary/SMS/sms.db" << K::Messages << "";
    QTest::newRow("sms without domain") << "Library/SMS/sms.db" << K::Messages << "";
    QTest::newRow("sms with backslashes") << "HomeDomainLibrary\\SMS\\sms.db" << K::Messages << "";
    QTest::newRow("sms with empty components") << "/Library//SMS/sms.db/" << K::Messages << "";
    QTest::newRow("four components are not the database") << "HomeDomain/Library/SMS/sms.db" << K::Ignored << "";
    QTest::newRow("sms wal is not the database") << "HomeDomainLibrary/SMS/sms.db-wal" << K::Ignored << "";
    QTest::newRow("case matters") << "HomeDomainLibrary/sms/sms.db" << K::Ignored << "";
    QTest::newRow("address book") << "HomeDomainLibrary/AddressBook/AddressBook.sqlitedb" << K::AddressBook << "";
    QTest::newRow("address book images") << "Library/AddressBook/AddressBookImages.sqlitedb" << K::AddressBookImages
                                         << "";
    QTest::newRow("calendar") << "HomeDomainLibrary\\Calendar/Calendar.sqlitedb" << K::Calendar << "";
    QTest::newRow("camera roll photo") << "CameraRollDomainMedia/DCIM/100APPLE/IMG_0001.JPG" << K::Photo
                                       << "/100APPLE/IMG_0001.JPG";
    QTest::newRow("photo right in DCIM") << "Media/DCIM/IMG_1.JPG" << K::Photo << "/IMG_1.JPG";
    QTest::newRow("DCIM alone") << "Media/DCIM" << K::Ignored << "";
    QTest::newRow("hidden folder") << "CameraRollDomainMedia/DCIM/100APPLE/.MISC/x.dat" << K::Ignored << "";
    QTest::newRow("dot-dot climbs out") << "Media/DCIM/../../etc/passwd" << K::Ignored << "";
    QTest::newRow("dot-dot with backslashes") << "Media\\DCIM\\..\\x.jpg" << K::Ignored << "";
    QTest::newRow("other media") << "CameraRollDomainMedia/PhotoData/Photos.sqlite" << K::Ignored << "";
    QTest::newRow("empty") << "" << K::Ignored << "";
}

void TestAppleExtractor::classifiesPlaces()
{
    QFETCH(QString, place);
    QFETCH(BackupFileList::Kind, kind);
    QFETCH(QString, destination);
    const BackupFileList::Match match = BackupFileList::classify(place);
    QCOMPARE(match.mKind, kind);
    QCOMPARE(match.mDestination, destination);
}

void TestAppleExtractor::readsRecordsOfTwoLines_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("LF") << QByteArray("/a\nHomeDomainLibrary/SMS/sms.db\n/b\nMedia/DCIM/x.jpg\n")
                        << QStringList{"/a|HomeDomainLibrary/SMS/sms.db", "/b|Media/DCIM/x.jpg"};
    QTest::newRow("CR LF") << QByteArray("/a\r\nLibrary/SMS/sms.db\r\n/b\r\nMedia/DCIM/x.jpg\r\n")
                           << QStringList{"/a|Library/SMS/sms.db", "/b|Media/DCIM/x.jpg"};
    QTest::newRow("no final line end") << QByteArray("/a\nplace") << QStringList{"/a|place"};
    QTest::newRow("trailing odd line") << QByteArray("/a\nplace\n/odd\n") << QStringList{"/a|place", "/odd|"};
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("UTF-8 names") << QByteArray("/f\xc3\xb6to\nMedia/DCIM/\xc3\xa9.jpg\n")
                                 << QStringList{QString::fromUtf8("/f\xc3\xb6to|Media/DCIM/\xc3\xa9.jpg")};
}

void TestAppleExtractor::readsRecordsOfTwoLines()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, records);
    QBuffer buffer(&list);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QStringList read;
    const int count = BackupFileList::read(
        buffer, [&read](const QString& source, const QString& place) { read << source + QLatin1Char('|') + place; });
    QCOMPARE(read, records);
    QCOMPARE(count, int(records.size()));
}

void TestAppleExtractor::extractsABackup_data()
{
    QTest::addColumn<IphoneBackupBuilder::Manifest>("manifest");
    QTest::newRow("Manifest.db") << IphoneBackupBuilder::Manifest::Database;
    QTest::newRow("Manifest.mbdb") << IphoneBackupBuilder::Manifest::Mbdb;
}

void TestAppleExtractor::extractsABackup()
{
    QFETCH(IphoneBackupBuilder::Manifest, manifest);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "sms");
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"), "ab");
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBookImages.sqlitedb"),
                    "abi");
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/Calendar/Calendar.sqlitedb"), "cal");
    builder.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"), "a");
    builder.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/.MISC/Info.plist"), "b");
    builder.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/101APPLE/IMG_0100.MOV"), "c");
    QVERIFY(builder.write(backup, manifest));
    // Left over from an earlier sync: must be gone afterwards.
    QDir().mkpath(mExtraction + QStringLiteral("old"));

    AppleExtractor extractor;
    QCOMPARE(extractor.extractFromManifest(backup, mExtraction), 0);

    const QString home = QDir::cleanPath(mExtraction) + QStringLiteral("/HomeDomain/Library/");
    QCOMPARE(extractor.smsDatabasePath(), home + QStringLiteral("SMS/sms.db"));
    QCOMPARE(extractor.addressBookPath(), home + QStringLiteral("AddressBook/AddressBook.sqlitedb"));
    QCOMPARE(extractor.addressBookImagesPath(), home + QStringLiteral("AddressBook/AddressBookImages.sqlitedb"));
    QCOMPARE(extractor.calendarPath(), home + QStringLiteral("Calendar/Calendar.sqlitedb"));
    QStringList photos;
    for (const PhotoPath& photo : extractor.photos()) {
        photos << photo.mDestName;
        QVERIFY(QFile::exists(photo.mSourceName));
    }
    photos.sort();
    QCOMPARE(photos, (QStringList{"/100APPLE/IMG_0001.JPG", "/101APPLE/IMG_0100.MOV"}));
    QVERIFY(!QFile::exists(mExtraction + QStringLiteral("old")));
}

void TestAppleExtractor::laterRecordReplacesEarlier()
{
    // A list written by any extractor, also one that gives places without
    // the domain: the last record naming a database wins.
    QTemporaryDir temp;
    const QString fake = temp.filePath(QStringLiteral("fake-extract"));
    QFile script(fake);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '/first/sms.db\\nLibrary/SMS/sms.db\\n/second/sms.db\\r\\n"
                 "HomeDomainLibrary\\\\SMS\\\\sms.db\\r\\n/odd' > \"$2/backup_file_list\"\n");
    script.close();
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    AppleExtractor extractor;
    extractor.setExtractorProgram(fake);
    QCOMPARE(extractor.extractFromManifest(temp.path(), mExtraction), 0);
    QCOMPARE(extractor.smsDatabasePath(), QStringLiteral("/second/sms.db"));
    QVERIFY(extractor.photos().isEmpty());
}

void TestAppleExtractor::encryptedBackupIsUnreadable()
{
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "sms");
    builder.setEncrypted(true);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));

    AppleExtractor extractor;
    // Without its password an encrypted backup says so, not "unreadable".
    QCOMPARE(extractor.extractFromManifest(backup, mExtraction), int(DataResult::IphoneBackupEncrypted));
    QVERIFY(extractor.smsDatabasePath().isEmpty());
    QVERIFY(extractor.photos().isEmpty());
    // The folder is still made again, empty.
    QVERIFY(QDir(mExtraction).exists());
}

void TestAppleExtractor::missingExtractorIsUnreadable()
{
    QTemporaryDir temp;
    AppleExtractor extractor;
    extractor.setExtractorProgram(temp.filePath(QStringLiteral("no-such-program")));
    QCOMPARE(extractor.extractFromManifest(temp.path(), mExtraction), int(DataResult::IphoneExtractorMissing));
}

void TestAppleExtractor::damagedManifestIsNotBlamedOnEncryption_data()
{
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<qint64>("cut"); // bytes cut off the end of Manifest.db
    QTest::newRow("plain, last page gone") << false << qint64(4096);
    QTest::newRow("plain, ends inside a page") << false << qint64(700);
    QTest::newRow("encrypted, ends inside a block") << true << qint64(5);
}

void TestAppleExtractor::damagedManifestIsNotBlamedOnEncryption()
{
    QFETCH(bool, encrypted);
    QFETCH(qint64, cut);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    for (int i = 0; i < 200; ++i)
        builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/file%1").arg(i), "content");
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "sms");
    if (encrypted)
        builder.setPassword("secret", 3);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    QFile manifest(backup + QStringLiteral("/Manifest.db"));
    QVERIFY(manifest.resize(manifest.size() - cut));

    AppleExtractor extractor;
    extractor.setPassword("secret");
    QCOMPARE(extractor.extractFromManifest(backup, mExtraction), int(DataResult::IphoneManifestDamaged));
    QVERIFY(extractor.smsDatabasePath().isEmpty());
}

void TestAppleExtractor::emptiesOnlyADisposableFolder()
{
    QTemporaryDir temp;
    const QString keep = QDir::homePath() + QStringLiteral("/keep.txt");
    QFile file(keep);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    AppleExtractor extractor;
    QCOMPARE(extractor.extractFromManifest(temp.path(), QDir::homePath()), AppleExtractor::kErrorUnreadableBackup);
    QCOMPARE(extractor.extractFromManifest(temp.path(), QString()), AppleExtractor::kErrorUnreadableBackup);
    QVERIFY(QFile::exists(keep));
}

QTEST_GUILESS_MAIN(TestAppleExtractor)
#include "tst_AppleExtractor.moc"
