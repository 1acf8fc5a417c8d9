// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/Playlist.h"
#include "model/TrackList.h"
#include "model/library/LibraryIndex.h"
#include "model/library/LibraryScanner.h"
#include "model/library/MusicFolderLibrary.h"
#include "settings/SettingsStore.h"
#include "support/LibraryMedia.h"
#include "support/SyncTestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using LibraryMedia::Tags;

// The library of a music folder and a podcast folder, on small real files.
class tst_MusicFolderLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void tagsOfEveryFormat();
    void protectedTracksAreListedNotCopied();
    void playlistFiles();
    void unchangedFilesAreNotOpened();
    void removedFileLeavesLibrary();
    void podcastEpisodesAndTheirDates();
    void artworkEmbeddedOrBeside();
    void damagedIndexIsRebuilt();
    void scanThreadReportsAndWatchesTheFolder();
    void musicFolderSetting();

private:
    QString music(const QString& relative) const { return mHome->inputFolder() + QStringLiteral("/Music/") + relative; }
    QString musicFolder() const { return mHome->inputFolder() + QStringLiteral("/Music"); }
    QString podcastFolder() const { return mHome->inputFolder() + QStringLiteral("/gPodder/Downloads"); }
    QString indexPath() const { return mHome->programFolder() + QStringLiteral("/library.db"); }
    ScanSummary scan() { return LibraryScanner(indexPath()).scan(musicFolder(), podcastFolder()); }
    std::unique_ptr<MusicFolderLibrary> library()
    {
        return std::make_unique<MusicFolderLibrary>(musicFolder(), podcastFolder(), indexPath());
    }
    // The named playlist of the library, into list; the track names in its order.
    static QStringList scanNames(MusicFolderLibrary& library, const QString& name, TrackList& list,
                                 bool convertToMp3 = false);
    bool copyTrack(const QString& source, const QString& relative, const Tags& tags);

    QTemporaryDir mMedia;
    QString mMp3;
    QString mMp3WithCover;
    QString mM4aWithCover;
    QString mFlac;
    QString mOgg;
    QString mOpus;
    std::unique_ptr<SyncTestHome> mHome;
};

void tst_MusicFolderLibrary::initTestCase()
{
    QVERIFY(mMedia.isValid());
    const QString cover = mMedia.filePath(QStringLiteral("red.jpg"));
    QVERIFY(LibraryMedia::makeCover(cover, Qt::red));
    mMp3 = mMedia.filePath(QStringLiteral("plain.mp3"));
    mMp3WithCover = mMedia.filePath(QStringLiteral("cover.mp3"));
    mM4aWithCover = mMedia.filePath(QStringLiteral("cover.m4a"));
    mFlac = mMedia.filePath(QStringLiteral("plain.flac"));
    mOgg = mMedia.filePath(QStringLiteral("plain.ogg"));
    mOpus = mMedia.filePath(QStringLiteral("plain.opus"));
    QVERIFY(LibraryMedia::makeTrack(mMp3, Tags{}));
    QVERIFY(LibraryMedia::makeTrack(mMp3WithCover, Tags{}, cover));
    QVERIFY(LibraryMedia::makeTrack(mM4aWithCover, Tags{}, cover));
    QVERIFY(LibraryMedia::makeTrack(mFlac, Tags{}));
    QVERIFY(LibraryMedia::makeTrack(mOgg, Tags{}));
    QVERIFY(LibraryMedia::makeTrack(mOpus, Tags{}));
}

void tst_MusicFolderLibrary::init()
{
    mHome = std::make_unique<SyncTestHome>();
    QVERIFY(mHome->isValid());
    QVERIFY(QDir().mkpath(musicFolder()));
}

void tst_MusicFolderLibrary::cleanup()
{
    mHome.reset();
}

bool tst_MusicFolderLibrary::copyTrack(const QString& source, const QString& relative, const Tags& tags)
{
    return LibraryMedia::copyWithTags(source, music(relative), tags);
}

QStringList tst_MusicFolderLibrary::scanNames(MusicFolderLibrary& library, const QString& name, TrackList& list,
                                              bool convertToMp3)
{
    qint64 size = 0;
    TrackList drm;
    Playlist playlist;
    const int result = library.scanPlaylist(name, list, size, convertToMp3, drm, playlist, false);
    QStringList names;
    if (result != 0)
        return {QStringLiteral("error %1").arg(result)};
    for (const PlaylistEntry& entry : std::as_const(playlist.mEntries))
        names.append(list.track(entry.mTrackIndex).trackName());
    return names;
}

