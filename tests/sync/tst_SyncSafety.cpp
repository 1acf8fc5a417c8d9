// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "support/EmulatedMtpPhone.h"
#include "support/FileSizeLimit.h"
#include "support/IpdWriter.h"
#include "support/PhoneContents.h"
#include "support/SyncMedia.h"
#include "support/SyncRecordingDevice.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "sync/DataTransfer.h"
#include "sync/MusicSync.h"
#include "sync/PhotoCopier.h"
#include "sync/SyncReport.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace SyncState;
using PhoneContents::filesBelow;
using PhoneContents::readFile;
using PhoneContents::writeFile;

namespace {

const QString kPhoneId = QString::fromLatin1(SyncTestHome::kPhoneId);

// A BlackBerry backup with one text message, chosen with its photo folders.
void chooseBlackBerryBackup(SyncTestHome& env, const QStringList& photoFolders)
{
    const QString backup = env.inputFolder() + QStringLiteral("/Old phone.ipd");
    writeFile(backup, IpdWriter::header({QStringLiteral("SMS Messages")})
                          + IpdWriter::smsRecord(0, true, 1300000000000ULL, "+15550100", "Hello"));
    env.editSettings([&](SyncSettings& settings, const QString& id) {
        settings.setSelectedBackupPath(id, backup);
        settings.setCopyTextMessages(id, true);
        settings.setCopyPhotos(id, true);
        for (const QString& folder : photoFolders)
            settings.addToSettingsList(id, SettingsKeys::photoFoldersList(), QString(), folder);
    });
}

class SilentObserver : public PhotoCopier::Observer
{
public:
    void photoStateChanged(int) override {}
    void photoProgress(const QString&, int, int) override {}
};

} // namespace

// Nothing the user chose may go missing without a word: photos that do not
// fit, photos of the same name, a phone that is pulled during the run.
class tst_SyncSafety : public QObject
{
    Q_OBJECT

private slots:
    void photosThatDoNotFitAreListedAndEndWithErrors();
    void notEnoughSpaceAnsweredDontSyncSendsNothing();
    void photosOfTheSameNameAreAllKept();
    void sameNameOnMtpPhoneComparesContent();
    void phoneIsFlushedOnceBeforeTheEndState();
    void usbPhonePulledMidUpload();
    void usbPhonePulledDuringPhotos();
    void mtpPhoneUnpluggedMidUpload();
    void dataFileThePhoneRefusesStaysChosen();

private:
    // The playlist "Mix" of count tracks; the phone copies them as they are,
    // so their bytes need not be real audio.
    QList<Track> addMix(SyncTestHome& env, SyncTestLibrary& library, int count);
};

QList<Track> tst_SyncSafety::addMix(SyncTestHome& env, SyncTestLibrary& library, int count)
{
    QList<Track> tracks;
    for (int number = 1; number <= count; ++number) {
        const QString name = QStringLiteral("Song %1").arg(number);
        const QString path = env.inputFolder() + QLatin1Char('/') + name + QStringLiteral(".mp3");
        writeFile(path, QByteArray(4096 + number, char(number)));
        tracks.append(SyncMedia::track(path, name, QStringLiteral("Album"), QStringLiteral("Artist"), number));
    }
    library.addPlaylist(QStringLiteral("Mix"), tracks);
    return tracks;
}

