// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/LibraryScanner.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "model/library/FolderWalker.h"
#include "model/library/LibraryIndex.h"
#include "model/library/LibraryPaths.h"
#include "model/library/PlaylistFileReader.h"
#include "model/library/TrackTags.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// More folders than this are not watched: a change deep in a huge tree is
// picked up at the next start instead.
constexpr int kMaxWatchedFolders = 4000;

struct PendingFile
{
    QString path;
    IndexStamp stamp;
    QString podcast;
    bool playlist = false;
};

// The ending after the last dot, in lower case; endings longer than any the
// library knows are not worth a string.
QByteArray lowerSuffix(const char* name, size_t length)
{
    constexpr size_t kLongestSuffix = 5;
    for (size_t i = length; i > 0 && length - i <= kLongestSuffix; --i) {
        if (name[i - 1] == '.')
            return QByteArray(name + i, static_cast<qsizetype>(length - i)).toLower();
    }
    return QByteArray();
}

QByteArray lowerSuffix(const QString& path)
{
    const QByteArray name = QFile::encodeName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    return lowerSuffix(name.constData(), static_cast<size_t>(name.size()));
}

// A name no other playlist file holds: the file's name, else with its folder,
// else numbered. "All music" always means the whole library.
QString uniquePlaylistName(LibraryIndex& index, const QString& path, const QString& musicFolder)
{
    const QFileInfo info(path);
    QString base = info.completeBaseName().trimmed().isEmpty() ? info.fileName() : info.completeBaseName();
    const auto free = [&](const QString& name) {
        if (name.compare(LibraryPaths::allMusicPlaylistName(), Qt::CaseInsensitive) == 0)
            return false;
        const QString owner = index.playlistOwner(name);
        return owner.isEmpty() || owner == path;
    };
    if (free(base))
        return base;
    const QString folder = QDir(musicFolder).relativeFilePath(info.absolutePath());
    QString withFolder =
        base + QStringLiteral(" (") + (folder == QLatin1String(".") ? QString() : folder) + QLatin1Char(')');
    if (folder != QLatin1String(".") && free(withFolder))
        return withFolder;
    for (int number = 2;; ++number) {
        QString numbered = base + QLatin1Char(' ') + QString::number(number);
        if (free(numbered))
            return numbered;
    }
}

// An album's tracks share a folder: its listing is read once per scan, not once per track.
bool hasCoverBeside(QHash<QString, bool>& checkedFolders, const QString& trackPath)
{
    const QString folder = trackPath.left(trackPath.lastIndexOf(QLatin1Char('/')));
    auto found = checkedFolders.constFind(folder);
    if (found == checkedFolders.constEnd())
        found = checkedFolders.insert(folder, !LibraryPaths::coverFileBeside(trackPath).isEmpty());
    return found.value();
}

} // namespace

LibraryScanner::LibraryScanner(QString indexPath, QObject* parent) : QObject(parent), mIndexPath(std::move(indexPath))
{
}

LibraryScanner::~LibraryScanner()
{
    delete mIndex;
}

void LibraryScanner::announce()
{
    QMutexLocker locker(&mIdleMutex);
    ++mAnnounced;
}

bool LibraryScanner::waitUntilIdle(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker locker(&mIdleMutex);
    while (mAnnounced > 0) {
        if (!mIdle.wait(&mIdleMutex, deadline))
            return false;
    }
    return true;
}

void LibraryScanner::run(const QString& musicFolder, const QString& podcastFolder)
{
    TraceScope trace("LibraryScanner::run");
    const ScanSummary summary = scan(musicFolder, podcastFolder);
    {
        QMutexLocker locker(&mIdleMutex);
        if (mAnnounced > 0)
            --mAnnounced;
        mIdle.wakeAll();
    }
    emit finished(summary);
}

