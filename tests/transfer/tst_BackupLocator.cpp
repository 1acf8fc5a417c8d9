// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "support/IphoneBackupBuilder.h"
#include "support/SyncTestHome.h"
#include "transfer/BackupLocator.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

namespace {
void writeFile(const QString& path, const QByteArray& contents = QByteArrayLiteral("x"))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

// An Info.plist as iTunes and idevicebackup2 write it.
QByteArray infoPlist(const QString& deviceName, const QString& version)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                             "<key>Device Name</key><string>")
           + deviceName.toUtf8() + QByteArrayLiteral("</string><key>Product Version</key><string>") + version.toUtf8()
           + QByteArrayLiteral("</string><key>Last Backup Date</key><date>2024-03-05T10:20:30Z</date>"
                               "</dict></plist>");
}

// A backup folder with the given Info.plist; the builder writes the manifests.
void writeIphoneBackup(const QString& folder, bool encrypted, const QByteArray& info,
                       IphoneBackupBuilder::Manifest manifest = IphoneBackupBuilder::Manifest::Database)
{
    IphoneBackupBuilder builder;
    builder.setEncrypted(encrypted);
    QVERIFY(builder.write(folder, manifest));
    QFile::remove(folder + QStringLiteral("/Info.plist"));
    if (!info.isNull())
        writeFile(folder + QStringLiteral("/Info.plist"), info);
}

// Replaces the bytes of path from offset on with what is given (or cuts the file there).
void spoilFile(const QString& path, qint64 offset, const QByteArray& replacement = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (replacement.isEmpty()) {
        QVERIFY(file.resize(offset));
        return;
    }
    QVERIFY(file.seek(offset));
    QCOMPARE(file.write(replacement), replacement.size());
}

QStringList pathsOf(const QList<LocatedBackup>& backups)
{
    QStringList paths;
    for (const LocatedBackup& backup : backups)
        paths.append(backup.path);
    return paths;
}
} // namespace

class TestBackupLocator : public QObject
{
    Q_OBJECT

private slots:
    void readsIphoneBackupDetails();
    void encryptedBackupIsListedAsAskingForItsPassword();
    void acceptsEveryKindOfChoice();
    void incompleteFoldersAreNoBackups();
    void damagedBackupsAreListedWithTheirReason_data();
    void damagedBackupsAreListedWithTheirReason();
    void standardFoldersHoldEveryPlace();
};

void TestBackupLocator::readsIphoneBackupDetails()
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("00008030-001A"));
    writeIphoneBackup(folder, false, infoPlist(QStringLiteral("Anna's iPhone"), QStringLiteral("17.2")));
    const LocatedBackup backup = BackupLocator::describeIphoneBackup(folder);
    QCOMPARE(backup.kind, LocatedBackup::Kind::Iphone);
    QCOMPARE(backup.deviceName, QStringLiteral("Anna's iPhone"));
    QCOMPARE(backup.iosVersion, QStringLiteral("17.2"));
    QCOMPARE(backup.date, QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30), Qt::UTC));
    QVERIFY(backup.encryptionNote().isEmpty());
    const QString text = backup.description();
    QVERIFY2(text.startsWith(QStringLiteral("Anna's iPhone  (iPhone backup, iOS 17.2, ")), qPrintable(text));
    QVERIFY(text.contains(QLocale().toString(backup.date.toLocalTime(), QLocale::ShortFormat)));

    // An Info.plist without the details (or not a property list) still gives a usable entry.
    writeFile(folder + QStringLiteral("/Info.plist"), QByteArrayLiteral("\x00\xff garbage"));
    const LocatedBackup bare = BackupLocator::describeIphoneBackup(folder);
    QCOMPARE(bare.deviceName, QStringLiteral("00008030-001A"));
    QVERIFY(bare.iosVersion.isEmpty());
    QVERIFY(bare.date.isValid());
    QVERIFY(bare.description().startsWith(QStringLiteral("00008030-001A  (iPhone backup, ")));
}