void tst_SyncSafety::photosThatDoNotFitAreListedAndEndWithErrors()
{
    SyncTestHome env;
    env.configurePhone();
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    qint64 photoBytes = 0;
    for (int i = 1; i <= 10; ++i) {
        // Every fourth photo is larger than what the full phone still takes.
        const QByteArray bytes(i % 4 == 0 ? 3 * 1024 * 1024 : 64 * 1024, char('a' + i));
        QVERIFY(writeFile(photos + QStringLiteral("/IMG_%1.jpg").arg(i), bytes));
        photoBytes += bytes.size();
    }
    chooseBlackBerryBackup(env, {photos});
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    phone.mFreeSpace = 2 * 1024 * 1024;
    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    {
        FileSizeLimit fullPhone(1024 * 1024);
        QVERIFY(run.run());
    }

    // Asked before copying, for the photos and the data file together; the
    // test's answer is "Sync Anyway".
    const qint64 messagesBytes =
        QFileInfo(env.phoneFile(QStringLiteral("KORVA/") + Constants::messagesFileName())).size();
    QVERIFY(messagesBytes > 0);
    QCOMPARE(run.mShortfalls, QList<qint64>{photoBytes + messagesBytes - phone.mFreeSpace});
    QCOMPARE(run.states().last(), int(StateCompleteWithErrors));
    QCOMPARE(run.stateCount(StateComplete), 0);

    const QList<PhotoNotCopied>& lost = sync.outcome().notCopiedPhotos;
    QStringList lostNames;
    for (const PhotoNotCopied& photo : lost) {
        lostNames.append(QFileInfo(photo.sourcePath).fileName());
        QCOMPARE(photo.code, int(PhoneResult::CopyFailed));
    }
    QCOMPARE(lostNames, (QStringList{QStringLiteral("IMG_4.jpg"), QStringLiteral("IMG_8.jpg")}));
    QCOMPARE(sync.outcome().photosSent, 8);
    QCOMPARE(filesBelow(env.phoneFile(QStringLiteral("DCIM"))),
             (QStringList{QStringLiteral("Blackberry/IMG_1.jpg"), QStringLiteral("Blackberry/IMG_10.jpg"),
                          QStringLiteral("Blackberry/IMG_2.jpg"), QStringLiteral("Blackberry/IMG_3.jpg"),
                          QStringLiteral("Blackberry/IMG_5.jpg"), QStringLiteral("Blackberry/IMG_6.jpg"),
                          QStringLiteral("Blackberry/IMG_7.jpg"), QStringLiteral("Blackberry/IMG_9.jpg")}));

    // The window's words name each missing photo with its reason.
    const QString report = SyncReport(sync.outcome()).warningHtml();
    QVERIFY2(report.contains(QStringLiteral("IMG_4.jpg: ") + SyncReport::reason(PhoneResult::CopyFailed)),
             qPrintable(report));
    QVERIFY(report.contains(QStringLiteral("IMG_8.jpg")));
    QVERIFY(!report.contains(QStringLiteral("IMG_1.jpg")));
}

void tst_SyncSafety::notEnoughSpaceAnsweredDontSyncSendsNothing()
{
    SyncTestHome env;
    env.configurePhone();
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    QVERIFY(writeFile(photos + QStringLiteral("/IMG_1.jpg"), QByteArray(4096, 'p')));
    chooseBlackBerryBackup(env, {photos});
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    phone.mFreeSpace = 1000;
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        run.mCancelOnNotEnoughSpace = true;
        QVERIFY(run.run());
        QCOMPARE(run.mShortfalls.size(), 1);
        QCOMPARE(run.states().last(), int(StateCancelled));
        // The question counts the photos and the data files, each by name.
        const SpaceNeeds& needs = sync.spaceNeeds();
        QCOMPARE(needs.photoBytes, qint64(4096));
        QVERIFY(needs.dataFileBytes > 0);
        QCOMPARE(needs.shortfall(), run.mShortfalls.first());
        const QString text = needs.questionText();
        QVERIFY2(text.contains(QStringLiteral("some photos and videos and data files will not be copied"))
                     && text.contains(QStringLiteral("This sync copies photos and videos 1 MB, data files 1 MB; "
                                                     "the phone has 0 MB free.")),
                 qPrintable(text));
    }
    QVERIFY(filesBelow(env.phoneFile(QStringLiteral("DCIM"))).isEmpty());
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("KORVA/messages.xml"))));
    // The choices stay, so that the next sync (with room made) does the transfer.
    SyncSettings settings;
    QCOMPARE(settings.load(), 0);
    QVERIFY(settings.copyPhotos(kPhoneId));
    QVERIFY(settings.copyTextMessages(kPhoneId));
}

