// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include "devices/Device.h"

#include <QString>

class DeviceParentMtpMac;
class MtpDevice;
class MtpStorage;
class QMtpDeviceStorage;

// One storage of an MTP phone: the Device jobs over its objects. Tracks are
// always replaced, playlists are playlist objects that also reference their
// tracks, and a marker file tells the phone-side app that a sync ended.
class DeviceMtpMac : public Device
{
public:
    static constexpr int kErrorNotFound = PhoneResult::PathNotFound;
    static constexpr int kErrorCopyFailed = PhoneResult::CopyFailed;
    static constexpr int kErrorDeleteFailed = PhoneResult::DeleteFailed;

    // Keeps its own copy of storage; reads the phone's device information and id.
    DeviceMtpMac(DeviceParentMtpMac* parent, const QMtpDeviceStorage& storage);
    ~DeviceMtpMac() override;

    using Device::createPlaylist;

    int GetDeviceType() override;
    void PrepareForSync() override;
    void FinalizeSync() override;
    bool IsMounted() override;
    void setPcSoftwareVersion(const QString& version) override;

    ::MtpDevice* mtpDevice() const;
    // The storage's objects by path.
    MtpStorage& objects() const;
    QMtpDeviceStorage* storage() const;
    DeviceParentMtpMac* parent() const { return mParent; }
    // The playlist's file name in "Playlists_QNL".
    static QString playlistFileName(const QString& playlistName);

protected:
    int playlistSent(const Playlist& playlist, const TrackList& tracks, const QString& path,
                     const QString& fileName) override;
    bool openForConfiguring() override;

private:
    DeviceParentMtpMac* mParent;
};