void tst_MusicFolderLibrary::tagsOfEveryFormat()
{
    QVERIFY(copyTrack(mMp3WithCover, QStringLiteral("Band/Alpha/a.mp3"),
                      Tags{"Song A", "Alpha", "Guest", "Band", 3, QString(), true}));
    QVERIFY(copyTrack(mM4aWithCover, QStringLiteral("Band/Beta/b.m4a"), Tags{"Song B", "Beta", "Band", {}, 1}));
    QVERIFY(copyTrack(mFlac, QStringLiteral("Band/Gamma/c.flac"), Tags{"Song C", "Gamma", "Band", {}, 2}));
    QVERIFY(copyTrack(mOgg, QStringLiteral("Other/d.ogg"), Tags{"Song D", "Delta", "Other", {}, 4}));
    QVERIFY(copyTrack(mOpus, QStringLiteral("Other/e.opus"), Tags{"Song E", "Delta", "Other", {}, 5}));
    // Damaged, empty and foreign files: counted, skipped, never fatal.
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Other/damaged.mp3")), QByteArray(5000, '\x17')));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Other/empty.flac")), QByteArray()));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Other/notes.txt")), "not music"));
    QVERIFY(QFile::copy(mMedia.filePath(QStringLiteral("red.jpg")), music(QStringLiteral("Band/Gamma/Folder.JPG"))));

    const ScanSummary summary = scan();
    QCOMPARE(summary.result, 0);
    QCOMPARE(summary.filesSeen, 7);
    QCOMPARE(summary.read, 7);
    QCOMPARE(summary.unreadable, 2);

    auto folderLibrary = library();
    // What the wizard asks about: five tracks of music, the .m4a one in AAC,
    // art embedded in the .mp3 and the .m4a and beside the .flac.
    QCOMPARE(folderLibrary->musicTrackCount(MusicTracks::All), 5);
    QCOMPARE(folderLibrary->musicTrackCount(MusicTracks::Aac), 1);
    QCOMPARE(folderLibrary->musicTrackCount(MusicTracks::WithAlbumArt), 3);
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list, true),
             (QStringList{"Song A", "Song B", "Song C", "Song D", "Song E"}));
    const Track& a = list.track(0);
    QCOMPARE(a.path(), music(QStringLiteral("Band/Alpha/a.mp3")));
    QCOMPARE(a.albumName(), QStringLiteral("Alpha"));
    // The album artist files the album; the compilation flag is kept.
    QCOMPARE(a.artistName(), QStringLiteral("Band"));
    QCOMPARE(a.trackNumberOnAlbum(), 3);
    QVERIFY(a.compilation());
    QCOMPARE(a.duration(), 1);
    QVERIFY(a.mp3Bitrate() >= 32 && a.mp3Bitrate() <= 320);
    QCOMPARE(a.sizeOnPc(), QFileInfo(a.path()).size());
    QVERIFY(a.onLocalSyncPlaylist());
    QVERIFY(!a.needsConversion());
    // Only the AAC track goes through the converter, and only when asked.
    QVERIFY(list.track(1).needsConversion());
    QVERIFY(!list.track(2).needsConversion());
    QVERIFY(!list.track(3).needsConversion());
    QVERIFY(!list.track(4).needsConversion());
    TrackList unconverted;
    scanNames(*folderLibrary, QStringLiteral("All music"), unconverted, false);
    QVERIFY(!unconverted.track(1).needsConversion());
    QCOMPARE(folderLibrary->playlistNames(), QStringList{"All music"});
    QVERIFY(folderLibrary->podcastNames().isEmpty());
}

void tst_MusicFolderLibrary::protectedTracksAreListedNotCopied()
{
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/free.mp3"), Tags{"Free", "A", "X", {}, 1}));
    QVERIFY(QFile::copy(mM4aWithCover, music(QStringLiteral("A/locked.m4p"))));
    QCOMPARE(scan().read, 2);
    auto folderLibrary = library();
    TrackList list;
    TrackList drm;
    Playlist playlist;
    qint64 size = 0;
    QCOMPARE(folderLibrary->scanPlaylist(QString(), list, size, true, drm, playlist, true), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.track(0).trackName(), QStringLiteral("Free"));
    QCOMPARE(playlist.mEntries.size(), 1);
    QCOMPARE(size, list.track(0).sizeOnPc());
    QCOMPARE(drm.count(), 1);
    QCOMPARE(drm.track(0).trackName(), QStringLiteral("locked"));
    // The whole library without a name fills no named playlist.
    QVERIFY(playlist.mName.isEmpty());
}

