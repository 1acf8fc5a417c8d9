// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Encrypted iPhone backups, made by the test-side encryptor in both manifest
// layouts, read back by the extractor with their password.
#include "app/ResultCodes.h"
#include "support/IphoneBackupBuilder.h"
#include "transfer/iphone/AppleExtractor.h"
#include "transfer/iphone/BackupKeybag.h"
#include "transfer/iphone/IphoneBackupExtractor.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(IphoneBackupBuilder::Manifest)
Q_DECLARE_METATYPE(IphoneBackupBuilder::PlistFormat)
Q_DECLARE_METATYPE(IphoneBackupBuilder::KeyFault)

namespace {

const QByteArray kPassword = QByteArrayLiteral("correct horse \xc3\xa9 battery");
const QString kHome = QStringLiteral("HomeDomain");
const QString kSms = QStringLiteral("Library/SMS/sms.db");
const QString kCalendar = QStringLiteral("Library/Calendar/Calendar.sqlitedb");
const QString kPhoto = QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG");

// Sizes on both sides of a cipher block, and an empty file.
QByteArray content(int size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7);
    return bytes;
}

void addFiles(IphoneBackupBuilder& builder)
{
    builder.addFile(kHome, kSms, content(4096, 's'));
    builder.addFile(kHome, kCalendar, content(17, 'c'));
    builder.addFile(kHome, QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"), QByteArray());
    builder.addFile(QStringLiteral("CameraRollDomain"), kPhoto, content(100'003, 'p'));
    builder.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Library/SMS/Attachments/ab/01/x.heic"),
                    content(16, 'a'));
    // Not wanted: never decrypted.
    builder.addFile(kHome, QStringLiteral("Library/Preferences/com.apple.example.plist"), content(64, 'n'));
}

// Every file below folder with a digest of its bytes, to see a folder unchanged.
QMap<QString, QByteArray> digests(const QString& folder)
{
    QMap<QString, QByteArray> result;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            result.insert(path, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return result;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeScript(const QString& folder, const QByteArray& body)
{
    const QString path = folder + QStringLiteral("/fake-extract");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body) < 0)
        return {};
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A property list of dictionaries nested depth deep.
QByteArray nestedXmlPlist(int depth)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<dict><key>a</key>").repeated(depth)
           + "<true/>" + QByteArray("</dict>").repeated(depth) + "</plist>";
}

// The same, binary: object i is a one-element array holding object i + 1.
QByteArray nestedBinaryPlist(int depth)
{
    QByteArray out = "bplist00";
    QList<quint32> offsets;
    for (int i = 0; i < depth; ++i) {
        offsets.append(quint32(out.size()));
        out.append(char(0xA1));
        out.append(char((i + 1) >> 8)).append(char((i + 1) & 0xFF));
    }
    offsets.append(quint32(out.size()));
    out.append(char(0x09)); // true
    const quint32 table = quint32(out.size());
    for (quint32 offset : offsets)
        out.append(char(offset >> 24)).append(char(offset >> 16)).append(char(offset >> 8)).append(char(offset));
    QByteArray trailer(32, '\0');
    trailer[6] = 4; // offset size
    trailer[7] = 2; // reference size
    const quint64 count = quint64(offsets.size());
    for (int i = 0; i < 8; ++i) {
        trailer[8 + i] = char(count >> (56 - 8 * i));
        trailer[24 + i] = char(quint64(table) >> (56 - 8 * i));
    }
    return out + trailer;
}

} // namespace

class TestEncryptedBackups : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void wrongOrNoPassword_data();
    void wrongOrNoPassword();
    void spoiledFileKey_data();
    void spoiledFileKey();
    void malformedKeybags_data();
    void malformedKeybags();
    void hostileManifestPlists_data();
    void hostileManifestPlists();
    void extractorProgramTakesThePasswordOnItsInput();
    void extractorEndingsAreToldApart_data();
    void extractorEndingsAreToldApart();
};

