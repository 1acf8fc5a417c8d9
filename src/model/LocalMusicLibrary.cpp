// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/LocalMusicLibrary.h"

#include "app/TraceLog.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackList.h"

#include <QMutexLocker>

LocalMusicLibrary::LocalMusicLibrary(QObject* parent) : QObject(parent)
{
    TraceScope trace("LocalMusicLibrary::LocalMusicLibrary");
}

LocalMusicLibrary::~LocalMusicLibrary()
{
    TraceScope trace("LocalMusicLibrary::~LocalMusicLibrary");
}

void LocalMusicLibrary::markInitialised()
{
    TraceScope trace("LocalMusicLibrary::markInitialised");
    {
        QMutexLocker locker(&mLock);
        mInitialised = true;
    }
    emit initialisationComplete();
}

bool LocalMusicLibrary::isInitialised() const
{
    TraceScope trace("LocalMusicLibrary::isInitialised");
    QMutexLocker locker(&mLock);
    return mInitialised;
}

int LocalMusicLibrary::musicTrackCount(MusicTracks which)
{
    Q_UNUSED(which);
    return 0;
}

bool LocalMusicLibrary::prepare()
{
    TraceScope trace("LocalMusicLibrary::prepare");
    return true;
}

QStringList LocalMusicLibrary::playlistNames()
{
    TraceScope trace("LocalMusicLibrary::playlistNames");
    QMutexLocker locker(&mLock);
    return mPlaylistNames;
}

QStringList LocalMusicLibrary::podcastNames()
{
    TraceScope trace("LocalMusicLibrary::podcastNames");
    QMutexLocker locker(&mLock);
    return mPodcastNames;
}

int LocalMusicLibrary::scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize,
                                    bool convertToMp3, TrackList& drmTracks, Playlist& playlist, bool wholeLibrary)
{
    TraceScope trace("LocalMusicLibrary::scanPlaylist");
    Q_UNUSED(playlistName)
    Q_UNUSED(trackList)
    Q_UNUSED(accumulatedSize)
    Q_UNUSED(convertToMp3)
    Q_UNUSED(drmTracks)
    Q_UNUSED(playlist)
    Q_UNUSED(wholeLibrary)
    traceReturns(0);
    return 0;
}

void LocalMusicLibrary::podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists,
                                        TrackList& episodes)
{
    TraceScope trace("LocalMusicLibrary::podcastEpisodes");
    Q_UNUSED(podcastNames)
    Q_UNUSED(playlists)
    Q_UNUSED(episodes)
}

QString LocalMusicLibrary::artworkPath(const Track& track)
{
    TraceScope trace("LocalMusicLibrary::artworkPath");
    Q_UNUSED(track)
    return QString();
}
