// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/MusicSync.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "model/LocalMusicLibrary.h"
#include "settings/SettingsStore.h"
#include "sync/AlbumArtImage.h"
#include "sync/DataTransfer.h"
#include "sync/Mp3Converter.h"
#include "sync/MusicSyncThread.h"
#include "sync/RunReportFile.h"
#include "sync/SyncReport.h"
#include "sync/SyncState.h"
#include "sync/TracksToRemove.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {
// Used when the library gives a track to convert without a bitrate.
constexpr int kDefaultMp3BitrateKbps = 128;
} // namespace

MusicSync::MusicSync(LocalMusicLibrary* library, Device* device, DeviceParent* parentDevice, QObject* parent)
    : MusicSync(library, DeviceHandle::borrowed(device, parentDevice), parent)
{
}

MusicSync::MusicSync(LocalMusicLibrary* library, DeviceHandle device, QObject* parent)
    : QObject(parent), mDeviceHandle(std::move(device)), mDevice(mDeviceHandle.device()),
      mParentDevice(mDeviceHandle.parent()), mLibrary(library), mThread(std::make_unique<MusicSyncThread>(this))
{
    TraceScope trace("MusicSync::MusicSync");
    // Unknown free space counts as none: the figure only guards the copies.
    if (mDevice && mDevice->GetFreeStorageSpace(mFreeSpace) != 0) {
        traceMessage("Free space not known");
        mFreeSpace = 0;
    }
    traceValue("mFreeSpace", QString::number(mFreeSpace));
}

MusicSync::~MusicSync()
{
    TraceScope trace("MusicSync::~MusicSync");
    if (mThread->isRunning()) {
        Cancel();
        mThread->wait();
    }
}

void MusicSync::useSettings(SettingsStore* settings)
{
    mSettings = settings;
    mOwnSettings.reset();
}

void MusicSync::StartInNewThread(bool forceFullResync)
{
    TraceScope trace("MusicSync::StartInNewThread");
    mCancelled = false;
    mForceFullResync = forceFullResync;
    mThread->start(QThread::InheritPriority);
}

void MusicSync::Cancel()
{
    TraceScope trace("MusicSync::Cancel");
    mCancelled = true;
}

bool MusicSync::hasBeenCancelled()
{
    TraceScope trace("MusicSync::hasBeenCancelled");
    const bool cancelled = mCancelled;
    traceValue("mCancelled", cancelled ? 1 : 0);
    return cancelled;
}

void MusicSync::ChangeState(int state)
{
    TraceScope trace("MusicSync::ChangeState");
    traceValue("state", state);
    mState = state;
    emit ProgressUpdate(mState, mPercent);
}

void MusicSync::UpdateProgress(int total, int done, const QString& name)
{
    TraceScope trace("MusicSync::UpdateProgress");
    if (total != 0)
        mPercent = static_cast<int>(static_cast<qint64>(done) * 100 / total);
    emit ProgressUpdate(mState, mPercent, name);
}

void MusicSync::UpdateProgress(int state, const QString& name)
{
    TraceScope trace("MusicSync::UpdateProgress");
    if (state != mState)
        ChangeState(state);
    UpdateProgress(0, 0, name);
}

void MusicSync::photoStateChanged(int state)
{
    ChangeState(state);
}

void MusicSync::photoProgress(const QString& fileName, int done, int total)
{
    UpdateProgress(total, done, progressText(tr("Copying photos"), done, total, fileName));
}

void MusicSync::conversionProgress(const QString& kind, qint64 done, qint64 total)
{
    // Called on the readers' threads: only a queued signal, no member is touched.
    emit ProgressUpdate(SyncState::StatePreparing, 0,
                        progressText(tr("Writing %1").arg(kind.toLower()), done, total, QString()));
}

