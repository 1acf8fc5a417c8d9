// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "app/ExceptionReport.h"
#include "app/ResultCodes.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "settings/SettingsStore.h"
#include "support/EmulatedMtpPhone.h"
#include "support/FaultChild.h"
#include "support/PhoneContents.h"
#include "support/SyncMedia.h"
#include "support/SyncRecordingDevice.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <tuple>

using namespace SyncState;

// The music side of a sync run on a USB phone folder, with a library that
// returns real (tiny) audio files.
class tst_MusicSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tracksCopiedLastFirstWithPercentages();
    void aacConvertedArrivesAsMp3();
    void albumArtSentOncePerAlbum();
    void albumArtRefreshOfTracksOnPhone();
    void unreadableArtworkSendsNothing();
    void failedUploadIsListedWithItsCode();
    void noMusicMarkerCopiesNoMusic();
    void podcastsKeepMostRecentEpisodes_data();
    void podcastsKeepMostRecentEpisodes();
    void cancelDuringUpload();
    void notEnoughSpace_data();
    void notEnoughSpace();
    void forceFullResyncStartsFromEmptyCache();
    void drmTracksAreReported();
    void earlyEnds_data();
    void earlyEnds();
    void faultInRunEndsTheProcessWithItsReport();
    void removesWhatLeftTheSync_data();
    void removesWhatLeftTheSync();

private:
    QList<Track> makeTracks(SyncTestHome& env, const QStringList& names, const QString& album,
                            const QString& extension = QStringLiteral("mp3"));
    QList<Track> addMix(SyncTestHome& env, SyncTestLibrary& library, const QStringList& names);
    QString mSilenceMp3;
    QString mSilenceM4a;
    QTemporaryDir mMedia;
};

void tst_MusicSync::initTestCase()
{
    QVERIFY(mMedia.isValid());
    mSilenceMp3 = mMedia.filePath(QStringLiteral("silence.mp3"));
    mSilenceM4a = mMedia.filePath(QStringLiteral("silence.m4a"));
    QVERIFY(SyncMedia::makeSilence(mSilenceMp3));
    QVERIFY(SyncMedia::makeSilence(mSilenceM4a, QStringLiteral("Converted song")));
}

QList<Track> tst_MusicSync::makeTracks(SyncTestHome& env, const QStringList& names, const QString& album,
                                       const QString& extension)
{
    QList<Track> tracks;
    int number = 1;
    for (const QString& name : names) {
        const QString path = env.inputFolder() + QLatin1Char('/') + name + QLatin1Char('.') + extension;
        QFile::copy(extension == QLatin1String("mp3") ? mSilenceMp3 : mSilenceM4a, path);
        tracks.append(SyncMedia::track(path, name, album, QStringLiteral("Artist"), number++));
    }
    return tracks;
}

// The playlist "Mix" of the named MP3 tracks, all on the album "Album".
QList<Track> tst_MusicSync::addMix(SyncTestHome& env, SyncTestLibrary& library, const QStringList& names)
{
    const QList<Track> tracks = makeTracks(env, names, QStringLiteral("Album"));
    library.addPlaylist(QStringLiteral("Mix"), tracks);
    return tracks;
}

namespace {

// Saves the cover into the input folder and makes it the album's artwork;
// false where it cannot be saved.
bool setCover(SyncTestHome& env, SyncTestLibrary& library, const QString& album, const QImage& cover)
{
    const QString coverPath = env.inputFolder() + QStringLiteral("/cover.png");
    if (!cover.save(coverPath))
        return false;
    library.setArtwork(album, coverPath, env.inputFolder());
    return true;
}

} // namespace

