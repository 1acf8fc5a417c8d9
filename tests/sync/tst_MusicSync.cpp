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
#include "sync/SyncReport.h"
#include "sync/SyncState.h"
#include "sync/TracksToRemove.h"

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
    void ruleSelectsOnlyOurTracksNoLongerSynced();
    void removesWhatLeftTheSync_data();
    void removesWhatLeftTheSync();
    void deleteAnswers_data();
    void deleteAnswers();

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

void tst_MusicSync::ruleSelectsOnlyOurTracksNoLongerSynced()
{
    const auto make = [](const QString& name, const QString& place, bool inCache, bool chosen) {
        Track track = SyncMedia::track(QStringLiteral("/lib/") + name, name, QStringLiteral("A"), QString(), 1);
        track.setInCache(inCache);
        track.setOnRemoteDevice(!place.isEmpty());
        track.setDeviceId(place);
        track.setOnLocalSyncPlaylist(chosen);
        return track;
    };
    TrackList tracks;
    tracks.addTrack(make(QStringLiteral("dropped"), QStringLiteral("/Music/a.mp3"), true, false));
    tracks.addTrack(make(QStringLiteral("kept"), QStringLiteral("/Music/b.mp3"), true, true));
    tracks.addTrack(make(QStringLiteral("new"), QString(), false, true));
    tracks.addTrack(make(QStringLiteral("deleted before"), QString(), true, false));
    // Retagged: the old record shares its place with the entry that replaces it.
    tracks.addTrack(make(QStringLiteral("old tags"), QStringLiteral("/Music/B.MP3"), true, false));
    Track users = make(QStringLiteral("user's"), QStringLiteral("/Music/c.mp3"), true, false);
    users.setFoundOnPhone(true);
    tracks.addTrack(users);

    const TracksToRemove selected = TracksToRemove::select(tracks, true);
    QCOMPARE(selected.remove.count(), 1);
    QCOMPARE(selected.remove.track(0).trackName(), QStringLiteral("dropped"));
    QCOMPARE(selected.release.size(), 2);
    QCOMPARE(selected.release.at(0).trackName(), QStringLiteral("old tags"));
    QCOMPARE(selected.release.at(1).trackName(), QStringLiteral("user's"));
    // A library that did not answer has not dropped anything.
    QVERIFY(TracksToRemove::select(tracks, false).remove.isEmpty());
}

namespace {

// A USB phone whose deletions can be made to fail, or which is pulled out
// in the middle of them.
class DeletionPhone : public SyncRecordingDevice
{
public:
    explicit DeletionPhone(const QString& root) : SyncRecordingDevice(root), mRoot(root.chopped(1)) {}
    int DeleteTrack(TrackCache& cache, Track& track) override
    {
        if (track.trackName() == mFailing)
            return PhoneResult::DeleteFailed;
        if (mPullAfter-- == 0)
            QDir().rename(mRoot, mRoot + QStringLiteral("-pulled"));
        return SyncRecordingDevice::DeleteTrack(cache, track);
    }
    const QString mRoot;
    QString mFailing;
    int mPullAfter = -1;
};

// The USB phone, or the emulated MTP phone, for the same cases.
struct EitherPhone
{
    EitherPhone(SyncTestHome& env, bool mtp) : usb(env.phoneRoot())
    {
        if (mtp && emulated.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId) && emulated.open())
            device = emulated.device();
    }
    bool isUsb() const { return device == &usb; }
    bool exists(const QString& path) const
    {
        return isUsb() ? QFile::exists(usb.mRoot + QLatin1Char('/') + path) : emulated.exists(path);
    }
    bool put(const QString& path)
    {
        return isUsb() ? PhoneContents::writeFile(usb.mRoot + QLatin1Char('/') + path, "own")
                       : emulated.put(path, "own");
    }
    DeviceParent* parent() const { return isUsb() ? nullptr : emulated.parent(); }

    DeletionPhone usb;
    EmulatedMtpPhone emulated;
    Device* device = &usb;
};

QStringList cachedOnPhone()
{
    return PhoneContents::cachedOnPhone(QString::fromLatin1(SyncTestHome::kPhoneId));
}

} // namespace

