// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/LocalMusicLibrary.h"
#include "model/Track.h"

#include <QHash>
#include <QList>
#include <QSemaphore>
#include <QStringList>

// A local library that answers with the tracks a test gives it: playlists,
// podcast episodes, DRM tracks and album covers. It can also be told to
// divide by zero while the sync scans it, as a faulty library component might.
class SyncTestLibrary : public LocalMusicLibrary
{
public:
    SyncTestLibrary() = default;

    void addPlaylist(const QString& name, const QList<Track>& tracks);
    void addPodcast(const QString& name, const QList<Track>& episodes);
    // Covers are exported as a fresh copy of sourceImage into exportFolder,
    // as a library does; the engine removes the copy after use.
    void setArtwork(const QString& album, const QString& sourceImage, const QString& exportFolder);

    bool prepare() override;
    QStringList playlistNames() override;
    QStringList podcastNames() override;
    int scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize, bool convertToMp3,
                     TrackList& drmTracks, Playlist& playlist, bool wholeLibrary) override;
    void podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists, TrackList& episodes) override;
    QString artworkPath(const Track& track) override;

    // A held library keeps the engine's first playlist scan waiting until
    // openScanning(), so a test can wire itself to the engine that a
    // controller starts before the engine gets anywhere.
    void holdScanning() { mScanHeld = true; }
    void openScanning() { mScanGate.release(); }

    QList<Track> mDrmTracks;
    bool mDivideByZero = false;
    QStringList mScannedPlaylists;
    QStringList mExportedArtwork;

private:
    QStringList mPlaylistOrder;
    QHash<QString, QList<Track>> mPlaylists;
    QStringList mPodcastOrder;
    QHash<QString, QList<Track>> mPodcasts;
    QHash<QString, QString> mArtworkSources;
    QString mExportFolder;
    bool mScanHeld = false;
    QSemaphore mScanGate;
};
