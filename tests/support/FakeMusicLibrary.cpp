// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/FakeMusicLibrary.h"

#include "model/Playlist.h"
#include "model/TrackList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

FakeMusicLibrary::FakeMusicLibrary(QObject* parent) : LocalMusicLibrary(parent) {}

Track FakeMusicLibrary::makeTrack(const QString& name, const QString& album, const QString& artist, int number,
                                  const QString& path, qint64 sizeOnPc)
{
    Track track;
    track.setTrackName(name);
    track.setAlbumName(album);
    track.setArtistName(artist);
    track.setTrackNumberOnAlbum(number);
    track.setPath(path);
    track.setSizeOnPc(sizeOnPc != 0 ? sizeOnPc : QFileInfo(path).size());
    track.setITunesId(QStringLiteral("itunes-") + name);
    track.setMp3Bitrate(192);
    return track;
}

void FakeMusicLibrary::addPlaylist(const QString& name, const QList<Track>& tracks)
{
    for (const Track& track : tracks)
        addTrackToPlaylist(name, track);
    if (tracks.isEmpty())
        mPlaylists.append({name, {}});
}

void FakeMusicLibrary::addTrackToPlaylist(const QString& playlistName, const Track& track, bool drmProtected)
{
    for (auto& playlist : mPlaylists) {
        if (playlist.first == playlistName) {
            playlist.second.append({track, drmProtected});
            return;
        }
    }
    mPlaylists.append({playlistName, {Entry{track, drmProtected}}});
}

void FakeMusicLibrary::addPodcast(const QString& name, const QList<Track>& episodes)
{
    mPodcasts.append({name, episodes});
}

void FakeMusicLibrary::setArtwork(const QString& albumName, const QString& imagePath)
{
    mArtwork.insert(albumName, imagePath);
}

QStringList FakeMusicLibrary::playlistNames()
{
    QStringList names;
    for (const auto& playlist : mPlaylists)
        names.append(playlist.first);
    return names;
}

QStringList FakeMusicLibrary::podcastNames()
{
    QStringList names;
    for (const auto& podcast : mPodcasts)
        names.append(podcast.first);
    return names;
}

int FakeMusicLibrary::scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize,
                                   bool convertToMp3, TrackList& drmTracks, Playlist& playlist, bool wholeLibrary)
{
    ++mScanCount;
    QList<Entry> entries;
    if (wholeLibrary && playlistName.isEmpty()) {
        for (const auto& list : mPlaylists)
            entries += list.second;
    } else {
        for (const auto& list : mPlaylists) {
            if (list.first == playlistName)
                entries = list.second;
        }
    }
    playlist.mName = playlistName;
    for (const Entry& entry : entries) {
        Track track = entry.track;
        track.setOnLocalSyncPlaylist(true);
        track.setConvertToMp3(convertToMp3);
        if (entry.drmProtected) {
            drmTracks.addTrack(track);
            continue;
        }
        const int index = trackList.addTrack(track);
        playlist.mEntries.append(PlaylistEntry(index, track.dateAdded()));
        accumulatedSize += track.sizeOnPc();
    }
    return 0;
}

void FakeMusicLibrary::podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists, TrackList& episodes)
{
    for (const QString& name : podcastNames) {
        for (const auto& podcast : mPodcasts) {
            if (podcast.first != name)
                continue;
            Playlist playlist;
            playlist.mName = name;
            for (Track episode : podcast.second) {
                episode.setOnLocalSyncPlaylist(true);
                const int index = episodes.addTrack(episode);
                playlist.mEntries.append(PlaylistEntry(index, episode.dateAdded()));
            }
            playlists.append(playlist);
        }
    }
}

QString FakeMusicLibrary::artworkPath(const Track& track)
{
    mArtworkRequests.append(track.albumName());
    const QString source = mArtwork.value(track.albumName());
    if (source.isEmpty())
        return QString();
    // The caller deletes the file it gets, so every request gets its own copy.
    const QFileInfo info(source);
    const QString copy = QDir::temp().filePath(QStringLiteral("fakeartwork-%1-%2.%3")
                                                   .arg(QCoreApplication::applicationPid())
                                                   .arg(++mArtworkCopies)
                                                   .arg(info.suffix()));
    QFile::remove(copy);
    if (!QFile::copy(source, copy))
        return QString();
    return copy;
}
