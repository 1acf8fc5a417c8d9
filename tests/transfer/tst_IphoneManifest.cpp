// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupBuilder.h"
#include "transfer/iphone/IphoneBackupEntry.h"
#include "transfer/iphone/IphoneBackupExtractor.h"
#include "transfer/iphone/IphoneBackupPlist.h"
#include "transfer/iphone/IphoneManifestDbReader.h"
#include "transfer/iphone/IphoneMbdbReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestIphoneManifest : public QObject
{
    Q_OBJECT

private slots:
    void fileIdsMatchThePhone_data();
    void fileIdsMatchThePhone();
    void readsMbdbRecords();
    void truncatedMbdbKeepsCompleteRecords();
    void rejectsOtherFiles_data();
    void rejectsOtherFiles();
    void readsManifestDb();
    void detectsEncryption_data();
    void detectsEncryption();
    void safeRelativePaths_data();
    void safeRelativePaths();
    void readsStringsOfBothFormats();
};

void TestIphoneManifest::fileIdsMatchThePhone_data()
{
    // Blob names that every iOS backup of these files carries.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fileId");
    QTest::newRow("sms.db") << "Library/SMS/sms.db"
                            << "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
    QTest::newRow("AddressBook") << "Library/AddressBook/AddressBook.sqlitedb"
                                 << "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
    QTest::newRow("AddressBookImages") << "Library/AddressBook/AddressBookImages.sqlitedb"
                                       << "cd6702cea29fe89cf280a76794405adb17f9a0ee";
    QTest::newRow("Calendar") << "Library/Calendar/Calendar.sqlitedb"
                              << "2041457d5fe04d39d0ab481178355df6781e6858";
}

void TestIphoneManifest::fileIdsMatchThePhone()
{
    QFETCH(QString, path);
    QFETCH(QString, fileId);
    QCOMPARE(IphoneMbdbReader::fileIdFor(QStringLiteral("HomeDomain"), path), fileId);
}

void TestIphoneManifest::readsMbdbRecords()
{
    const QByteArray data =
        IphoneBackupBuilder::mbdbHeader()
        + IphoneBackupBuilder::mbdbRecord(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), 0x81A4, 2)
        + IphoneBackupBuilder::mbdbRecord(QStringLiteral("HomeDomain"), QStringLiteral("Library"), 0x41ED)
        + IphoneBackupBuilder::mbdbRecord(QString::fromUtf8("CameraRollDomain"),
                                          QString::fromUtf8("Media/DCIM/\xc3\xa9t\xc3\xa9.JPG"), 0xA1FF);
    QList<IphoneBackupEntry> entries;
    QCOMPARE(IphoneMbdbReader::read(data, entries), 0);
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(0).mRelativePath, QStringLiteral("Library/SMS/sms.db"));
    QCOMPARE(entries.at(0).mFileId, QStringLiteral("3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
    QVERIFY(entries.at(0).mIsFile);
    QVERIFY(!entries.at(1).mIsFile); // folder
    QVERIFY(!entries.at(2).mIsFile); // symbolic link
    QCOMPARE(entries.at(2).mRelativePath, QString::fromUtf8("Media/DCIM/\xc3\xa9t\xc3\xa9.JPG"));
}

void TestIphoneManifest::truncatedMbdbKeepsCompleteRecords()
{
    const QByteArray first =
        IphoneBackupBuilder::mbdbRecord(QStringLiteral("HomeDomain"), QStringLiteral("a"), 0x81A4, 1);
    const QByteArray data =
        IphoneBackupBuilder::mbdbHeader() + first
        + IphoneBackupBuilder::mbdbRecord(QStringLiteral("HomeDomain"), QStringLiteral("b"), 0x81A4, 1);
    // Every cut inside the second record keeps exactly the first.
    for (qsizetype cut = 6 + first.size() + 1; cut < data.size(); ++cut) {
        QList<IphoneBackupEntry> entries;
        QCOMPARE(IphoneMbdbReader::read(data.left(cut), entries), int(IphoneMbdbReader::Truncated));
        QCOMPARE(entries.size(), 1);
    }
    // A string length running past the end.
    QList<IphoneBackupEntry> entries;
    QCOMPARE(IphoneMbdbReader::read(QByteArray("mbdb\x05\x00\xff\xfe", 8), entries), int(IphoneMbdbReader::Truncated));
    QVERIFY(entries.isEmpty());
}

void TestIphoneManifest::rejectsOtherFiles_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("magic only, short") << QByteArray("mbdb");
    QTest::newRow("index file") << QByteArray("mbdx\x02\x00", 6);
    QTest::newRow("SQLite") << QByteArray("SQLite format 3\x00", 16);
}

void TestIphoneManifest::rejectsOtherFiles()
{
    QFETCH(QByteArray, data);
    QList<IphoneBackupEntry> entries;
    QCOMPARE(IphoneMbdbReader::read(data, entries), int(IphoneMbdbReader::BadMagic));
    QVERIFY(entries.isEmpty());
}