QString MusicSync::progressText(const QString& what, qint64 done, qint64 total, const QString& name)
{
    QString text = total > 0 ? tr("%1: %2 of %3").arg(what).arg(done).arg(total) : tr("%1: %2").arg(what).arg(done);
    if (!name.isEmpty())
        text += QStringLiteral(" - ") + name;
    return text;
}

void MusicSync::photoCopied()
{
    // Counted when the phone has the file: a photo that did not fit, or
    // that an earlier sync copied already, is not one the report may claim.
    ++mOutcome.photosSent;
}

bool MusicSync::continueWithoutSpace(const SpaceNeeds& needs)
{
    TraceScope trace("MusicSync::continueWithoutSpace");
    mSpaceNeeds = needs;
    emit notEnoughSpace(needs.shortfall());
    mSpaceShortAccepted = !hasBeenCancelled();
    return mSpaceShortAccepted;
}

void MusicSync::finishRun()
{
    TraceScope trace("MusicSync::finishRun");
    mDevice->FinalizeSync();
    // "Complete" promises that the data is on the phone: a phone pulled right
    // afterwards must hold whole files.
    mOutcome.flushResult = mDevice->flushToMedium();
    traceValue("flushResult", mOutcome.flushResult);
    writeRunReport();
    ChangeState(mOutcome.hasErrors() ? SyncState::StateCompleteWithErrors : SyncState::StateComplete);
}

void MusicSync::endWithPhoneLost()
{
    TraceScope trace("MusicSync::endWithPhoneLost");
    mOutcome.phoneDisconnected = true;
    if (mTrackCache.isOpen()) {
        for (const Track& track : std::as_const(mUploadedThisRun))
            mTrackCache.removeDeletedTrack(track);
        mTrackCache.writeIntegrityValue();
        mTrackCache.close();
    }
    mDevice->FinalizeSync();
    writeRunReport();
    ChangeState(SyncState::StateCompleteWithErrors);
}

QStringList MusicSync::notCopiedTrackNames() const
{
    QStringList names;
    for (const Track& track : mNotCopiedTracks)
        names.append(track.trackName());
    return names;
}

void MusicSync::writeRunReport()
{
    mOutcome.reportPath =
        RunReportFile::write(Constants::runReportsFolderPath(), SyncReport(mOutcome, notCopiedTrackNames()),
                             mDevice->FriendlyName(), QDateTime::currentDateTime());
}