void tst_MusicSync::removesWhatLeftTheSync_data()
{
    QTest::addColumn<bool>("mtp");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("removed");
    for (const bool mtp : {false, true}) {
        const char* kind = mtp ? "MTP: " : "USB: ";
        QTest::addRow("%strack deleted", kind) << mtp << "track deleted"
                                               << "Album/Two.mp3";
        QTest::addRow("%splaylist unchosen", kind) << mtp << "playlist unchosen"
                                                   << "Calm/Three.mp3";
        QTest::addRow("%sepisode aged out", kind) << mtp << "episode aged out"
                                                  << "Show/Ep1.mp3";
        QTest::addRow("%suser's file at the track's place", kind) << mtp << "track deleted" << QString();
    }
}

// Between two syncs the library or the choice changes; the second sync
// removes exactly what it no longer syncs, and never the user's own files.
void tst_MusicSync::removesWhatLeftTheSync()
{
    QFETCH(bool, mtp);
    QFETCH(QString, change);
    QFETCH(QString, removed);
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix"), QStringLiteral("Chill")}, 2, {QStringLiteral("Show")});
    const QList<Track> mix = makeTracks(env, {"One", "Two"}, QStringLiteral("Album"));
    const QList<Track> chill = makeTracks(env, {"Three"}, QStringLiteral("Calm"));
    QList<Track> episodes = makeTracks(env, {"Ep1", "Ep2"}, QStringLiteral("Show"));
    episodes[0].setDateAdded(1000);
    episodes[1].setDateAdded(2000);
    EitherPhone phone(env, mtp);
    QCOMPARE(phone.isUsb(), !mtp);
    QVERIFY(phone.put(QStringLiteral("Music/Artist/Mine/Two.mp3")));
    if (removed.isEmpty())
        QVERIFY(phone.put(QStringLiteral("Music/Artist/Album/Two.mp3")));
    {
        SyncTestLibrary library;
        library.addPlaylist(QStringLiteral("Mix"), mix);
        library.addPlaylist(QStringLiteral("Chill"), chill);
        library.addPodcast(QStringLiteral("Show"), episodes);
        MusicSync first(&library, phone.device, phone.parent());
        SyncRun run(first);
        QVERIFY(run.run());
        QCOMPARE(first.outcome().tracksCopied, 5);
    }
    SyncTestLibrary library;
    library.addPlaylist(QStringLiteral("Mix"), change == QLatin1String("track deleted") ? mix.mid(0, 1) : mix);
    library.addPlaylist(QStringLiteral("Chill"), chill);
    library.addPodcast(QStringLiteral("Show"), episodes);
    env.editSettings([&change](SyncSettings& settings, const QString& id) {
        if (change == QLatin1String("playlist unchosen"))
            settings.setConfig(id, false, 2, {QStringLiteral("Mix")}, {QStringLiteral("Show")}, QStringLiteral("T"));
        settings.setNumberOfEpisodesToSync(id, change == QLatin1String("episode aged out") ? 1 : 0);
    });
    QStringList expected = cachedOnPhone();
    QVERIFY(expected.removeOne(QStringLiteral("/Music/Artist/") + (removed.isEmpty() ? "Album/Two.mp3" : removed)));

    MusicSync second(&library, phone.device, phone.parent());
    SyncRun run(second);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(StateComplete));
    QCOMPARE(cachedOnPhone(), expected);
    QVERIFY(phone.exists(QStringLiteral("Music/Artist/Mine/Two.mp3")));
    QVERIFY(phone.exists(QStringLiteral("Music/Artist/Album/One.mp3")));
    if (removed.isEmpty()) {
        // Not ours: the cache lets go of it, the phone keeps it, nobody is asked.
        QCOMPARE(run.mDeleteQuestions, 0);
        QVERIFY(phone.exists(QStringLiteral("Music/Artist/Album/Two.mp3")));
        return;
    }
    QCOMPARE(run.mDeleteQuestions, 1);
    QCOMPARE(second.TracksToDelete().count(), 1);
    QCOMPARE(run.stateCount(StateDeleting), 1);
    QVERIFY(!phone.exists(QStringLiteral("Music/Artist/") + removed));
    QVERIFY(SyncReport(second.outcome()).summaryText().contains(QLatin1String("Removed from the phone: 1 track")));
}