void tst_MusicSync::tracksCopiedLastFirstWithPercentages()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One", "Two", "Three"});
    SyncRecordingDevice phone(env.phoneRoot());

    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        // Album art of tracks already on the phone is refreshed by default (11).
        QCOMPARE(run.states(),
                 (QList<int>{StatePreparing, StateAlbumArt, StateCopying, StatePlaylists, StateComplete}));
        QCOMPARE(phone.mUploadedNames, (QStringList{"Three", "Two", "One"}));
        QCOMPARE(run.percents(StateCopying), (QList<int>{0, 33, 66}));
        QCOMPARE(run.names(StateCopying), (QStringList{"Copying tracks: 1 of 3 - Three", "Copying tracks: 2 of 3 - Two",
                                                       "Copying tracks: 3 of 3 - One"}));
        QVERIFY(sync.GetNonCopiedTracks().isEmpty());
    }
    QVERIFY(QFile::exists(env.phoneFile(QStringLiteral("Music/Artist/Album/Two.mp3"))));
    QFile playlist(env.phoneFile(QStringLiteral("Playlists_QNL/Mix.m3u")));
    QVERIFY(playlist.open(QIODevice::ReadOnly));
    QVERIFY(playlist.readAll().contains("/Music/Artist/Album/One.mp3\r\n"));
    QCOMPARE(phone.mFinalizeCount, 1);

    // The cache remembers the tracks: the next sync copies nothing.
    phone.mUploadedNames.clear();
    MusicSync again(&library, &phone, nullptr);
    SyncRun secondRun(again);
    QVERIFY(secondRun.run());
    QCOMPARE(secondRun.states().last(), int(StateComplete));
    QCOMPARE(phone.mUploadedNames, QStringList());
}

void tst_MusicSync::aacConvertedArrivesAsMp3()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    env.editSettings([](SyncSettings& settings, const QString& id) { settings.setConvertAacToMp3(id, true); });
    SyncTestLibrary library;
    library.addPlaylist(QStringLiteral("Mix"),
                        makeTracks(env, {"Song"}, QStringLiteral("Album"), QStringLiteral("m4a")));
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
    }
    const QString onPhone = env.phoneFile(QStringLiteral("Music/Artist/Album/Song.mp3"));
    QVERIFY(QFile::exists(onPhone));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("Music/Artist/Album/Song.m4a"))));
    const QString probe = SyncMedia::probe(onPhone);
    QVERIFY2(probe.contains(QLatin1String("codec_name=mp3")), qPrintable(probe));
    QVERIFY2(probe.contains(QLatin1String("TAG:title=Converted song")), qPrintable(probe));

    // The cache holds it as a converted MP3 with its phone path.
    TrackCache cache;
    QCOMPARE(cache.openFile(PhoneContents::cacheFileOf(QString::fromLatin1(SyncTestHome::kPhoneId))), 0);
    TrackList cached;
    QCOMPARE(cache.updateTrackList(cached, -1), 0);
    QCOMPARE(cached.count(), 1);
    QVERIFY(cached.track(0).convertedToMp3());
    QVERIFY(cached.track(0).onRemoteDevice());
    QCOMPARE(cached.track(0).deviceId(), QStringLiteral("/Music/Artist/Album/Song.mp3"));
    cache.close();
}

void tst_MusicSync::albumArtSentOncePerAlbum()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Album")});
    SyncTestLibrary library;
    QStringList names;
    for (int i = 1; i <= 10; ++i)
        names.append(QStringLiteral("Track %1").arg(i));
    library.addPlaylist(QStringLiteral("Album"), makeTracks(env, names, QStringLiteral("Ten")));
    QImage cover(600, 300, QImage::Format_ARGB32);
    cover.fill(Qt::blue);
    QVERIFY(setCover(env, library, QStringLiteral("Ten"), cover));
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
    QCOMPARE(phone.mUploadedNames.size(), 10);
    QCOMPARE(phone.mAlbumArt, QStringList{QStringLiteral("Ten / Artist")});
    QCOMPARE(library.mExportedArtwork.size(), 1);
    // The library's export is removed once used.
    QVERIFY(!QFile::exists(library.mExportedArtwork.first()));
    QImage sent(env.phoneFile(QStringLiteral("Music/Artist/Ten/AlbumArt.jpg")));
    QCOMPARE(sent.size(), QSize(300, 150));
}