void MusicSync::Start()
{
    TraceScope trace("MusicSync::Start");
    mOutcome = MusicSyncOutcome();
    mUploadedThisRun.clear();
    mSpaceShortAccepted = false;
    mDevice->PrepareForSync();

    if (!mSettings) {
        mOwnSettings = std::make_unique<SettingsStore>();
        mSettings = mOwnSettings.get();
    }
    // A store of the engine's own is read here; the window's was read when it started the run.
    const int loadResult = mOwnSettings ? mSettings->reload() : mSettings->loadResult();
    if (loadResult == SyncSettings::kErrorCannotOpenFile && !hasBeenCancelled()) {
        traceMessage("Can't open settings");
        ChangeState(SyncState::StateSettingsError);
    }
    bool succeeded = loadResult == 0;

    mNotCopiedTracks.clear();
    mNotDeletedTracks.clear();

    mDevice->setPcSoftwareVersion(Constants::pcSoftwareVersion());
    const QString id = mDevice->UniqueDeviceId();
    traceValue("id", id);

    int configResult = 0;
    if (succeeded && !hasBeenCancelled()) {
        mPlan = mSettings->plan(id);
        configResult = mPlan.configResult;
        if (configResult != 0) {
            traceMessage("Could not get config");
            succeeded = false;
        }
    }

    if (configResult == SyncSettings::kErrorNotConfigured && !hasBeenCancelled()) {
        ChangeState(SyncState::StateNotConfigured);
    } else if (succeeded && !hasBeenCancelled()) {
        traceMessage("Preparing to sync");
        ChangeState(SyncState::StatePreparing);
        if (mForceFullResync)
            deleteCacheFiles();
    }

    if (succeeded && !hasBeenCancelled()) {
        DataTransfer transfer(*mDevice, mParentDevice, *this);
        mOutcome.dataTransfer = transfer.run(mPlan, *mSettings);
        mOutcome.notCopiedPhotos = transfer.notCopiedPhotos();
        // The music's space check must not count again on what the photos took.
        mFreeSpace -= transfer.bytesPlanned();
        mSpaceNeeds = transfer.spacePlanned();
        if (transfer.phoneLost() && !hasBeenCancelled()) {
            endWithPhoneLost();
            return;
        }
    }

    bool cacheOpened = false;
    if (succeeded && !hasBeenCancelled()) {
        const int cacheResult = mTrackCache.openFile(mPlan.cacheFileName);
        traceValue("cacheResult", cacheResult);
        if (cacheResult != 0 && cacheResult != TrackCache::kNewCacheCreated) {
            if (mTrackCache.isOpen())
                mTrackCache.clear();
            mTrackCache.close();
            // The run cannot go on without its cache; it still needs an end
            // state, or the window would stay busy for ever.
            mDevice->FinalizeSync();
            ChangeState(SyncState::StateCompleteWithErrors);
            return;
        }
        cacheOpened = true;
    }

    if (cacheOpened) {
        if (!hasBeenCancelled())
            buildTrackList();

        if (!hasBeenCancelled())
            checkSpace();

        if (!hasBeenCancelled() && !mDrmTracks.isEmpty())
            emit DrmTracksFound();

        if (!hasBeenCancelled()) {
            traceMessage("Getting tracks to delete");
            GetTracksToDelete();
            if (!mTracksToDelete.isEmpty() && !deletionConfirmed(id)) {
                // "No" keeps the phone and its cache as they are, and ends the run.
                traceMessage("Delete cancelled");
                Cancel();
            }
        }

        if (!hasBeenCancelled() && mPlan.forceArtworkSync && updateAlbumArtForTracksAlreadyOnDevice())
            mSettings->change([&id](SyncSettings& settings) { settings.setForceArtworkSync(id, false); });

        if (!hasBeenCancelled()) {
            traceMessage("About to delete tracks");
            DeleteTracks();
        }

        if (!hasBeenCancelled() && !mOutcome.phoneDisconnected) {
            traceMessage("About to upload");
            Upload();
        }

        if (mOutcome.phoneDisconnected && !hasBeenCancelled()) {
            endWithPhoneLost();
            return;
        }

        mTrackCache.writeIntegrityValue();
        mTrackCache.close();

        if (!hasBeenCancelled())
            writePlaylists();

        if (!hasBeenCancelled()) {
            finishRun();
            traceMessage("Sync done");
        }
    }

    if (hasBeenCancelled()) {
        mDevice->FinalizeSync();
        writeRunReport();
        ChangeState(SyncState::StateCancelled);
    } else if (!cacheOpened) {
        // Ended early (settings or configuration): close what PrepareForSync
        // opened, so the phone never finds a half-written metadata file.
        mDevice->FinalizeSync();
    }
}

void MusicSync::deleteCacheFiles()
{
    TraceScope trace("MusicSync::deleteCacheFiles");
    const QString& cacheName = mPlan.cacheFileName;
    if (cacheName.isEmpty())
        return;
    traceValue("Deleting cache", cacheName);
    QFile::remove(cacheName);
    QFile::remove(TrackCache::persistentIdsFileName(cacheName));
}