void TestBackupLocator::encryptedBackupIsListedAsAskingForItsPassword()
{
    QTemporaryDir root;
    writeIphoneBackup(root.filePath(QStringLiteral("locked")), true,
                      infoPlist(QStringLiteral("Work phone"), QStringLiteral("16.0")));
    const QList<LocatedBackup> found = BackupLocator::findIn(root.path());
    QCOMPARE(found.size(), 1);
    QVERIFY(found.first().encrypted);
    QVERIFY(found.first().description().contains(QStringLiteral("encrypted: asks for its password")));
    QVERIFY(found.first().encryptionNote().contains(QStringLiteral("\"Work phone\" is encrypted")));
}

void TestBackupLocator::acceptsEveryKindOfChoice()
{
    QTemporaryDir root;
    const QString bbFolder = root.filePath(QStringLiteral("bb"));
    writeFile(bbFolder + QStringLiteral("/Curve.ipd"));
    writeFile(bbFolder + QStringLiteral("/Bold 2.bbb"));
    writeFile(bbFolder + QStringLiteral("/notes.txt"));
    const QString several = root.filePath(QStringLiteral("MobileSync/Backup"));
    writeIphoneBackup(several + QStringLiteral("/aaa"), false, infoPlist(QStringLiteral("One"), QStringLiteral("9.3")),
                      IphoneBackupBuilder::Manifest::Mbdb);
    writeIphoneBackup(several + QStringLiteral("/bbb"), false,
                      infoPlist(QStringLiteral("Two"), QStringLiteral("17.0")));
    QDir().mkpath(several + QStringLiteral("/empty"));

    // A folder of BlackBerry backups: name order, endings cut off, file dates.
    const QList<LocatedBackup> bb = BackupLocator::findIn(bbFolder);
    QCOMPARE(pathsOf(bb),
             (QStringList{bbFolder + QStringLiteral("/Bold 2.bbb"), bbFolder + QStringLiteral("/Curve.ipd")}));
    QCOMPARE(bb.at(1).deviceName, QStringLiteral("Curve"));
    QCOMPARE(bb.at(1).kind, LocatedBackup::Kind::BlackBerry);
    QVERIFY(bb.at(1).description().startsWith(QStringLiteral("Curve  (BlackBerry backup, ")));
    // One file picked on its own.
    QCOMPARE(pathsOf(BackupLocator::findIn(bbFolder + QStringLiteral("/Curve.ipd"))),
             QStringList{bbFolder + QStringLiteral("/Curve.ipd")});
    QVERIFY(BackupLocator::findIn(bbFolder + QStringLiteral("/notes.txt")).isEmpty());
    // A folder of iPhone backups, one per phone, either manifest layout.
    const QList<LocatedBackup> phones = BackupLocator::findIn(several);
    QCOMPARE(pathsOf(phones), (QStringList{several + QStringLiteral("/aaa"), several + QStringLiteral("/bbb")}));
    QCOMPARE(phones.at(0).iosVersion, QStringLiteral("9.3"));
    // One iPhone backup folder picked on its own.
    QCOMPARE(pathsOf(BackupLocator::findIn(several + QStringLiteral("/bbb"))),
             QStringList{several + QStringLiteral("/bbb")});
    // The same backup reached through two folders is listed once.
    QCOMPARE(BackupLocator::findInAll({several, several + QStringLiteral("/aaa"), bbFolder}).size(), 4);
    QVERIFY(BackupLocator::findIn(root.filePath(QStringLiteral("missing"))).isEmpty());
    QVERIFY(BackupLocator::findIn(QString()).isEmpty());
}

void TestBackupLocator::incompleteFoldersAreNoBackups()
{
    QTemporaryDir root;
    // A manifest without Info.plist, an Info.plist without a manifest.
    writeIphoneBackup(root.filePath(QStringLiteral("noinfo")), false, QByteArray());
    writeFile(root.filePath(QStringLiteral("nomanifest/Info.plist")),
              infoPlist(QStringLiteral("X"), QStringLiteral("1")));
    // A folder named like a BlackBerry backup.
    QDir().mkpath(root.filePath(QStringLiteral("folder.ipd")));
    QVERIFY(BackupLocator::findIn(root.path()).isEmpty());
    QVERIFY(!BackupLocator::isIphoneBackupFolder(root.filePath(QStringLiteral("noinfo"))));
}