void tst_MusicSync::albumArtRefreshOfTracksOnPhone()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    const QString id = QString::fromLatin1(SyncTestHome::kPhoneId);
    env.editSettings([](SyncSettings& settings, const QString& phoneId) {
        settings.setEnableArtworkSync(phoneId, false);
        settings.setForceArtworkSync(phoneId, false);
    });
    SyncTestLibrary library;
    addMix(env, library, {"One", "Two"});
    QImage cover(40, 40, QImage::Format_RGB32);
    cover.fill(Qt::green);
    QVERIFY(setCover(env, library, QStringLiteral("Album"), cover));
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.stateCount(StateAlbumArt), 0);
    }
    // With the setting off the cover is prepared for each track but not sent.
    QVERIFY(phone.mAlbumArt.isEmpty());
    QCOMPARE(library.mExportedArtwork.size(), 2);

    // A refresh asked for: state 11 sends the art of the album on the phone
    // once, and the request is cleared.
    env.editSettings(
        [](SyncSettings& settings, const QString& phoneId) { settings.setForceArtworkSync(phoneId, true); });
    MusicSync refresh(&library, &phone, nullptr);
    SyncRun run(refresh);
    QVERIFY(run.run());
    QCOMPARE(run.states(), (QList<int>{StatePreparing, StateAlbumArt, StatePlaylists, StateComplete}));
    QCOMPARE(run.names(StateAlbumArt), (QStringList{"Album - Artist", "Album - Artist"}));
    QCOMPARE(phone.mAlbumArt, QStringList{QStringLiteral("Album / Artist")});
    QVERIFY(QFile::exists(env.phoneFile(QStringLiteral("Music/Artist/Album/AlbumArt.jpg"))));
    SyncSettings settings;
    settings.load();
    QVERIFY(!settings.forceArtworkSync(id));
}

void tst_MusicSync::unreadableArtworkSendsNothing()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One"});
    const QString coverPath = env.inputFolder() + QStringLiteral("/cover.png");
    QFile broken(coverPath);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG but nothing else");
    broken.close();
    library.setArtwork(QStringLiteral("Album"), coverPath, env.inputFolder());
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(phone.mUploadedNames, QStringList{QStringLiteral("One")});
    QVERIFY(phone.mAlbumArt.isEmpty());
    QCOMPARE(library.mExportedArtwork.size(), 1);
    QVERIFY(!QFile::exists(library.mExportedArtwork.first()));
}

void tst_MusicSync::failedUploadIsListedWithItsCode()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One", "Two", "Three"});
    SyncRecordingDevice phone(env.phoneRoot());
    phone.mFailingUploads.insert(QStringLiteral("Two"), -6008);

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
    QCOMPARE(sync.GetNonCopiedTracks().size(), 1);
    QCOMPARE(sync.GetNonCopiedTracks().first().trackName(), QStringLiteral("Two"));
    QCOMPARE(sync.outcome().lastUploadError, -6008);
    // The failed attempt still counts, so the bar keeps moving.
    QCOMPARE(run.percents(StateCopying), (QList<int>{0, 33, 66}));
    QVERIFY(QFile::exists(env.phoneFile(QStringLiteral("Music/Artist/Album/One.mp3"))));
    QVERIFY(!QFile::exists(env.phoneFile(QStringLiteral("Music/Artist/Album/Two.mp3"))));
}

void tst_MusicSync::noMusicMarkerCopiesNoMusic()
{
    SyncTestHome env;
    env.configurePhone({}); // stores "###DONT-SYNC-MUSIC###"
    SyncTestLibrary library;
    addMix(env, library, {"One"});
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states(), (QList<int>{StatePreparing, StateAlbumArt, StateComplete}));
    QVERIFY(library.mScannedPlaylists.isEmpty());
    QVERIFY(phone.mUploadedNames.isEmpty());
    QVERIFY(!QDir(env.phoneFile(QStringLiteral("Music"))).exists());
}

void tst_MusicSync::podcastsKeepMostRecentEpisodes_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two most recent") << 2 << QStringList{"Ep5", "Ep4"};
    QTest::newRow("no limit") << 0 << QStringList{"Ep5", "Ep4", "Ep3", "Ep2", "Ep1"};
    QTest::newRow("limit above count") << 9 << QStringList{"Ep5", "Ep4", "Ep3", "Ep2", "Ep1"};
}

