// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncTestLibrary.h"

#include "model/Playlist.h"
#include "model/TrackList.h"

#include <QFile>

namespace {
// A real hardware fault, not the sanitizer's report of one: the guarded
// region of the sync thread is what is under test.
volatile int sNumerator = 1000;
volatile int sZero = 0;
__attribute__((noinline, no_sanitize("undefined"))) int divideByZero()
{
    const int numerator = sNumerator;
    const int denominator = sZero;
    return numerator / denominator;
}
} // namespace

void SyncTestLibrary::addPlaylist(const QString& name, const QList<Track>& tracks)
{
    mPlaylistOrder.append(name);
    mPlaylists.insert(name, tracks);
}

void SyncTestLibrary::addPodcast(const QString& name, const QList<Track>& episodes)
{
    mPodcastOrder.append(name);
    mPodcasts.insert(name, episodes);
}

void SyncTestLibrary::setArtwork(const QString& album, const QString& sourceImage, const QString& exportFolder)
{
    mArtworkSources.insert(album, sourceImage);
    mExportFolder = exportFolder;
}

bool SyncTestLibrary::prepare()
{
    return true;
}

QStringList SyncTestLibrary::playlistNames()
{
    return mPlaylistOrder;
}

QStringList SyncTestLibrary::podcastNames()
{
    return mPodcastOrder;
}

int SyncTestLibrary::scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize,
                                  bool convertToMp3, TrackList& drmTracks, Playlist& playlist, bool wholeLibrary)
{
    if (mScanHeld) {
        constexpr int kHoldLimitMs = 120000;
        mScanHeld = false;
        mScanGate.tryAcquire(1, kHoldLimitMs);
    }
    if (mDivideByZero)
        return divideByZero();
    mScannedPlaylists.append(playlistName);
    QList<Track> tracks;
    if (wholeLibrary && playlistName.isEmpty()) {
        for (const QString& name : std::as_const(mPlaylistOrder))
            tracks += mPlaylists.value(name);
    } else {
        tracks = mPlaylists.value(playlistName);
    }
    playlist.mName = playlistName;
    for (Track track : std::as_const(tracks)) {
        track.setOnLocalSyncPlaylist(true);
        track.setConvertToMp3(convertToMp3);
        accumulatedSize += track.sizeOnPc();
        playlist.mEntries.append(PlaylistEntry(trackList.addTrack(track), track.dateAdded()));
    }
    for (const Track& track : std::as_const(mDrmTracks))
        drmTracks.addTrack(track);
    return 0;
}

void SyncTestLibrary::podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists, TrackList& episodes)
{
    for (const QString& name : podcastNames) {
        if (!mPodcasts.contains(name))
            continue;
        Playlist podcast;
        podcast.mName = name;
        for (const Track& episode : mPodcasts.value(name))
            podcast.mEntries.append(PlaylistEntry(episodes.addTrack(episode), episode.dateAdded()));
        playlists.append(podcast);
    }
}

QString SyncTestLibrary::artworkPath(const Track& track)
{
    const QString source = mArtworkSources.value(track.albumName());
    if (source.isEmpty())
        return QString();
    const QString exported = mExportFolder + QStringLiteral("/artwork%1.img").arg(mExportedArtwork.size());
    QFile::copy(source, exported);
    mExportedArtwork.append(exported);
    return exported;
}
