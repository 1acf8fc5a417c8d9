// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/Track.h"
#include "model/TrackList.h"

#include <QList>

// Which tracks a run takes off the phone. Only what this program put there
// (a record of the phone's track cache, flagged as on the phone) is ever
// considered, and only when this run no longer syncs it: its file left the
// library, its playlists are no longer chosen, music or its podcast was
// switched off, or the episode fell out of the chosen number of most recent
// ones. All of these leave the merged entry without the local-sync flag.
struct TracksToRemove
{
    // Files to remove from the phone.
    TrackList remove;
    // Records to let go of without touching the phone: the file was there
    // before this program copied anything, or a track this run keeps lives
    // at the same place.
    QList<Track> release;
    // Tracks that would have gone, kept because the library could not answer.
    int keptForUnreadLibrary = 0;

    // tracks: the run's merged list (cache records and the library's
    // choice). libraryComplete: false when the library could not answer for
    // everything chosen; then nothing is selected, since a track missing
    // from an unread library has not left it.
    static TracksToRemove select(const TrackList& tracks, bool libraryComplete);
};
