// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "app/ExceptionReport.h"
#include "devices/UsbMSDevice.h"
#include "support/FaultChild.h"
#include "support/IpdWriter.h"
#include "support/IphoneBackupBuilder.h"
#include "support/IphoneBackupDatabases.h"
#include "support/SyncMedia.h"
#include "support/SyncRecordingDevice.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "sync/DataTransfer.h"
#include "sync/MusicSync.h"
#include "sync/SyncReport.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace SyncState;

namespace {

const char kChildRootVariable[] = "VELMORA_SYNC_CHILD_ROOT";

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A BlackBerry backup with one text message and one contact.
QString writeBlackBerryBackup(const SyncTestHome& env)
{
    QByteArray ipd = IpdWriter::header({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")});
    ipd += IpdWriter::smsRecord(0, true, 1300000000000ULL, "+15550100", "Hello from the BlackBerry");
    ipd += IpdWriter::record(1, {{10, IpdWriter::textSubfield(32, "Jane") + IpdWriter::textSubfield(32, "Public")
                                          + IpdWriter::textSubfield(8, "+15550111")}});
    const QString path = env.inputFolder() + QStringLiteral("/Old phone.ipd");
    writeFile(path, ipd);
    return path;
}

QByteArray testData(const QString& name)
{
    return readFile(QStringLiteral(VELMORA_TEST_DATA_DIR "/sync/") + name);
}

// The playlist "Mix" holding one real (silent) track named "Song"; false where
// the audio file cannot be made.
bool addOneSongMix(const SyncTestHome& env, SyncTestLibrary& library)
{
    const QString song = env.inputFolder() + QStringLiteral("/song.mp3");
    if (!SyncMedia::makeSilence(song))
        return false;
    library.addPlaylist(QStringLiteral("Mix"),
                        {SyncMedia::track(song, QStringLiteral("Song"), QStringLiteral("A"), QStringLiteral("B"), 1)});
    return true;
}

void chooseBackup(SyncTestHome& env, const QString& backup, const QString& photoFolder = QString())
{
    env.editSettings([&](SyncSettings& settings, const QString& id) {
        settings.setSelectedBackupPath(id, backup);
        settings.setCopyTextMessages(id, true);
        settings.setCopyAddressBook(id, true);
        settings.setCopyCalendar(id, true);
        settings.setCopyPhotos(id, true);
        if (!photoFolder.isEmpty())
            settings.addToSettingsList(id, SettingsKeys::photoFoldersList(), QString(), photoFolder);
    });
}

// A phone whose card stores other bytes than it was sent for one file name.
class GarblingPhone : public SyncRecordingDevice
{
public:
    GarblingPhone(const QString& root, const QString& garbledName)
        : SyncRecordingDevice(root), mRoot(root), mGarbledName(garbledName)
    {
    }
    int copyFile(const QString& localPath, const QString& relativePath, bool overwrite) override
    {
        const int code = SyncRecordingDevice::copyFile(localPath, relativePath, overwrite);
        if (code == 0 && !mGarbledName.isEmpty() && relativePath.endsWith(mGarbledName))
            writeFile(mRoot + QLatin1Char('/') + relativePath, "garbled on the card");
        return code;
    }

private:
    QString mRoot;
    QString mGarbledName;
};

} // namespace

// The data transfer of a sync run: backups of other phones become XML files
// in the phone's "KORVA" folder, photos and videos land in "DCIM".
class tst_SyncDataTransfer : public QObject
{
    Q_OBJECT

private slots:
    void backupKind_data();
    void backupKind();
    void blackBerryBackupReachesPhoneOnce();
    void photosFromFolderNeedNoBackup();
    void iPhoneBackupWithCameraRoll_data();
    void iPhoneBackupWithCameraRoll();
    void unreadableBackupIsReportedAndMusicStillSyncs_data();
    void unreadableBackupIsReportedAndMusicStillSyncs();
    void noMusicMarkerStillTransfersData();
    void copiesInLogFolder_data();
    void copiesInLogFolder();
    void child();
    void standardFilesGoToDownloads_data();
    void standardFilesGoToDownloads();
    void dataFilesAreReadBackFromThePhone_data();
    void dataFilesAreReadBackFromThePhone();
    void callsAndMemosGoToDownloads();
    void voicemailAndVoiceMemosGoToDownloads();
};

void tst_SyncDataTransfer::backupKind_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("blackBerry");
    QTest::newRow("ipd file") << QStringLiteral("/b/phone.ipd") << true;
    QTest::newRow("bbb archive") << QStringLiteral("/b/phone.bbb") << true;
    QTest::newRow("upper case IPD is an iPhone folder") << QStringLiteral("/b/phone.IPD") << false;
    QTest::newRow("four characters ending in ipd") << QStringLiteral("xipd") << false;
    QTest::newRow("five characters ending in ipd") << QStringLiteral("x.ipd") << true;
    QTest::newRow("bbb alone is too short, as ipd is") << QStringLiteral("bbb") << false;
    QTest::newRow("iPhone backup folder") << QStringLiteral("/b/0123456789abcdef") << false;
}

void tst_SyncDataTransfer::backupKind()
{
    QFETCH(QString, path);
    QFETCH(bool, blackBerry);
    QCOMPARE(BackupConversion::kindOf(path) == BackupConversionResult::Kind::BlackBerry, blackBerry);
}

void tst_SyncDataTransfer::photosFromFolderNeedNoBackup()
{
    SyncTestHome env;
    env.configurePhone();
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    QVERIFY(writeFile(photos + QStringLiteral("/IMG_2.jpg"), "photo"));
    chooseBackup(env, QString(), photos);
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QCOMPARE(run.names(StatePhotos), QStringList{QStringLiteral("Copying photos: 1 of 1 - IMG_2.jpg")});
        QCOMPARE(sync.outcome().dataTransfer.kind, BackupConversionResult::Kind::Unknown);
        QCOMPARE(sync.outcome().photosSent, 1);
        QCOMPARE(sync.outcome().tracksCopied, 0);
    }
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_2.jpg"))), QByteArray("photo"));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("KORVA/messages.xml"))));
    SyncSettings settings;
    settings.load();
    QVERIFY(!settings.copyPhotos(QString::fromLatin1(SyncTestHome::kPhoneId)));
}

