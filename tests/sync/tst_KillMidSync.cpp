// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "app/TerminationSignal.h"
#include "devices/FileCopier.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/QMtpFile.h"
#include "support/EmulatedMtpPhone.h"
#include "support/IpdWriter.h"
#include "support/IphoneBackupBuilder.h"
#include "support/PhoneContents.h"
#include "support/SyncMedia.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdio>

using namespace SyncState;
using PhoneContents::filesBelow;
using PhoneContents::readFile;
using PhoneContents::writeFile;

namespace {

const char kChildRootVariable[] = "VELMORA_KILL_CHILD_ROOT";
const char kInputsVariable[] = "VELMORA_KILL_INPUTS";
// Set for a run against the emulated MTP phone kept in kMtpPhoneFolder.
const char kMtpVariable[] = "VELMORA_KILL_MTP";
const char kMtpPhoneFolder[] = "/mtp-phone";
constexpr int kTracks = 50;
constexpr int kPhotos = 10;
// Kill points chosen by the child's progress events, and by time.
constexpr int kEventPoints = 32;
constexpr int kTimePoints = 8;
constexpr int kChildTimeoutMs = 60000;
// What the child prints for each progress event (test output is other lines).
const char kEventLine[] = "velmora-event\n";

QString trackPath(const QString& inputs, int number)
{
    return inputs + QStringLiteral("/tracks/Song %1.mp3").arg(number);
}

// Files this program writes for its own use and numbers per run (the
// metadata files, the hint files): they are not what the user asked for.
bool isPhoneControlFile(const QString& relativePath)
{
    return relativePath.startsWith(Constants::phoneProgramFolder())
           && relativePath != Constants::phoneProgramFolder() + Constants::messagesFileName()
           && relativePath != Constants::phoneProgramFolder() + Constants::addressBookFileName();
}

// The messages file is named after the time of its conversion, which
// differs from run to run; every run's file holds the same messages.
QString withoutTime(QString name)
{
    static const QRegularExpression timedMessagesFile(QStringLiteral("sms-\\d{14}\\.xml$"));
    return name.replace(timedMessagesFile, QStringLiteral("sms.xml"));
}

// The run reports are a record of each run, kept on purpose, not something left behind.
QStringList namesWithoutTimes(const QStringList& names)
{
    QStringList result;
    for (const QString& name : names) {
        if (!name.contains(QLatin1String("KORVA/reports/")))
            result.append(withoutTime(name));
    }
    return result;
}

void addMtpFilesBelow(EmulatedMtpPhone& phone, const QString& folder, QHash<QString, QByteArray>& files)
{
    for (const QString& name : phone.list(folder)) {
        const QString path = folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
        if (phone.emulation().kind(phone.pnpId(), 0, path) == QMtpFileInterface::kFolder)
            addMtpFilesBelow(phone, path, files);
        else
            files.insert(path, phone.read(path));
    }
}

// Every file on the phone of the run below root, with its bytes.
QHash<QString, QByteArray> filesOnPhone(const QString& root, bool mtp)
{
    QHash<QString, QByteArray> files;
    if (mtp) {
        EmulatedMtpPhone phone;
        if (phone.keepIn(root + QLatin1String(kMtpPhoneFolder)))
            addMtpFilesBelow(phone, QString(), files);
        return files;
    }
    const QString phoneRoot = root + QStringLiteral("/phone/");
    for (const QString& path : filesBelow(phoneRoot))
        files.insert(path, readFile(phoneRoot + path));
    return files;
}

// The phone's files with their bytes, control files left out.
QHash<QString, QByteArray> userFilesOnPhone(const QString& root, bool mtp = false)
{
    QHash<QString, QByteArray> files;
    const QHash<QString, QByteArray> all = filesOnPhone(root, mtp);
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (!isPhoneControlFile(it.key()))
            files.insert(withoutTime(it.key()), it.value());
    }
    return files;
}

