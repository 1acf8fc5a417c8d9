// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Feeds arbitrary bytes to the track cache reader: the first two bytes give the
// length of the persistent IDs file, the rest is split into that file and the
// cache file. Tracks that are read are then re-added and removed, so that the
// in-place rewrites run on damaged positions too.
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    if (!folder.isValid() || size < 2)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t idsLength = (static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8));
    if (idsLength > size - 2)
        idsLength = size - 2;
    const QByteArray ids(bytes + 2, static_cast<int>(idsLength));
    const QByteArray cache(bytes + 2 + idsLength, static_cast<int>(size - 2 - idsLength));

    const QString cacheName = folder.filePath(QStringLiteral("mcache0"));
    writeFile(cacheName, cache);
    writeFile(TrackCache::persistentIdsFileName(cacheName), ids);

    TrackCache trackCache;
    if (trackCache.openFile(cacheName) != 0)
        return 0;
    TrackList list;
    trackCache.updateTrackList(list, -1);
    for (int i = 0; i < list.count() && i < 4; ++i) {
        Track& track = list.track(i);
        if (i % 2 == 0) {
            trackCache.removeDeletedTrack(track);
        } else {
            track.setDeviceId(QStringLiteral("/Music/x.mp3"));
            trackCache.addTrack(track);
        }
    }
    trackCache.writeIntegrityValue();
    trackCache.close();
    return 0;
}
