// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Runs the extract program on backups built by the test.
#include "app/Constants.h"
#include "support/IphoneBackupBuilder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Manifest = IphoneBackupBuilder::Manifest;
Q_DECLARE_METATYPE(IphoneBackupBuilder::Manifest)

namespace {

const QString kHome = QStringLiteral("HomeDomain");
const QString kCameraRoll = QStringLiteral("CameraRollDomain");

QString extractProgram()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + Constants::extractorRelativePath();
}

int runExtract(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(extractProgram(), arguments);
    if (!process.waitForFinished(60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file below folder, relative, with size and modification time.
QStringList snapshot(const QString& folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        lines << QDir(folder).relativeFilePath(info.filePath()) + QLatin1Char(' ') + QString::number(info.size())
                     + QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch());
    }
    lines.sort();
    return lines;
}

// The list's records as "place -> source" lines.
QStringList listRecords(const QString& extraction)
{
    QStringList records;
    const QList<QByteArray> lines = readAll(QDir(extraction).filePath(Constants::backupFileListName())).split('\n');
    for (int i = 0; i + 1 < lines.size(); i += 2)
        records << QString::fromUtf8(lines.at(i + 1)) + QStringLiteral(" -> ") + QString::fromUtf8(lines.at(i));
    records.sort();
    return records;
}

struct BackupFile
{
    QString domain;
    QString path;
    QByteArray content;
};

void addFiles(IphoneBackupBuilder& builder, const QList<BackupFile>& files)
{
    for (const BackupFile& file : files)
        builder.addFile(file.domain, file.path, file.content);
}

IphoneBackupBuilder typicalBackup()
{
    IphoneBackupBuilder builder;
    builder.addFolder(kHome, QStringLiteral("Library/SMS"));
    addFiles(builder, {
                          {kHome, QStringLiteral("Library/SMS/sms.db"), "sms"},
                          {kHome, QStringLiteral("Library/SMS/sms.db-wal"), "sms wal"},
                          {kHome, QStringLiteral("Library/SMS/sms.db-shm"), "sms shm"},
                          {kHome, QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"), "book"},
                          {kHome, QStringLiteral("Library/AddressBook/AddressBookImages.sqlitedb"), "images"},
                          {kHome, QStringLiteral("Library/Calendar/Calendar.sqlitedb"), "calendar"},
                          {kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"), "jpeg"},
                          {kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_0002.MOV"), "movie"},
                          // Files Velmora does not read: never copied.
                          {kHome, QStringLiteral("Library/Preferences/com.apple.x.plist"), "prefs"},
                          {kHome, QStringLiteral("Library/SMS/Attachments/ab/big.heic"), "attachment"},
                          {QStringLiteral("AppDomain-com.example"), QStringLiteral("Documents/huge.bin"), "app data"},
                          {kCameraRoll, QStringLiteral("Media/PhotoData/Photos.sqlite"), "photos db"},
                          {QStringLiteral("MediaDomain"), QStringLiteral("Library/SMS/sms.db"), "wrong domain"},
                      });
    return builder;
}

} // namespace

class TestExtractProgram : public QObject
{
    Q_OBJECT

private slots:
    void extractsOnlyWhatVelmoraReads_data();
    void extractsOnlyWhatVelmoraReads();
    void encryptedBackupWritesNoList_data();
    void encryptedBackupWritesNoList();
    void missingBlobsAreSkipped_data();
    void missingBlobsAreSkipped();
    void hostilePathsStayInside();
    void backupFolderIsNeverWritten();
    void unreadableBackups_data();
    void unreadableBackups();
    void wrongArgumentCount();
};

void TestExtractProgram::extractsOnlyWhatVelmoraReads_data()
{
    QTest::addColumn<Manifest>("manifest");
    QTest::newRow("Manifest.db") << Manifest::Database;
    QTest::newRow("Manifest.mbdb") << Manifest::Mbdb;
}

void TestExtractProgram::extractsOnlyWhatVelmoraReads()
{
    QFETCH(Manifest, manifest);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    QVERIFY(typicalBackup().write(backup, manifest));

    QCOMPARE(runExtract({backup, out}), 0);

    const QString o = QDir(out).absolutePath();
    const QStringList expected = {
        QStringLiteral("CameraRollDomainMedia/DCIM/100APPLE/IMG_0001.JPG -> ") + o
            + QStringLiteral("/CameraRollDomain/Media/DCIM/100APPLE/IMG_0001.JPG"),
        QStringLiteral("CameraRollDomainMedia/DCIM/100APPLE/IMG_0002.MOV -> ") + o
            + QStringLiteral("/CameraRollDomain/Media/DCIM/100APPLE/IMG_0002.MOV"),
        QStringLiteral("HomeDomainLibrary/AddressBook/AddressBook.sqlitedb -> ") + o
            + QStringLiteral("/HomeDomain/Library/AddressBook/AddressBook.sqlitedb"),
        QStringLiteral("HomeDomainLibrary/AddressBook/AddressBookImages.sqlitedb -> ") + o
            + QStringLiteral("/HomeDomain/Library/AddressBook/AddressBookImages.sqlitedb"),
        QStringLiteral("HomeDomainLibrary/Calendar/Calendar.sqlitedb -> ") + o
            + QStringLiteral("/HomeDomain/Library/Calendar/Calendar.sqlitedb"),
        QStringLiteral("HomeDomainLibrary/SMS/sms.db -> ") + o + QStringLiteral("/HomeDomain/Library/SMS/sms.db"),
        QStringLiteral("HomeDomainLibrary/SMS/sms.db-shm -> ") + o
            + QStringLiteral("/HomeDomain/Library/SMS/sms.db-shm"),
        QStringLiteral("HomeDomainLibrary/SMS/sms.db-wal -> ") + o
            + QStringLiteral("/HomeDomain/Library/SMS/sms.db-wal"),
    };
    QCOMPARE(listRecords(out), expected);
    // The companions keep the database's base name in the same folder.
    QCOMPARE(readAll(o + QStringLiteral("/HomeDomain/Library/SMS/sms.db-wal")), QByteArray("sms wal"));
    QCOMPARE(readAll(o + QStringLiteral("/CameraRollDomain/Media/DCIM/100APPLE/IMG_0002.MOV")), QByteArray("movie"));
    // Nothing else was copied: the files are the list plus its eight entries.
    int files = 0;
    QDirIterator it(out, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++files;
    }
    QCOMPARE(files, 9);
}

void TestExtractProgram::encryptedBackupWritesNoList_data()
{
    QTest::addColumn<Manifest>("manifest");
    QTest::addColumn<IphoneBackupBuilder::PlistFormat>("format");
    QTest::newRow("binary plist, Manifest.db") << Manifest::Database << IphoneBackupBuilder::PlistFormat::Binary;
    QTest::newRow("XML plist, Manifest.db") << Manifest::Database << IphoneBackupBuilder::PlistFormat::Xml;
    QTest::newRow("binary plist, Manifest.mbdb") << Manifest::Mbdb << IphoneBackupBuilder::PlistFormat::Binary;
}

void TestExtractProgram::encryptedBackupWritesNoList()
{
    QFETCH(Manifest, manifest);
    QFETCH(IphoneBackupBuilder::PlistFormat, format);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    IphoneBackupBuilder builder = typicalBackup();
    builder.setEncrypted(true);
    builder.setPlistFormat(format);
    QVERIFY(builder.write(backup, manifest));

    QVERIFY(runExtract({backup, out}) != 0);
    QVERIFY(!QFile::exists(QDir(out).filePath(Constants::backupFileListName())));
    QVERIFY(!QFile::exists(QDir(out).filePath(QStringLiteral("HomeDomain"))));
}

void TestExtractProgram::missingBlobsAreSkipped_data()
{
    extractsOnlyWhatVelmoraReads_data();
}

void TestExtractProgram::missingBlobsAreSkipped()
{
    QFETCH(Manifest, manifest);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    IphoneBackupBuilder builder;
    builder.addFileWithoutBlob(kHome, QStringLiteral("Library/SMS/sms.db"));
    builder.addFile(kHome, QStringLiteral("Library/Calendar/Calendar.sqlitedb"), "calendar");
    builder.addFileWithoutBlob(kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"));
    builder.addFile(kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_0003.JPG"), "third");
    // Listed twice (only the mbdb layout can): copied and listed once.
    if (manifest == Manifest::Mbdb)
        builder.addFile(kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_0003.JPG"), "third");
    QVERIFY(builder.write(backup, manifest));

    QCOMPARE(runExtract({backup, out}), 0);
    const QStringList records = listRecords(out);
    QCOMPARE(records.size(), 2);
    QVERIFY(records.at(0).startsWith(QStringLiteral("CameraRollDomainMedia/DCIM/100APPLE/IMG_0003.JPG -> ")));
    QVERIFY(records.at(1).startsWith(QStringLiteral("HomeDomainLibrary/Calendar/Calendar.sqlitedb -> ")));
    QVERIFY(!QFile::exists(QDir(out).filePath(QStringLiteral("HomeDomain/Library/SMS/sms.db"))));
}

void TestExtractProgram::hostilePathsStayInside()
{
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("deep/out"));
    IphoneBackupBuilder builder;
    const QStringList hostilePaths = {
        QStringLiteral("Media/DCIM/../../../../escape1.txt"),
        QStringLiteral("Media/DCIM/100APPLE/../../../../../escape2.txt"),
        QStringLiteral("Media/DCIM/./IMG_DOT.JPG"),
        QStringLiteral("Media/DCIM//IMG_EMPTY.JPG"),
        QStringLiteral("Media/DCIM/100APPLE/"),
        QStringLiteral("Media/DCIM/a\nHomeDomainLibrary/SMS/sms.db"),
        QStringLiteral("Media/DCIM/..\\..\\escape3.txt"),
        QStringLiteral("/Media/DCIM/abs.JPG"),
    };
    for (const QString& path : hostilePaths)
        builder.addFile(kCameraRoll, path, "x");
    // A blob name that is a path, in the database layout's own column.
    builder.addFileWithId(kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_ID.JPG"),
                          QStringLiteral("../../../../etc/passwd"), "x");
    builder.addFile(kCameraRoll, QStringLiteral("Media/DCIM/100APPLE/IMG_GOOD.JPG"), "good");
    QVERIFY(builder.write(backup, Manifest::Database));

    QCOMPARE(runExtract({backup, out}), 0);
    const QStringList records = listRecords(out);
    QCOMPARE(records.size(), 1);
    QVERIFY(records.at(0).startsWith(QStringLiteral("CameraRollDomainMedia/DCIM/100APPLE/IMG_GOOD.JPG -> ")));
    // Nothing landed outside the extraction folder.
    const QStringList outside = snapshot(temp.path());
    for (const QString& line : outside) {
        QVERIFY2(line.startsWith(QStringLiteral("backup")) || line.startsWith(QStringLiteral("deep")),
                 qPrintable(line));
        QVERIFY2(!line.contains(QStringLiteral("escape")), qPrintable(line));
    }
}

void TestExtractProgram::backupFolderIsNeverWritten()
{
    QTemporaryDir temp;
    // Characters that mean something in an SQLite URI must not matter.
    const QString backup = temp.filePath(QStringLiteral("my backup #1?x=%20"));
    const QString out = temp.filePath(QStringLiteral("out"));
    QVERIFY(typicalBackup().write(backup, Manifest::Database));
    const QStringList before = snapshot(backup);
    // A read-only backup folder (a backup on a read-only disk) must do as well.
    QFile::setPermissions(backup, QFile::ReadOwner | QFile::ExeOwner);

    QCOMPARE(runExtract({backup, out}), 0);

    QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(snapshot(backup), before);
    QCOMPARE(listRecords(out).size(), 8);
}

void TestExtractProgram::unreadableBackups_data()
{
    QTest::addColumn<QString>("manifestName");
    QTest::addColumn<QByteArray>("manifestBytes");
    QTest::newRow("no manifest at all") << QString() << QByteArray();
    QTest::newRow("Manifest.db is not SQLite") << QStringLiteral("Manifest.db") << QByteArray(4096, '\x5a');
    QTest::newRow("Manifest.db without table Files") << QStringLiteral("Manifest.db") << QByteArray();
    QTest::newRow("Manifest.mbdb with a wrong magic")
        << QStringLiteral("Manifest.mbdb") << QByteArray("mbdx\x02\x00 rest");
}

void TestExtractProgram::unreadableBackups()
{
    QFETCH(QString, manifestName);
    QFETCH(QByteArray, manifestBytes);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    QDir().mkpath(backup);
    if (!manifestName.isEmpty()) {
        QFile file(QDir(backup).filePath(manifestName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(manifestBytes);
    }
    QVERIFY(runExtract({backup, out}) != 0);
    QVERIFY(!QFile::exists(QDir(out).filePath(Constants::backupFileListName())));
}

void TestExtractProgram::wrongArgumentCount()
{
    QCOMPARE(runExtract({QStringLiteral("/only-one")}), 1);
}

QTEST_GUILESS_MAIN(TestExtractProgram)
#include "tst_ExtractProgram.moc"