void TestEncryptedBackups::roundTrip_data()
{
    QTest::addColumn<IphoneBackupBuilder::Manifest>("manifest");
    QTest::addColumn<IphoneBackupBuilder::PlistFormat>("format");
    QTest::newRow("Manifest.db, binary") << IphoneBackupBuilder::Manifest::Database
                                         << IphoneBackupBuilder::PlistFormat::Binary;
    QTest::newRow("Manifest.db, XML") << IphoneBackupBuilder::Manifest::Database
                                      << IphoneBackupBuilder::PlistFormat::Xml;
    QTest::newRow("Manifest.mbdb, binary")
        << IphoneBackupBuilder::Manifest::Mbdb << IphoneBackupBuilder::PlistFormat::Binary;
}

void TestEncryptedBackups::roundTrip()
{
    QFETCH(IphoneBackupBuilder::Manifest, manifest);
    QFETCH(IphoneBackupBuilder::PlistFormat, format);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    addFiles(builder);
    builder.setPlistFormat(format);
    builder.setPassword(kPassword, 7);
    QVERIFY(builder.write(backup, manifest));
    const auto before = digests(backup);

    const QString extraction = temp.filePath(QStringLiteral("extracted"));
    IphoneBackupExtractor extractor;
    QCOMPARE(extractor.run(backup, extraction, kPassword), int(IphoneBackupExtractor::Success));
    QCOMPARE(extractor.filesCopied(), 5);
    QCOMPARE(extractor.filesUnreadable(), 0);
    QCOMPARE(bytesOf(extraction + QStringLiteral("/HomeDomain/") + kSms), content(4096, 's'));
    QCOMPARE(bytesOf(extraction + QStringLiteral("/HomeDomain/") + kCalendar), content(17, 'c'));
    QVERIFY(QFileInfo::exists(extraction + QStringLiteral("/HomeDomain/Library/AddressBook/AddressBook.sqlitedb")));
    QCOMPARE(bytesOf(extraction + QStringLiteral("/CameraRollDomain/") + kPhoto), content(100'003, 'p'));
    QCOMPARE(bytesOf(extraction + QStringLiteral("/MediaDomain/Library/SMS/Attachments/ab/01/x.heic")),
             content(16, 'a'));
    // Only what was wanted, no decrypted manifest, for the user only; the backup untouched.
    QVERIFY(!QFileInfo::exists(extraction + QStringLiteral("/HomeDomain/Library/Preferences/com.apple.example.plist")));
    QVERIFY(!QFileInfo::exists(extraction + QStringLiteral("/.Manifest.db")));
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(extraction).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0700));
    QCOMPARE(digests(backup), before);
}

void TestEncryptedBackups::wrongOrNoPassword_data()
{
    QTest::addColumn<IphoneBackupBuilder::Manifest>("manifest");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<int>("result");
    using M = IphoneBackupBuilder::Manifest;
    QTest::newRow("db, wrong") << M::Database << QByteArray("correct horse")
                               << int(IphoneBackupExtractor::WrongPassword);
    QTest::newRow("mbdb, wrong") << M::Mbdb << QByteArray("x") << int(IphoneBackupExtractor::WrongPassword);
    QTest::newRow("db, none") << M::Database << QByteArray() << int(IphoneBackupExtractor::Encrypted);
}

void TestEncryptedBackups::wrongOrNoPassword()
{
    QFETCH(IphoneBackupBuilder::Manifest, manifest);
    QFETCH(QByteArray, password);
    QFETCH(int, result);
    QTemporaryDir temp;
    IphoneBackupBuilder builder;
    addFiles(builder);
    builder.setPassword(kPassword, 3);
    QVERIFY(builder.write(temp.filePath(QStringLiteral("backup")), manifest));
    const QString extraction = temp.filePath(QStringLiteral("extracted"));
    IphoneBackupExtractor extractor;
    QCOMPARE(extractor.run(temp.filePath(QStringLiteral("backup")), extraction, password), result);
    QVERIFY(digests(extraction).isEmpty());
    // The same backup opens with the right password at once after.
    QCOMPARE(extractor.run(temp.filePath(QStringLiteral("backup")), extraction, kPassword),
             int(IphoneBackupExtractor::Success));
}

