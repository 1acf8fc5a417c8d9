// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ResultCodes.h"
#include "support/FileSizeLimit.h"
#include "support/IpdWriter.h"
#include "support/IphoneBackupBuilder.h"
#include "support/PhoneContents.h"
#include "transfer/blackberry/BackupArchive.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/iphone/IphoneBackupExtractor.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using PhoneContents::filesBelow;
using PhoneContents::readFile;
using PhoneContents::writeFile;

namespace {

// Writes a zip archive with python's zipfile module; each entry is a name,
// its content and whether it is a symbolic link. With claimedSize the
// headers afterwards claim that every entry unpacks to that many bytes.
bool writeZip(const QString& archive, const QList<std::tuple<QString, QByteArray, bool>>& entries,
              quint32 claimedSize = 0)
{
    QString script =
        QStringLiteral("import sys, zipfile, struct\n"
                       "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                       "args = sys.argv[3:]\n"
                       "for i in range(0, len(args), 3):\n"
                       "    info = zipfile.ZipInfo(args[i])\n"
                       "    info.compress_type = zipfile.ZIP_DEFLATED\n"
                       "    if args[i + 2] == '1':\n"
                       "        info.create_system = 3\n"
                       "        info.external_attr = 0o120777 << 16\n"
                       "    z.writestr(info, bytes.fromhex(args[i + 1]) if args[i + 1] != 'Z' else bytes(3 << 20))\n"
                       "z.close()\n"
                       "claimed = int(sys.argv[2])\n"
                       "if claimed:\n"
                       "    data = bytearray(open(sys.argv[1], 'rb').read())\n"
                       "    for signature, offset in ((b'PK\\x03\\x04', 22), (b'PK\\x01\\x02', 24)):\n"
                       "        at = data.find(signature)\n"
                       "        while at >= 0:\n"
                       "            data[at + offset:at + offset + 4] = struct.pack('<I', claimed)\n"
                       "            at = data.find(signature, at + 4)\n"
                       "    open(sys.argv[1], 'wb').write(bytes(data))\n");
    QStringList arguments{QStringLiteral("-c"), script, archive, QString::number(claimedSize)};
    for (const auto& [name, content, link] : entries)
        arguments << name << (content == "Z" ? QStringLiteral("Z") : QString::fromLatin1(content.toHex()))
                  << (link ? QStringLiteral("1") : QStringLiteral("0"));
    QProcess python;
    python.start(QStringLiteral("python3"), arguments);
    return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

// The first container of an archive: its database takes id 1, after the
// reader's "Null-database".
QByteArray smsDatabase()
{
    return IpdWriter::header({QStringLiteral("SMS Messages")})
           + IpdWriter::smsRecord(1, true, 1300000000000ULL, "+15550100", "hello");
}

} // namespace

// Backups are outside input: an archive or a backup folder built to fill the
// disk or to reach files elsewhere is refused with its own result code, and
// nothing lands outside the program's folders.
class tst_HostileBackups : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void archiveThatExpandsTooFarIsRefused();
    void archiveWhoseHeadersClaimGigabytesIsRefusedUnread();
    void archiveEntriesLeavingTheFolder_data();
    void archiveEntriesLeavingTheFolder();
    void ordinaryArchiveTakesOnlyBackupFiles();
    void manyDatabasesUnpackInOneArchiverRun();
    void fullUnpackingFolderIsToldAsSuch();
    void listingReader_data();
    void listingReader();
    void iphoneBlobLinksOutOfTheBackupAreNotFollowed();
    void iphoneManifestLinkingOutIsRefused();
};

void tst_HostileBackups::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 builds the hostile archives");
}

void tst_HostileBackups::archiveThatExpandsTooFarIsRefused()
{
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("Bomb.bbb"));
    // 3 MB of zeros pack into a few kB; the limit is set at 1 MB for the test.
    QVERIFY(writeZip(archive, {{QStringLiteral("Manifest.xml"), "<BlackBerry_Backup/>", false},
                               {QStringLiteral("Databases/1.dat"), "Z", false}}));
    QVERIFY(QFileInfo(archive).size() < 64 * 1024);
    const QString folder = work.filePath(QStringLiteral("unpacked"));
    QVERIFY(QDir().mkpath(folder));

    BackupArchive limited(archive, 1024 * 1024);
    QCOMPARE(limited.inspect(), int(DataResult::ArchiveTooLarge));
    QCOMPARE(limited.unpackBackupFiles(folder), int(DataResult::ArchiveTooLarge));
    QVERIFY(filesBelow(folder).isEmpty());
    // Under the real limit the same archive is an ordinary one.
    BackupArchive normal(archive);
    QCOMPARE(normal.unpackBackupFiles(folder), 0);
    QCOMPARE(QFileInfo(folder + QStringLiteral("/Databases/1.dat")).size(), qint64(3 << 20));
}

