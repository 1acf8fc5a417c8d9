// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncRecordingDevice.h"

#include "model/Playlist.h"
#include "model/Track.h"

SyncRecordingDevice::SyncRecordingDevice(const QString& rootPath)
    : UsbMSDevice(rootPath, QStringLiteral("Recording phone"), true)
{
}

void SyncRecordingDevice::PrepareForSync()
{
    ++mPrepareCount;
    UsbMSDevice::PrepareForSync();
}

void SyncRecordingDevice::FinalizeSync()
{
    ++mFinalizeCount;
    UsbMSDevice::FinalizeSync();
}

int SyncRecordingDevice::UploadTrack(Track& track)
{
    if (mBeforeUpload)
        mBeforeUpload(track);
    mUploadedNames.append(track.trackName());
    if (mFailingUploads.contains(track.trackName()))
        return mFailingUploads.value(track.trackName());
    return UsbMSDevice::UploadTrack(track);
}

int SyncRecordingDevice::GetFreeStorageSpace(qint64& bytes)
{
    if (mFreeSpace >= 0) {
        bytes = mFreeSpace;
        return 0;
    }
    return UsbMSDevice::GetFreeStorageSpace(bytes);
}

int SyncRecordingDevice::createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite)
{
    mPlaylistNames.append(playlist.mName);
    return UsbMSDevice::createPlaylist(playlist, tracks, forceRewrite);
}

void SyncRecordingDevice::removeOldPlaylists()
{
    ++mRemoveOldPlaylistsCount;
    UsbMSDevice::removeOldPlaylists();
}

void SyncRecordingDevice::uploadAlbumArt(const Track& track, const QString& imagePath)
{
    mAlbumArt.append(track.albumName() + QStringLiteral(" / ") + track.artistName());
    UsbMSDevice::uploadAlbumArt(track, imagePath);
}

int SyncRecordingDevice::flushToMedium()
{
    ++mFlushCount;
    if (mStateNow)
        mStateAtFlush = mStateNow();
    return UsbMSDevice::flushToMedium();
}