void TestEncryptedBackups::spoiledFileKey_data()
{
    QTest::addColumn<IphoneBackupBuilder::Manifest>("manifest");
    QTest::addColumn<IphoneBackupBuilder::KeyFault>("fault");
    using M = IphoneBackupBuilder::Manifest;
    using F = IphoneBackupBuilder::KeyFault;
    QTest::newRow("db, key missing") << M::Database << F::Missing;
    QTest::newRow("db, key damaged") << M::Database << F::Damaged;
    QTest::newRow("mbdb, key missing") << M::Mbdb << F::Missing;
    QTest::newRow("mbdb, key damaged") << M::Mbdb << F::Damaged;
}

void TestEncryptedBackups::spoiledFileKey()
{
    QFETCH(IphoneBackupBuilder::Manifest, manifest);
    QFETCH(IphoneBackupBuilder::KeyFault, fault);
    QTemporaryDir temp;
    IphoneBackupBuilder builder;
    addFiles(builder);
    builder.setPassword(kPassword, 3);
    builder.setKeyFault(kCalendar, fault);
    QVERIFY(builder.write(temp.filePath(QStringLiteral("backup")), manifest));
    const QString extraction = temp.filePath(QStringLiteral("extracted"));
    IphoneBackupExtractor extractor;
    QCOMPARE(extractor.run(temp.filePath(QStringLiteral("backup")), extraction, kPassword),
             int(IphoneBackupExtractor::Success));
    QCOMPARE(extractor.filesUnreadable(), 1);
    QCOMPARE(extractor.filesCopied(), 4);
    QVERIFY(!QFileInfo::exists(extraction + QStringLiteral("/HomeDomain/") + kCalendar));
    QCOMPARE(bytesOf(extraction + QStringLiteral("/HomeDomain/") + kSms), content(4096, 's'));
}

void TestEncryptedBackups::malformedKeybags_data()
{
    QTest::addColumn<QByteArray>("keybag");
    auto tag = [](const char* name, const QByteArray& value) -> QByteArray {
        char length[4];
        qToBigEndian<quint32>(quint32(value.size()), length);
        return QByteArray(name, 4) + QByteArray(length, 4) + value;
    };
    const QByteArray header = tag("UUID", QByteArray(16, 'u')) + tag("SALT", QByteArray(20, 's'));
    const QByteArray classKey = tag("UUID", QByteArray(16, 'v')) + tag("CLAS", QByteArray("\0\0\0\3", 4))
                                + tag("WRAP", QByteArray("\0\0\0\2", 4));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut in a tag") << header.left(header.size() - 3);
    QTest::newRow("length past the end") << header + QByteArray("ITER\xff\xff\xff\xf0", 8);
    QTest::newRow("no rounds") << header + classKey;
    QTest::newRow("zero rounds") << header + tag("ITER", QByteArray(4, '\0')) + classKey;
    QTest::newRow("years of rounds") << header + tag("ITER", QByteArray("\xff\xff\xff\xff", 4)) + classKey;
    QTest::newRow("first pass of years") << header + tag("ITER", QByteArray("\0\0\0\1", 4))
                                                + tag("DPSL", QByteArray(20, 'd'))
                                                + tag("DPIC", QByteArray("\x7f\xff\xff\xff", 4)) + classKey;
    QTest::newRow("no class keys") << header + tag("ITER", QByteArray("\0\0\0\1", 4));
}

void TestEncryptedBackups::malformedKeybags()
{
    QFETCH(QByteArray, keybag);
    BackupKeybag parsed;
    QCOMPARE(parsed.parse(keybag), int(BackupKeybag::Malformed));
}