void tst_HostileBackups::archiveWhoseHeadersClaimGigabytesIsRefusedUnread()
{
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("Claims.bbb"));
    QVERIFY(writeZip(archive,
                     {{QStringLiteral("Manifest.xml"), "<BlackBerry_Backup/>", false},
                      {QStringLiteral("Databases/1.dat"), smsDatabase(), false}},
                     0xF0000000u));
    const QString output = work.filePath(QStringLiteral("out"));
    const BlackberryConversionResult result = BlackberryConversion::convert(archive, output, true, true);
    QCOMPARE(result.code, int(DataResult::ArchiveTooLarge));
    QVERIFY(result.messagesPath.isEmpty());
    // Not a byte unpacked: the private unpacking folder is gone with its contents.
    QCOMPARE(filesBelow(output), QStringList());
}

void tst_HostileBackups::archiveEntriesLeavingTheFolder_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("link");
    QTest::newRow("climbs out") << "../outside.dat" << false;
    QTest::newRow("climbs out from a folder") << "Databases/../../outside.dat" << false;
    QTest::newRow("absolute") << "/tmp/velmora-absolute-entry.dat" << false;
    QTest::newRow("drive letter") << "C:/outside.dat" << false;
    QTest::newRow("link to elsewhere") << "Databases/1.dat" << true;
}

void tst_HostileBackups::archiveEntriesLeavingTheFolder()
{
    QFETCH(QString, entry);
    QFETCH(bool, link);
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("Evil.bbb"));
    QList<std::tuple<QString, QByteArray, bool>> entries{
        {QStringLiteral("Manifest.xml"), "<BlackBerry_Backup/>", false}};
    if (link) {
        entries.append({entry, work.path().toUtf8(), true});
    } else {
        entries.append({QStringLiteral("Databases/1.dat"), smsDatabase(), false});
        entries.append({entry, "escaped", false});
    }
    QVERIFY(writeZip(archive, entries));
    const QStringList before = filesBelow(work.path());
    const QString unpackRoot = work.filePath(QStringLiteral("deep/er/unpacked"));
    QVERIFY(QDir().mkpath(unpackRoot));

    QCOMPARE(BlackberryBackup::unpack(archive, unpackRoot), int(DataResult::ArchiveUnsafeEntry));
    QVERIFY(!BlackberryBackup::unpackArchive(archive, unpackRoot));
    QCOMPARE(filesBelow(work.path()), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/velmora-absolute-entry.dat")));
    const BlackberryConversionResult result =
        BlackberryConversion::convert(archive, work.filePath(QStringLiteral("out")), true, false);
    QCOMPARE(result.code, int(DataResult::ArchiveUnsafeEntry));
    QCOMPARE(result.messages, 0);
}

void tst_HostileBackups::ordinaryArchiveTakesOnlyBackupFiles()
{
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("Backup.bbb"));
    QVERIFY(writeZip(archive, {{QStringLiteral("Manifest.xml"), "<BlackBerry_Backup/>", false},
                               {QStringLiteral("Databases/1.dat"), smsDatabase(), false},
                               {QStringLiteral("Databases/3.dat"), "after a gap", false},
                               {QStringLiteral("Extra/readme.txt"), "not a backup file", false}}));
    const QString output = work.filePath(QStringLiteral("out"));
    const BlackberryConversionResult result = BlackberryConversion::convert(archive, output, true, false);
    QCOMPARE(result.code, 0);
    QCOMPARE(result.messages, 1);
    QVERIFY(readFile(result.messagesPath).contains("hello"));

    const QString folder = work.filePath(QStringLiteral("unpacked"));
    QCOMPARE(BlackberryBackup::unpack(archive, folder), 0);
    QCOMPARE(filesBelow(folder), (QStringList{QStringLiteral("Databases/1.dat"), QStringLiteral("Manifest.xml")}));
}