int countBelow(const QHash<QString, QByteArray>& files, const QString& folder)
{
    return int(std::count_if(files.keyBegin(), files.keyEnd(),
                             [&folder](const QString& path) { return path.startsWith(folder); }));
}

// A process that is gone or a zombie (a container's first process may never reap it).
bool hasEnded(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return true;
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype end = stat.lastIndexOf(')');
    return end < 0 || stat.mid(end + 2, 1) == "Z";
}

// Lets the child run to its event number killAtEvent (by time: to killAtMs
// when killAtEvent is -1), kills it there with SIGKILL and waits for its end;
// false when it ended before.
bool killAt(QProcess& child, int killAtEvent, qint64 killAtMs)
{
    const bool byEvent = killAtEvent >= 0;
    QElapsedTimer timer;
    timer.start();
    int events = 0;
    bool wasKilled = false;
    while (!wasKilled && child.state() != QProcess::NotRunning && timer.elapsed() < kChildTimeoutMs) {
        child.waitForReadyRead(byEvent ? 20 : 1);
        while (!wasKilled && child.canReadLine()) {
            if (child.readLine() != kEventLine)
                continue;
            // The child waits at each event for a go-ahead, so a kill by
            // event hits it exactly there however busy the machine is.
            if (byEvent && ++events >= killAtEvent)
                wasKilled = true;
            else
                child.write("\n");
        }
        wasKilled = wasKilled || (!byEvent && timer.elapsed() >= killAtMs);
    }
    if (wasKilled)
        child.kill();
    child.waitForFinished(kChildTimeoutMs);
    return wasKilled;
}

} // namespace

// A sync killed with SIGKILL at any moment, on a USB phone or an MTP phone,
// leaves nothing that the next sync cannot finish: the phone then holds
// exactly the expected files, whole, the track cache tells the truth, and
// the settings load.
class tst_KillMidSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedAnywhereTheNextSyncFinishes_data();
    void killedAnywhereTheNextSyncFinishes();
    void endedWhileAHelperProgramRunsLeavesNothingBehind_data();
    void endedWhileAHelperProgramRunsLeavesNothingBehind();
    void child();
    void killedWhileRemovingTracksTheNextSyncFinishes();

private:
    // A fresh home and phone below root, configured for the whole sync from
    // the backup of that name among the inputs.
    // With mtp the phone is the emulated MTP phone, kept on disk below root.
    void prepareScenario(const QString& root, const QString& backup = QStringLiteral("Old phone.ipd"),
                         bool mtp = false);
    // program: the test's own executable unless a copy of it is to find other helpers beside it.
    std::unique_ptr<QProcess> startChild(const QString& root, const QString& program = QString(), bool mtp = false);
    // Runs one child to its end; false when it failed or took too long.
    bool runToEnd(const QString& root, int& events, qint64& elapsedMs, bool mtp = false);

    QTemporaryDir mWork;
    QString mInputs;
};