void tst_MusicFolderLibrary::playlistFiles()
{
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/one.mp3"), Tags{"One", "A", "X", {}, 1}));
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/two.mp3"), Tags{"Two", "A", "X", {}, 2}));
    QVERIFY(copyTrack(mMp3, QStringLiteral("B/three.mp3"), Tags{"Three", "B", "X", {}, 1}));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Lists/Road.m3u")),
                                    "#EXTM3U\r\n#EXTINF:1,Three\r\n" + music(QStringLiteral("B/three.mp3")).toUtf8()
                                        + "\r\n../A/missing.mp3\r\n../A/one.mp3\r\n"));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("B/Quiet.pls")),
                                    "[playlist]\nFile2=../A/two.mp3\nFile1=three.mp3\nFile3=/nowhere/x.mp3\n"));
    // The same name twice, and the name of the whole library.
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Road.m3u8")), "A/two.mp3\n"));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("All music.m3u")), "A/one.mp3\n"));
    QCOMPARE(scan().result, 0);

    auto folderLibrary = library();
    // Files in name order: Lists/Road.m3u keeps its name, Road.m3u8 beside the music gets a number.
    QCOMPARE(folderLibrary->playlistNames(), (QStringList{"All music", "All music 2", "Quiet", "Road", "Road 2"}));

    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("Quiet"), list), (QStringList{"Three", "Two"}));
    TrackList roadList;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("Road"), roadList), (QStringList{"Three", "One"}));
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("Road 2"), roadList), QStringList{"Two"});
    // A track in two playlists is one entry of the sync's list.
    QCOMPARE(roadList.count(), 3);
    TrackList allList;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music 2"), allList), QStringList{"One"});
    TrackList none;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("No such list"), none), QStringList());
}

void tst_MusicFolderLibrary::unchangedFilesAreNotOpened()
{
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/one.mp3"), Tags{"One", "A", "X", {}, 1}));
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/two.mp3"), Tags{"Two", "A", "X", {}, 2}));
    const QString path = music(QStringLiteral("A/one.mp3"));
    QFile file(path);
    // A whole second, so that setting it again gives the very same time.
    const QDateTime modified(QDate(2022, 6, 1), QTime(10, 0), Qt::UTC);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(scan().read, 2);

    // Same size, same time, other bytes: the index is believed, the file not opened.
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray garbage(int(file.size()), '\x55');
    QCOMPARE(file.write(garbage), qint64(garbage.size()));
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();

    ScanSummary summary = scan();
    QCOMPARE(summary.unchanged, 2);
    QCOMPARE(summary.read, 0);
    auto folderLibrary = library();
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list), (QStringList{"One", "Two"}));

    // A new time makes it read again: it is no music any more.
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified.addSecs(60), QFileDevice::FileModificationTime));
    file.close();
    summary = scan();
    QCOMPARE(summary.read, 1);
    QCOMPARE(summary.unchanged, 1);
    QCOMPARE(summary.unreadable, 1);
    TrackList after;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), after), QStringList{"Two"});
}

void tst_MusicFolderLibrary::removedFileLeavesLibrary()
{
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/one.mp3"), Tags{"One", "A", "X", {}, 1}));
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/two.mp3"), Tags{"Two", "A", "X", {}, 2}));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Mix.m3u")), "A/one.mp3\nA/two.mp3\n"));
    QCOMPARE(scan().read, 3);
    auto folderLibrary = library();

    QVERIFY(QFile::remove(music(QStringLiteral("A/two.mp3"))));
    // Before the next scan the index still names it; the library leaves it out.
    TrackList stale;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("Mix"), stale), QStringList{"One"});

    const ScanSummary summary = scan();
    QCOMPARE(summary.removed, 1);
    QCOMPARE(summary.filesSeen, 2);
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list), QStringList{"One"});
    QVERIFY(QFile::remove(music(QStringLiteral("Mix.m3u"))));
    QCOMPARE(scan().removed, 1);
    QCOMPARE(folderLibrary->playlistNames(), QStringList{"All music"});
}