void TestBackupLocator::damagedBackupsAreListedWithTheirReason_data()
{
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<bool>("mbdb");
    QTest::addColumn<qint64>("offset"); // negative: from the end
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QString>("reason");
    const QByteArray garbage(4096, '\x5a');
    QTest::newRow("whole") << false << false << qint64(0) << QByteArray() << QString();
    QTest::newRow("whole, encrypted") << true << false << qint64(0) << QByteArray() << QString();
    QTest::newRow("whole, mbdb") << false << true << qint64(0) << QByteArray() << QString();
    QTest::newRow("last page gone") << false << false << qint64(4096) << QByteArray() << QStringLiteral("cut short");
    QTest::newRow("ends inside a page") << false << false << qint64(-100) << QByteArray()
                                        << QStringLiteral("cut short");
    QTest::newRow("empty") << false << false << qint64(0) << QByteArray() << QStringLiteral("empty");
    QTest::newRow("files table overwritten") << false << false << qint64(4096) << garbage << QStringLiteral("damaged");
    QTest::newRow("encrypted, ends inside a block")
        << true << false << qint64(-5) << QByteArray() << QStringLiteral("cut short");
    QTest::newRow("mbdb without its magic")
        << false << true << qint64(0) << QByteArray("MBDB") << QStringLiteral("Manifest.mbdb is damaged");
}

void TestBackupLocator::damagedBackupsAreListedWithTheirReason()
{
    QFETCH(bool, encrypted);
    QFETCH(bool, mbdb);
    QFETCH(qint64, offset);
    QFETCH(QByteArray, replacement);
    QFETCH(QString, reason);
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("phone"));
    IphoneBackupBuilder builder;
    for (int i = 0; i < 200; ++i) // several pages of Files rows
        builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/file%1").arg(i), "content");
    builder.setEncrypted(encrypted);
    QVERIFY(
        builder.write(folder, mbdb ? IphoneBackupBuilder::Manifest::Mbdb : IphoneBackupBuilder::Manifest::Database));
    const QString manifest = folder + (mbdb ? QStringLiteral("/Manifest.mbdb") : QStringLiteral("/Manifest.db"));
    if (!reason.isEmpty())
        spoilFile(manifest, offset < 0 ? QFileInfo(manifest).size() + offset : offset, replacement);

    const QList<LocatedBackup> found = BackupLocator::findIn(root.path());
    QCOMPARE(found.size(), 1); // listed either way, so the user sees why it cannot be used
    QCOMPARE(found.first().isDamaged(), !reason.isEmpty());
    QVERIFY2(found.first().damage.contains(reason), qPrintable(found.first().damage));
    if (!reason.isEmpty()) {
        QVERIFY(found.first().description().contains(QStringLiteral(" - damaged: ") + found.first().damage));
        QVERIFY(!found.first().description().contains(QStringLiteral("asks for its password")));
    }
}

void TestBackupLocator::standardFoldersHoldEveryPlace()
{
    SyncTestHome home;
    QVERIFY(home.isValid());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QStringList expected{
        documents + QStringLiteral("/Blackberry/Backup"), home.home() + QStringLiteral("/KORVA/iPhoneBackups"),
        home.home() + QStringLiteral("/MobileSync/Backup"), documents + QStringLiteral("/MobileSync/Backup")};
    QCOMPARE(BackupLocator::standardFolders(QString()), expected);
    QCOMPARE(Constants::iphoneBackupFolderPath(), expected.at(1));
    // The last choice's folder is added once, whether it was a file or an iPhone folder.
    const QString elsewhere = home.inputFolder() + QStringLiteral("/usb stick");
    QCOMPARE(BackupLocator::standardFolders(elsewhere + QStringLiteral("/Old.ipd")), expected + QStringList{elsewhere});
    QCOMPARE(BackupLocator::standardFolders(expected.at(2) + QStringLiteral("/0000-1111")), expected);

    writeIphoneBackup(expected.at(1) + QStringLiteral("/0000"), false,
                      infoPlist(QStringLiteral("Mine"), QStringLiteral("18.1")));
    writeFile(expected.at(0) + QStringLiteral("/Backup.ipd"));
    QCOMPARE(pathsOf(BackupLocator::findInAll(BackupLocator::standardFolders(QString()))),
             (QStringList{expected.at(0) + QStringLiteral("/Backup.ipd"), expected.at(1) + QStringLiteral("/0000")}));
}

QTEST_GUILESS_MAIN(TestBackupLocator)
#include "tst_BackupLocator.moc"