void tst_HostileBackups::manyDatabasesUnpackInOneArchiverRun()
{
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("Many.bbb"));
    // Sizes that differ from entry to entry: a stream split at the wrong
    // place would show in every file after it.
    constexpr int kDatabases = 300;
    QList<std::tuple<QString, QByteArray, bool>> entries{
        {QStringLiteral("Manifest.xml"), "<BlackBerry_Backup/>", false}};
    for (int number = kDatabases; number >= 1; --number)
        entries.append(
            {QStringLiteral("Databases/%1.dat").arg(number), QByteArray(number % 7, 'a' + number % 26), false});
    QVERIFY(writeZip(archive, entries));
    // The archiver in the working folder logs each run of the real one.
    const QString log = work.filePath(QStringLiteral("runs.log"));
    QVERIFY(writeFile(work.filePath(QStringLiteral("7z/7z")),
                      "#!/bin/sh\necho \"$1\" >> '" + log.toUtf8() + "'\nexec '"
                          + QStandardPaths::findExecutable(QStringLiteral("7z")).toUtf8() + "' \"$@\"\n"));
    QVERIFY(QFile::setPermissions(work.filePath(QStringLiteral("7z/7z")), QFile::ReadOwner | QFile::ExeOwner));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    const QString folder = work.filePath(QStringLiteral("unpacked"));
    BackupArchive backupArchive(archive);
    const int result = backupArchive.unpackBackupFiles(folder);
    QDir::setCurrent(previous);

    QCOMPARE(result, 0);
    QCOMPARE(readFile(log), QByteArray("l\nx\n"));
    for (int number = 1; number <= kDatabases; ++number)
        QCOMPARE(readFile(folder + QStringLiteral("/Databases/%1.dat").arg(number)),
                 QByteArray(number % 7, 'a' + number % 26));
    QCOMPARE(readFile(folder + QStringLiteral("/Manifest.xml")), QByteArray("<BlackBerry_Backup/>"));
}

void tst_HostileBackups::fullUnpackingFolderIsToldAsSuch()
{
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("Backup.bbb"));
    QVERIFY(writeZip(archive, {{QStringLiteral("Manifest.xml"), "<BlackBerry_Backup/>", false},
                               {QStringLiteral("Databases/1.dat"), "Z", false}}));
    const QString unpackRoot = work.filePath(QStringLiteral("work"));
    const QString output = work.filePath(QStringLiteral("out"));
    BlackberryConversionResult result;
    {
        const FileSizeLimit full(4096);
        result = BlackberryConversion::convert(archive, output, true, true, {}, unpackRoot);
    }
    QCOMPARE(result.code, int(DataResult::ArchiveCannotUnpack));
    QCOMPARE(filesBelow(unpackRoot), QStringList());
    QCOMPARE(filesBelow(output), QStringList());
}

void tst_HostileBackups::listingReader_data()
{
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("kept");
    const QByteArray file = "Path = Databases/1.dat\nFolder = -\nSize = 10\nAttributes = A_ -rw-r--r--\n\n";
    QTest::newRow("ordinary") << QByteArray("Path = Databases\nFolder = +\nSize = 0\n\n") + file << 0 << 1;
    QTest::newRow("name broken by a line break")
        << QByteArray("Path = evil\nPath = Manifest.xml\nFolder = -\nSize = 1\n\n")
        << int(DataResult::ArchiveUnsafeEntry) << 0;
    QTest::newRow("line without a value")
        << QByteArray("Path = a\nstray text\nSize = 1\n\n") << int(DataResult::ArchiveUnsafeEntry) << 0;
    QTest::newRow("size that is no number")
        << QByteArray("Path = a\nFolder = -\nSize = -5\n\n") << int(DataResult::ArchiveUnsafeEntry) << 0;
    QTest::newRow("sizes that would overflow")
        << file + "Path = b\nSize = 9223372036854775807\n\nPath = c\nSize = 9223372036854775807\n\n"
        << int(DataResult::ArchiveTooLarge) << 1;
    QTest::newRow("link by its mode") << QByteArray("Path = l\nSize = 4\nAttributes = _ lrwxrwxrwx\n\n")
                                      << int(DataResult::ArchiveUnsafeEntry) << 0;
    QTest::newRow("same name twice") << file + file << int(DataResult::ArchiveUnsafeEntry) << 1;
    QTest::newRow("encrypted entry") << file + "Path = Manifest.xml\nSize = 3\nEncrypted = +\n\n"
                                     << int(DataResult::ArchiveEncrypted) << 1;
    QTest::newRow("link by its target") << QByteArray("Path = l\nSize = 4\nSymbolic Link = /etc\n\n")
                                        << int(DataResult::ArchiveUnsafeEntry) << 0;
}

