// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/MusicFolderLibrary.h"

#include "app/TraceLog.h"
#include "model/Playlist.h"
#include "model/TrackList.h"
#include "model/library/LibraryPaths.h"
#include "model/library/TrackTags.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>

namespace {

// Highest and lowest rates an MP3 encoder takes; the tag's rate is kept within them.
constexpr int kMaxMp3Kbps = 320;
constexpr int kMinMp3Kbps = 32;

QString exportBytes(const QByteArray& data, const QString& suffix)
{
    QString path = LibraryPaths::artworkExportPath(suffix);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return QString();
    return path;
}

QString exportCoverBeside(const QString& trackPath)
{
    const QString cover = LibraryPaths::coverFileBeside(trackPath);
    if (cover.isEmpty())
        return QString();
    QString path = LibraryPaths::artworkExportPath(QFileInfo(cover).suffix().toLower());
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    return QFile::copy(cover, path) ? path : QString();
}

} // namespace

MusicFolderLibrary::MusicFolderLibrary(const QString& musicFolder, const QString& podcastFolder, QString indexPath,
                                       QObject* parent)
    : LocalMusicLibrary(parent), mMusicFolder(QDir::cleanPath(musicFolder)),
      mPodcastFolder(QDir::cleanPath(podcastFolder)), mIndexPath(std::move(indexPath))
{
    TraceScope trace("MusicFolderLibrary::MusicFolderLibrary");
    mScanner = new LibraryScanner(mIndexPath);
    mScanner->moveToThread(&mScanThread);
    connect(&mScanThread, &QThread::finished, mScanner, &QObject::deleteLater);
    connect(mScanner, &LibraryScanner::progress, this, &MusicFolderLibrary::scanProgress);
    connect(mScanner, &LibraryScanner::finished, this, &MusicFolderLibrary::onScanFinished);
    mScanThread.setObjectName(QStringLiteral("LibraryScan"));
    mScanThread.start(QThread::LowPriority);

    mChangeTimer.setSingleShot(true);
    mChangeTimer.setInterval(kChangeDelayMs);
    connect(&mChangeTimer, &QTimer::timeout, this, &MusicFolderLibrary::rescan);
    connect(&mWatcher, &QFileSystemWatcher::directoryChanged, &mChangeTimer, qOverload<>(&QTimer::start));
}

std::unique_ptr<MusicFolderLibrary> MusicFolderLibrary::forCurrentUser(SettingsStore& settings)
{
    const QString folder = settings.read([](const SyncSettings& s) { return s.musicFolder(); });
    auto library =
        std::make_unique<MusicFolderLibrary>(folder, LibraryPaths::podcastFolder(), LibraryPaths::indexFilePath());
    library->keepFolderIn(settings);
    return library;
}

MusicFolderLibrary::~MusicFolderLibrary()
{
    TraceScope trace("MusicFolderLibrary::~MusicFolderLibrary");
    mScanner->cancel();
    mScanThread.quit();
    mScanThread.wait();
}

QString MusicFolderLibrary::musicFolder() const
{
    QMutexLocker locker(&mLock);
    return mMusicFolder;
}

void MusicFolderLibrary::keepFolderIn(SettingsStore& settings)
{
    QMutexLocker locker(&mLock);
    mSettings = &settings;
}

void MusicFolderLibrary::setMusicFolder(const QString& folder)
{
    TraceScope trace("MusicFolderLibrary::setMusicFolder");
    const QString clean = QDir::cleanPath(folder);
    {
        QMutexLocker locker(&mLock);
        if (clean == mMusicFolder)
            return;
        mMusicFolder = clean;
    }
    if (mSettings && mSettings->change([&clean](SyncSettings& s) { s.setMusicFolder(clean); }) != 0)
        traceMessage("Music folder not saved");
    rescan();
}

void MusicFolderLibrary::markInitialised()
{
    TraceScope trace("MusicFolderLibrary::markInitialised");
    LocalMusicLibrary::markInitialised();
    rescan();
}

void MusicFolderLibrary::rescan()
{
    TraceScope trace("MusicFolderLibrary::rescan");
    if (mScanning) {
        mRescanDue = true;
        return;
    }
    startScan();
}

void MusicFolderLibrary::startScan()
{
    mScanning = true;
    mRescanDue = false;
    mScanner->announce();
    QMetaObject::invokeMethod(mScanner, "run", Qt::QueuedConnection, Q_ARG(QString, musicFolder()),
                              Q_ARG(QString, mPodcastFolder));
}

void MusicFolderLibrary::onScanFinished(const ScanSummary& summary)
{
    TraceScope trace("MusicFolderLibrary::onScanFinished");
    mScanning = false;
    {
        QMutexLocker locker(&mLock);
        mLastScan = summary;
    }
    watchFolders(summary.folders);
    if (mRescanDue) {
        startScan();
        return;
    }
    emit scanFinished();
    if (summary.read > 0 || summary.removed > 0)
        emit localLibraryEvent();
}

void MusicFolderLibrary::watchFolders(const QStringList& folders)
{
    const QStringList watched = mWatcher.directories();
    if (watched == folders)
        return;
    if (!watched.isEmpty())
        mWatcher.removePaths(watched);
    if (!folders.isEmpty())
        mWatcher.addPaths(folders);
}

bool MusicFolderLibrary::waitForScan(int timeoutMs)
{
    TraceScope trace("MusicFolderLibrary::waitForScan");
    return mScanner->waitUntilIdle(timeoutMs);
}

ScanSummary MusicFolderLibrary::lastScan() const
{
    QMutexLocker locker(&mLock);
    return mLastScan;
}

