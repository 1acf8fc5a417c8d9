// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/TracksToRemove.h"

#include "app/TraceLog.h"

#include <QSet>

namespace {

// Phones' file systems (FAT, MTP) do not tell names apart by case.
QString placeKey(const Track& track)
{
    return track.deviceId().toCaseFolded();
}

bool isOursOnPhone(const Track& track)
{
    return track.inCache() && track.onRemoteDevice() && !track.deviceId().isEmpty();
}

} // namespace

TracksToRemove TracksToRemove::select(const TrackList& tracks, bool libraryComplete)
{
    TraceScope trace("TracksToRemove::select");
    TracksToRemove result;
    // A track whose tags changed is a new entry at the old track's place.
    QSet<QString> keptPlaces;
    for (int index = 0; index < tracks.count(); ++index) {
        const Track& track = tracks.track(index);
        if (track.onLocalSyncPlaylist() && track.onRemoteDevice() && !track.deviceId().isEmpty())
            keptPlaces.insert(placeKey(track));
    }
    for (int index = 0; index < tracks.count(); ++index) {
        const Track& track = tracks.track(index);
        if (track.onLocalSyncPlaylist() || !isOursOnPhone(track))
            continue;
        if (!libraryComplete) {
            ++result.keptForUnreadLibrary;
        } else if (track.foundOnPhone() || keptPlaces.contains(placeKey(track))) {
            traceValue("Releasing", track.deviceId());
            result.release.append(track);
        } else {
            traceValue("Selected for deletion", track.deviceId());
            result.remove.addTrack(track);
        }
    }
    if (!libraryComplete)
        traceValue("Library not read completely: nothing is deleted, tracks kept", result.keptForUnreadLibrary);
    traceValue("tracksToDelete", result.remove.count());
    return result;
}
