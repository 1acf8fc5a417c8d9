// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include "devices/Device.h"

#include <QSet>
#include <QString>

#include <memory>

class DeviceParentMtpMac;
class MtpDevice;
class QMtpDeviceStorage;

// One storage of an MTP phone, driven through the Device interface like a
// USB drive. Every file operation goes through MtpFile and the parent's
// object cache. Paths on the phone are relative to the storage root with
// "/" between the parts.
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

    [[nodiscard]] int copyFile(const QString& localPath, const QString& relativePath, bool overwrite) override;
    int GetDeviceType() override;
    void PrepareForSync() override;
    void FinalizeSync() override;
    bool IsMounted() override;
    int UploadTrack(Track& track) override;
    int DeleteTrack(TrackCache& cache, Track& track) override;
    QString UniqueDeviceId() override;
    QString FriendlyName() override;
    int GetStorageCapacity(qint64& bytes) override;
    int GetFreeStorageSpace(qint64& bytes) override;
    void SetConfigured() override;
    int createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite) override;
    void removeOldPlaylists() override;
    void uploadAlbumArt(const Track& track, const QString& imagePath) override;
    void setPcSoftwareVersion(const QString& version) override;
    FileMatch compareWithPhoneFile(const QString& localPath, const QString& relativePath) override;
    QStringList fileNamesIn(const QString& relativeFolder) override;
    int removeFile(const QString& relativePath) override;
    bool isReachable() override;

    // 0 with the object's id, or 11003. Without matchAny folders are skipped.
    int GetOrCreateFromNameAndParent(const QString& aParentId, const QString& aName, QString& id, bool matchAny,
                                     bool create);
    // 0 with the id of the path's last part and of its folder, or 11003; with
    // create every missing part is made as a folder.
    int GetOrCreateFromPath(const QString& path, QString& id, QString& parentId, bool create);
    int FindOrCreateDirectories(const QString& artist, const QString& album, QString& id);
    // The id of the track's file on the phone; nothing is created.
    int GetIdFromTrack(const Track& track, QString& id);
    void CacheAndroidVersion();
    void ReadOrGenerateUniqueDeviceId();

    ::MtpDevice* mtpDevice() const;
    QMtpDeviceStorage* storage() const { return mStorage.get(); }
    DeviceParentMtpMac* parent() const { return mParent; }
    // The playlist's file name in "Playlists_QNL".
    static QString playlistFileName(const QString& playlistName);

private:
    int findName(const QString& aParentId, const QString& aName, QString& id, bool matchAny, bool preferFolder,
                 bool create);
    // Like GetOrCreateFromPath without creating, but the last part must be a file.
    int findFile(const QString& path, QString& id, QString& parentId);
    // The track's file name on the phone.
    static QString trackFileName(const Track& track);

    QString mFriendlyName;
    DeviceParentMtpMac* mParent;
    std::unique_ptr<QMtpDeviceStorage> mStorage;
    QSet<QString> mPlaylistsWritten;
    QString mUniqueDeviceId;
};