void tst_SyncDataTransfer::blackBerryBackupReachesPhoneOnce()
{
    SyncTestHome env;
    env.configurePhone();
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    QVERIFY(writeFile(photos + QStringLiteral("/IMG_1.jpg"), "photo"));
    QVERIFY(writeFile(photos + QStringLiteral("/.cache/x.jpg"), "hidden"));
    chooseBackup(env, writeBlackBerryBackup(env), photos);
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().first(), int(StatePreparing));
        QCOMPARE(run.states().last(), int(StateComplete));
        QCOMPARE(run.stateCount(StateCompleteWithErrors), 0);
        QVERIFY(!sync.outcome().dataTransferFailed());
        // The window says photos are being copied, whichever backup they came with.
        QCOMPARE(run.names(StatePhotos), QStringList{QStringLiteral("Copying photos: 1 of 1 - IMG_1.jpg")});
        // While the backup is read, the window counts what is written.
        const QStringList reading = run.names(StatePreparing);
        QVERIFY2(reading.contains(QStringLiteral("Writing messages: 1 of 1"))
                     && reading.contains(QStringLiteral("Writing contacts: 0 of 1")),
                 qPrintable(reading.join(QLatin1Char('|'))));
    }
    const QByteArray messages = readFile(env.phoneFile(QStringLiteral("KORVA/messages.xml")));
    QVERIFY2(messages.contains("Hello from the BlackBerry"), messages.constData());
    QVERIFY2(messages.contains("+15550100"), messages.constData());
    const QByteArray contacts = readFile(env.phoneFile(QStringLiteral("KORVA/address.xml")));
    QVERIFY2(contacts.contains("Jane") && contacts.contains("+15550111"), contacts.constData());
    // A BlackBerry backup has no calendar: nothing is sent in its place.
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("KORVA/calendar.xml"))));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1.jpg"))), QByteArray("photo"));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("DCIM/Blackberry/.cache"))));

    SyncSettings settings;
    settings.load();
    const QString id = QString::fromLatin1(SyncTestHome::kPhoneId);
    QVERIFY(!settings.copyTextMessages(id));
    QVERIFY(!settings.copyAddressBook(id));
    QVERIFY(!settings.copyPhotos(id));
    QVERIFY(!settings.copyCalendar(id));
    QVERIFY(!settings.selectedBackupPath(id).isEmpty());
    // What arrived is remembered with its day; the calendar a BlackBerry lacks is not.
    for (const QString& key :
         {SettingsKeys::copyTextMessages(), SettingsKeys::copyAddressBook(), SettingsKeys::copyPhotos()})
        QCOMPARE(settings.copiedOn(id, key), QDate::currentDate());
    QVERIFY(!settings.copiedOn(id, SettingsKeys::copyCalendar()).isValid());

    // A transfer is made once per request: the next sync sends nothing.
    QVERIFY(QFile::remove(env.phoneFile(QStringLiteral("KORVA/messages.xml"))));
    QVERIFY(QFile::remove(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1.jpg"))));
    MusicSync again(&library, &phone, nullptr);
    SyncRun secondRun(again);
    QVERIFY(secondRun.run());
    QCOMPARE(secondRun.states().last(), int(StateComplete));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("KORVA/messages.xml"))));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1.jpg"))));
}

