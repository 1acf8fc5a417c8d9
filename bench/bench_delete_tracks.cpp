// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// 1,000 tracks that a first sync put on a USB phone folder are removed by a
// second sync after music was switched off for the phone: a whole run
// (track cache, selection, removal, cache flags, playlists). Prints the
// tracks removed per second, best and median of a few rounds, next to the
// goal of 500 per second.
#include "BenchClock.h"
#include "BenchRounds.h"
#include "devices/UsbMSDevice.h"
#include "settings/SyncSettings.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

using namespace BenchRounds;

constexpr int kTracks = 1000;
constexpr qint64 kTrackSize = 64 * 1024;
constexpr int kRounds = 5;
constexpr double kGoalPerSecond = 500;

void choose(const QStringList& playlists)
{
    SyncSettings settings;
    settings.load();
    settings.setConfig(phoneId(), false, 0, playlists, {}, QStringLiteral("bench"));
    // No window answers questions here.
    settings.setDeleteWithoutWarning(phoneId());
    settings.setForceArtworkSync(phoneId(), false);
    settings.save();
}

int musicFilesBelow(const QString& folder)
{
    int count = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++count;
    return count;
}

// Seconds the removing run took by the wall clock (cpuSeconds: by this
// process's CPU time); removed is what it reports, left what the phone still holds.
double removalRound(const QString& root, SyncTestLibrary& library, int& removed, int& left, double& cpuSeconds)
{
    // The cache of the round before says its tracks left the phone: the fill copies them all again.
    const QString phone = freshPhoneFolder(root);
    UsbMSDevice device(phone, QStringLiteral("bench"), true);
    choose({QStringLiteral("All")});
    {
        MusicSync fill(&library, &device, nullptr);
        timeSyncRun(fill);
    }
    choose({});
    MusicSync removal(&library, &device, nullptr);
    const qint64 cpuStart = cpuNanoseconds();
    const double seconds = timeSyncRun(removal);
    cpuSeconds = (cpuNanoseconds() - cpuStart) / 1e9;
    removed = removal.outcome().tracksRemoved;
    left = musicFilesBelow(phone + QStringLiteral("Music"));
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    isolateSyncRun(root.path());
    SyncTestLibrary library;
    library.addPlaylist(QStringLiteral("All"),
                        writeRandomTracks(root.path() + QStringLiteral("/music"), kTracks, kTrackSize));

    QList<double> rates;
    QList<double> cpuRates;
    for (int round = 0; round < kRounds; ++round) {
        int removed = 0;
        int left = 0;
        double cpuSeconds = 0;
        const double seconds = removalRound(root.path(), library, removed, left, cpuSeconds);
        if (removed != kTracks || left != 0) {
            std::printf("round %d: removed %d of %d tracks, %d left on the phone\n", round, removed, kTracks, left);
            return 1;
        }
        rates.append(removed / seconds);
        cpuRates.append(removed / cpuSeconds);
        std::printf("round %d: %d tracks removed in %.3f s (%.3f s CPU)\n", round, removed, seconds, cpuSeconds);
    }
    const double fastest = *std::max_element(rates.cbegin(), rates.cend());
    std::printf("removing tracks from a USB phone: best %.0f tracks/s, median %.0f tracks/s (goal %.0f tracks/s)\n",
                fastest, median(rates), kGoalPerSecond);
    // The disk is shared with other work: the CPU figure is the program's own cost.
    std::printf("by CPU time: median %.0f tracks/s\n", median(cpuRates));
    return median(rates) >= kGoalPerSecond ? 0 : 2;
}
