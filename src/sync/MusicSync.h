// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/DeviceHandle.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "settings/SyncPlan.h"
#include "sync/PhotoCopier.h"
#include "sync/SpaceNeeds.h"
#include "transfer/BackupConversion.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Device;
class DeviceParent;
class LocalMusicLibrary;
class MusicSyncThread;
class SettingsStore;

// What a run leaves for the main window once it has ended.
struct MusicSyncOutcome
{
    // The code of the last failed upload, which chooses the warning's wording.
    int lastUploadError = 0;
    // What the data transfer converted; its kind is Unknown when no backup was chosen.
    BackupConversionResult dataTransfer;
    bool dataTransferFailed() const { return dataTransfer.code != 0; }
    // Photos and videos that did not reach the phone, with the reason of each.
    QList<PhotoNotCopied> notCopiedPhotos;
    // The phone went away during the run: it ended without the rest of its steps.
    bool phoneDisconnected = false;
    // What the phone answered to the final flush of its file system (0: stored).
    int flushResult = 0;
    // The run ends as complete with errors: something the user chose did not
    // reach the phone (a backup that could not be read included), or a track
    // that was to leave it is still there.
    bool hasErrors() const
    {
        return !notCopiedPhotos.isEmpty() || phoneDisconnected || flushResult != 0 || dataTransferFailed()
               || dataTransfer.firstFailure() != 0 || !tracksNotRemoved.isEmpty();
    }
    // Photos handed to the phone and tracks it took, for the summary at the end.
    int photosSent = 0;
    int tracksCopied = 0;
    // Tracks taken off the phone, and the names of those that stayed on it
    // although they were to go.
    int tracksRemoved = 0;
    // Tracks that left the sync but stay on the phone because the library
    // could not be read or held no music (an unplugged music disk).
    int tracksKeptForUnreadLibrary = 0;
    QStringList tracksNotRemoved;
    // The report of the run kept on the computer; empty when it could not be written.
    QString reportPath;
};

// One synchronisation of one phone, run once on its own worker thread: data
// from another phone's backup, photos, then music (track cache, library
// playlists and podcasts, space check, album art, deletion, upload,
// playlists). It talks to the main window only through its signals: progress
// is queued; the three questions are connected blocking-queued, so the worker
// waits until the window's slot has answered with answerDeleteQuestion or
// Cancel. Every step is skipped once the user has cancelled.
class MusicSync : public QObject, private PhotoCopier::Observer
{
    Q_OBJECT

public:
    // The handle keeps the phone alive for the engine's whole life.
    MusicSync(LocalMusicLibrary* library, DeviceHandle device, QObject* parent = nullptr);
    // For a phone and parent that the caller keeps alive longer than the engine.
    MusicSync(LocalMusicLibrary* library, Device* device, DeviceParent* parentDevice, QObject* parent = nullptr);
    // Waits for a run that is still going (after asking it to stop).
    ~MusicSync() override;

    // The program's settings, shared with the window; without them the engine
    // reads the settings file itself when a run starts.
    void useSettings(SettingsStore* settings);
    void StartInNewThread(bool forceFullResync);
    void Cancel();
    bool hasBeenCancelled();
    void ChangeState(int state);
    void UpdateProgress(int total, int done, const QString& name);
    void UpdateProgress(int state, const QString& name);

    TrackList& TracksToDelete() { return mTracksToDelete; }
    const QList<Track>& GetNonCopiedTracks() const { return mNotCopiedTracks; }
    QStringList notCopiedTrackNames() const;
    // What the last "not enough space" question was about; read by the
    // window while the engine waits for the answer.
    const SpaceNeeds& spaceNeeds() const { return mSpaceNeeds; }
    // "Copying photos: 120 of 480 - IMG_0001.JPG"; without "of" when the total is not known.
    static QString progressText(const QString& what, qint64 done, qint64 total, const QString& name);
    const QList<Track>& GetNotDeletedTracks() const { return mNotDeletedTracks; }
    TrackList& GetDrmTracks() { return mDrmTracks; }
    MusicSyncThread* thread() const { return mThread.get(); }
    int state() const { return mState; }

    // One whole synchronisation; runs on the worker thread.
    void Start();

    // Copies every chosen track that is not on the phone yet, last first.
    void Upload();
    // Deletes mTracksToDelete from the phone; the result of the last failure or 0.
    int DeleteTracks();

    // Sends the album's cover once per run (only with the setting on, or force).
    void uploadAlbumArtForTrackInt(const Track& track, bool force);
    bool updateAlbumArtForTracksAlreadyOnDevice();

    // Read by the main window after the run.
    const MusicSyncOutcome& outcome() const { return mOutcome; }
    // Called by the main window's slot while the worker waits on ConfirmDeleteTracks.
    void answerDeleteQuestion(bool confirmed) { mDeleteConfirmed = confirmed; }

signals:
    void ProgressUpdate(int a_state, int a_percent_complete);
    void ProgressUpdate(int a_state, int a_percent_complete, QString aTrackName);
    void ConfirmDeleteTracks();
    void DrmTracksFound();
    void notEnoughSpace(qint64 aAdditionalSpaceRequired);

private:
    void photoStateChanged(int state) override;
    void photoProgress(const QString& fileName, int done, int total) override;
    void conversionProgress(const QString& kind, qint64 done, qint64 total) override;
    void photoCopied() override;
    bool continueWithoutSpace(const SpaceNeeds& needs) override;

    // The steps of Start.
    void deleteCacheFiles();
    void buildTrackList();
    void addPodcasts(int podcastSetting, QStringList podcastNames, int episodeLimit);
    void checkSpace();
    int GetTracksToDelete();
    // Asks unless the user chose to delete without warning for this phone.
    bool deletionConfirmed(const QString& id);
    void trackRemoved(const Track& track);
    void writePlaylists();
    // The end of a run that went through: Complete, or CompleteWithErrors when
    // something did not reach the phone or the phone did not store it.
    void finishRun();
    // The end of a run whose phone went away: the cache forgets the tracks
    // copied in this run (nothing confirms that they are whole on the phone),
    // so the next sync checks them again.
    void endWithPhoneLost();
    // Keeps the report of the run on the computer, before its end state is told.
    void writeRunReport();
    static QString albumArtTempPath();

    DeviceHandle mDeviceHandle;
    Device* mDevice;
    DeviceParent* mParentDevice;
    LocalMusicLibrary* mLibrary;
    TrackList mTrackList;
    TrackList mDrmTracks;
    TrackList mTracksToDelete;
    QList<Track> mTracksToRelease;
    // The library answered for everything this run chose.
    bool mLibraryComplete = false;
    QList<Playlist> mPlaylists;
    std::unique_ptr<MusicSyncThread> mThread;
    int mPercent = 0;
    int mState = 0;
    TrackCache mTrackCache;
    std::atomic<bool> mCancelled{false};
    SpaceNeeds mSpaceNeeds;
    QList<Track> mNotCopiedTracks;
    QList<Track> mNotDeletedTracks;
    // Tracks added to the cache by this run's uploads.
    QList<Track> mUploadedThisRun;
    // The user already chose to go on without enough space.
    bool mSpaceShortAccepted = false;
    QSet<QString> mAlbumArtDone;
    qint64 mFreeSpace = 0;
    SettingsStore* mSettings = nullptr;
    std::unique_ptr<SettingsStore> mOwnSettings;
    // What this run does, read once when it starts.
    SyncPlan mPlan;
    bool mForceFullResync = false;
    std::atomic<bool> mDeleteConfirmed{false};
    MusicSyncOutcome mOutcome;
};