void MusicSync::buildTrackList()
{
    TraceScope trace("MusicSync::buildTrackList");
    mTrackCache.updateTrackList(mTrackList, -1);
    if (!mLibrary)
        return;

    mLibraryComplete = true;
    const bool wholeLibrary = mPlan.wholeLibrary;
    QStringList playlistNames = mPlan.playlists;
    if (wholeLibrary) {
        if (!mLibrary->prepare())
            mLibraryComplete = false;
        traceMessage("Synchronizing to entire library");
        const QStringList libraryPlaylists = mLibrary->playlistNames();
        for (const QString& name : libraryPlaylists) {
            if (name.isEmpty())
                continue;
            traceValue("Adding playlist", name);
            playlistNames.append(name);
        }
    }

    qint64 accumulatedSize = 0;
    qsizetype chosenTracks = 0;
    for (const QString& name : playlistNames) {
        traceMessage("Scanning local playlist");
        traceValue("wSyncPlaylistName", name);
        const bool convertToMp3 = mPlan.convertAacToMp3;
        Playlist playlist;
        {
            TraceScope scan("MusicSync::ScanLocalPlaylist");
            if (mLibrary->scanPlaylist(name, mTrackList, accumulatedSize, convertToMp3, mDrmTracks, playlist,
                                       wholeLibrary)
                != 0)
                mLibraryComplete = false;
        }
        chosenTracks += playlist.mEntries.size();
        mPlaylists.append(playlist);
    }
    // Music chosen and not one track found: the music folder is more likely
    // missing (an unplugged disk) than emptied, and nothing is removed for it.
    if (chosenTracks == 0 && !playlistNames.isEmpty()) {
        traceMessage("No music found in the library");
        mLibraryComplete = false;
    }

    addPodcasts(mPlan.podcastSetting, mPlan.podcasts, mPlan.numberOfEpisodes);
}

void MusicSync::addPodcasts(int podcastSetting, QStringList podcastNames, int episodeLimit)
{
    TraceScope trace("MusicSync::addPodcasts");
    if (podcastSetting == 1) {
        traceMessage("Synchronizing all podcasts");
        const QStringList all = mLibrary->podcastNames();
        for (const QString& name : all) {
            traceValue("playlistName", name);
            podcastNames.append(name);
        }
    }
    traceValue("number-of-episodes-to-sync", episodeLimit);

    QList<Playlist> podcasts;
    TrackList episodes;
    mLibrary->podcastEpisodes(podcastNames, podcasts, episodes);
    for (Playlist& podcast : podcasts) {
        // Most recent first; equal dates keep the library's order.
        std::stable_sort(podcast.mEntries.begin(), podcast.mEntries.end(),
                         [](const PlaylistEntry& a, const PlaylistEntry& b) { return a.mDateAdded > b.mDateAdded; });
        if (episodeLimit > 0 && episodeLimit < podcast.mEntries.size())
            podcast.mEntries.erase(podcast.mEntries.begin() + episodeLimit, podcast.mEntries.end());
        QList<PlaylistEntry> kept;
        for (const PlaylistEntry& entry : podcast.mEntries) {
            // The library is outside code: an entry pointing nowhere is dropped.
            if (entry.mTrackIndex < 0 || entry.mTrackIndex >= episodes.count())
                continue;
            Track episode = episodes.track(entry.mTrackIndex);
            // A chosen podcast's episodes are chosen tracks.
            episode.setOnLocalSyncPlaylist(true);
            kept.append(PlaylistEntry(mTrackList.addTrack(episode), entry.mDateAdded));
        }
        podcast.mEntries = kept;
        mPlaylists.append(podcast);
    }
}

void MusicSync::checkSpace()
{
    TraceScope trace("MusicSync::checkSpace");
    const qint64 needed = mTrackList.totalSizeToSync() - mTrackList.totalSizeOnDevice();
    traceValue("spaceNeeded", QString::number(needed));
    traceValue("mFreeSpace", QString::number(mFreeSpace));
    if (needed > mFreeSpace && !mForceFullResync && !mSpaceShortAccepted) {
        // The question counts what the photos and data files took before the tracks.
        mSpaceNeeds.trackBytes = needed;
        mSpaceNeeds.freeBytes = mFreeSpace + mSpaceNeeds.photoBytes + mSpaceNeeds.dataFileBytes;
        emit notEnoughSpace(needed - mFreeSpace);
    }
}

