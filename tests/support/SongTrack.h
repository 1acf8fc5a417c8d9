// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/Track.h"

#include <QString>

// The library track "Song" of "Artist" on "Album" for the file at path: the
// model tests vary the file and the flags, never the names.
inline Track songTrack(const QString& path, qint32 numberOnAlbum)
{
    Track track;
    track.setTrackName(QStringLiteral("Song"));
    track.setAlbumName(QStringLiteral("Album"));
    track.setArtistName(QStringLiteral("Artist"));
    track.setTrackNumberOnAlbum(numberOnAlbum);
    track.setPath(path);
    return track;
}