void tst_MusicSync::podcastsKeepMostRecentEpisodes()
{
    QFETCH(int, limit);
    QFETCH(QStringList, expected);
    SyncTestHome env;
    env.configurePhone({}, 2, {QStringLiteral("Show")});
    env.editSettings(
        [limit](SyncSettings& settings, const QString& id) { settings.setNumberOfEpisodesToSync(id, limit); });
    // Dates deliberately not in list order.
    QList<Track> episodes = makeTracks(env, {"Ep3", "Ep1", "Ep5", "Ep2", "Ep4"}, QStringLiteral("Show"));
    for (Track& episode : episodes)
        episode.setDateAdded(1000 + episode.trackName().mid(2).toInt());
    SyncTestLibrary library;
    library.addPodcast(QStringLiteral("Show"), episodes);
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
    QStringList copied = phone.mUploadedNames;
    std::sort(copied.begin(), copied.end());
    QStringList sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    QCOMPARE(copied, sortedExpected);

    QFile playlist(env.phoneFile(QStringLiteral("Playlists_QNL/Show.m3u")));
    QVERIFY(playlist.open(QIODevice::ReadOnly));
    QStringList listed;
    for (const QByteArray& line : playlist.readAll().split('\n'))
        if (line.startsWith("#EXTINF:"))
            listed.append(QString::fromUtf8(line.mid(line.indexOf(',') + 1)).trimmed());
    QCOMPARE(listed, expected);
}

void tst_MusicSync::cancelDuringUpload()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One", "Two", "Three"});
    SyncRecordingDevice phone(env.phoneRoot());
    MusicSync sync(&library, &phone, nullptr);
    phone.mBeforeUpload = [&sync](const Track& track) {
        if (track.trackName() == QLatin1String("Two"))
            sync.Cancel();
    };

    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateCancelled));
    QCOMPARE(run.stateCount(StateCancelled), 1);
    QCOMPARE(run.stateCount(StateComplete), 0);
    QCOMPARE(run.stateCount(StatePlaylists), 0);
    QCOMPARE(phone.mUploadedNames, (QStringList{"Three", "Two"}));
    QVERIFY(phone.mPlaylistNames.isEmpty());
    QCOMPARE(phone.mRemoveOldPlaylistsCount, 0);
    QCOMPARE(phone.mFinalizeCount, 1);
}

void tst_MusicSync::notEnoughSpace_data()
{
    QTest::addColumn<bool>("userCancels");
    QTest::addColumn<bool>("forceFull");
    QTest::newRow("don't sync") << true << false;
    QTest::newRow("sync anyway") << false << false;
    QTest::newRow("force full resync makes no check") << true << true;
}

void tst_MusicSync::notEnoughSpace()
{
    QFETCH(bool, userCancels);
    QFETCH(bool, forceFull);
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    const QList<Track> tracks = addMix(env, library, {"One", "Two"});
    SyncRecordingDevice phone(env.phoneRoot());
    phone.mFreeSpace = 1000;

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    run.mCancelOnNotEnoughSpace = userCancels;
    QVERIFY(run.run(forceFull));
    if (forceFull) {
        QVERIFY(run.mShortfalls.isEmpty());
        QCOMPARE(run.states().last(), int(StateComplete));
        return;
    }
    const qint64 needed = tracks.at(0).sizeOnPc() + tracks.at(1).sizeOnPc();
    QCOMPARE(run.mShortfalls, QList<qint64>{needed - 1000});
    if (userCancels) {
        QCOMPARE(run.states().last(), int(StateCancelled));
        QVERIFY(phone.mUploadedNames.isEmpty());
    } else {
        QCOMPARE(run.states().last(), int(StateComplete));
        QCOMPARE(phone.mUploadedNames.size(), 2);
    }
}

void tst_MusicSync::forceFullResyncStartsFromEmptyCache()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One", "Two"});
    SyncRecordingDevice phone(env.phoneRoot());
    {
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
    }
    QString cacheName;
    {
        SyncSettings settings;
        settings.load();
        QCOMPARE(settings.getCacheFilename(QString::fromLatin1(SyncTestHome::kPhoneId), cacheName), 0);
    }
    // A stray record in the companion file must be gone after the full resync.
    QFile ids(TrackCache::persistentIdsFileName(cacheName));
    QVERIFY(ids.open(QIODevice::Append));
    ids.write(QByteArray(4096, 'x'));
    ids.close();

    phone.mUploadedNames.clear();
    MusicSync full(&library, &phone, nullptr);
    SyncRun run(full);
    QVERIFY(run.run(true));
    QCOMPARE(run.states().last(), int(StateComplete));
    QCOMPARE(phone.mUploadedNames, (QStringList{"Two", "One"}));
    QVERIFY(QFileInfo(TrackCache::persistentIdsFileName(cacheName)).size() < 4096);
}