void tst_MusicFolderLibrary::podcastEpisodesAndTheirDates()
{
    const QString show = podcastFolder() + QStringLiteral("/Show One/");
    QVERIFY(LibraryMedia::copyWithTags(mMp3, show + QStringLiteral("ep1.mp3"),
                                       Tags{"Episode 1", {}, {}, {}, 0, QStringLiteral("2024-01-10")}));
    QVERIFY(LibraryMedia::copyWithTags(mMp3, show + QStringLiteral("ep2.mp3"),
                                       Tags{"Episode 2", {}, {}, {}, 0, QStringLiteral("2024-02-20T08:00:00Z")}));
    QVERIFY(LibraryMedia::copyWithTags(mMp3, show + QStringLiteral("ep3.mp3"),
                                       Tags{"Episode 3", {}, {}, {}, 0, QStringLiteral("2024")}));
    // Without a full date the file's own date counts.
    QFile third(show + QStringLiteral("ep3.mp3"));
    QVERIFY(third.open(QIODevice::ReadWrite));
    const QDateTime fileDate(QDate(2023, 5, 1), QTime(12, 0), Qt::UTC);
    QVERIFY(third.setFileTime(fileDate, QFileDevice::FileModificationTime));
    third.close();
    QVERIFY(LibraryMedia::copyWithTags(mMp3, podcastFolder() + QStringLiteral("/loose.mp3"), Tags{"Loose"}));
    QVERIFY(LibraryMedia::writeText(podcastFolder() + QStringLiteral("/Show One/list.m3u"), "ep1.mp3\n"));
    QCOMPARE(scan().filesSeen, 3);

    auto folderLibrary = library();
    QCOMPARE(folderLibrary->podcastNames(), QStringList{"Show One"});
    QList<Playlist> podcasts;
    TrackList episodes;
    folderLibrary->podcastEpisodes({QStringLiteral("Show One"), QStringLiteral("Gone")}, podcasts, episodes);
    QCOMPARE(podcasts.size(), 2);
    QCOMPARE(podcasts.at(0).mName, QStringLiteral("Show One"));
    QCOMPARE(podcasts.at(0).mEntries.size(), 3);
    QVERIFY(podcasts.at(1).mEntries.isEmpty());
    QHash<QString, qint64> dates;
    for (const PlaylistEntry& entry : podcasts.at(0).mEntries) {
        const Track& episode = episodes.track(entry.mTrackIndex);
        QCOMPARE(entry.mDateAdded, episode.dateAdded());
        // Untagged episodes are filed under their podcast.
        QCOMPARE(episode.albumName(), QStringLiteral("Show One"));
        dates.insert(episode.trackName(), entry.mDateAdded);
    }
    QCOMPARE(dates.value(QStringLiteral("Episode 1")),
             QDateTime(QDate(2024, 1, 10), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch());
    QCOMPARE(dates.value(QStringLiteral("Episode 2")), qint64(1708416000));
    QCOMPARE(dates.value(QStringLiteral("Episode 3")), fileDate.toSecsSinceEpoch());
    // Episodes are no music.
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list), QStringList());
}

void tst_MusicFolderLibrary::artworkEmbeddedOrBeside()
{
    QVERIFY(copyTrack(mMp3WithCover, QStringLiteral("A/one.mp3"), Tags{"One", "A", "X"}));
    QVERIFY(copyTrack(mM4aWithCover, QStringLiteral("B/two.m4a"), Tags{"Two", "B", "X"}));
    QVERIFY(copyTrack(mFlac, QStringLiteral("C/three.flac"), Tags{"Three", "C", "X"}));
    QVERIFY(LibraryMedia::makeCover(music(QStringLiteral("C/Folder.JPG")), Qt::blue, 40));
    QVERIFY(copyTrack(mOgg, QStringLiteral("D/four.ogg"), Tags{"Four", "D", "X"}));
    auto folderLibrary = library();

    Track track;
    for (const QString& path : {music(QStringLiteral("A/one.mp3")), music(QStringLiteral("B/two.m4a"))}) {
        track.setPath(path);
        const QString exported = folderLibrary->artworkPath(track);
        QVERIFY2(exported.startsWith(mHome->programFolder()), qPrintable(exported));
        const QImage image(exported);
        QCOMPARE(image.size(), QSize(64, 64));
        QVERIFY(qRed(image.pixel(32, 32)) > 200 && qBlue(image.pixel(32, 32)) < 60);
        QVERIFY(QFile::remove(exported));
    }
    track.setPath(music(QStringLiteral("C/three.flac")));
    const QString beside = folderLibrary->artworkPath(track);
    QCOMPARE(QImage(beside).size(), QSize(40, 40));
    // The engine removes the export; the user's own picture stays.
    QVERIFY(QFile::remove(beside));
    QVERIFY(QFile::exists(music(QStringLiteral("C/Folder.JPG"))));
    track.setPath(music(QStringLiteral("D/four.ogg")));
    QCOMPARE(folderLibrary->artworkPath(track), QString());
    track.setPath(music(QStringLiteral("D/gone.mp3")));
    QCOMPARE(folderLibrary->artworkPath(track), QString());
}

