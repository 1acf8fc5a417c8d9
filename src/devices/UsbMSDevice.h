// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include "devices/Device.h"

#include <QSet>
#include <QString>

#include <memory>

class QFile;
class QXmlStreamWriter;

// A phone that shows up as a USB mass-storage drive. Everything is plain file
// work below the drive's root path (its mount point and "/"): tracks under
// "Music", playlists under "Playlists_QNL", and the control files through
// which this program and the phone-side app talk in "KORVA".
class UsbMSDevice : public Device
{
public:
    static constexpr int kErrorCopyFailed = PhoneResult::CopyFailed;
    static constexpr int kErrorDeleteFailed = PhoneResult::DeleteFailed;
    static constexpr int kErrorMakeFolderFailed = PhoneResult::FolderNotCreated;
    static constexpr int kErrorDisconnected = PhoneResult::Disconnected;

    // With readId the phone's id and device information are read at once.
    UsbMSDevice(const QString& rootPath, const QString& friendlyName, bool readId);
    ~UsbMSDevice() override;

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
    bool IsConfigured(const SettingsStore& settings) override;
    int createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite) override;
    void removeOldPlaylists() override;
    void uploadAlbumArt(const Track& track, const QString& imagePath) override;
    void setPcSoftwareVersion(const QString& version) override;
    FileMatch compareWithPhoneFile(const QString& localPath, const QString& relativePath) override;
    QStringList fileNamesIn(const QString& relativeFolder) override;
    int removeFile(const QString& relativePath) override;
    int flushToMedium() override;
    bool isReachable() override;

    void ReadOrGenerateUniqueDeviceId();
    void dumpFileContents(const QString& path);

    QString rootPath() const { return mRootPath; }
    // The playlist's file name in "Playlists_QNL": the name cleaned so that it
    // cannot leave that folder or be refused by the file system, plus ".m3u".
    static QString playlistFileName(const QString& playlistName);

private:
    void readDeviceInfoFile();
    // A copy cut short by a killed program leaves its hidden temporary file;
    // the next run removes those in the folders this program writes to.
    void removeCopyLeftovers();
    void writeMetadata(const Track& track);
    void appendToFile(const QString& relativePath, const QByteArray& bytes);
    // Absolute path of a file named by a device id, or empty when the id
    // points outside the drive.
    QString pathForDeviceId(const QString& deviceId) const;

    QString mFriendlyName;
    QString mUniqueDeviceId;
    QString mRootPath;
    QSet<QString> mPlaylistsWritten;
    bool mIdRead = false;
    // Deletes after the first one are spaced 100 ms apart.
    bool mDeletedBefore = false;
    std::unique_ptr<QFile> mMetadataFile;
    std::unique_ptr<QXmlStreamWriter> mMetadataWriter;
};

// The drive behind a UsbMSDevice; it holds that one device.
class DeviceParentMs : public DeviceParent
{
public:
    explicit DeviceParentMs(const QString& name);
    int GetDeviceType() override;
};