void tst_KillMidSync::initTestCase()
{
    if (!qEnvironmentVariableIsEmpty(kChildRootVariable))
        return;
    QVERIFY(mWork.isValid());
    mInputs = mWork.filePath(QStringLiteral("inputs"));
    for (int number = 1; number <= kTracks; ++number)
        QVERIFY(writeFile(trackPath(mInputs, number), QByteArray(48 * 1024 + number, char(number))));
    for (int number = 1; number <= kPhotos; ++number) {
        const QString folder = number % 2 ? QStringLiteral("/photos/") : QStringLiteral("/photos/Holiday/");
        QVERIFY(writeFile(mInputs + folder + QStringLiteral("IMG_%1.jpg").arg(number),
                          QByteArray(96 * 1024, char('a' + number))));
    }
    QByteArray ipd = IpdWriter::header({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")});
    for (int number = 0; number < 40; ++number)
        ipd += IpdWriter::smsRecord(0, number % 2, 1300000000000ULL + number, "+15550100",
                                    "Message " + QByteArray::number(number));
    ipd += IpdWriter::record(1, {{10, IpdWriter::textSubfield(32, "Jane") + IpdWriter::textSubfield(8, "+1555")}});
    QVERIFY(writeFile(mInputs + QStringLiteral("/Old phone.ipd"), ipd));
    // The same databases as a desktop archive.
    QVERIFY(writeFile(mInputs + QStringLiteral("/bbb/Manifest.xml"), "<BlackBerry_Backup/>"));
    QVERIFY(writeFile(mInputs + QStringLiteral("/bbb/Databases/1.dat"), ipd));
    QProcess zip;
    zip.setWorkingDirectory(mInputs + QStringLiteral("/bbb"));
    zip.start(QStandardPaths::findExecutable(QStringLiteral("7z")),
              {QStringLiteral("a"), QStringLiteral("-tzip"), mInputs + QStringLiteral("/Old phone.bbb"),
               QStringLiteral(".")});
    QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);

    IphoneBackupBuilder iphone;
    const QString data = QStringLiteral(VELMORA_TEST_DATA_DIR "/sync/");
    iphone.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"),
                   readFile(data + QStringLiteral("ios18-sms.db")));
    iphone.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                   readFile(data + QStringLiteral("ios18-AddressBook.sqlitedb")));
    iphone.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"),
                   "jpeg bytes");
    QVERIFY(iphone.write(mInputs + QStringLiteral("/iPhone backup"), IphoneBackupBuilder::Manifest::Database));
}

void tst_KillMidSync::prepareScenario(const QString& root, const QString& backup, bool mtp)
{
    SyncTestHome env(root);
    env.configurePhone({QStringLiteral("Mix"), QStringLiteral("Chill")});
    if (mtp) {
        EmulatedMtpPhone phone;
        QVERIFY(phone.keepIn(root + QLatin1String(kMtpPhoneFolder)));
        QVERIFY(phone.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId));
    }
    env.editSettings([this, &backup](SyncSettings& settings, const QString& id) {
        settings.setSelectedBackupPath(id, mInputs + QLatin1Char('/') + backup);
        settings.setCopyTextMessages(id, true);
        settings.setCopyAddressBook(id, true);
        settings.setCopyPhotos(id, true);
        settings.addToSettingsList(id, SettingsKeys::photoFoldersList(), QString(),
                                   mInputs + QStringLiteral("/photos"));
    });
}

std::unique_ptr<QProcess> tst_KillMidSync::startChild(const QString& root, const QString& program, bool mtp)
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    environment.insert(QString::fromLatin1(kChildRootVariable), root);
    environment.insert(QString::fromLatin1(kInputsVariable), mInputs);
    if (mtp)
        environment.insert(QString::fromLatin1(kMtpVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("TMPDIR"), root + QStringLiteral("/tmp"));
    QDir().mkpath(root + QStringLiteral("/tmp"));
    child->setProcessEnvironment(environment);
    // An archiver placed there is found before the system's.
    child->setWorkingDirectory(root);
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->start(program.isEmpty() ? QCoreApplication::applicationFilePath() : program, {QStringLiteral("child")});
    return child;
}

bool tst_KillMidSync::runToEnd(const QString& root, int& events, qint64& elapsedMs, bool mtp)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QProcess> child(startChild(root, QString(), mtp));
    child->closeWriteChannel(); // the child goes on past every event by itself
    const bool finished = child->waitForFinished(kChildTimeoutMs);
    elapsedMs = timer.elapsed();
    const QByteArray output = child->readAllStandardOutput();
    events = int(output.count(kEventLine));
    if (!finished || child->exitStatus() != QProcess::NormalExit || child->exitCode() != 0) {
        qWarning("%s", output.right(4000).constData());
        return false;
    }
    return true;
}