QString MusicFolderLibrary::progressText(int done, int total)
{
    return QStringLiteral("Reading the music library: ") + QString::number(done) + QStringLiteral(" of ")
           + QString::number(total) + QStringLiteral(" files");
}

LibraryIndex* MusicFolderLibrary::queryIndex()
{
    if (!mQueryIndex.isOpen() && mQueryIndex.open(mIndexPath) != 0)
        return nullptr;
    return &mQueryIndex;
}

bool MusicFolderLibrary::prepare()
{
    TraceScope trace("MusicFolderLibrary::prepare");
    // The engine asks from its own thread: the names it reads next should be the whole library's.
    if (QThread::currentThread() != thread())
        waitForScan(kSyncScanWaitMs);
    return true;
}

QStringList MusicFolderLibrary::playlistNames()
{
    TraceScope trace("MusicFolderLibrary::playlistNames");
    QMutexLocker locker(&mLock);
    QStringList names{LibraryPaths::allMusicPlaylistName()};
    if (LibraryIndex* index = queryIndex())
        names += index->playlistNames();
    return names;
}

int MusicFolderLibrary::musicTrackCount(MusicTracks which)
{
    QMutexLocker locker(&mLock);
    LibraryIndex* index = queryIndex();
    return index ? index->musicTrackCount(which) : 0;
}

QStringList MusicFolderLibrary::podcastNames()
{
    TraceScope trace("MusicFolderLibrary::podcastNames");
    QMutexLocker locker(&mLock);
    LibraryIndex* index = queryIndex();
    return index ? index->podcastNames() : QStringList();
}

Track MusicFolderLibrary::toTrack(const IndexedTrack& indexed, bool convertToMp3)
{
    Track track;
    track.setPath(indexed.path);
    track.setTrackName(indexed.tags.title.isEmpty() ? QFileInfo(indexed.path).completeBaseName() : indexed.tags.title);
    // Players file an album under its album artist, so the phone's folders do too.
    const QString artist = indexed.tags.albumArtist.isEmpty() ? indexed.tags.artist : indexed.tags.albumArtist;
    track.setArtistName(artist.isEmpty() ? indexed.podcast : artist);
    track.setAlbumName(indexed.tags.album.isEmpty() ? indexed.podcast : indexed.tags.album);
    track.setTrackNumberOnAlbum(indexed.tags.trackNumber);
    track.setITunesId(QString::number(indexed.id));
    track.setSizeOnPc(indexed.size);
    track.setDuration(indexed.tags.durationSeconds);
    track.setDateAdded(indexed.dateAdded);
    track.setCompilation(indexed.tags.compilation);
    track.setMp3Bitrate(indexed.tags.bitrateKbps > 0 ? qBound(kMinMp3Kbps, indexed.tags.bitrateKbps, kMaxMp3Kbps) : 0);
    // Only AAC goes through the converter; the other formats reach the phone as they are.
    track.setConvertToMp3(convertToMp3 && indexed.tags.aac);
    return track;
}

int MusicFolderLibrary::scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize,
                                     bool convertToMp3, TrackList& drmTracks, Playlist& playlist, bool wholeLibrary)
{
    TraceScope trace("MusicFolderLibrary::scanPlaylist");
    traceValue("playlistName", playlistName);
    if (QThread::currentThread() != thread())
        waitForScan(kSyncScanWaitMs);
    playlist.mName = playlistName;
    const auto add = [&](const IndexedTrack& indexed) {
        // The index may be older than the folder: a file gone since is left out.
        if (!QFileInfo::exists(indexed.path))
            return;
        Track track = toTrack(indexed, convertToMp3);
        track.setOnLocalSyncPlaylist(true);
        if (indexed.drm) {
            drmTracks.addTrack(track);
            return;
        }
        const int index = trackList.addTrack(track);
        playlist.mEntries.append(PlaylistEntry(index, track.dateAdded()));
        accumulatedSize += indexed.size;
    };
    QMutexLocker locker(&mLock);
    LibraryIndex* index = queryIndex();
    int result = index ? 0 : int(LibraryResult::IndexCannotOpen);
    if (index) {
        const bool everything =
            (wholeLibrary && playlistName.isEmpty()) || playlistName == LibraryPaths::allMusicPlaylistName();
        result = everything ? index->visitAllMusic(add) : index->visitPlaylist(playlistName, add);
    }
    traceReturns(result);
    return result;
}

void MusicFolderLibrary::podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists,
                                         TrackList& episodes)
{
    TraceScope trace("MusicFolderLibrary::podcastEpisodes");
    if (QThread::currentThread() != thread())
        waitForScan(kSyncScanWaitMs);
    QMutexLocker locker(&mLock);
    LibraryIndex* index = queryIndex();
    if (!index)
        return;
    for (const QString& name : podcastNames) {
        Playlist podcast;
        podcast.mName = name;
        const int result = index->visitPodcast(name, [&](const IndexedTrack& indexed) {
            if (!QFileInfo::exists(indexed.path))
                return;
            const Track episode = toTrack(indexed, false);
            podcast.mEntries.append(PlaylistEntry(episodes.addTrack(episode), episode.dateAdded()));
        });
        if (result != 0)
            traceValue("podcast query failed", result);
        playlists.append(podcast);
    }
}

QString MusicFolderLibrary::artworkPath(const Track& track)
{
    TraceScope trace("MusicFolderLibrary::artworkPath");
    const CoverPicture cover = TrackTagReader::embeddedCover(track.path());
    if (!cover.data.isEmpty()) {
        QString exported = exportBytes(cover.data, cover.suffix);
        if (!exported.isEmpty())
            return exported;
    }
    return exportCoverBeside(track.path());
}
