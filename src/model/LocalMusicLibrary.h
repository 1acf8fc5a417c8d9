// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/MusicTracks.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class Playlist;
class Track;
class TrackList;

// The program's window onto the user's local music library. This program holds
// no library reader of its own: every query answers with an empty result, so a
// sync moves data and photos but no music. The queries are virtual so that a
// real library component (or a test double) can answer them without any change
// to the sync engine, the wizard or the album art.
class LocalMusicLibrary : public QObject
{
    Q_OBJECT

public:
    explicit LocalMusicLibrary(QObject* parent = nullptr);
    ~LocalMusicLibrary() override;

    // Called once the main window's start-up timer has expired.
    virtual void markInitialised();
    bool isInitialised() const;

    // Called before the whole-library playlist names are read.
    virtual bool prepare();
    virtual QStringList playlistNames();
    virtual QStringList podcastNames();

    // Adds each track of the playlist (or of the whole library when
    // wholeLibrary is set and the name is empty) to trackList with addTrack,
    // flagged as on the local sync playlist; DRM-protected tracks go to
    // drmTracks instead. Fills playlist with the name and one entry per track.
    virtual int scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize,
                             bool convertToMp3, TrackList& drmTracks, Playlist& playlist, bool wholeLibrary);

    // One Playlist per podcast, whose entries index episodes and carry their dates.
    virtual void podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists, TrackList& episodes);

    // An image file of the track's album art, or empty. The caller deletes the file.
    virtual QString artworkPath(const Track& track);

    // What the set-up wizard asks about. None without a library.
    virtual int musicTrackCount(MusicTracks which);

signals:
    void initialisationComplete();
    void iTunesFailure();
    void iTunesOkay();
    void localLibraryEvent();

protected:
    // Guards the members below; not recursive. A library component decides
    // what else it guards.
    mutable QMutex mLock;
    QStringList mPlaylistNames;
    QStringList mPodcastNames;
    QStringList mReservedNames;
    bool mInitialised = false;
    QHash<QString, QVariant> mReservedValues;
};