void tst_KillMidSync::killedAnywhereTheNextSyncFinishes_data()
{
    QTest::addColumn<bool>("mtp");
    QTest::newRow("USB phone") << false;
    QTest::newRow("MTP phone") << true;
}

void tst_KillMidSync::killedAnywhereTheNextSyncFinishes()
{
    QFETCH(bool, mtp);
    QElapsedTimer total;
    total.start();

    // One uncut run gives the expected phone, the number of events and the time.
    const QString kind = mtp ? QStringLiteral("mtp-") : QStringLiteral("usb-");
    const QString reference = mWork.filePath(kind + QStringLiteral("reference"));
    prepareScenario(reference, QStringLiteral("Old phone.ipd"), mtp);
    int referenceEvents = 0;
    qint64 referenceMs = 0;
    QVERIFY(runToEnd(reference, referenceEvents, referenceMs, mtp));
    const QHash<QString, QByteArray> expected = userFilesOnPhone(reference, mtp);
    QCOMPARE(countBelow(expected, QStringLiteral("Music/")), kTracks);
    QCOMPARE(countBelow(expected, QStringLiteral("DCIM/Blackberry/")), kPhotos);
    QVERIFY(expected.contains(QStringLiteral("Playlists_QNL/Mix.m3u")));
    QVERIFY(expected.contains(QStringLiteral("Playlists_QNL/Chill.m3u")));
    QVERIFY(expected.contains(QStringLiteral("KORVA/messages.xml")));
    QVERIFY(referenceEvents > kEventPoints);

    int killed = 0;
    int eventKills = 0;
    for (int point = 0; point < kEventPoints + kTimePoints; ++point) {
        const QString root = mWork.filePath(kind + QStringLiteral("point-%1").arg(point));
        prepareScenario(root, QStringLiteral("Old phone.ipd"), mtp);
        const bool byEvent = point < kEventPoints;
        const int killAtEvent = 1 + point * (referenceEvents - 1) / kEventPoints;
        const qint64 killAtMs = (point - kEventPoints + 1) * referenceMs / (kTimePoints + 1);

        std::unique_ptr<QProcess> child(startChild(root, QString(), mtp));
        QVERIFY(child->waitForStarted());
        const bool wasKilled = killAt(*child, byEvent ? killAtEvent : -1, killAtMs);
        if (wasKilled && child->exitStatus() == QProcess::CrashExit) {
            ++killed;
            eventKills += byEvent ? 1 : 0;
        }

        int secondEvents = 0;
        qint64 secondMs = 0;
        QVERIFY2(runToEnd(root, secondEvents, secondMs, mtp), qPrintable(QStringLiteral("point %1").arg(point)));

        const QHash<QString, QByteArray> onPhone = userFilesOnPhone(root, mtp);
        QStringList names = onPhone.keys();
        names.sort();
        QStringList expectedNames = expected.keys();
        expectedNames.sort();
        QVERIFY2(names == expectedNames,
                 qPrintable(QStringLiteral("point %1: ").arg(point) + names.join(QLatin1Char(' '))));
        // Whole files under every final name; no temporary copy left anywhere.
        for (const QString& name : std::as_const(names))
            QVERIFY2(onPhone.value(name) == expected.value(name), qPrintable(name));
        const QStringList everyFile = filesOnPhone(root, mtp).keys();
        for (const QString& leftover :
             {QFileInfo(FileCopier::temporaryPathFor(QStringLiteral("/x"))).fileName(), QStringLiteral(".velmora-new")})
            QVERIFY2(everyFile.filter(leftover).isEmpty(), qPrintable(everyFile.join(QLatin1Char(' '))));

        SyncTestHome env(root);
        SyncSettings settings;
        QCOMPARE(settings.load(), 0);
        const QString id = QString::fromLatin1(SyncTestHome::kPhoneId);
        QVERIFY(!settings.copyPhotos(id));
        QStringList tracksOnPhone;
        for (const QString& name : std::as_const(names)) {
            if (name.startsWith(QStringLiteral("Music/")))
                tracksOnPhone.append(QLatin1Char('/') + name);
        }
        QCOMPARE(PhoneContents::cachedOnPhone(id), tracksOnPhone);
        QDir(root).removeRecursively();
    }
    // Nearly every point must have caught the run alive; a few time points
    // may come after a fast run's end, but no event point.
    QVERIFY2(killed >= 30, qPrintable(QStringLiteral("killed %1 times").arg(killed)));
    QCOMPARE(eventKills, kEventPoints);
    std::printf("kill test, %s: %d kills of %d points, reference run %lld ms with %d events, %lld ms in all\n",
                QTest::currentDataTag(), killed, kEventPoints + kTimePoints, static_cast<long long>(referenceMs),
                referenceEvents, static_cast<long long>(total.elapsed()));
}