void tst_MusicSync::drmTracksAreReported()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One"});
    library.mDrmTracks = makeTracks(env, {"Protected"}, QStringLiteral("Shop"));
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.mDrmQuestions, 1);
    QCOMPARE(sync.GetDrmTracks().count(), 1);
    QCOMPARE(phone.mUploadedNames, QStringList{QStringLiteral("One")});
    // Nothing of ours is on the phone yet: nothing to ask about removing.
    QCOMPARE(run.mDeleteQuestions, 0);
}

void tst_MusicSync::earlyEnds_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QList<int>>("expectedStates");
    QTest::newRow("not configured") << QStringLiteral("not configured") << QList<int>{StateNotConfigured};
    QTest::newRow("no settings file") << QStringLiteral("no settings") << QList<int>{StateSettingsError};
    // Without a cache the run cannot go on, but the window must not stay busy.
    QTest::newRow("cache cannot be opened")
        << QStringLiteral("bad cache") << QList<int>{StatePreparing, StateCompleteWithErrors};
}

void tst_MusicSync::earlyEnds()
{
    QFETCH(QString, situation);
    QFETCH(QList<int>, expectedStates);
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    if (situation == QLatin1String("not configured")) {
        SyncSettings settings;
        settings.load();
        settings.setConfig(QStringLiteral("another phone"), true, 0, {}, {}, QStringLiteral("other"));
        settings.document().documentElement().removeChild(
            settings.findDeviceElement(QString::fromLatin1(SyncTestHome::kPhoneId)));
        settings.save();
        QVERIFY(settings.findDeviceElement(QString::fromLatin1(SyncTestHome::kPhoneId)).isNull());
    } else if (situation == QLatin1String("no settings")) {
        QVERIFY(QFile::remove(Constants::configFilePath()));
    } else {
        // The cache's place is a folder: it cannot be opened as a file.
        QString cacheName;
        SyncSettings settings;
        settings.load();
        settings.getCacheFilename(QString::fromLatin1(SyncTestHome::kPhoneId), cacheName);
        QVERIFY(QDir().mkpath(cacheName));
    }
    SyncTestLibrary library;
    addMix(env, library, {"One"});
    SyncRecordingDevice phone(env.phoneRoot());

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states(), expectedStates);
    QVERIFY(phone.mUploadedNames.isEmpty());
    QCOMPARE(phone.mPrepareCount, 1);
    // The metadata file opened for the sync is closed again in every case.
    QCOMPARE(phone.mFinalizeCount, 1);
}

// The sync thread's fault ends the process; the report waits for the next start.
void tst_MusicSync::faultInRunEndsTheProcessWithItsReport()
{
    const QString childRoot = qEnvironmentVariable("VELMORA_FAULT_CHILD_ROOT");
    if (!childRoot.isEmpty()) {
        leaveNoCoreFile();
        SyncTestHome env(childRoot);
        env.configurePhone({QStringLiteral("Mix")});
        SyncTestLibrary library;
        library.mDivideByZero = true;
        SyncRecordingDevice phone(env.phoneRoot());
        MusicSync sync(&library, &phone, nullptr);
        SyncRun run(sync);
        run.run();
        QFAIL("the process carried on after the fault");
    }
    QTemporaryDir root;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_FAULT_CHILD_ROOT"), root.path());
    const FaultChildEnd end = runFaultChild({QStringLiteral("faultInRunEndsTheProcessWithItsReport")}, environment);
    QVERIFY(end.finished);
    QVERIFY2(end.crashed, end.output.constData());
    QCOMPARE(end.signal, SIGFPE);
    const SyncTestHome env(root.path());
    const QString report = ExceptionReporter::takeSavedReport(ExceptionReporter::savedReportPath());
    QVERIFY2(report.startsWith(QLatin1String("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n")), qPrintable(report));
}

