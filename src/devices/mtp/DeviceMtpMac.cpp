// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/DeviceMtpMac.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/MtpStorage.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackList.h"

#include <cstdio>

namespace {

Device::KindPolicy mtpPolicy()
{
    Device::KindPolicy policy;
    policy.cleansTrackNames = true;
    policy.cleansPlaylistNameDots = true;
    policy.makesPlaylistFolder = true;
    policy.missingSourceResult = PhoneResult::CopyFailed;
    policy.folderFailure = PhoneResult::PathNotFound;
    // The lines are relative to the playlist folder right below the root.
    policy.playlistLinePrefix = QStringLiteral("..");
    policy.albumArtName = Constants::phoneAlbumArtFileName();
    return policy;
}

} // namespace

DeviceMtpMac::DeviceMtpMac(DeviceParentMtpMac* parent, const QMtpDeviceStorage& storage)
    : Device(std::make_unique<MtpStorage>(parent->mtpDevice(), storage), mtpPolicy()), mParent(parent)
{
    TraceScope trace("DeviceMtpMac::DeviceMtpMac");
    const QString friendly = mtpDevice() ? mtpDevice()->friendlyName() : QString();
    if (!friendly.isEmpty()) {
        mFriendlyName = friendly + QLatin1Char(' ');
    } else {
        std::fputs("Device: (NULL) or empty\n", stdout);
        if (!parent->product().isEmpty())
            mFriendlyName += parent->product() + QLatin1Char(' ');
        if (!parent->vendor().isEmpty())
            mFriendlyName += parent->vendor() + QLatin1Char(' ');
    }
    mFriendlyName += storage.description();
    traceValue("mFriendlyName", mFriendlyName);
    readDeviceInfoFile();
    readUniqueId();
}

DeviceMtpMac::~DeviceMtpMac()
{
    TraceScope trace("DeviceMtpMac::~DeviceMtpMac");
}

::MtpDevice* DeviceMtpMac::mtpDevice() const
{
    return mParent->mtpDevice();
}

MtpStorage& DeviceMtpMac::objects() const
{
    return static_cast<MtpStorage&>(phoneStorage());
}

QMtpDeviceStorage* DeviceMtpMac::storage() const
{
    return &objects().deviceStorage();
}

QString DeviceMtpMac::playlistFileName(const QString& playlistName)
{
    TraceScope trace("DeviceMtpMac::playlistFileName");
    return playlistFileNameFor(playlistName, true);
}

int DeviceMtpMac::GetDeviceType()
{
    TraceScope trace("DeviceMtpMac::GetDeviceType");
    return kTypeMtp;
}

bool DeviceMtpMac::openForConfiguring()
{
    return mtpDevice()->reopen();
}

void DeviceMtpMac::PrepareForSync()
{
    TraceScope trace("DeviceMtpMac::PrepareForSync");
    Device::PrepareForSync();
    // Object ids of an earlier connection mean nothing now.
    mtpDevice()->reopen();
    objects().remove(Constants::phoneSyncCompleteFile());
}

void DeviceMtpMac::FinalizeSync()
{
    TraceScope trace("DeviceMtpMac::FinalizeSync");
    if (!objects().put(Constants::phoneSyncCompleteText(), Constants::phoneSyncCompleteFile()))
        traceMessage("Could not send the sync-complete-file");
}

bool DeviceMtpMac::IsMounted()
{
    TraceScope trace("DeviceMtpMac::IsMounted");
    return true;
}

int DeviceMtpMac::playlistSent(const Playlist& playlist, const TrackList& tracks, const QString& path,
                               const QString& /*fileName*/)
{
    TraceScope trace("DeviceMtpMac::playlistSent");
    // Players that read MTP playlist objects go by their references, not by the file's lines.
    QString playlistId;
    QString folderId;
    const int result = objects().fileAt(path, playlistId, folderId);
    if (result != 0)
        return result;
    QStringList ids;
    for (const PlaylistEntry& entry : playlist.mEntries) {
        if (entry.mTrackIndex < 0 || entry.mTrackIndex >= tracks.count())
            continue;
        const QString deviceId = tracks.track(entry.mTrackIndex).deviceId();
        QString trackId;
        QString trackFolderId;
        if (!deviceId.isEmpty() && objects().fileAt(remoteFilePath(deviceId), trackId, trackFolderId) == 0)
            ids.append(trackId);
    }
    traceValue("setReferences", mtpDevice()->setReferences(playlistId, ids));
    return 0;
}

void DeviceMtpMac::setPcSoftwareVersion(const QString& /*version*/)
{
    TraceScope trace("DeviceMtpMac::setPcSoftwareVersion");
}