void tst_MusicFolderLibrary::damagedIndexIsRebuilt()
{
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/one.mp3"), Tags{"One", "A", "X"}));
    QVERIFY(LibraryMedia::writeText(indexPath(), QByteArray(8192, '\x42')));
    const ScanSummary summary = scan();
    QCOMPARE(summary.result, 0);
    QCOMPARE(summary.read, 1);
    auto folderLibrary = library();
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list), QStringList{"One"});

    // An index of a later version is not misread either.
    LibraryIndex index;
    QVERIFY(index.open(indexPath()) == 0);
    index.close();
    QVERIFY(LibraryMedia::writeText(indexPath(),
                                    QByteArray("SQLite format 3") + QByteArray(1, '\0') + QByteArray(4080, '\x01')));
    QCOMPARE(scan().read, 1);
}

void tst_MusicFolderLibrary::scanThreadReportsAndWatchesTheFolder()
{
    for (int i = 1; i <= 3; ++i)
        QVERIFY(
            copyTrack(mMp3, QStringLiteral("A/%1.mp3").arg(i), Tags{QStringLiteral("T%1").arg(i), "A", "X", {}, i}));
    auto folderLibrary = library();
    QSignalSpy progress(folderLibrary.get(), &MusicFolderLibrary::scanProgress);
    QSignalSpy finished(folderLibrary.get(), &MusicFolderLibrary::scanFinished);
    QSignalSpy changed(folderLibrary.get(), &LocalMusicLibrary::localLibraryEvent);
    QSignalSpy initialised(folderLibrary.get(), &LocalMusicLibrary::initialisationComplete);
    folderLibrary->markInitialised();
    QCOMPARE(initialised.count(), 1);
    QVERIFY(finished.wait(20000));
    QCOMPARE(progress.first(), (QList<QVariant>{0, 3}));
    QCOMPARE(progress.last(), (QList<QVariant>{3, 3}));
    QCOMPARE(folderLibrary->lastScan().read, 3);
    QCOMPARE(changed.count(), 1);

    // A file dropped into a watched folder is found without being asked.
    QVERIFY(copyTrack(mMp3, QStringLiteral("A/4.mp3"), Tags{"T4", "A", "X", {}, 4}));
    QVERIFY(changed.wait(20000));
    QCOMPARE(folderLibrary->lastScan().read, 1);
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list), (QStringList{"T1", "T2", "T3", "T4"}));
    // Nothing new: a scan without a change reports no change.
    finished.clear();
    changed.clear();
    folderLibrary->rescan();
    QVERIFY(finished.wait(20000));
    QCOMPARE(changed.count(), 0);
    QVERIFY(folderLibrary->waitForScan(0));
}

void tst_MusicFolderLibrary::musicFolderSetting()
{
    SyncSettings settings;
    QCOMPARE(settings.musicFolder(), SyncSettings::defaultMusicFolder());
    for (const QString& bad : {QStringLiteral("relative/Music"), QStringLiteral("/a\tb"),
                               QString(5000, QLatin1Char('/')), QStringLiteral("   ")}) {
        settings.setGlobalStringValue(SettingsKeys::musicFolder(), bad);
        QCOMPARE(settings.musicFolder(), SyncSettings::defaultMusicFolder());
    }

    QVERIFY(copyTrack(mMp3, QStringLiteral("A/one.mp3"), Tags{"One", "A", "X"}));
    const QString other = mHome->inputFolder() + QStringLiteral("/Other");
    QVERIFY(LibraryMedia::copyWithTags(mMp3, other + QStringLiteral("/x.mp3"), Tags{"Elsewhere", "B", "Y"}));
    SettingsStore store;
    store.change([this](SyncSettings& s) { s.setMusicFolder(musicFolder()); });
    auto folderLibrary = MusicFolderLibrary::forCurrentUser(store);
    QSignalSpy finished(folderLibrary.get(), &MusicFolderLibrary::scanFinished);
    folderLibrary->rescan();
    QVERIFY(finished.wait(20000));
    folderLibrary->setMusicFolder(other + QStringLiteral("/"));
    QCOMPARE(folderLibrary->musicFolder(), other);
    QVERIFY(finished.wait(20000));
    TrackList list;
    QCOMPARE(scanNames(*folderLibrary, QStringLiteral("All music"), list), QStringList{"Elsewhere"});
    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    QCOMPARE(saved.musicFolder(), other);
    SettingsStore fresh;
    fresh.reload();
    QCOMPARE(MusicFolderLibrary::forCurrentUser(fresh)->musicFolder(), other);
}

QTEST_GUILESS_MAIN(tst_MusicFolderLibrary)
#include "tst_MusicFolderLibrary.moc"