int MusicSync::GetTracksToDelete()
{
    TraceScope trace("MusicSync::GetTracksToDelete");
    TracksToRemove selected = TracksToRemove::select(mTrackList, mLibraryComplete);
    mTracksToDelete = std::move(selected.remove);
    mTracksToRelease = std::move(selected.release);
    mOutcome.tracksKeptForUnreadLibrary = selected.keptForUnreadLibrary;
    traceReturns(0);
    return 0;
}

bool MusicSync::deletionConfirmed(const QString& id)
{
    TraceScope trace("MusicSync::deletionConfirmed");
    // Read now, not from the plan: the answer of an earlier run of this
    // session may have changed it.
    if (mSettings->read([&id](const SyncSettings& settings) { return settings.deleteWithoutWarning(id); })) {
        traceMessage("Deleting without warning");
        return true;
    }
    mDeleteConfirmed = false;
    emit ConfirmDeleteTracks();
    return mDeleteConfirmed;
}

void MusicSync::writePlaylists()
{
    TraceScope trace("MusicSync::writePlaylists");
    for (const Playlist& playlist : std::as_const(mPlaylists)) {
        if (playlist.mName.isEmpty())
            continue;
        UpdateProgress(SyncState::StatePlaylists, playlist.mName);
        mDevice->createPlaylist(playlist, mTrackList, mForceFullResync);
    }
    mDevice->removeOldPlaylists();
}

void MusicSync::Upload()
{
    TraceScope trace("MusicSync::Upload");
    traceValue("Tracks to copy", mTrackList.count());
    int attempts = 0;
    for (int index = mTrackList.count() - 1; index >= 0; --index) {
        if (hasBeenCancelled())
            break;
        traceValue("Checking whether to copy track", index);
        Track& track = mTrackList.track(index);
        if (!track.onLocalSyncPlaylist() || track.onRemoteDevice())
            continue;

        ChangeState(SyncState::StateCopying);
        QString name = track.trackName();
        if (name.isNull()) {
            traceMessage("NULL trackName");
            name = QString(QLatin1String(""));
        }
        UpdateProgress(mTrackList.totalTracksToCopy(), attempts,
                       progressText(tr("Copying tracks"), attempts + 1, mTrackList.totalTracksToCopy(), name));
        traceValue("Uploading track index", index);

        if (track.needsConversion()) {
            traceMessage("Coverting to MP3");
            QDir().mkpath(Constants::programFolderPath());
            const int bitrate = track.mp3Bitrate() > 0 ? track.mp3Bitrate() : kDefaultMp3BitrateKbps;
            Mp3Converter::convert(track.path(), track.uploadPath(), bitrate);
        }
        if (hasBeenCancelled()) {
            traceMessage("Has been cancelled");
            return;
        }

        uploadAlbumArtForTrackInt(track, false);
        traceMessage("About to upload track");
        track.dump();
        const int result = mDevice->UploadTrack(track);
        ++attempts;
        if (result == 0) {
            mTrackCache.addTrack(track);
            mUploadedThisRun.append(track);
            ++mOutcome.tracksCopied;
            traceMessage("Track copied");
        } else if (result == PhoneResult::Disconnected || !mDevice->isReachable()) {
            // Every further track would fail the same way, each after its retries.
            traceMessage("Phone gone");
            mNotCopiedTracks.append(track);
            mOutcome.lastUploadError = result;
            mOutcome.phoneDisconnected = true;
            return;
        } else {
            mNotCopiedTracks.append(track);
            traceMessage("Track not copied");
            traceValue("err", result);
            mOutcome.lastUploadError = result;
        }
    }
}

