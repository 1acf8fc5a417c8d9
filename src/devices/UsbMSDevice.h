// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include "devices/Device.h"

#include <QString>

#include <memory>

class DirectoryStorage;
class QFile;
class QXmlStreamWriter;

// A phone that shows up as a USB mass-storage drive: the Device jobs over
// the drive's folder tree. Tracks already there are kept; the phone-side app
// learns what changed through the control files in "KORVA" (a metadata file
// per sync, the playlist and refresh hints, the PC program's version), and
// playlists the user dropped are emptied, not deleted.
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

    int GetDeviceType() override;
    void PrepareForSync() override;
    void FinalizeSync() override;
    bool IsMounted() override;
    bool IsConfigured(const SettingsStore& settings) override;
    void setPcSoftwareVersion(const QString& version) override;

    void ReadOrGenerateUniqueDeviceId();
    void dumpFileContents(const QString& path);

    QString rootPath() const;
    // The playlist's file name in "Playlists_QNL": the name cleaned so that it
    // cannot leave that folder or be refused by the file system, plus ".m3u".
    static QString playlistFileName(const QString& playlistName);

protected:
    void trackUploaded(const Track& track) override;
    void albumArtPlaced(const Track& track) override;
    int playlistSent(const Playlist& playlist, const TrackList& tracks, const QString& path,
                     const QString& fileName) override;
    void dropPlaylist(const QString& path) override;
    void playlistsListed(const QStringList& fileNames) override;

private:
    DirectoryStorage& drive() const;
    // A copy cut short by a killed program leaves its hidden temporary file;
    // the next run removes those in the folders this program writes to.
    void removeCopyLeftovers();
    void appendToFile(const QString& relativePath, const QByteArray& bytes);

    bool mIdRead = false;
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
