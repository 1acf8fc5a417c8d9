// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Builds a music folder of small tagged MP3 files (one made by ffmpeg, copied
// and retagged with TagLib), then times the library's first scan, a second
// start with nothing changed, and the whole-library query a sync makes.
// Prints files per second and the resident memory around each step.
#include "BenchClock.h"
#include "BenchMemory.h"
#include "model/Playlist.h"
#include "model/TrackList.h"
#include "model/library/LibraryScanner.h"
#include "model/library/MusicFolderLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fileref.h>
#include <tag.h>

#include <cstdio>

namespace {

bool makeFolder(const QString& folder, int count)
{
    const QString base = folder + QStringLiteral("/base.mp3");
    if (QProcess::execute(QStringLiteral("ffmpeg"),
                          {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                           QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("anullsrc=r=22050:cl=mono"), QStringLiteral("-t"), QStringLiteral("0.3"),
                           QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                           QStringLiteral("32k"), base})
        != 0)
        return false;
    QFile baseFile(base);
    if (!baseFile.open(QIODevice::ReadOnly))
        return false;
    const QByteArray audio = baseFile.readAll();
    baseFile.close();
    QFile::remove(base);
    for (int i = 0; i < count; ++i) {
        const QString dir = folder + QStringLiteral("/Music/Artist %1/Album %2").arg(i / 120).arg(i / 12);
        if (i % 12 == 0)
            QDir().mkpath(dir);
        const QString path = dir + QStringLiteral("/%1.mp3").arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(audio) != audio.size())
            return false;
        file.close();
        const QByteArray name = QFile::encodeName(path);
        TagLib::FileRef ref(name.constData(), false);
        if (ref.isNull() || !ref.tag())
            return false;
        ref.tag()->setTitle(TagLib::String(QStringLiteral("Track %1").arg(i).toStdString(), TagLib::String::UTF8));
        ref.tag()->setAlbum(TagLib::String(QStringLiteral("Album %1").arg(i / 12).toStdString(), TagLib::String::UTF8));
        ref.tag()->setArtist(
            TagLib::String(QStringLiteral("Artist %1").arg(i / 120).toStdString(), TagLib::String::UTF8));
        ref.tag()->setTrack(static_cast<unsigned>(i % 12 + 1));
        if (!ref.save())
            return false;
    }
    return true;
}

struct Timed
{
    ScanSummary summary;
    double seconds = 0;
    double cpuSeconds = 0;
    qint64 peakKib = 0;
};

Timed timeScan(const QString& index, const QString& music, const QString& podcasts)
{
    resetPeak();
    Timed timed;
    QElapsedTimer timer;
    timer.start();
    const qint64 cpu = cpuNanoseconds();
    // A new scanner each time: a second start has nothing but the index file.
    {
        LibraryScanner scanner(index);
        timed.summary = scanner.scan(music, podcasts);
    }
    timed.seconds = timer.nsecsElapsed() / 1e9;
    timed.cpuSeconds = (cpuNanoseconds() - cpu) / 1e9;
    timed.peakKib = statusKib("VmHWM:");
    return timed;
}

void print(const char* step, const Timed& timed)
{
    std::printf("%-34s %6d files  %7.3f s  %9.0f files/s  (cpu %7.3f s, %9.0f files/s)  read %d, unchanged %d, "
                "peak RSS %lld KiB\n",
                step, timed.summary.filesSeen, timed.seconds, timed.summary.filesSeen / timed.seconds, timed.cpuSeconds,
                timed.summary.filesSeen / timed.cpuSeconds, timed.summary.read, timed.summary.unchanged,
                static_cast<long long>(timed.peakKib));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    QElapsedTimer generation;
    generation.start();
    if (!makeFolder(root.path(), count)) {
        std::fprintf(stderr, "could not make the music folder\n");
        return 1;
    }
    std::printf("generated %d tagged files in %.1f s\n", count, generation.nsecsElapsed() / 1e9);
    const QString music = root.filePath(QStringLiteral("Music"));
    const QString podcasts = root.filePath(QStringLiteral("Podcasts"));
    const QString index = root.filePath(QStringLiteral("library.db"));

    const qint64 rssBefore = statusKib("VmRSS:");
    const Timed first = timeScan(index, music, podcasts);
    const qint64 rssAfterFirst = statusKib("VmRSS:");
    const Timed second = timeScan(index, music, podcasts);
    const qint64 rssAfterSecond = statusKib("VmRSS:");
    if (first.summary.result != 0 || first.summary.read != count || second.summary.unchanged != count) {
        std::fprintf(stderr, "scan failed: %d, read %d, unchanged %d\n", first.summary.result, first.summary.read,
                     second.summary.unchanged);
        return 1;
    }
    print("first scan (every file opened)", first);
    print("second start (nothing changed)", second);

    // The whole-library query a sync makes, on the same index.
    MusicFolderLibrary library(music, podcasts, index);
    TrackList tracks;
    TrackList drm;
    Playlist playlist;
    qint64 size = 0;
    QElapsedTimer timer;
    timer.start();
    library.scanPlaylist(QStringLiteral("All music"), tracks, size, false, drm, playlist, false);
    const double querySeconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-34s %6d tracks %7.3f s  %9.0f tracks/s\n", "whole library into a track list", tracks.count(),
                querySeconds, tracks.count() / querySeconds);

    std::printf("index file %lld KiB; RSS %lld KiB before, %lld KiB after the first scan, %lld KiB after the "
                "second (%+.2f KiB per file over the first scan)\n",
                static_cast<long long>(QFileInfo(index).size() / 1024), static_cast<long long>(rssBefore),
                static_cast<long long>(rssAfterFirst), static_cast<long long>(rssAfterSecond),
                double(rssAfterFirst - rssBefore) / count);
    return 0;
}