void tst_MusicSync::deleteAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("notRemoved");
    QTest::newRow("no") << "no" << QStringList();
    QTest::newRow("yes and always") << "always" << QStringList();
    QTest::newRow("deletion fails") << "fails" << QStringList{"Three"};
    // Four goes first (the cache holds the tracks in upload order), then the phone is pulled.
    QTest::newRow("phone pulled") << "pulled" << QStringList{"Three", "Two"};
}

void tst_MusicSync::deleteAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, notRemoved);
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    const QList<Track> mix = makeTracks(env, {"One", "Two", "Three", "Four"}, QStringLiteral("Album"));
    const auto onPhone = [&env](const QString& name) {
        return env.phoneFile(QStringLiteral("Music/Artist/Album/") + name + QStringLiteral(".mp3"));
    };
    DeletionPhone phone(env.phoneRoot());
    SettingsStore store;
    const auto runWith = [&](SyncTestLibrary& library) {
        MusicSync engine(&library, &phone, nullptr);
        store.reload();
        engine.useSettings(&store);
        SyncRun watcher(engine);
        watcher.mConfirmDelete = answer != QLatin1String("no");
        QObject window;
        // What the window does for "yes and always".
        if (answer == QLatin1String("always"))
            connect(
                &engine, &MusicSync::ConfirmDeleteTracks, &window,
                [&store] { store.change([](SyncSettings& s) { s.setDeleteWithoutWarning(SyncTestHome::kPhoneId); }); },
                Qt::BlockingQueuedConnection);
        const bool ended = watcher.run();
        return std::make_tuple(ended, watcher.mDeleteQuestions, watcher.states().last(), engine.outcome());
    };
    SyncTestLibrary all;
    all.addPlaylist(QStringLiteral("Mix"), mix);
    QVERIFY(std::get<0>(runWith(all)));
    const QStringList before = cachedOnPhone();
    QCOMPARE(before.size(), 4);

    SyncTestLibrary fewer;
    fewer.addPlaylist(QStringLiteral("Mix"), mix.mid(0, 1));
    phone.mFailing = answer == QLatin1String("fails") ? QStringLiteral("Three") : QString();
    phone.mPullAfter = answer == QLatin1String("pulled") ? 1 : -1;
    const auto [ended, questions, lastState, outcome] = runWith(fewer);
    QVERIFY(ended);
    QCOMPARE(questions, 1);
    if (answer == QLatin1String("no")) {
        QCOMPARE(lastState, int(StateCancelled));
        QCOMPARE(cachedOnPhone(), before);
        QVERIFY(QFile::exists(onPhone(QStringLiteral("Two"))));
        return;
    }
    if (answer == QLatin1String("always")) {
        QCOMPARE(cachedOnPhone(), QStringList{QStringLiteral("/Music/Artist/Album/One.mp3")});
        SyncTestLibrary none;
        none.addPlaylist(QStringLiteral("Mix"), {});
        const auto [quietEnded, quietQuestions, quietState, quietOutcome] = runWith(none);
        QVERIFY(quietEnded);
        QCOMPARE(quietQuestions, 0);
        QCOMPARE(quietOutcome.tracksRemoved, 1);
        QCOMPARE(cachedOnPhone(), QStringList());
        QVERIFY(!QFile::exists(onPhone(QStringLiteral("One"))));
        return;
    }
    // What could not be removed stays on the phone, in the cache and in the report.
    QCOMPARE(lastState, int(StateCompleteWithErrors));
    if (answer == QLatin1String("pulled"))
        QVERIFY(QDir().rename(phone.mRoot + QStringLiteral("-pulled"), phone.mRoot));
    QCOMPARE(outcome.tracksNotRemoved, notRemoved);
    QCOMPARE(outcome.tracksRemoved, 3 - notRemoved.size());
    const QStringList failed = SyncReport(outcome).failed();
    QStringList expected{QStringLiteral("/Music/Artist/Album/One.mp3")};
    for (const QString& name : notRemoved) {
        QVERIFY(failed.contains(QStringLiteral("Track not removed from the phone: ") + name));
        QVERIFY(QFile::exists(onPhone(name)));
        expected.append(QStringLiteral("/Music/Artist/Album/") + name + QStringLiteral(".mp3"));
    }
    expected.sort();
    QCOMPARE(cachedOnPhone(), expected);
}

QTEST_GUILESS_MAIN(tst_MusicSync)
#include "tst_MusicSync.moc"