void tst_SyncDataTransfer::iPhoneBackupWithCameraRoll_data()
{
    QTest::addColumn<int>("screenPixels");
    QTest::addColumn<QString>("expectedSize");
    QTest::newRow("800x480 phone gets the scaled video") << 384000 << QStringLiteral("width=480\nheight=270");
    QTest::newRow("larger phone gets the streams") << 384001 << QStringLiteral("width=64\nheight=48");
}

void tst_SyncDataTransfer::iPhoneBackupWithCameraRoll()
{
    QFETCH(int, screenPixels);
    QFETCH(QString, expectedSize);
    SyncTestHome env;
    env.configurePhone();
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("KORVA/android.xml")),
                      QStringLiteral("<device version=\"9\" screen_pixels=\"%1\"/>").arg(screenPixels).toUtf8()));
    const QString movie = env.inputFolder() + QStringLiteral("/movie.mov");
    QVERIFY(SyncMedia::makeQuickTimeVideo(movie));
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), testData("ios18-sms.db"));
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                    testData("ios18-AddressBook.sqlitedb"));
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
                    testData("ios18-Calendar.sqlitedb"));
    builder.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"),
                    "jpeg bytes");
    builder.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0002.MOV"),
                    readFile(movie));
    const QString backup = env.inputFolder() + QStringLiteral("/iPhone backup");
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    chooseBackup(env, backup);
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    DeviceParentMs parent(QStringLiteral("drive"));
    parent.addChild(&phone);

    MusicSync sync(&library, &phone, &parent);
    SyncRun run(sync);
    QVERIFY(run.run());
    QVERIFY(!sync.outcome().dataTransferFailed());
    const QList<int> states = run.states();
    QCOMPARE(states.first(), int(StatePreparing));
    QCOMPARE(states.last(), int(StateComplete));
    QVERIFY(states.indexOf(StatePhotos) < states.indexOf(StateConvertingVideo));
    QCOMPARE(run.names(StateConvertingVideo), QStringList{QStringLiteral("Copying photos: 2 of 2 - IMG_0002.MOV")});

    QVERIFY(readFile(env.phoneFile(QStringLiteral("KORVA/messages.xml"))).contains("<messages"));
    QVERIFY(readFile(env.phoneFile(QStringLiteral("KORVA/address.xml"))).contains("<person"));
    QVERIFY(readFile(env.phoneFile(QStringLiteral("KORVA/calendar.xml"))).size() > 100);
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_0001.JPG"))), QByteArray("jpeg bytes"));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_0002.MOV"))));
    const QString probe = SyncMedia::probe(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_0002.mp4")));
    QVERIFY2(probe.contains(expectedSize), qPrintable(probe));
    // The copies of the user's databases and photos do not outlive the sync.
    QVERIFY(!QFileInfo::exists(DataTransfer::extractionFolder()));
}

void tst_SyncDataTransfer::unreadableBackupIsReportedAndMusicStillSyncs_data()
{
    QTest::addColumn<bool>("iPhone");
    QTest::addColumn<bool>("cutShort");
    QTest::addColumn<QString>("reason");
    QTest::newRow("encrypted iPhone backup") << true << false << QStringLiteral("its password is needed");
    QTest::newRow("iPhone backup cut short") << true << true << QStringLiteral("Manifest.db is damaged or cut short");
    QTest::newRow("BlackBerry file that is no backup") << false << false << QStringLiteral("backup");
}