namespace {

QStringList cachedOnPhone()
{
    return PhoneContents::cachedOnPhone(QString::fromLatin1(SyncTestHome::kPhoneId));
}

// A USB phone whose deletion of one track fails, or which is pulled out
// after a number of deletions.
class DeletionPhone : public SyncRecordingDevice
{
public:
    explicit DeletionPhone(const QString& root) : SyncRecordingDevice(root), mRoot(root.chopped(1)) {}
    int DeleteTrack(TrackCache& cache, Track& track) override
    {
        if (mPullAfter-- == 0)
            QDir().rename(mRoot, mRoot + QStringLiteral("-pulled"));
        return track.trackName() == mFailing ? PhoneResult::DeleteFailed : UsbMSDevice::DeleteTrack(cache, track);
    }
    const QString mRoot;
    QString mFailing;
    int mPullAfter = -1;
};

} // namespace

void tst_MusicSync::removesWhatLeftTheSync_data()
{
    QTest::addColumn<bool>("mtp");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("notRemoved");
    for (const bool mtp : {false, true}) {
        const char* kind = mtp ? "MTP" : "USB";
        QTest::addRow("%s: track deleted", kind) << mtp << "Mix"
                                                 << "yes" << QStringList{"Three", "Two"} << QStringList();
        QTest::addRow("%s: playlist unchosen", kind) << mtp << "Chill"
                                                     << "yes" << QStringList{"Calm"} << QStringList();
        QTest::addRow("%s: episode aged out", kind) << mtp << "Show"
                                                    << "yes" << QStringList{"Ep1"} << QStringList();
        // The user's own file where Velmora would have put Two.
        QTest::addRow("%s: user's file", kind) << mtp << "Mix"
                                               << "own" << QStringList{"Three"} << QStringList();
    }
    QTest::newRow("no") << false << "Mix"
                        << "no" << QStringList() << QStringList();
    QTest::newRow("yes and always") << false << "Mix"
                                    << "always" << QStringList{"Three", "Two"} << QStringList();
    QTest::newRow("deletion fails") << false << "Mix"
                                    << "fails" << QStringList{"Two"} << QStringList{"Three"};
    // An empty library is taken for a music folder that is not there.
    QTest::newRow("music folder gone") << false << "gone"
                                       << "yes" << QStringList() << QStringList();
    // Three goes first (the cache holds the tracks in upload order).
    QTest::newRow("phone pulled") << false << "Mix"
                                  << "pulled" << QStringList{"Three"} << QStringList{"Two"};
}