void tst_SyncSafety::photosOfTheSameNameAreAllKept()
{
    SyncTestHome env;
    env.configurePhone();
    const QString first = env.inputFolder() + QStringLiteral("/Camera");
    const QString second = env.inputFolder() + QStringLiteral("/Holiday");
    QVERIFY(writeFile(first + QStringLiteral("/IMG_1.jpg"), "first camera"));
    QVERIFY(writeFile(second + QStringLiteral("/IMG_1.jpg"), "holiday"));
    QVERIFY(writeFile(second + QStringLiteral("/IMG_2.jpg"), "already there"));
    QVERIFY(writeFile(second + QStringLiteral("/noext"), "no extension"));
    // An older photo of the phone's own, and one that an earlier run sent.
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1.jpg")), "phone's own"));
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_2.jpg")), "already there"));
    QVERIFY(writeFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/noext")), "other"));
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    const QStringList expected = {QStringLiteral("IMG_1.jpg"),   QStringLiteral("IMG_1_2.jpg"),
                                  QStringLiteral("IMG_1_3.jpg"), QStringLiteral("IMG_2.jpg"),
                                  QStringLiteral("noext"),       QStringLiteral("noext_2")};

    for (int round = 1; round <= 2; ++round) {
        chooseBlackBerryBackup(env, round == 1 ? QStringList{first, second} : QStringList());
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QVERIFY(sync.outcome().notCopiedPhotos.isEmpty());
        // Only what reached the phone now is counted: not IMG_2.jpg, which
        // was there, nor anything of the second round.
        QCOMPARE(sync.outcome().photosSent, round == 1 ? 3 : 0);
        // The second round sends the same folders again: nothing new appears.
        QCOMPARE(filesBelow(env.phoneFile(QStringLiteral("DCIM/Blackberry"))), expected);
    }
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1.jpg"))), QByteArray("phone's own"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1_2.jpg"))), QByteArray("first camera"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/IMG_1_3.jpg"))), QByteArray("holiday"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/noext_2"))), QByteArray("no extension"));
    QCOMPARE(PhotoCopier::numberedName(QStringLiteral("DCIM/a.b/.hidden"), 3), QStringLiteral("DCIM/a.b/.hidden_3"));
}

void tst_SyncSafety::sameNameOnMtpPhoneComparesContent()
{
    SyncTestHome env;
    EmulatedMtpPhone phone;
    QVERIFY(phone.put(QStringLiteral("DCIM/100APPLE/IMG_0001.JPG"), "other iPhone"));
    QVERIFY(phone.put(QStringLiteral("DCIM/100APPLE/IMG_0002.JPG"), "same"));
    QVERIFY(phone.open());
    const QString first = env.inputFolder() + QStringLiteral("/a");
    const QString second = env.inputFolder() + QStringLiteral("/b");
    QVERIFY(writeFile(first, "this iPhone"));
    QVERIFY(writeFile(second, "same"));
    SilentObserver observer;
    PhotoCopier copier(*phone.device(), observer);

    copier.copyCameraRollFile(first, QStringLiteral("/100APPLE/IMG_0001.JPG"), 0);
    copier.copyCameraRollFile(second, QStringLiteral("/100APPLE/IMG_0002.JPG"), 0);

    QVERIFY(copier.notCopied().isEmpty());
    QCOMPARE(phone.list(QStringLiteral("DCIM/100APPLE")),
             (QStringList{QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.JPG"),
                          QStringLiteral("IMG_0001_2.JPG")}));
    QCOMPARE(phone.read(QStringLiteral("DCIM/100APPLE/IMG_0001.JPG")), QByteArray("other iPhone"));
    QCOMPARE(phone.read(QStringLiteral("DCIM/100APPLE/IMG_0001_2.JPG")), QByteArray("this iPhone"));
}

void tst_SyncSafety::phoneIsFlushedOnceBeforeTheEndState()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    QVERIFY(writeFile(photos + QStringLiteral("/IMG_1.jpg"), "1"));
    QVERIFY(writeFile(photos + QStringLiteral("/IMG_2.jpg"), "2"));
    chooseBlackBerryBackup(env, {photos});
    SyncTestLibrary library;
    addMix(env, library, 3);
    SyncRecordingDevice phone(env.phoneRoot());
    MusicSync sync(&library, &phone, nullptr);
    phone.mStateNow = [&sync] { return sync.state(); };
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
    // One flush for the whole run, made while it still showed its last step.
    QCOMPARE(phone.mFlushCount, 1);
    QCOMPARE(phone.mStateAtFlush, int(StatePlaylists));
    QCOMPARE(sync.outcome().flushResult, 0);

    // A drive that is gone cannot confirm anything.
    UsbMSDevice gone(env.inputFolder() + QStringLiteral("/no such drive"), QStringLiteral("gone"), false);
    QCOMPARE(gone.flushToMedium(), int(PhoneResult::Disconnected));
    MusicSyncOutcome unflushed;
    unflushed.flushResult = PhoneResult::FlushFailed;
    QVERIFY(unflushed.hasErrors());
    QVERIFY(!SyncReport(unflushed).warningHtml().isEmpty());
}