void tst_SyncDataTransfer::unreadableBackupIsReportedAndMusicStillSyncs()
{
    QFETCH(bool, iPhone);
    QFETCH(bool, cutShort);
    QFETCH(QString, reason);
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    QString backup = env.inputFolder() + QStringLiteral("/locked");
    if (iPhone) {
        IphoneBackupBuilder builder;
        builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), testData("ios18-sms.db"));
        builder.setEncrypted(!cutShort);
        QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
        if (cutShort) {
            QFile manifest(backup + QStringLiteral("/Manifest.db"));
            QVERIFY(manifest.resize(manifest.size() - 100));
        }
    } else {
        backup += QStringLiteral(".ipd");
        QVERIFY(writeFile(backup, "not a BlackBerry backup at all"));
    }
    chooseBackup(env, backup);
    SyncTestLibrary library;
    QVERIFY(addOneSongMix(env, library));
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QVERIFY(sync.outcome().dataTransferFailed());
    // What the user chose did not arrive: the run says so, and why.
    QCOMPARE(run.states().last(), int(StateCompleteWithErrors));
    const QString warning = SyncReport(sync.outcome()).warningHtml();
    QVERIFY2(warning.contains(QStringLiteral("Nothing was transferred from the backup")) && warning.contains(reason),
             qPrintable(warning));
    QVERIFY(!warning.contains(QStringLiteral("encrypted")) || !cutShort);
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("KORVA/messages.xml"))));
    QCOMPARE(phone.mUploadedNames, QStringList{QStringLiteral("Song")});
    QVERIFY(!QFileInfo::exists(DataTransfer::extractionFolder()));
}

void tst_SyncDataTransfer::noMusicMarkerStillTransfersData()
{
    SyncTestHome env;
    env.configurePhone({}); // "###DONT-SYNC-MUSIC###"
    chooseBackup(env, writeBlackBerryBackup(env));
    SyncTestLibrary library;
    QVERIFY(addOneSongMix(env, library));
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
    QVERIFY(readFile(env.phoneFile(QStringLiteral("KORVA/messages.xml"))).contains("Hello from the BlackBerry"));
    QVERIFY(phone.mUploadedNames.isEmpty());
}

void tst_SyncDataTransfer::copiesInLogFolder_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QStringList>("expectedFiles");
    QTest::addColumn<QByteArray>("expectedInLog");
    QTest::addColumn<QString>("savedReport");
    QTest::newRow("blackberry") << QStringLiteral("blackberry")
                                << QStringList{"messages.xml", "addressbook.xml", "blackberry_database_file"}
                                << QByteArray("MusicSync::Start") << QString();
    // The fault ends the child; its log holds every line up to the fault.
    QTest::newRow("division by zero") << QStringLiteral("fault") << QStringList{} << QByteArray("MusicSync::Start")
                                      << QStringLiteral("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n");
}

// The trace log starts with the process, so the sync runs in a child process
// whose home has the diagnostics folder from the start.
void tst_SyncDataTransfer::copiesInLogFolder()
{
    QFETCH(QString, scenario);
    QFETCH(QStringList, expectedFiles);
    QFETCH(QByteArray, expectedInLog);
    QFETCH(QString, savedReport);
    QTemporaryDir root;
    const QString diagnostics = root.path() + QStringLiteral("/home/Desktop/QNL");
    QVERIFY(QDir().mkpath(diagnostics));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.path() + QStringLiteral("/home"));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.insert(QString::fromLatin1(kChildRootVariable), root.path());
    environment.insert(QStringLiteral("VELMORA_SYNC_CHILD_SCENARIO"), scenario);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child")});
    QVERIFY(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    if (savedReport.isEmpty()) {
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    } else {
        QVERIFY2(child.exitStatus() == QProcess::CrashExit, output.constData());
        const QString report =
            ExceptionReporter::takeSavedReport(root.path() + QStringLiteral("/home/KORVA/exception-report.txt"));
        QVERIFY2(report.startsWith(savedReport), qPrintable(report));
    }

    for (const QString& name : expectedFiles)
        QVERIFY2(QFile::exists(diagnostics + QLatin1Char('/') + name), qPrintable(name));
    const QByteArray log = readFile(diagnostics + QStringLiteral("/log.txt"));
    QVERIFY2(log.contains(expectedInLog), output.constData());
}

void tst_SyncDataTransfer::child()
{
    const QString root = qEnvironmentVariable(kChildRootVariable);
    if (root.isEmpty())
        QSKIP("runs only as the child process of copiesInLogFolder");
    SyncTestHome env(root);
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    if (qEnvironmentVariable("VELMORA_SYNC_CHILD_SCENARIO") == QLatin1String("fault")) {
        leaveNoCoreFile();
        library.mDivideByZero = true;
    } else
        chooseBackup(env, writeBlackBerryBackup(env));
    SyncRecordingDevice phone(env.phoneRoot());
    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QVERIFY(!run.states().isEmpty());
}