void tst_KillMidSync::endedWhileAHelperProgramRunsLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("backup");
    QTest::addColumn<bool>("terminated");
    QTest::newRow(".bbb unpacking, SIGKILL") << "Old phone.bbb" << false;
    QTest::newRow(".bbb unpacking, SIGTERM") << "Old phone.bbb" << true;
    QTest::newRow("iPhone extractor, SIGKILL") << "iPhone backup" << false;
    QTest::newRow("iPhone extractor, SIGTERM") << "iPhone backup" << true;
}

// A sync ended while a program it started works (the archiver unpacking a
// .bbb, the extractor reading an iPhone backup), by SIGKILL or by SIGTERM
// (which cancels it): a killed sync's helper ends with it, and after the
// next sync the phone holds what an uncut run gives, and no unpacking or
// extraction folder or temporary file is left in HOME or in TMPDIR.
void tst_KillMidSync::endedWhileAHelperProgramRunsLeavesNothingBehind()
{
    QFETCH(QString, backup);
    QFETCH(bool, terminated);
    const bool iphone = !backup.endsWith(QStringLiteral(".bbb"));
    const QString tag = QString::fromLatin1(QTest::currentDataTag())
                            .replace(QRegularExpression(QStringLiteral("\\W+")), QStringLiteral("-"));
    const QString reference = mWork.filePath(tag + QStringLiteral("-reference"));
    prepareScenario(reference, backup);
    int events = 0;
    qint64 elapsedMs = 0;
    QVERIFY(runToEnd(reference, events, elapsedMs));
    const QHash<QString, QByteArray> expected = userFilesOnPhone(reference);
    QVERIFY(expected.contains(QStringLiteral("KORVA/messages.xml")));
    const QStringList referenceHome = filesBelow(reference + QStringLiteral("/home"));

    // A helper that stalls, the archiver part of a database written, until
    // the file "go" appears. The archiver is found in the working folder;
    // the extractor beside the program, so the child runs from a copy.
    const QString root = mWork.filePath(tag);
    prepareScenario(root, backup);
    QString program;
    QString helper = root + QStringLiteral("/7z/7z");
    QByteArray real = QStandardPaths::findExecutable(QStringLiteral("7z")).toUtf8();
    QByteArray stallWhen = "[ \"$1\" = x ]";
    if (iphone) {
        program = root + QStringLiteral("/bin/") + QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QVERIFY(QDir().mkpath(root + QStringLiteral("/bin")));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        helper = root + QStringLiteral("/bin/") + Constants::extractorRelativePath();
        real =
            (QCoreApplication::applicationDirPath() + QLatin1Char('/') + Constants::extractorRelativePath()).toUtf8();
        stallWhen = "true";
    }
    const QByteArray stalled = (root + QStringLiteral("/stalled")).toUtf8();
    QVERIFY(writeFile(helper, "#!/bin/sh\nif " + stallWhen + " && [ ! -e '" + root.toUtf8()
                                  + "/go' ]; then\n  echo $$ > '" + stalled + ".new'; mv '" + stalled + ".new' '"
                                  + stalled + "'\n  head -c 100 /dev/zero; exec sleep 60\nfi\nexec '" + real
                                  + "' \"$@\"\n"));
    QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::ExeOwner));
    std::unique_ptr<QProcess> child(startChild(root, program));
    child->closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root + QStringLiteral("/stalled")), kChildTimeoutMs);
    const pid_t stalledHelper = pid_t(readFile(root + QStringLiteral("/stalled")).trimmed().toInt());
    QVERIFY(stalledHelper > 0);
    if (terminated) {
        QCOMPARE(::kill(pid_t(child->processId()), SIGTERM), 0);
        // The cancelled sync goes on once its helper ends.
        QTest::qWait(200);
        ::kill(stalledHelper, SIGKILL);
    } else {
        child->kill();
    }
    QVERIFY(child->waitForFinished(kChildTimeoutMs));
    // Left running, it would write into the folder the next sync uses.
    QTRY_VERIFY_WITH_TIMEOUT(hasEnded(stalledHelper), 10000);
    QVERIFY(writeFile(root + QStringLiteral("/go"), QByteArray()));

    QVERIFY(runToEnd(root, events, elapsedMs));
    const QHash<QString, QByteArray> onPhone = userFilesOnPhone(root);
    QStringList names = onPhone.keys();
    names.sort();
    QStringList expectedNames = expected.keys();
    expectedNames.sort();
    const QSet<QString> missing =
        QSet<QString>(expectedNames.cbegin(), expectedNames.cend()) - QSet<QString>(names.cbegin(), names.cend());
    const QSet<QString> extra =
        QSet<QString>(names.cbegin(), names.cend()) - QSet<QString>(expectedNames.cbegin(), expectedNames.cend());
    QVERIFY2(
        names == expectedNames,
        qPrintable(QStringLiteral("missing: ") + QStringList(missing.cbegin(), missing.cend()).join(QLatin1Char(','))
                   + QStringLiteral(" extra: ") + QStringList(extra.cbegin(), extra.cend()).join(QLatin1Char(','))));
    for (const QString& name : std::as_const(names))
        QVERIFY2(onPhone.value(name) == expected.value(name), qPrintable(name));
    QCOMPARE(filesBelow(root + QStringLiteral("/tmp")), QStringList());
    QCOMPARE(namesWithoutTimes(filesBelow(root + QStringLiteral("/home"))), namesWithoutTimes(referenceHome));
}

