// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// A BlackBerry photo folder (500 files of 2 MB) copied to a USB phone folder by
// a whole sync run, against `cp -r` of the same folder. Prints throughputs and
// the ratio sync / cp (1.0 = as fast as cp).
#include "BenchRounds.h"
#include "devices/UsbMSDevice.h"
#include "model/LocalMusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/MusicSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kFiles = 500;
constexpr qint64 kFileSize = 2 * 1024 * 1024;
// The machine is shared and its disk noisy: several interleaved rounds, and
// both the best and the median are printed.
constexpr int kRounds = 5;

using namespace BenchRounds;

double syncRun(const QString& root, const QString& photos)
{
    const QString phone = freshPhoneFolder(root);
    SyncSettings settings;
    settings.load();
    settings.setConfig(phoneId(), false, 0, {}, {}, QStringLiteral("bench"));
    // Any BlackBerry backup will do: the photos are copied before it is read.
    settings.setSelectedBackupPath(phoneId(), root + QStringLiteral("/none.ipd"));
    settings.setCopyPhotos(phoneId(), true);
    settings.addToSettingsList(phoneId(), QStringLiteral("photo_folders"), QString(), photos);
    settings.save();

    LocalMusicLibrary library;
    UsbMSDevice device(phone, QStringLiteral("bench"), true);
    MusicSync sync(&library, &device, nullptr);
    return timeSyncRun(sync);
}

double copyRun(const QString& root, const QString& photos, bool flush)
{
    const QString target = root + QStringLiteral("/phone-cp");
    QDir(target).removeRecursively();
    flushWrites();
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), photos, target});
    if (flush)
        flushWrites();
    return timer.nsecsElapsed() / 1e9;
}

// Throughput of a side, and the sync's speed relative to it (1.0 = as fast).
void printFigures(const char* name, const QList<double>& times, const QList<double>& syncTimes, double megabytes)
{
    std::printf(
        "  %-14s best %6.3f s %7.1f MB/s   median %6.3f s %7.1f MB/s   ratio sync/this: best %.2f median %.2f\n", name,
        best(times), megabytes / best(times), median(times), megabytes / median(times), best(times) / best(syncTimes),
        median(times) / median(syncTimes));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    isolateSyncRun(root.path());
    const QString photos = root.path() + QStringLiteral("/photos");
    QDir().mkpath(photos);
    for (int i = 0; i < kFiles; ++i)
        writeRandomFile(photos + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')), kFileSize);

    const double megabytes = kFiles * kFileSize / (1024.0 * 1024.0);
    QList<double> flushedTimes;
    const RoundTimes times = runInterleavedRounds(
        kRounds, [&] { return copyRun(root.path(), photos, false); }, [&] { return syncRun(root.path(), photos); },
        [&](int) { flushedTimes.append(copyRun(root.path(), photos, true)); });
    const QList<double>& syncTimes = times.sync;
    const QList<double>& copyTimes = times.copy;
    for (int round = 0; round < kRounds; ++round)
        std::printf("  round %d: sync %.3f s, cp -r %.3f s, cp -r && sync %.3f s\n", round, syncTimes.at(round),
                    copyTimes.at(round), flushedTimes.at(round));
    const int copied = QDir(root.path() + QStringLiteral("/phone-sync/DCIM/Blackberry")).entryList(QDir::Files).size();
    std::printf("photo folder: %d files of %lld bytes (%.0f MB); best of %d rounds; %d files on the phone\n", kFiles,
                kFileSize, megabytes, kRounds, copied);
    printFigures("sync run", syncTimes, syncTimes, megabytes);
    printFigures("cp -r", copyTimes, syncTimes, megabytes);
    printFigures("cp -r && sync", flushedTimes, syncTimes, megabytes);
    return copied == kFiles ? 0 : 1;
}
