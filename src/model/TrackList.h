// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/Track.h"

#include <QHash>
#include <QString>

#include <unordered_map>
#include <vector>

// The tracks of one sync, each once: a track that arrives from the track cache
// and from the local library is one entry whose flags say both. Indexes are
// stable for the life of the list (entries are never removed). The list keeps
// the totals that the progress display and the space check need.
class TrackList
{
public:
    TrackList() = default;

    // Adds a copy of the track or merges it into the entry with the same
    // unique id; returns the index of the entry.
    int addTrack(Track track);

    Track& track(int index) { return mChunks[chunkOf(index)][slotOf(index)]; }
    const Track& track(int index) const { return mChunks[chunkOf(index)][slotOf(index)]; }
    Track& operator[](int index) { return track(index); }
    const Track& operator[](int index) const { return track(index); }
    int count() const { return mCount; }
    bool isEmpty() const { return mCount == 0; }
    // Index of the entry with this unique id, or -1.
    int indexOf(const QString& uniqueId) const;
    void clear();

    // Entries on the local sync playlist but not on the phone: exactly what the upload copies.
    qint32 totalTracksToCopy() const { return mTotalTracksToCopy; }
    // Sum of the PC sizes of the entries on the local sync playlist.
    qint64 totalSizeToSync() const { return mTotalSizeToSync; }
    // Sum of the phone sizes of the entries on the phone.
    qint64 totalSizeOnDevice() const { return mTotalSizeOnDevice; }
    void setTotalSizeOnDevice(qint64 value) { mTotalSizeOnDevice = value; }

private:
    // Entries live in chunks of fixed capacity, so that adding one never
    // moves the others: a large list grows without copying itself, and a
    // reference to an entry stays valid while more tracks are added.
    static constexpr int kChunkBits = 10;
    static constexpr int kChunkSize = 1 << kChunkBits;
    static size_t chunkOf(int index) { return static_cast<size_t>(index) >> kChunkBits; }
    static size_t slotOf(int index) { return static_cast<size_t>(index) & (kChunkSize - 1); }

    void append(Track&& track);
    void mergeInto(Track& existing, const Track& track);

    std::vector<std::vector<Track>> mChunks;
    int mCount = 0;
    // Not noexcept on purpose: the map then keeps each key's hash, so that
    // growing it does not hash the long ids again.
    struct UniqueIdHash
    {
        size_t operator()(const QString& id) const { return qHash(id); }
    };
    // Unique id to index + 1.
    std::unordered_map<QString, int, UniqueIdHash> mTrackIndex;
    qint32 mTotalTracksToCopy = 0;
    qint64 mTotalSizeToSync = 0;
    qint64 mTotalSizeOnDevice = 0;
};
