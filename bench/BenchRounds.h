// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// What the sync benchmarks share: source files of random bytes, a phone folder
// the sync recognises, the timing of a whole sync run and interleaved rounds
// of the sync against a plain copy, summed up by best and median.
#pragma once

#include "app/Constants.h"
#include "model/Track.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <functional>

namespace BenchRounds {

// The phone's unique id the benchmarks configure their settings for.
inline QString phoneId()
{
    return QStringLiteral("BENCHPHONE");
}

// Random bytes, so that no layer below can compress or deduplicate them.
// A home of its own below root for the settings and the track cache, and no
// system bus, so that a run neither touches the user's files nor waits on logind.
inline void isolateSyncRun(const QString& root)
{
    qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bench-bus");
    QDir().mkpath(root + QStringLiteral("/home"));
}

inline void writeRandomFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (qint64 written = 0; written < size; written += block.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        file.write(block.constData(), qMin<qint64>(block.size(), size - written));
    }
}

// count tracks of random bytes in folder, as a library reports them: twelve
// to an album, forty to an artist.
inline QList<Track> writeRandomTracks(const QString& folder, int count, qint64 size)
{
    QDir().mkpath(folder);
    QList<Track> tracks;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/%1 Song.mp3").arg(i, 3, 10, QLatin1Char('0'));
        writeRandomFile(path, size);
        Track track;
        track.setPath(path);
        track.setTrackName(QStringLiteral("Song %1").arg(i));
        track.setAlbumName(QStringLiteral("Album %1").arg(i / 12));
        track.setArtistName(QStringLiteral("Artist %1").arg(i / 40));
        track.setTrackNumberOnAlbum(i % 12 + 1);
        track.setSizeOnPc(size);
        track.setDuration(180);
        tracks.append(track);
    }
    return tracks;
}

// An empty phone folder below root that carries the benchmark phone's id;
// returns its path, ending in a slash.
inline QString freshPhoneFolder(const QString& root)
{
    const QString phone = root + QStringLiteral("/phone-sync/");
    QDir(phone).removeRecursively();
    QDir().mkpath(phone + QStringLiteral("KORVA"));
    QFile id(phone + Constants::phoneUniqueIdFile());
    id.open(QIODevice::WriteOnly);
    id.write(phoneId().toLatin1());
    id.close();
    return phone;
}

// Writes out everything the kernel still holds, so that no run pays for the
// write-back of the one before. The file system here is mounted with online
// discard: deleting the previous round's gigabyte queues discards that the
// next journal commit carries out, which slowed whichever side ran next up to
// ten times. Every side therefore deletes its old output first and flushes
// after that, just before its timer starts.
inline void flushWrites()
{
    QProcess::execute(QStringLiteral("sync"), {});
}

// Seconds a whole sync run takes, thread start to thread end; the run starts
// with nothing waiting to be written.
inline double timeSyncRun(MusicSync& sync)
{
    flushWrites();
    QElapsedTimer timer;
    timer.start();
    sync.StartInNewThread(false);
    sync.thread()->wait();
    return timer.nsecsElapsed() / 1e9;
}

struct RoundTimes
{
    QList<double> copy;
    QList<double> sync;
};

// Rounds of the copy side and the sync side, each side answering its seconds.
// One round of both runs first and is not counted: on this virtual disk the
// second gigabyte a fresh process writes is several times slower than the
// rest, whichever side writes it. The order alternates, so that neither side
// always runs first; afterRound, where given, runs at the end of each counted
// round. Each side flushes for itself once its old output is gone.
inline RoundTimes runInterleavedRounds(int rounds, const std::function<double()>& copySide,
                                       const std::function<double()>& syncSide,
                                       const std::function<void(int)>& afterRound = {})
{
    copySide();
    syncSide();
    RoundTimes times;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0)
            times.copy.append(copySide());
        times.sync.append(syncSide());
        if (round % 2 == 1)
            times.copy.append(copySide());
        if (afterRound)
            afterRound(round);
    }
    return times;
}

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

inline double best(const QList<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

} // namespace BenchRounds
