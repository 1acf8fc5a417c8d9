// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// 200 tracks (no conversion) uploaded to a USB phone folder by a whole sync
// run (track cache, metadata, progress and playlist included), against `cp`
// of the same files into one folder. Prints throughputs and the ratio
// sync / cp (1.0 = as fast as cp).
#include "BenchRounds.h"
#include "devices/UsbMSDevice.h"
#include "model/Track.h"
#include "settings/SyncSettings.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace BenchRounds;

constexpr int kTracks = 200;
constexpr qint64 kTrackSize = 3 * 1024 * 1024;
// The machine is shared and its disk noisy: several interleaved rounds, and
// both the best and the median are printed.
constexpr int kRounds = 5;

double syncRun(const QString& root, SyncTestLibrary& library, int& uploaded)
{
    const QString phone = freshPhoneFolder(root);
    SyncSettings settings;
    settings.load();
    // A fresh cache each round: every track is copied again.
    QString cacheName;
    if (settings.getCacheFilename(phoneId(), cacheName) == 0) {
        QFile::remove(cacheName);
        QFile::remove(cacheName + QLatin1Char('p'));
    }
    settings.setConfig(phoneId(), false, 0, {QStringLiteral("All")}, {}, QStringLiteral("bench"));

    UsbMSDevice device(phone, QStringLiteral("bench"), true);
    MusicSync sync(&library, &device, nullptr);
    const double seconds = timeSyncRun(sync);
    uploaded = kTracks - int(sync.GetNonCopiedTracks().size());
    return seconds;
}

double copyRun(const QString& root, const QStringList& files)
{
    const QString target = root + QStringLiteral("/phone-cp");
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    flushWrites();
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), files + QStringList{target});
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    isolateSyncRun(root.path());
    const QString music = root.path() + QStringLiteral("/music");
    SyncTestLibrary library;
    const QList<Track> tracks = writeRandomTracks(music, kTracks, kTrackSize);
    library.addPlaylist(QStringLiteral("All"), tracks);
    QStringList files;
    for (const Track& track : tracks)
        files.append(track.path());

    int uploaded = 0;
    const RoundTimes times = runInterleavedRounds(
        kRounds, [&] { return copyRun(root.path(), files); }, [&] { return syncRun(root.path(), library, uploaded); });
    const QList<double>& syncTimes = times.sync;
    const QList<double>& copyTimes = times.copy;

    const double megabytes = kTracks * kTrackSize / (1024.0 * 1024.0);
    std::printf("track upload: %d tracks of %lld bytes (%.0f MB); %d rounds; %d uploaded in the last sync\n", kTracks,
                kTrackSize, megabytes, kRounds, uploaded);
    std::printf("  sync run  best %6.3f s %7.1f MB/s   median %6.3f s %7.1f MB/s\n", best(syncTimes),
                megabytes / best(syncTimes), median(syncTimes), megabytes / median(syncTimes));
    std::printf("  cp        best %6.3f s %7.1f MB/s   median %6.3f s %7.1f MB/s\n", best(copyTimes),
                megabytes / best(copyTimes), median(copyTimes), megabytes / median(copyTimes));
    std::printf("  ratio sync/cp: best %.2f median %.2f\n", best(copyTimes) / best(syncTimes),
                median(copyTimes) / median(syncTimes));
    return uploaded == kTracks ? 0 : 1;
}
