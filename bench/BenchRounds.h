// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// What the sync benchmarks share: source files of random bytes, a phone folder
// the sync recognises, the timing of a whole sync run and interleaved rounds
// of the sync against a plain copy, summed up by best and median.
#pragma once

#include "app/Constants.h"
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

// Seconds a whole sync run takes, thread start to thread end.
inline double timeSyncRun(MusicSync& sync)
{
    QElapsedTimer timer;
    timer.start();
    sync.StartInNewThread(false);
    sync.thread()->wait();
    return timer.nsecsElapsed() / 1e9;
}

// Writes out everything the kernel still holds, so that no run pays for the
// write-back of the one before.
inline void flushWrites()
{
    QProcess::execute(QStringLiteral("sync"), {});
}

// Rounds of the copy side and the sync side, each run starting with nothing
// waiting to be written. The order alternates, so that neither side always
// runs first; afterRound, where given, runs at the end of each round.
inline void runInterleavedRounds(int rounds, const std::function<void()>& copySide,
                                 const std::function<void()>& syncSide,
                                 const std::function<void(int)>& afterRound = {})
{
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            flushWrites();
            copySide();
        }
        flushWrites();
        syncSide();
        if (round % 2 == 1) {
            flushWrites();
            copySide();
        }
        if (afterRound)
            afterRound(round);
    }
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