void tst_HostileBackups::listingReader()
{
    QFETCH(QByteArray, entries);
    QFETCH(int, result);
    QFETCH(int, kept);
    const QByteArray listing = "Path = x.bbb\nType = zip\n\n----------\n" + entries;
    QHash<QString, qint64> read;
    QCOMPARE(BackupArchive::readListing(listing, BackupArchive::kMaxUnpackedBytes, read), result);
    QCOMPARE(read.size(), kept);
}

void tst_HostileBackups::iphoneBlobLinksOutOfTheBackupAreNotFollowed()
{
    QTemporaryDir work;
    const QString secret = work.filePath(QStringLiteral("private/secret.db"));
    QVERIFY(writeFile(secret, "the user's own file"));
    const QString linkedId = QStringLiteral("aa") + QString(38, QLatin1Char('1'));
    const QString folderLinkedId = QStringLiteral("bb") + QString(38, QLatin1Char('2'));
    const QString insideId = QStringLiteral("cc") + QString(38, QLatin1Char('3'));
    IphoneBackupBuilder builder;
    builder.addFileWithId(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), linkedId, "blob");
    builder.addFileWithId(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_1.JPG"),
                          folderLinkedId, "blob");
    builder.addFileWithId(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_2.JPG"), insideId,
                          "photo");
    const QString backup = work.filePath(QStringLiteral("backup"));
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    // A blob that is a link out, and a blob folder that is a link out.
    QVERIFY(QFile::remove(backup + QStringLiteral("/aa/") + linkedId));
    QVERIFY(QFile::link(secret, backup + QStringLiteral("/aa/") + linkedId));
    const QString elsewhere = work.filePath(QStringLiteral("private/bb"));
    QVERIFY(writeFile(elsewhere + QLatin1Char('/') + folderLinkedId, "another private file"));
    QVERIFY(QDir(backup + QStringLiteral("/bb")).removeRecursively());
    QVERIFY(QFile::link(elsewhere, backup + QStringLiteral("/bb")));

    const QString extraction = work.filePath(QStringLiteral("extracted"));
    IphoneBackupExtractor extractor;
    QCOMPARE(extractor.run(backup, extraction), int(IphoneBackupExtractor::Success));
    QCOMPARE(extractor.linksRefused(), 2);
    QCOMPARE(extractor.filesCopied(), 1);
    QCOMPARE(filesBelow(extraction), (QStringList{QStringLiteral("CameraRollDomain/Media/DCIM/100APPLE/IMG_2.JPG"),
                                                  QStringLiteral("backup_file_list")}));
}

void tst_HostileBackups::iphoneManifestLinkingOutIsRefused()
{
    QTemporaryDir work;
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "blob");
    const QString other = work.filePath(QStringLiteral("other"));
    QVERIFY(builder.write(other, IphoneBackupBuilder::Manifest::Database));
    const QString backup = work.filePath(QStringLiteral("backup"));
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    QVERIFY(QFile::remove(backup + QStringLiteral("/Manifest.db")));
    QVERIFY(QFile::link(other + QStringLiteral("/Manifest.db"), backup + QStringLiteral("/Manifest.db")));

    const QString extraction = work.filePath(QStringLiteral("extracted"));
    IphoneBackupExtractor extractor;
    QCOMPARE(extractor.run(backup, extraction), int(IphoneBackupExtractor::LinkOutsideBackup));
    QCOMPARE(filesBelow(extraction), QStringList());
}

QTEST_GUILESS_MAIN(tst_HostileBackups)
#include "tst_HostileBackups.moc"