// Between two syncs the library or the choice changes: the second sync
// removes what it no longer syncs (after asking), never the user's files,
// and keeps in the cache and the report what it could not remove.
void tst_MusicSync::removesWhatLeftTheSync()
{
    QFETCH(bool, mtp);
    QFETCH(QString, change);
    QFETCH(QString, answer);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, notRemoved);
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix"), QStringLiteral("Chill")}, 2, {QStringLiteral("Show")});
    const QList<Track> mix = makeTracks(env, {"One", "Two", "Three"}, QStringLiteral("Album"));
    QList<Track> show = makeTracks(env, {"Ep1", "Ep2"}, QStringLiteral("Album"));
    show[1].setDateAdded(1);
    DeletionPhone usb(env.phoneRoot());
    usb.mFailing = answer == QLatin1String("fails") ? QStringLiteral("Three") : QString();
    EmulatedMtpPhone emulated;
    if (mtp) {
        QVERIFY(emulated.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId) && emulated.open());
    }
    Device* device = mtp ? static_cast<Device*>(emulated.device()) : &usb;
    const auto path = [](const QString& name) -> QString {
        return QStringLiteral("Music/Artist/Album/") + name + ".mp3";
    };
    const auto onPhone = [&](const QString& name) {
        return mtp ? emulated.exists(path(name)) : QFile::exists(env.phoneFile(path(name)));
    };
    const auto put = [&](const QString& at) {
        return mtp ? emulated.put(at, "own") : PhoneContents::writeFile(env.phoneFile(at), "own");
    };
    QVERIFY(put(QStringLiteral("Music/Artist/Mine/Two.mp3")));
    if (answer == QLatin1String("own"))
        QVERIFY(put(path(QStringLiteral("Two"))));
    SettingsStore store;
    const auto sync = [&](const QList<Track>& mixTracks, bool confirm) {
        SyncTestLibrary library;
        library.addPlaylist(QStringLiteral("Mix"), mixTracks);
        library.addPlaylist(QStringLiteral("Chill"), mixTracks.isEmpty() && change == QLatin1String("gone")
                                                         ? QList<Track>()
                                                         : makeTracks(env, {"Calm"}, QStringLiteral("Album")));
        library.addPodcast(QStringLiteral("Show"), show);
        MusicSync engine(&library, device, mtp ? emulated.parent() : nullptr);
        store.reload();
        engine.useSettings(&store);
        SyncRun run(engine);
        run.mConfirmDelete = confirm;
        // What the window does on "yes and always".
        connect(
            &engine, &MusicSync::ConfirmDeleteTracks, &run,
            [&] {
                if (answer == QLatin1String("always"))
                    store.change(
                        [](SyncSettings& settings) { settings.setDeleteWithoutWarning(SyncTestHome::kPhoneId); });
            },
            Qt::BlockingQueuedConnection);
        run.run();
        return std::make_tuple(run.mDeleteQuestions, run.states().last(), engine.outcome());
    };
    QCOMPARE(std::get<2>(sync(mix, true)).tracksCopied, 6);
    const QStringList before = cachedOnPhone();
    store.change([&change](SyncSettings& settings) {
        if (change == QLatin1String("Chill"))
            settings.setConfig(SyncTestHome::kPhoneId, false, 2, {"Mix"}, {"Show"}, QStringLiteral("Test phone"));
        settings.setNumberOfEpisodesToSync(SyncTestHome::kPhoneId, change == QLatin1String("Show") ? 1 : 0);
    });
    usb.mPullAfter = answer == QLatin1String("pulled") ? 1 : -1;
    const auto [questions, state, outcome] = sync(change == QLatin1String("Mix")    ? mix.mid(0, 1)
                                                  : change == QLatin1String("gone") ? QList<Track>()
                                                                                    : mix,
                                                  answer != QLatin1String("no"));
    QVERIFY(QDir().rename(usb.mRoot + QStringLiteral("-pulled"), usb.mRoot) == (answer == QLatin1String("pulled")));
    QCOMPARE(questions, removed.isEmpty() && answer != QLatin1String("no") ? 0 : 1);
    QCOMPARE(state, int(answer == QLatin1String("no") ? StateCancelled
                        : notRemoved.isEmpty()        ? StateComplete
                                                      : StateCompleteWithErrors));
    QStringList expected = before;
    for (const QString& name : removed) {
        QVERIFY2(!onPhone(name), qPrintable(name));
        expected.removeOne(QLatin1Char('/') + path(name));
    }
    QCOMPARE(outcome.tracksNotRemoved, notRemoved);
    for (const QString& name : notRemoved)
        QVERIFY(onPhone(name));
    if (answer == QLatin1String("own"))
        expected.removeOne(QLatin1Char('/') + path(QStringLiteral("Two")));
    QCOMPARE(cachedOnPhone(), expected);
    QVERIFY(onPhone(QStringLiteral("One")) && onPhone(QStringLiteral("Two")) != removed.contains("Two"));
    QVERIFY(mtp ? emulated.exists("Music/Artist/Mine/Two.mp3")
                : QFile::exists(env.phoneFile("Music/Artist/Mine/Two.mp3")));
    QCOMPARE(outcome.tracksRemoved, removed.size());
    // What stays for a library that held no music is told, not kept silent.
    QCOMPARE(outcome.tracksKeptForUnreadLibrary, change == QLatin1String("gone") ? 4 : 0);
    const QByteArray playlist =
        mtp ? emulated.read("Playlists_QNL/Mix.m3u") : PhoneContents::readFile(env.phoneFile("Playlists_QNL/Mix.m3u"));
    // A run that ends early leaves the playlists of the sync before.
    const bool rewritten = answer != QLatin1String("no") && answer != QLatin1String("pulled");
    QCOMPARE(playlist.contains("Two.mp3"), !rewritten || (change != QLatin1String("Mix") && change != "gone"));
    if (answer == QLatin1String("always")) {
        // The next removal goes ahead without a question.
        const auto [quietQuestions, quietState, quietOutcome] = sync({}, false);
        QCOMPARE(quietQuestions, 0);
        QCOMPARE(quietOutcome.tracksRemoved, 1);
        QVERIFY(!onPhone(QStringLiteral("One")));
    }
}

QTEST_GUILESS_MAIN(tst_MusicSync)
#include "tst_MusicSync.moc"