void TestEncryptedBackups::hostileManifestPlists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // empty: a FIFO
    QTest::addColumn<int>("result");
    const int unsafe = IphoneBackupExtractor::ManifestPlistUnsafe;
    QTest::newRow("Manifest.plist nested 100000 deep, XML") << "Manifest.plist" << nestedXmlPlist(100'000) << unsafe;
    QTest::newRow("Manifest.plist nested 100000 deep, binary")
        << "Manifest.plist" << nestedBinaryPlist(100'000) << unsafe;
    QTest::newRow("Manifest.plist a FIFO") << "Manifest.plist" << QByteArray() << unsafe;
    // Info.plist only names the iOS version: the backup is still read.
    QTest::newRow("Info.plist nested deep")
        << "Info.plist" << nestedBinaryPlist(50'000) << int(IphoneBackupExtractor::Success);
    QTest::newRow("Info.plist a FIFO") << "Info.plist" << QByteArray() << int(IphoneBackupExtractor::Success);
    QTest::newRow("sane nesting is read") << "Info.plist" << nestedXmlPlist(20) << int(IphoneBackupExtractor::Success);
}

void TestEncryptedBackups::hostileManifestPlists()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    addFiles(builder);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    const QString path = backup + QLatin1Char('/') + name;
    QFile::remove(path);
    if (bytes.isEmpty()) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QElapsedTimer timer;
    timer.start();
    IphoneBackupExtractor extractor;
    QCOMPARE(extractor.run(backup, temp.filePath(QStringLiteral("extracted"))), result);
    QVERIFY(timer.elapsed() < 20'000);
}

void TestEncryptedBackups::extractorProgramTakesThePasswordOnItsInput()
{
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    addFiles(builder);
    builder.setPassword(kPassword, 5);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    AppleExtractor extractor;
    extractor.setExtractorProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/new_extract/extract"));
    const QString extraction = temp.filePath(QStringLiteral("extracted"));
    QCOMPARE(extractor.extractFromManifest(backup, extraction), int(DataResult::IphoneBackupEncrypted));
    extractor.setPassword("not it");
    QCOMPARE(extractor.extractFromManifest(backup, extraction), int(DataResult::IphoneWrongPassword));
    QVERIFY(digests(extraction).isEmpty());
    extractor.setPassword(kPassword);
    QCOMPARE(extractor.extractFromManifest(backup, extraction), 0);
    QCOMPARE(bytesOf(extractor.smsDatabasePath()), content(4096, 's'));
    QCOMPARE(extractor.photos().size(), 1);
}

void TestEncryptedBackups::extractorEndingsAreToldApart_data()
{
    QTest::addColumn<QByteArray>("script"); // empty: no program
    QTest::addColumn<int>("result");
    // Each leaves a half-decrypted file behind, which must not survive.
    const QByteArray leave = "mkdir -p \"$2/HomeDomain\"; echo secret > \"$2/HomeDomain/half\"; ";
    QTest::newRow("missing") << QByteArray() << int(DataResult::IphoneExtractorMissing);
    QTest::newRow("crashed") << leave + "kill -SEGV $$" << int(DataResult::IphoneExtractorCrashed);
    QTest::newRow("terminated") << leave + "kill -TERM $$" << int(DataResult::IphoneExtractorCrashed);
    QTest::newRow("hangs") << leave + "exec sleep 60" << int(DataResult::IphoneExtractorTimedOut);
    QTest::newRow("damaged backup") << leave + "exit 4" << int(DataResult::IphoneBackupUnreadable);
    QTest::newRow("encrypted backup") << leave + "exit 2" << int(DataResult::IphoneBackupEncrypted);
    QTest::newRow("wrong password") << leave + "exit 6" << int(DataResult::IphoneWrongPassword);
}

void TestEncryptedBackups::extractorEndingsAreToldApart()
{
    QFETCH(QByteArray, script);
    QFETCH(int, result);
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    IphoneBackupBuilder builder;
    addFiles(builder);
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    AppleExtractor extractor;
    extractor.setTimeLimit(1500);
    extractor.setExtractorProgram(script.isEmpty() ? temp.filePath(QStringLiteral("none"))
                                                   : writeScript(temp.path(), script));
    const QString extraction = temp.filePath(QStringLiteral("extracted"));
    QCOMPARE(extractor.extractFromManifest(backup, extraction), result);
    QVERIFY(digests(extraction).isEmpty());
}

QTEST_GUILESS_MAIN(TestEncryptedBackups)
#include "tst_EncryptedBackups.moc"
