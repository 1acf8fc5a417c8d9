// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One entry of a playlist: where the track sits in the sync's TrackList, and
// when it was added to the library (podcast episodes are ordered by it).
class PlaylistEntry
{
public:
    PlaylistEntry() = default;
    PlaylistEntry(int trackIndex, qint64 dateAdded) : mTrackIndex(trackIndex), mDateAdded(dateAdded) {}

    int mTrackIndex = -1;
    qint64 mDateAdded = 0;
};

// A playlist (or a podcast) to write to the phone. Entries index the TrackList
// of the sync that built it, so a Playlist is only meaningful beside that list.
class Playlist
{
public:
    QString mName;
    QList<PlaylistEntry> mEntries;
};