// The whole sync, run as its own process by killedAnywhereTheNextSyncFinishes:
// one line on standard output for each progress event, after which it waits
// for a line on standard input.
void tst_KillMidSync::child()
{
    const QString root = qEnvironmentVariable(kChildRootVariable);
    if (root.isEmpty())
        QSKIP("runs only as the child process of killedAnywhereTheNextSyncFinishes");
    const QString inputs = qEnvironmentVariable(kInputsVariable);
    SyncTestHome env(root);
    SyncTestLibrary library;
    QList<Track> mix;
    QList<Track> chill;
    for (int number = 1; number <= kTracks; ++number) {
        const Track track =
            SyncMedia::track(trackPath(inputs, number), QStringLiteral("Song %1").arg(number),
                             QStringLiteral("Album %1").arg(number % 5), QStringLiteral("Artist"), number);
        (number <= 30 ? mix : chill).append(track);
        if (number > 20 && number <= 30)
            chill.append(track);
    }
    library.addPlaylist(QStringLiteral("Mix"), mix);
    library.addPlaylist(QStringLiteral("Chill"), chill);
    std::unique_ptr<UsbMSDevice> usbPhone;
    std::unique_ptr<EmulatedMtpPhone> mtpPhone;
    Device* phone = nullptr;
    DeviceParent* phoneParent = nullptr;
    if (qEnvironmentVariableIsSet(kMtpVariable)) {
        mtpPhone = std::make_unique<EmulatedMtpPhone>();
        QVERIFY(mtpPhone->keepIn(root + QLatin1String(kMtpPhoneFolder)));
        QVERIFY(mtpPhone->open());
        phone = mtpPhone->device();
        phoneParent = mtpPhone->parent();
    } else {
        usbPhone = std::make_unique<UsbMSDevice>(env.phoneRoot(), QStringLiteral("phone"), true);
        phone = usbPhone.get();
    }
    MusicSync sync(&library, phone, phoneParent);
    // As in the application: a termination signal cancels the sync.
    TerminationSignal termination;
    connect(&termination, &TerminationSignal::terminationRequested, &sync, [&sync] { sync.Cancel(); });
    const auto report = [] {
        std::fputs(kEventLine, stdout);
        std::fflush(stdout);
        std::getchar(); // the go-ahead; none is needed once the parent closed its end
    };
    connect(&sync, qOverload<int, int>(&MusicSync::ProgressUpdate), &sync, report, Qt::DirectConnection);
    connect(&sync, qOverload<int, int, QString>(&MusicSync::ProgressUpdate), &sync, report, Qt::DirectConnection);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
}

