// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/UsbMSDevice.h"

#include <QHash>
#include <QStringList>

#include <functional>

// A real USB phone on a folder that also records what the sync engine asked
// of it, and can be told to fail uploads or report a given free space.
class SyncRecordingDevice : public UsbMSDevice
{
public:
    explicit SyncRecordingDevice(const QString& rootPath);

    void PrepareForSync() override;
    void FinalizeSync() override;
    int UploadTrack(Track& track) override;
    int GetFreeStorageSpace(qint64& bytes) override;
    int createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite) override;
    using UsbMSDevice::createPlaylist;
    void removeOldPlaylists() override;
    void uploadAlbumArt(const Track& track, const QString& imagePath) override;
    int flushToMedium() override;

    // Track names whose upload fails with the given code.
    QHash<QString, int> mFailingUploads;
    // Free space to report instead of the folder's (negative: the folder's).
    qint64 mFreeSpace = -1;
    // Called before each upload (for example to cancel the sync).
    std::function<void(const Track&)> mBeforeUpload;

    int mPrepareCount = 0;
    int mFlushCount = 0;
    // The state the engine had reported when it flushed the phone.
    int mStateAtFlush = -1;
    std::function<int()> mStateNow;
    int mFinalizeCount = 0;
    int mRemoveOldPlaylistsCount = 0;
    QStringList mUploadedNames;
    QStringList mPlaylistNames;
    // Album + " / " + artist of every cover sent.
    QStringList mAlbumArt;
};
