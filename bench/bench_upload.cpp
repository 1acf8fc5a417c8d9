// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Uploads 100 files of 4 MB with UsbMSDevice::UploadTrack to a folder on the
// same disk, copies the same files with cp, and prints both throughputs and
// their ratio. The drive folder lies beside the sources (TMPDIR or /tmp, or
// the first argument).
#include "devices/UsbMSDevice.h"
#include "model/Track.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kFileCount = 100;
constexpr int kFileBytes = 4 * 1024 * 1024;

double megabytesPerSecond(qint64 bytes, qint64 nanoseconds)
{
    return nanoseconds > 0 ? (bytes / (1024.0 * 1024.0)) / (nanoseconds / 1e9) : 0.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir work(base + QStringLiteral("/bench_upload-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot create a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString sources = work.filePath(QStringLiteral("sources"));
    const QString drive = work.filePath(QStringLiteral("drive"));
    const QString cpTarget = work.filePath(QStringLiteral("cp"));
    QDir().mkpath(sources);
    QDir().mkpath(drive + QStringLiteral("/KORVA"));
    QDir().mkpath(cpTarget);

    QByteArray block(kFileBytes, '\0');
    QStringList files;
    for (int i = 0; i < kFileCount; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()), kFileBytes / 4);
        const QString path = sources + QStringLiteral("/track%1.mp3").arg(i, 3, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(block) != kFileBytes) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        files.append(path);
    }
    const qint64 totalBytes = qint64(kFileCount) * kFileBytes;

    // Each phase starts with no dirty pages, so that neither pays for the
    // write-back of the other; three rounds in alternating order, the median counts.
    UsbMSDevice device(drive, QStringLiteral("Bench"), true);
    QList<qint64> cpTimes;
    QList<qint64> uploadTimes;
    for (int round = 0; round < 3; ++round) {
        for (int phase = 0; phase < 2; ++phase) {
            const bool cpPhase = (phase == 0) == (round % 2 == 0);
            QDir(cpTarget).removeRecursively();
            QDir(drive + QStringLiteral("/Music")).removeRecursively();
            QDir().mkpath(cpTarget);
            ::sync();
            QElapsedTimer timer;
            timer.start();
            if (cpPhase) {
                QProcess cp;
                cp.start(QStringLiteral("cp"), files + QStringList{cpTarget});
                if (!cp.waitForFinished(-1) || cp.exitCode() != 0) {
                    std::fprintf(stderr, "cp failed\n");
                    return 1;
                }
                cpTimes.append(timer.nsecsElapsed());
                continue;
            }
            for (const QString& path : files) {
                Track track;
                track.setTrackName(QFileInfo(path).baseName());
                track.setArtistName(QStringLiteral("Bench"));
                track.setAlbumName(QStringLiteral("Album"));
                track.setPath(path);
                if (device.UploadTrack(track) != 0 || !track.onRemoteDevice()) {
                    std::fprintf(stderr, "UploadTrack failed for %s\n", qPrintable(path));
                    return 1;
                }
            }
            uploadTimes.append(timer.nsecsElapsed());
        }
    }
    std::sort(cpTimes.begin(), cpTimes.end());
    std::sort(uploadTimes.begin(), uploadTimes.end());
    const qint64 cpNanoseconds = cpTimes.at(1);
    const qint64 uploadNanoseconds = uploadTimes.at(1);

    const double cpRate = megabytesPerSecond(totalBytes, cpNanoseconds);
    const double uploadRate = megabytesPerSecond(totalBytes, uploadNanoseconds);
    std::printf("files: %d x %d MB on %s\n", kFileCount, kFileBytes / (1024 * 1024), qPrintable(base));
    std::printf("cp (median of 3):          %8.1f MB/s (%.3f s)\n", cpRate, cpNanoseconds / 1e9);
    std::printf("UploadTrack (median of 3): %8.1f MB/s (%.3f s)\n", uploadRate, uploadNanoseconds / 1e9);
    std::printf("ratio UploadTrack/cp: %.2f (goal >= 0.80)\n", cpRate > 0 ? uploadRate / cpRate : 0.0);
    return 0;
}