// "Chill" is no longer chosen: its own tracks leave the phone. A sync killed
// anywhere in that removal leaves every track still on the phone in the
// cache, and the next sync finishes the removal.
void tst_KillMidSync::killedWhileRemovingTracksTheNextSyncFinishes()
{
    const auto seeded = [this](const QString& root) {
        SyncTestHome env(root);
        env.configurePhone({QStringLiteral("Mix"), QStringLiteral("Chill")});
        int events = 0;
        qint64 elapsedMs = 0;
        const bool copied = runToEnd(root, events, elapsedMs);
        env.configurePhone({QStringLiteral("Mix")});
        // Only the removal's steps report progress.
        env.editSettings([](SyncSettings& settings, const QString& id) { settings.setForceArtworkSync(id, false); });
        return copied;
    };
    const auto tracksOnPhone = [](const QString& root) {
        QStringList tracks;
        for (const QString& name : filesBelow(root + QStringLiteral("/phone/Music")))
            tracks.append(QStringLiteral("/Music/") + name);
        return tracks;
    };
    const QString id = QString::fromLatin1(SyncTestHome::kPhoneId);
    const QString reference = mWork.filePath(QStringLiteral("removal-reference"));
    QVERIFY(seeded(reference));
    int referenceEvents = 0;
    qint64 referenceMs = 0;
    QVERIFY(runToEnd(reference, referenceEvents, referenceMs));
    const QStringList expected = tracksOnPhone(reference);
    QCOMPARE(expected.size(), 30);

    for (int point = 0; point < 16; ++point) {
        const QString root = mWork.filePath(QStringLiteral("removal-%1").arg(point));
        QVERIFY(seeded(root));
        // Twelve points between two removals, four by time (inside one).
        const int killAtEvent = point < 12 ? 1 + point * referenceEvents / 12 : -1;
        std::unique_ptr<QProcess> child(startChild(root));
        killAt(*child, killAtEvent, (point - 11) * referenceMs / 5);
        SyncTestHome env(root);
        const QStringList cached = PhoneContents::cachedOnPhone(id);
        const QStringList left = tracksOnPhone(root);
        for (const QString& track : left)
            QVERIFY2(cached.contains(track), qPrintable(QStringLiteral("point %1: %2").arg(point).arg(track)));
        QVERIFY(cached.size() - left.size() <= 1);
        int events = 0;
        qint64 elapsedMs = 0;
        QVERIFY(runToEnd(root, events, elapsedMs));
        QCOMPARE(tracksOnPhone(root), expected);
        QCOMPARE(PhoneContents::cachedOnPhone(id), expected);
        QDir(root).removeRecursively();
    }
}

QTEST_GUILESS_MAIN(tst_KillMidSync)
#include "tst_KillMidSync.moc"