int MusicSync::DeleteTracks()
{
    TraceScope trace("MusicSync::DeleteTracks");
    // Not ours to delete: the cache stops counting them, the phone keeps them.
    for (const Track& track : std::as_const(mTracksToRelease))
        mTrackCache.removeDeletedTrack(track);
    int result = 0;
    const int total = mTracksToDelete.count();
    for (int index = 0; index < total; ++index) {
        if (hasBeenCancelled())
            break;
        Track& track = mTracksToDelete.track(index);
        if (mState != SyncState::StateDeleting)
            ChangeState(SyncState::StateDeleting);
        UpdateProgress(total, index, progressText(tr("Removing tracks"), index + 1, total, track.trackName()));
        result = mDevice->DeleteTrack(mTrackCache, track);
        if (result == 0) {
            trackRemoved(track);
            continue;
        }
        mNotDeletedTracks.append(track);
        if (result == PhoneResult::Disconnected || !mDevice->isReachable()) {
            // The rest would fail alike; they stay in the cache and in the report.
            traceMessage("Phone gone");
            mOutcome.phoneDisconnected = true;
            for (int rest = index + 1; rest < total; ++rest)
                mNotDeletedTracks.append(mTracksToDelete.track(rest));
            break;
        }
    }
    for (const Track& track : std::as_const(mNotDeletedTracks))
        mOutcome.tracksNotRemoved.append(track.trackName());
    traceReturns(result);
    return result;
}

void MusicSync::trackRemoved(const Track& track)
{
    ++mOutcome.tracksRemoved;
    const int index = mTrackList.indexOf(track.uniqueId());
    if (index < 0)
        return;
    // The run's own list says what is on the phone from here on: the
    // playlists and the space figures read it.
    Track& entry = mTrackList.track(index);
    if (entry.onRemoteDevice())
        mTrackList.setTotalSizeOnDevice(std::max<qint64>(0, mTrackList.totalSizeOnDevice() - entry.sizeOnDevice()));
    entry.setOnRemoteDevice(false);
    entry.setDeviceId(QString());
}

QString MusicSync::albumArtTempPath()
{
    return Constants::programFolderPath() + QLatin1Char('/') + Constants::albumArtFileName();
}

void MusicSync::uploadAlbumArtForTrackInt(const Track& track, bool force)
{
    TraceScope trace("MusicSync::uploadAlbumArtForTrackInt");
    const QString key = track.albumName() + track.artistName();
    if (mAlbumArtDone.contains(key) || !mLibrary)
        return;
    const QString artworkPath = mLibrary->artworkPath(track);
    traceValue("artworkPath", artworkPath);
    if (artworkPath.isEmpty())
        return;

    const QString imagePath = albumArtTempPath();
    QDir().mkpath(Constants::programFolderPath());
    const int result = AlbumArtImage::create(artworkPath, imagePath);
    if (result == 0 && (mPlan.enableArtworkSync || force)) {
        mDevice->uploadAlbumArt(track, imagePath);
        mAlbumArtDone.insert(key);
    }
    // The library exported the artwork for us; it is ours to remove.
    QFile::remove(artworkPath);
}

bool MusicSync::updateAlbumArtForTracksAlreadyOnDevice()
{
    TraceScope trace("MusicSync::updateAlbumArtForTracksAlreadyOnDevice");
    ChangeState(SyncState::StateAlbumArt);
    for (int index = 0; index < mTrackList.count(); ++index) {
        if (hasBeenCancelled())
            break;
        const Track& track = mTrackList.track(index);
        // A track about to leave the phone would leave its cover behind.
        if (!track.onRemoteDevice() || mTracksToDelete.indexOf(track.uniqueId()) >= 0)
            continue;
        UpdateProgress(0, 0, track.albumName() + QLatin1String(" - ") + track.artistName());
        uploadAlbumArtForTrackInt(track, true);
    }
    traceReturns(1);
    return true;
}