void tst_SyncDataTransfer::standardFilesGoToDownloads_data()
{
    QTest::addColumn<bool>("companionApp");
    QTest::newRow("companion app") << true;
    QTest::newRow("no companion app") << false;
}

// Every phone gets the standard files in Download/Velmora, replacing older
// ones of the same name; the XML files only where the companion app may read them.
void tst_SyncDataTransfer::standardFilesGoToDownloads()
{
    QFETCH(bool, companionApp);
    SyncTestHome env;
    env.configurePhone();
    chooseBackup(env, writeBlackBerryBackup(env));
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("Download/Velmora/contacts.vcf")), "old"));
    // An earlier run's messages file goes once the new one is there; another app's file stays.
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("Download/Velmora/sms-20200101000000.xml")), "old"));
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("Download/Velmora/sms-mine.xml")), "mine"));
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    phone.setHidden(!companionApp);
    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QVERIFY(!sync.outcome().dataTransferFailed());
    const QByteArray cards = readFile(env.phoneFile(QStringLiteral("Download/Velmora/contacts.vcf")));
    QVERIFY2(cards.startsWith("BEGIN:VCARD\r\n") && cards.contains("TEL"), cards.constData());
    const QStringList sms =
        QDir(env.phoneFile(QStringLiteral("Download/Velmora"))).entryList({QStringLiteral("sms-2*.xml")});
    QCOMPARE(sms.size(), 1);
    QVERIFY(sms.first() != QLatin1String("sms-20200101000000.xml"));
    QVERIFY(QFile::exists(env.phoneFile(QStringLiteral("Download/Velmora/sms-mine.xml"))));
    QVERIFY(readFile(env.phoneFile(QStringLiteral("Download/Velmora/") + sms.first()))
                .contains("Hello from the BlackBerry"));
    QCOMPARE(QFile::exists(env.phoneFile(QStringLiteral("KORVA/messages.xml"))), companionApp);
    QCOMPARE(QFile::exists(env.phoneFile(QStringLiteral("KORVA/address.xml"))), companionApp);
}

void tst_SyncDataTransfer::dataFilesAreReadBackFromThePhone_data()
{
    QTest::addColumn<QString>("garbled");
    QTest::addColumn<bool>("messagesChosenAgain");
    QTest::addColumn<bool>("contactsChosenAgain");
    QTest::newRow("all stored as sent") << QString() << false << false;
    QTest::newRow("companion file differs") << "KORVA/messages.xml" << true << false;
    QTest::newRow("standard file differs") << "contacts.vcf" << false << true;
}

void tst_SyncDataTransfer::dataFilesAreReadBackFromThePhone()
{
    QFETCH(QString, garbled);
    QFETCH(bool, messagesChosenAgain);
    QFETCH(bool, contactsChosenAgain);
    SyncTestHome env;
    env.configurePhone();
    chooseBackup(env, writeBlackBerryBackup(env));
    SyncTestLibrary library;
    GarblingPhone phone(env.phoneRoot(), garbled);
    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    const BackupConversionResult& data = sync.outcome().dataTransfer;
    const QString summary = SyncReport(sync.outcome(), {}).summaryText();
    // address.xml, messages.xml, contacts.vcf and sms-*.xml.
    QCOMPARE(data.filesReadBack, garbled.isEmpty() ? 4 : 3);
    QVERIFY2(summary.contains(QStringLiteral("%1 data files were read back").arg(data.filesReadBack)),
             qPrintable(summary));
    const int failure = garbled.isEmpty() ? 0 : int(PhoneResult::ReadBackDiffers);
    QCOMPARE(messagesChosenAgain ? data.messages.code : contactsChosenAgain ? data.contactsVcard.code : 0, failure);
    QCOMPARE(summary.contains(QStringLiteral("differs from what was sent")), !garbled.isEmpty());

    SyncSettings settings;
    settings.load();
    const QString id = QString::fromLatin1(SyncTestHome::kPhoneId);
    QCOMPARE(settings.copyTextMessages(id), messagesChosenAgain);
    QCOMPARE(settings.copyAddressBook(id), contactsChosenAgain);
}