void TestIphoneManifest::readsManifestDb()
{
    QTemporaryDir temp;
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "x");
    builder.addFolder(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS"));
    builder.addFile(QStringLiteral("AppDomain-x"), QStringLiteral("Documents/a"), "y");
    QVERIFY(builder.write(temp.path(), IphoneBackupBuilder::Manifest::Database));
    QList<IphoneBackupEntry> all;
    QCOMPARE(IphoneManifestDbReader::read(temp.filePath(QStringLiteral("Manifest.db")), all), 0);
    QCOMPARE(all.size(), 3);
    QList<IphoneBackupEntry> wanted;
    QCOMPARE(IphoneManifestDbReader::read(temp.filePath(QStringLiteral("Manifest.db")), wanted,
                                          &IphoneBackupExtractor::isWanted),
             0);
    QCOMPARE(wanted.size(), 1);
    QCOMPARE(wanted.at(0).mFileId, QStringLiteral("3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
    QList<IphoneBackupEntry> none;
    QCOMPARE(IphoneManifestDbReader::read(temp.filePath(QStringLiteral("missing.db")), none),
             int(IphoneManifestDbReader::CannotOpen));
}

void TestIphoneManifest::detectsEncryption_data()
{
    QTest::addColumn<QByteArray>("plist");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("encrypted");
    using F = IphoneBackupBuilder::PlistFormat;
    QTest::newRow("binary, encrypted") << IphoneBackupBuilder::plist(true, F::Binary) << 0 << true;
    QTest::newRow("binary, plain") << IphoneBackupBuilder::plist(false, F::Binary) << 0 << false;
    QTest::newRow("XML, encrypted") << IphoneBackupBuilder::plist(true, F::Xml) << 0 << true;
    QTest::newRow("XML, plain") << IphoneBackupBuilder::plist(false, F::Xml) << 0 << false;
    QTest::newRow("no IsEncrypted key") << QByteArray(
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Version</key><string>9.1</string>"
        "</dict></plist>") << 0 << false;
    QTest::newRow("IsEncrypted not a boolean")
        << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>IsEncrypted</key><string>yes"
                      "</string></dict></plist>")
        << 0 << false;
    QTest::newRow("array at the top") << QByteArray(
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>")
                                      << int(IphoneBackupPlist::NotAPlist) << false;
    QTest::newRow("garbage") << QByteArray("bplist00\xff\xff\xff") << int(IphoneBackupPlist::NotAPlist) << false;
    QTest::newRow("binary cut short") << IphoneBackupBuilder::plist(true, F::Binary).left(20)
                                      << int(IphoneBackupPlist::NotAPlist) << false;
    QTest::newRow("empty") << QByteArray() << int(IphoneBackupPlist::NotAPlist) << false;
}

void TestIphoneManifest::detectsEncryption()
{
    QFETCH(QByteArray, plist);
    QFETCH(int, status);
    QFETCH(bool, encrypted);
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("Manifest.plist"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(plist);
    file.close();
    bool isEncrypted = !encrypted;
    QCOMPARE(IphoneBackupPlist::isEncrypted(path, isEncrypted), status);
    QCOMPARE(isEncrypted, encrypted);
}

void TestIphoneManifest::safeRelativePaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << "Media/DCIM/100APPLE/IMG_0001.JPG" << true;
    QTest::newRow("dots inside names") << "Media/DCIM/a..b/.hidden" << true;
    QTest::newRow("unicode") << QString::fromUtf8("Media/DCIM/\xe5\x86\x99\xe7\x9c\x9f.JPG") << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("absolute") << "/etc/passwd" << false;
    QTest::newRow("dot-dot") << "Media/../../x" << false;
    QTest::newRow("trailing dot-dot") << "Media/DCIM/.." << false;
    QTest::newRow("dot") << "Media/./x" << false;
    QTest::newRow("empty component") << "Media//x" << false;
    QTest::newRow("trailing slash") << "Media/DCIM/" << false;
    QTest::newRow("backslash") << "Media\\..\\x" << false;
    QTest::newRow("line feed") << "Media/a\nb" << false;
    QTest::newRow("carriage return") << "Media/a\rb" << false;
    QTest::newRow("NUL") << QStringLiteral("Media/a") + QChar(0) + QStringLiteral("b") << false;
}

void TestIphoneManifest::safeRelativePaths()
{
    QFETCH(QString, path);
    QFETCH(bool, safe);
    QCOMPARE(IphoneBackupExtractor::isSafeRelativePath(path), safe);
}

void TestIphoneManifest::readsStringsOfBothFormats()
{
    QTemporaryDir temp;
    for (const auto format : {IphoneBackupBuilder::PlistFormat::Binary, IphoneBackupBuilder::PlistFormat::Xml}) {
        const QString path = temp.filePath(QStringLiteral("Info.plist"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(IphoneBackupBuilder::plist(false, format));
        file.close();
        const IphoneBackupPlist plist(path);
        QString version;
        QCOMPARE(plist.stringValue("Product Version", version), 0);
        QCOMPARE(version, QStringLiteral("12.5.7"));
        QCOMPARE(plist.stringValue("IsEncrypted", version), int(IphoneBackupPlist::NoSuchKey));
        bool flag = true;
        QCOMPARE(plist.boolValue("Product Version", flag), int(IphoneBackupPlist::NoSuchKey));
    }
    // A binary string may hold a NUL; the text ends there, and nothing aborts.
    const QString nul = temp.filePath(QStringLiteral("nul.plist"));
    QFile nulFile(nul);
    QVERIFY(nulFile.open(QIODevice::WriteOnly));
    nulFile.write(QByteArray::fromBase64(
        "YnBsaXN0MDDRAQJbRGV2aWNlIE5hbWVVQm9iAHMICxcAAAAAAAABAQAAAAAAAAADAAAAAAAAAAAAAAAAAAAAHQ=="));
    nulFile.close();
    QString name;
    QCOMPARE(IphoneBackupPlist(nul).stringValue("Device Name", name), 0);
    QCOMPARE(name, QStringLiteral("Bob"));

    const IphoneBackupPlist missing(temp.filePath(QStringLiteral("none.plist")));
    QString value;
    QCOMPARE(missing.stringValue("Product Version", value), int(IphoneBackupPlist::CannotRead));
}

QTEST_GUILESS_MAIN(TestIphoneManifest)
#include "tst_IphoneManifest.moc"