void tst_SyncSafety::usbPhonePulledMidUpload()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, 6);
    const QString root = QDir::cleanPath(env.phoneRoot());
    const QString pulled = root + QStringLiteral(".pulled");
    SyncRecordingDevice phone(env.phoneRoot());
    int uploads = 0;
    phone.mBeforeUpload = [&](const Track&) {
        if (++uploads == 3)
            QDir().rename(root, pulled);
    };
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateCompleteWithErrors));
        QVERIFY(sync.outcome().phoneDisconnected);
        QCOMPARE(sync.outcome().lastUploadError, int(PhoneResult::Disconnected));
        // It stops at the first track that found the phone gone.
        QCOMPARE(uploads, 3);
        QCOMPARE(run.stateCount(StatePlaylists), 0);
        QVERIFY(SyncReport(sync.outcome()).warningHtml().contains(QStringLiteral("disconnected")));
    }
    // Nothing was rebuilt where the phone's drive had been.
    QVERIFY(!QFileInfo::exists(root));
    QCOMPARE(filesBelow(pulled + QStringLiteral("/Music")).size(), 2);
    // The cache claims nothing that the run could not confirm.
    QVERIFY(PhoneContents::cachedOnPhone(kPhoneId).isEmpty());

    // Plugged in again, the next sync finishes the job.
    QVERIFY(QDir().rename(pulled, root));
    phone.mBeforeUpload = nullptr;
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
    }
    const QStringList onPhone = filesBelow(root + QStringLiteral("/Music"));
    QCOMPARE(onPhone.size(), 6);
    QStringList expectedIds;
    for (const QString& file : onPhone)
        expectedIds.append(QStringLiteral("/Music/") + file);
    QCOMPARE(PhoneContents::cachedOnPhone(kPhoneId), expectedIds);
}

