// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Appends 100,000 tracks to a new track cache, then opens it and reads it into
// a TrackList; prints records per second for both and the sizes of the files.
#include "BenchClock.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    const QString cacheName = folder.filePath(QStringLiteral("mcache0"));

    QList<Track> tracks;
    tracks.reserve(count);
    for (int i = 0; i < count; ++i) {
        Track track;
        track.setTrackName(QStringLiteral("Track number %1 of the benchmark").arg(i));
        track.setAlbumName(QStringLiteral("Album %1").arg(i / 12));
        track.setArtistName(QStringLiteral("Artist %1").arg(i / 120));
        track.setTrackNumberOnAlbum(i % 12 + 1);
        track.setPath(QStringLiteral("/home/user/Music/Artist %1/Album %2/%3.m4a").arg(i / 120).arg(i / 12).arg(i));
        track.setDeviceId(QStringLiteral("/Music/Artist %1/Album %2/%3.mp3").arg(i / 120).arg(i / 12).arg(i));
        track.setSizeOnDevice(4000000 + i);
        track.setConvertToMp3(i % 2 == 0);
        track.setOnRemoteDevice(true);
        tracks.append(track);
    }

    TrackCache cache;
    if (cache.openFile(cacheName) != TrackCache::kNewCacheCreated)
        return 1;
    QElapsedTimer timer;
    timer.start();
    qint64 cpu = cpuNanoseconds();
    for (Track& track : tracks) {
        if (cache.addTrack(track) != 0) {
            std::fprintf(stderr, "append failed\n");
            return 1;
        }
    }
    const qint64 appendNs = timer.nsecsElapsed();
    const qint64 appendCpuNs = cpuNanoseconds() - cpu;
    cache.close();

    timer.restart();
    cpu = cpuNanoseconds();
    TrackList list;
    int result = cache.openFile(cacheName);
    if (result == 0)
        result = cache.updateTrackList(list, -1);
    const qint64 readNs = timer.nsecsElapsed();
    const qint64 readCpuNs = cpuNanoseconds() - cpu;
    cache.close();
    if (result != 0 || list.count() != count) {
        std::fprintf(stderr, "read failed: %d, %d tracks\n", result, list.count());
        return 1;
    }

    std::printf("tracks:            %d\n", count);
    std::printf("append:            %.0f records/s wall (%.3f s), %.0f records/s of CPU time (%.3f s)\n",
                count / (appendNs / 1e9), appendNs / 1e9, count / (appendCpuNs / 1e9), appendCpuNs / 1e9);
    std::printf("open and read:     %.0f records/s wall (%.3f s), %.0f records/s of CPU time (%.3f s)\n",
                count / (readNs / 1e9), readNs / 1e9, count / (readCpuNs / 1e9), readCpuNs / 1e9);
    std::printf("cache file:        %lld bytes\n", static_cast<long long>(QFileInfo(cacheName).size()));
    std::printf("persistent IDs:    %lld bytes\n",
                static_cast<long long>(QFileInfo(TrackCache::persistentIdsFileName(cacheName)).size()));
    return 0;
}
