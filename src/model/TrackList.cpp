// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/TrackList.h"

#include "app/TraceLog.h"
#include "model/SizeArithmetic.h"

#include <QFileInfo>

#include <utility>

namespace {

// An entry counts towards the tracks to copy when the upload step will copy it.
bool isToCopy(const Track& track)
{
    return track.onLocalSyncPlaylist() && !track.onRemoteDevice();
}

// A path read from a damaged cache may be empty or hold a NUL: such a file
// cannot exist, and the file system is not asked about it.
bool fileExists(const QString& path)
{
    return !path.isEmpty() && !path.contains(QChar::Null) && QFileInfo::exists(path);
}

} // namespace

int TrackList::addTrack(Track track)
{
    TraceScope trace("TrackList::addTrack");
    const QString id = track.uniqueId();
    traceValue("trackUniqueId", id);

    // One lookup finds the entry or makes its slot; slots hold index + 1, so
    // that a fresh slot (0) means a new track.
    int& slot = mTrackIndex[id];
    int index = slot - 1;
    if (index < 0) {
        index = count();
        slot = index + 1;
        if (isToCopy(track))
            ++mTotalTracksToCopy;
        if (track.onRemoteDevice())
            mTotalSizeOnDevice = SizeArithmetic::add(mTotalSizeOnDevice, track.sizeOnDevice());
        if (track.onLocalSyncPlaylist())
            mTotalSizeToSync = SizeArithmetic::add(mTotalSizeToSync, track.sizeOnPc());
        append(std::move(track));
    } else {
        traceMessage("Track already exists");
        mergeInto(this->track(index), track);
    }
    traceReturns(index);
    return index;
}

void TrackList::append(Track&& track)
{
    TraceScope trace("TrackList::append");
    if (mChunks.empty() || mChunks.back().size() == kChunkSize) {
        mChunks.emplace_back();
        mChunks.back().reserve(kChunkSize);
    }
    mChunks.back().push_back(std::move(track));
    ++mCount;
}

void TrackList::mergeInto(Track& existing, const Track& track)
{
    TraceScope trace("TrackList::mergeInto");
    const bool countedBefore = isToCopy(existing);

    if (!fileExists(existing.path())) {
        traceValue("Current file doesn't exist:", existing.path());
        traceValue("Replacing with new path:", track.path());
        existing.setPath(track.path());
    }
    if (existing.duration() == 0)
        existing.setDuration(track.duration());
    if (existing.dateAdded() == 0)
        existing.setDateAdded(track.dateAdded());
    // What the cache cannot know comes from the library's copy of the track;
    // without a bitrate the converter would be asked for 0 kbit/s.
    if (existing.mp3Bitrate() == 0)
        existing.setMp3Bitrate(track.mp3Bitrate());
    if (existing.iTunesId().isEmpty())
        existing.setITunesId(track.iTunesId());
    if (track.onRemoteDevice() && !existing.onRemoteDevice()) {
        mTotalSizeOnDevice = SizeArithmetic::add(mTotalSizeOnDevice, track.sizeOnDevice());
        // The entry now stands for the copy on the phone: take its id, size and
        // cache record, or a later deletion would rewrite the stale record and
        // the entry's size would disagree with the total just counted.
        existing.setDeviceId(track.deviceId());
        existing.setSizeOnDevice(track.sizeOnDevice());
        if (track.inCache()) {
            existing.setFlagsFilePosition(track.flagsFilePosition());
            existing.setCacheIdRefPosition(track.cacheIdRefPosition());
        }
        if (track.convertedToMp3())
            existing.setConvertedToMp3(true);
    }
    if (track.onLocalSyncPlaylist() && !existing.onLocalSyncPlaylist()) {
        mTotalSizeToSync = SizeArithmetic::add(mTotalSizeToSync, track.sizeOnPc());
        existing.setSizeOnPc(track.sizeOnPc());
    }

    // Flags are only ever set by a merge, never cleared.
    if (track.onLocalSyncPlaylist())
        existing.setOnLocalSyncPlaylist(true);
    if (track.onRemoteDevice())
        existing.setOnRemoteDevice(true);
    if (track.needsConversion())
        existing.setConvertToMp3(true);
    if (track.compilation())
        existing.setCompilation(true);
    if (track.inCache())
        existing.setInCache(true);

    const bool countedAfter = isToCopy(existing);
    if (countedBefore && !countedAfter) {
        traceMessage("mTotalTracksToCopy--");
        --mTotalTracksToCopy;
    } else if (!countedBefore && countedAfter) {
        traceMessage("mTotalTracksToCopy++");
        ++mTotalTracksToCopy;
    }
}

int TrackList::indexOf(const QString& uniqueId) const
{
    TraceScope trace("TrackList::indexOf");
    const auto found = mTrackIndex.find(uniqueId);
    return found == mTrackIndex.end() ? -1 : found->second - 1;
}

void TrackList::clear()
{
    TraceScope trace("TrackList::clear");
    mChunks.clear();
    mCount = 0;
    mTrackIndex.clear();
    mTotalTracksToCopy = 0;
    mTotalSizeToSync = 0;
    mTotalSizeOnDevice = 0;
}