void tst_SyncSafety::usbPhonePulledDuringPhotos()
{
    SyncTestHome env;
    env.configurePhone();
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    for (int i = 1; i <= 4; ++i)
        QVERIFY(writeFile(photos + QStringLiteral("/IMG_%1.jpg").arg(i), QByteArray(100, char('0' + i))));
    chooseBlackBerryBackup(env, {photos});
    SyncTestLibrary library;
    const QString root = QDir::cleanPath(env.phoneRoot());
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        // Pulled as the third photo is about to be copied.
        connect(
            &sync, qOverload<int, int, QString>(&MusicSync::ProgressUpdate), &sync,
            [&](int, int, const QString& name) {
                if (name.endsWith(QLatin1String(" - IMG_3.jpg")))
                    QDir().rename(root, root + QStringLiteral(".pulled"));
            },
            Qt::DirectConnection);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateCompleteWithErrors));
        QVERIFY(sync.outcome().phoneDisconnected);
        QCOMPARE(sync.outcome().notCopiedPhotos.size(), 2);
        QCOMPARE(sync.outcome().notCopiedPhotos.first().code, int(PhoneResult::Disconnected));
    }
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QDir().rename(root + QStringLiteral(".pulled"), root));
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
    }
    // The transfer was done again; the two photos already there were kept, not doubled.
    QCOMPARE(filesBelow(env.phoneFile(QStringLiteral("DCIM/Blackberry"))),
             (QStringList{QStringLiteral("IMG_1.jpg"), QStringLiteral("IMG_2.jpg"), QStringLiteral("IMG_3.jpg"),
                          QStringLiteral("IMG_4.jpg")}));
    QVERIFY(readFile(env.phoneFile(QStringLiteral("KORVA/messages.xml"))).contains("Hello"));
}

void tst_SyncSafety::mtpPhoneUnpluggedMidUpload()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, 5);
    EmulatedMtpPhone phone;
    QVERIFY(phone.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId));
    QVERIFY(phone.open());
    // Three tracks go through; the fourth is cut.
    phone.emulation().unplugDuringSend(phone.pnpId(), 3);
    {
        MusicSync sync(&library, phone.device(), phone.parent());
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateCompleteWithErrors));
        QVERIFY(sync.outcome().phoneDisconnected);
        QCOMPARE(sync.GetNonCopiedTracks().size(), 1);
    }
    QVERIFY(!phone.emulation().isPluggedIn(phone.pnpId()));
    QCOMPARE(phone.list(QStringLiteral("Music/Artist/Album")).size(), 3);
    QVERIFY(PhoneContents::cachedOnPhone(kPhoneId).isEmpty());

    phone.emulation().plugIn(phone.pnpId());
    QVERIFY(phone.open());
    {
        MusicSync sync(&library, phone.device(), phone.parent());
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
    }
    QStringList onPhone = phone.list(QStringLiteral("Music/Artist/Album"));
    onPhone.sort();
    QCOMPARE(onPhone,
             (QStringList{QStringLiteral("Song 1.mp3"), QStringLiteral("Song 2.mp3"), QStringLiteral("Song 3.mp3"),
                          QStringLiteral("Song 4.mp3"), QStringLiteral("Song 5.mp3")}));
    QStringList expectedIds;
    for (const QString& file : std::as_const(onPhone))
        expectedIds.append(QStringLiteral("/Music/Artist/Album/") + file);
    QCOMPARE(PhoneContents::cachedOnPhone(kPhoneId), expectedIds);
}

void tst_SyncSafety::dataFileThePhoneRefusesStaysChosen()
{
    SyncTestHome env;
    env.configurePhone();
    chooseBlackBerryBackup(env, {});
    // A file where the standard files' folder belongs: the messages file cannot be sent.
    const QString blocker = env.phoneFile(Constants::phoneStandardFilesFolder());
    QVERIFY(writeFile(blocker, "in the way"));
    SyncTestLibrary library;
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateCompleteWithErrors));
        QVERIFY(sync.outcome().dataTransfer.smsBackup.code != 0);
    }
    SyncSettings settings;
    QCOMPARE(settings.load(), 0);
    QVERIFY(settings.copyTextMessages(kPhoneId));

    // With the folder free, the next sync sends it and the choice is done.
    QVERIFY(QFile::remove(blocker));
    MusicSync again(&library, &phone, nullptr);
    SyncRun rerun(again);
    QVERIFY(rerun.run());
    QCOMPARE(rerun.states().last(), int(StateComplete));
    QCOMPARE(filesBelow(blocker).size(), 1);
    QCOMPARE(settings.load(), 0);
    QVERIFY(!settings.copyTextMessages(kPhoneId));
}

QTEST_GUILESS_MAIN(tst_SyncSafety)
#include "tst_SyncSafety.moc"