// The call log and the memos go only to Download/Velmora; the choices are
// cleared once the phone has them.
void tst_SyncDataTransfer::callsAndMemosGoToDownloads()
{
    SyncTestHome env;
    env.configurePhone();
    QByteArray ipd = IpdWriter::header({QStringLiteral("Phone Call Logs"), QStringLiteral("Memos")});
    QByteArray time;
    for (int i = 0; i < 8; ++i)
        time.append(char((1300000000000ULL >> (8 * i)) & 0xFF));
    ipd += IpdWriter::record(0, {{0x02, QByteArray(1, 1)}, {0x04, time}, {0x0c, "+15550111"}});
    ipd += IpdWriter::record(1, {{0x01, "Garden"}, {0x02, "roses"}});
    const QString backup = env.inputFolder() + QStringLiteral("/calls.ipd");
    QVERIFY(writeFile(backup, ipd));
    env.editSettings([&](SyncSettings& settings, const QString& id) {
        settings.setSelectedBackupPath(id, backup);
        settings.setCopyCallHistory(id, true);
        settings.setCopyNotes(id, true);
    });
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(sync.outcome().dataTransfer.callLog.count, 1);
    const QStringList calls =
        QDir(env.phoneFile(QStringLiteral("Download/Velmora"))).entryList({QStringLiteral("calls-*.xml")});
    QCOMPARE(calls.size(), 1);
    QVERIFY(readFile(env.phoneFile(QStringLiteral("Download/Velmora/") + calls.first()))
                .contains("number=\"+15550111\" duration=\"0\" date=\"1300000000000\" type=\"2\""));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("Download/Velmora/Notes/Notes/Garden.txt"))), QByteArray("roses"));
    env.editSettings([&](SyncSettings& settings, const QString& id) {
        QVERIFY(!settings.copyCallHistory(id));
        QVERIFY(!settings.copyNotes(id));
    });
}

// An iPhone's voicemail and voice memos reach Download/Velmora as audio files;
// the report counts them and tells of a voicemail whose audio is missing.
void tst_SyncDataTransfer::voicemailAndVoiceMemosGoToDownloads()
{
    SyncTestHome env;
    env.configurePhone();
    QVERIFY(QDir().mkpath(env.inputFolder()));
    IphoneBackupBuilder builder;
    builder.addFile(
        QStringLiteral("HomeDomain"), QStringLiteral("Library/Voicemail/voicemail.db"),
        IphoneBackupDatabases::createBytes(
            env.inputFolder() + QStringLiteral("/voicemail.db"),
            // An older table: no declared row id, no trash column.
            {QStringLiteral("CREATE TABLE voicemail (date INTEGER, sender TEXT)"),
             QStringLiteral("INSERT INTO voicemail VALUES (1300000000, 'Mum: \"home\"'), (1300000100, '+1')")}));
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/Voicemail/1.amr"), "#!AMR\n7");
    builder.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Media/Recordings/20180115 080000.m4a"), "m4a");
    const QString backup = env.inputFolder() + QStringLiteral("/iPhone backup");
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    env.editSettings([&](SyncSettings& settings, const QString& id) {
        settings.setSelectedBackupPath(id, backup);
        settings.setCopyVoicemail(id, true);
        settings.setCopyRecordings(id, true);
    });
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    const QString voicemail = QStringLiteral("Download/Velmora/Voicemail/")
                              + QDateTime::fromSecsSinceEpoch(1300000000).toString(QStringLiteral("yyyy-MM-dd HH.mm"))
                              + QStringLiteral(" Mum_ _home_.amr");
    QCOMPARE(readFile(env.phoneFile(voicemail)), QByteArray("#!AMR\n7"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("Download/Velmora/Recordings/20180115 080000.m4a"))),
             QByteArray("m4a"));
    const QString summary = SyncReport(sync.outcome()).summaryText();
    QVERIFY2(summary.contains(QStringLiteral("Voicemails: 1")) && summary.contains(QStringLiteral("Voice memos: 1"))
                 && summary.contains(QStringLiteral("1 voicemails were not copied: their audio is not in the backup")),
             qPrintable(summary));
    env.editSettings([&](SyncSettings& settings, const QString& id) {
        QVERIFY(!settings.copyVoicemail(id) && !settings.copyRecordings(id));
    });
}

QTEST_GUILESS_MAIN(tst_SyncDataTransfer)
#include "tst_SyncDataTransfer.moc"
