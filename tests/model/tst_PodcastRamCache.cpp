// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/LocalMusicLibrary.h"
#include "model/Playlist.h"
#include "model/PodcastRamCache.h"
#include "model/TrackList.h"
#include "support/FakeMusicLibrary.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>

class TestPodcastRamCache : public QObject
{
    Q_OBJECT

private slots:
    void updatedOncePerStartWithEmptyLibrary();
    void namesAreInPlaceWhenUpdatedArrives();
    void plainLibraryAnswersEmpty();
    void markInitialisedEmitsOnce();
    void libraryQueriesAreOverridable();
};

namespace {

LocalMusicLibrary* libraryWithPodcasts()
{
    auto* library = new FakeMusicLibrary;
    library->addPodcast(QStringLiteral("News"), {});
    library->addPodcast(QStringLiteral("Science \u00e9"), {});
    return library;
}

} // namespace

void TestPodcastRamCache::updatedOncePerStartWithEmptyLibrary()
{
    PodcastRamCache cache;
    QSignalSpy spy(&cache, &PodcastRamCache::updated);
    cache.start();
    QVERIFY(cache.wait(10000));
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
    QVERIFY(cache.podcastNames().isEmpty());

    cache.start();
    QVERIFY(cache.wait(10000));
    QCOMPARE(spy.count(), 2);
}

void TestPodcastRamCache::namesAreInPlaceWhenUpdatedArrives()
{
    PodcastRamCache cache;
    cache.setLibraryFactory(&libraryWithPodcasts);
    QStringList seen;
    std::atomic<int> emissions{0};
    // Read at the moment of the signal, on the emitting thread.
    connect(
        &cache, &PodcastRamCache::updated, &cache,
        [&]() {
            seen = cache.podcastNames();
            ++emissions;
        },
        Qt::DirectConnection);
    cache.start();
    QVERIFY(cache.wait(10000));
    QCOMPARE(emissions.load(), 1);
    const QStringList expected{QStringLiteral("News"), QStringLiteral("Science \u00e9")};
    QCOMPARE(seen, expected);
    QCOMPARE(cache.podcastNames(), expected);
}

void TestPodcastRamCache::plainLibraryAnswersEmpty()
{
    LocalMusicLibrary library;
    QVERIFY(library.prepare());
    QVERIFY(library.playlistNames().isEmpty());
    QVERIFY(library.podcastNames().isEmpty());

    TrackList tracks;
    TrackList drm;
    Playlist playlist;
    qint64 accumulated = 0;
    QCOMPARE(library.scanPlaylist(QString(), tracks, accumulated, true, drm, playlist, true), 0);
    QCOMPARE(tracks.count(), 0);
    QCOMPARE(drm.count(), 0);
    QVERIFY(playlist.mName.isEmpty());
    QVERIFY(playlist.mEntries.isEmpty());
    QCOMPARE(accumulated, qint64(0));

    QList<Playlist> podcasts;
    TrackList episodes;
    library.podcastEpisodes({QStringLiteral("News")}, podcasts, episodes);
    QVERIFY(podcasts.isEmpty());
    QCOMPARE(episodes.count(), 0);
    QVERIFY(library.artworkPath(Track()).isEmpty());
}

void TestPodcastRamCache::markInitialisedEmitsOnce()
{
    LocalMusicLibrary library;
    QSignalSpy complete(&library, &LocalMusicLibrary::initialisationComplete);
    QSignalSpy failure(&library, &LocalMusicLibrary::iTunesFailure);
    QVERIFY(!library.isInitialised());
    library.markInitialised();
    QVERIFY(library.isInitialised());
    QCOMPARE(complete.count(), 1);
    QCOMPARE(failure.count(), 0);
}

void TestPodcastRamCache::libraryQueriesAreOverridable()
{
    FakeMusicLibrary fake;
    const Track one = FakeMusicLibrary::makeTrack(QStringLiteral("One"), QStringLiteral("A"), QStringLiteral("X"), 1,
                                                  QStringLiteral("/m/1.m4a"), 100);
    const Track two = FakeMusicLibrary::makeTrack(QStringLiteral("Two"), QStringLiteral("A"), QStringLiteral("X"), 2,
                                                  QStringLiteral("/m/2.mp3"), 200);
    const Track locked = FakeMusicLibrary::makeTrack(QStringLiteral("Locked"), QStringLiteral("A"), QStringLiteral("X"),
                                                     3, QStringLiteral("/m/3.m4p"), 300);
    fake.addPlaylist(QStringLiteral("Mix"), {two, one});
    fake.addTrackToPlaylist(QStringLiteral("Mix"), locked, true);

    // The engine sees only the base class.
    LocalMusicLibrary& library = fake;
    TrackList tracks;
    TrackList drm;
    Playlist playlist;
    qint64 accumulated = 0;
    QCOMPARE(library.playlistNames(), QStringList{QStringLiteral("Mix")});
    QCOMPARE(library.scanPlaylist(QStringLiteral("Mix"), tracks, accumulated, true, drm, playlist, false), 0);
    QCOMPARE(playlist.mName, QStringLiteral("Mix"));
    QCOMPARE(tracks.count(), 2);
    QCOMPARE(drm.count(), 1);
    QCOMPARE(playlist.mEntries.size(), 2);
    QCOMPARE(tracks.track(playlist.mEntries[0].mTrackIndex).trackName(), QStringLiteral("Two"));
    QCOMPARE(tracks.track(playlist.mEntries[1].mTrackIndex).trackName(), QStringLiteral("One"));
    QVERIFY(tracks.track(1).needsConversion());
    QCOMPARE(tracks.totalTracksToCopy(), 2);
    QCOMPARE(tracks.totalSizeToSync(), qint64(300));

    Track episode = FakeMusicLibrary::makeTrack(QStringLiteral("Ep"), QStringLiteral("News"), QStringLiteral("N"), 0,
                                                QStringLiteral("/p/ep.mp3"), 10);
    episode.setDateAdded(1600000000);
    fake.addPodcast(QStringLiteral("News"), {episode});
    QList<Playlist> podcasts;
    TrackList episodes;
    library.podcastEpisodes({QStringLiteral("News")}, podcasts, episodes);
    QCOMPARE(podcasts.size(), 1);
    QCOMPARE(podcasts[0].mEntries.size(), 1);
    QCOMPARE(podcasts[0].mEntries[0].mDateAdded, qint64(1600000000));
    QVERIFY(episodes.track(0).onLocalSyncPlaylist());
}

QTEST_GUILESS_MAIN(TestPodcastRamCache)
#include "tst_PodcastRamCache.moc"