ScanSummary LibraryScanner::scan(const QString& musicFolder, const QString& podcastFolder)
{
    TraceScope trace("LibraryScanner::scan");
    mCancelled.storeRelaxed(0);
    ScanSummary summary;
    if (!mIndex)
        mIndex = new LibraryIndex;
    if (!mIndex->isOpen() && (summary.result = mIndex->open(mIndexPath)) != 0)
        return summary;

    QHash<QString, IndexStamp> known;
    if ((summary.result = mIndex->loadStamps(known)) != 0)
        return summary;

    // First the walk, which only looks at names and stamps; the files that
    // must be opened are gathered so that the progress has a total.
    std::vector<PendingFile> pending;
    const QString music = QDir::cleanPath(musicFolder);
    const QString podcasts = QDir::cleanPath(podcastFolder);
    const QString programFolder = QDir::cleanPath(Constants::programFolderPath());
    const auto walk = [&](const QString& root, bool podcastRoot) {
        if (root.isEmpty() || !QFileInfo(root).isDir())
            return;
        summary.folders.append(root);
        const QString skipped = podcastRoot || podcasts.isEmpty() ? QString() : podcasts;
        const auto wanted = [podcastRoot](const char* name, size_t length) {
            const QByteArray suffix = lowerSuffix(name, length);
            return LibraryPaths::isAudioSuffix(suffix) || (!podcastRoot && LibraryPaths::isPlaylistSuffix(suffix));
        };
        const auto visitFolder = [&](const QString& path) {
            // The podcasts have their own walk; the program folder changes with every
            // scan (the index lives there) and would set the change watch off for ever.
            if (path == skipped || path == programFolder)
                return false;
            if (summary.folders.size() < kMaxWatchedFolders)
                summary.folders.append(path);
            return true;
        };
        const auto visitFile = [&](const QString& path, const IndexStamp& stamp) {
            QString podcast;
            if (podcastRoot) {
                // Episodes sit in one folder per podcast; loose files belong to none.
                const qsizetype slash = path.indexOf(QLatin1Char('/'), root.size() + 1);
                if (slash < 0)
                    return;
                podcast = path.mid(root.size() + 1, slash - root.size() - 1);
            }
            ++summary.filesSeen;
            const auto found = known.find(path);
            if (found != known.end()) {
                found->seen = true;
                if (found->size == stamp.size && found->modified == stamp.modified) {
                    ++summary.unchanged;
                    return;
                }
            }
            const QByteArray suffix = lowerSuffix(path);
            const bool playlist = !podcastRoot && LibraryPaths::isPlaylistSuffix(suffix);
            pending.push_back(PendingFile{path, stamp, podcast, playlist});
        };
        FolderWalker::walk(root, wanted, visitFile, visitFolder);
    };
    walk(music, false);
    if (podcasts != music)
        walk(podcasts, true);

    int result = mIndex->begin();
    for (auto it = known.constBegin(); it != known.constEnd() && result == 0; ++it) {
        if (!it->seen) {
            result = mIndex->remove(it.key());
            ++summary.removed;
        }
    }
    known.clear();

    // In name order: a playlist name that two files share goes to the same file on every machine.
    std::sort(pending.begin(), pending.end(),
              [](const PendingFile& a, const PendingFile& b) { return a.path < b.path; });
    const int total = static_cast<int>(pending.size());
    emit progress(0, total);
    int done = 0;
    QHash<QString, bool> coverFolders;
    for (PendingFile& file : pending) {
        if (result != 0)
            break;
        if (mCancelled.loadRelaxed()) {
            summary.cancelled = true;
            break;
        }
        if (file.playlist) {
            QStringList entries;
            if (PlaylistFileReader::readFile(file.path, entries) == 0)
                result =
                    mIndex->putPlaylist(file.path, file.stamp, uniquePlaylistName(*mIndex, file.path, music), entries);
            else
                result = mIndex->putUnreadable(file.path, file.stamp);
        } else {
            TrackTags tags;
            if (TrackTagReader::read(file.path, tags) == 0) {
                if (!tags.hasCover && file.podcast.isEmpty())
                    tags.hasCover = hasCoverBeside(coverFolders, file.path);
                const qint64 modifiedSeconds = file.stamp.modified / 1000000000;
                // Episodes go by their release date, music by when the file arrived.
                const qint64 dateAdded =
                    !file.podcast.isEmpty() && tags.taggedDate > 0 ? tags.taggedDate : modifiedSeconds;
                result = mIndex->putTrack(file.path, file.stamp, file.podcast, tags,
                                          LibraryPaths::isDrmSuffix(lowerSuffix(file.path)), dateAdded);
            } else {
                result = mIndex->putUnreadable(file.path, file.stamp);
            }
        }
        ++summary.read;
        // The path is no longer needed: the list shrinks in memory as it is read.
        file.path = QString();
        file.podcast = QString();
        ++done;
        if (done % kCommitStep == 0 && result == 0) {
            result = mIndex->commit();
            if (result == 0)
                result = mIndex->begin();
        }
        if (done % kProgressStep == 0 || done == total)
            emit progress(done, total);
    }
    const int committed = mIndex->commit();
    if (result == 0)
        result = committed;
    summary.result = result;
    summary.unreadable = mIndex->unreadableCount();
    traceValue("files seen", summary.filesSeen);
    traceValue("files read", summary.read);
    traceValue("files removed", summary.removed);
    traceValue("files unreadable", summary.unreadable);
    if (result != 0) {
        // Opened afresh by the next scan, which rebuilds it if it is damaged.
        mIndex->close();
    }
    traceReturns(result);
    return summary;
}
