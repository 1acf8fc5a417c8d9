// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/LocalMusicLibrary.h"
#include "model/Track.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// A local library for tests that answers with the tracks it was given.
// Playlists and podcasts keep the order in which they were added; a track
// marked as DRM-protected goes to the DRM list instead of the sync's list.
class FakeMusicLibrary : public LocalMusicLibrary
{
    Q_OBJECT

public:
    explicit FakeMusicLibrary(QObject* parent = nullptr);

    // A track for tests: the attributes a library reports, with its size on the PC.
    static Track makeTrack(const QString& name, const QString& album, const QString& artist, int number,
                           const QString& path, qint64 sizeOnPc = 0);

    void addPlaylist(const QString& name, const QList<Track>& tracks);
    // Appends a track to a playlist (made when missing); drmProtected sends it to the DRM list.
    void addTrackToPlaylist(const QString& playlistName, const Track& track, bool drmProtected = false);
    void addPodcast(const QString& name, const QList<Track>& episodes);
    // artworkPath hands out a fresh copy of this image for tracks of the album.
    void setArtwork(const QString& albumName, const QString& imagePath);

    // What musicTrackCount answers: the wizard's AAC and album art pages follow them.
    void setTrackCounts(int music, int aac, int withArt)
    {
        mMusicTracks = music;
        mAacTracks = aac;
        mArtTracks = withArt;
    }
    int musicTrackCount(MusicTracks which) override
    {
        return which == MusicTracks::Aac ? mAacTracks : which == MusicTracks::WithAlbumArt ? mArtTracks : mMusicTracks;
    }

    int scanCount() const { return mScanCount; }
    QStringList artworkRequests() const { return mArtworkRequests; }

    QStringList playlistNames() override;
    QStringList podcastNames() override;
    int scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize, bool convertToMp3,
                     TrackList& drmTracks, Playlist& playlist, bool wholeLibrary) override;
    void podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists, TrackList& episodes) override;
    QString artworkPath(const Track& track) override;

private:
    struct Entry
    {
        Track track;
        bool drmProtected = false;
    };
    QList<QPair<QString, QList<Entry>>> mPlaylists;
    QList<QPair<QString, QList<Track>>> mPodcasts;
    QHash<QString, QString> mArtwork;
    QStringList mArtworkRequests;
    int mScanCount = 0;
    int mArtworkCopies = 0;
    int mMusicTracks = 0;
    int mAacTracks = 0;
    int mArtTracks = 0;
};
