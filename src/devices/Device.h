// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class Playlist;
class SettingsStore;
class PhoneStorage;
class Track;
class TrackCache;
class TrackList;

// Replaces every character that phones or their file systems refuse in a
// folder name by '_' ('.' too when replaceDots is set), then trims white space.
QString cleanFolderName(const QString& text, bool replaceDots);

// One storage of a phone that can receive music: a USB mass-storage drive or
// an MTP storage. The sync engine drives a whole sync through this interface.
// The jobs themselves (ids and device information, track paths, upload and
// delete, playlists, album art, companion files, space, flush) are done here
// once, over the PhoneStorage a subclass binds; where the two kinds of phone
// keep their files differently, the subclass says so in its KindPolicy and
// its hooks. The order of the virtual operations is fixed: keep new ones at the end.
class Device
{
public:
    // Device types answered by GetDeviceType().
    static constexpr int kTypeMtp = 1;
    static constexpr int kTypeUsbMassStorage = 2;

    // Where the two kinds of phone keep their files differently.
    struct KindPolicy
    {
        // An upload whose file is already on the phone keeps it; otherwise it is replaced.
        bool keepsExistingTracks = false;
        // Folder and file names of a track are cleaned once more on the way.
        bool cleansTrackNames = false;
        // Playlist names lose their dots as well.
        bool cleansPlaylistNameDots = false;
        // A device id outside the storage, or naming a folder, fails a delete;
        // otherwise whatever is not a file at the id counts as deleted.
        bool strictTrackPaths = false;
        // Writes to a storage that went away fail at once (so that no folder
        // is made on the computer in its place).
        bool refusesWritesWhenUnreachable = false;
        // Removing old playlists makes the playlist folder when it is missing.
        bool makesPlaylistFolder = false;
        // Upload result of a track whose local file is missing.
        int missingSourceResult = 0;
        // Result when a folder for a track or playlist cannot be made.
        int folderFailure = 0;
        // Put before the root path of each playlist line.
        QString playlistLinePrefix;
        QString albumArtName;
    };

    // Without a storage: every operation that needs one must be overridden.
    Device();
    virtual ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Puts a local file on the phone below its root, creating folders; an
    // existing file is replaced only with overwrite.
    // 0, or PhoneResult::CopyFailed; without overwrite an existing file is kept and counts as copied.
    [[nodiscard]] virtual int copyFile(const QString& localPath, const QString& relativePath, bool overwrite);
    virtual int GetDeviceType() = 0;
    // Called once at the start of a sync; the playlists written are forgotten.
    virtual void PrepareForSync();
    virtual void FinalizeSync() = 0;
    virtual bool IsMounted() = 0;
    // On success sets the track's mDeviceId, mOnRemoteDevice and mSizeOnDevice.
    [[nodiscard]] virtual int UploadTrack(Track& track);
    // On success clears mOnRemoteDevice and removes the track from the cache.
    [[nodiscard]] virtual int DeleteTrack(TrackCache& cache, Track& track);
    virtual QString UniqueDeviceId();
    virtual QString FriendlyName();
    [[nodiscard]] virtual int GetStorageCapacity(qint64& bytes);
    [[nodiscard]] virtual int GetFreeStorageSpace(qint64& bytes);
    // Gives the phone a persistent unique id on its own storage if it has none.
    virtual void SetConfigured();
    // The settings have an entry for this phone.
    virtual bool IsConfigured(const SettingsStore& settings);
    // Writes the playlist as an M3U file to a path on the PC; always 0.
    virtual int createPlaylist(const Playlist& playlist, const TrackList& tracks, const QString& localPath);
    // Writes the playlist onto the phone.
    virtual int createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite);
    // Deals with playlists on the phone that this sync did not write.
    virtual void removeOldPlaylists();
    // Puts the album's cover next to the track; a cover already there stays.
    virtual void uploadAlbumArt(const Track& track, const QString& imagePath);
    virtual void setPcSoftwareVersion(const QString& version) = 0;
    virtual QStringList splitPath(const QString& path);
    virtual void remoteFolderNames(const Track& track, QString& artist, QString& album);
    // The playlist file at path holds exactly the path lines the shared writer
    // would write for these tracks.
    virtual bool identicalPlaylistAlreadyExists(const QString& path, const Playlist& playlist, const TrackList& tracks);
    // Path of a track from the phone's root for its device id.
    virtual QString remoteFilePath(const QString& deviceId);

    // How a local file compares with the file at relativePath on the phone:
    // Same only for equal size and content. Without a way to tell, Absent, so
    // that copyFile's own rule (keep what is there) applies.
    enum class FileMatch { Absent, Same, Different };
    virtual FileMatch compareWithPhoneFile(const QString& localPath, const QString& relativePath);
    // The names of the files (not folders) in relativeFolder on the phone;
    // empty when the folder is not there or cannot be listed.
    virtual QStringList fileNamesIn(const QString& relativeFolder);
    // Removes the file at relativePath from the phone: 0, or a PhoneResult code.
    [[nodiscard]] virtual int removeFile(const QString& relativePath);
    // Makes everything written during the run durable on the phone before the
    // run reports its end: 0, PhoneResult::FlushFailed or PhoneResult::Disconnected.
    [[nodiscard]] virtual int flushToMedium();
    // False once the phone has gone away (unplugged, unmounted) under a run.
    virtual bool isReachable();

    // A string literal would otherwise pick the bool overload above.
    int createPlaylist(const Playlist& playlist, const TrackList& tracks, const char* localPath) = delete;

    // Where this phone's settings entry stands, -1 when it has none; a larger
    // value means configured more recently.
    int configuredOrder(const SettingsStore& settings);

    // Set for the MTP storages of a phone on which the companion app has left
    // no device information: the phone is usable, but gets standard files only.
    bool isHidden() const { return mHidden; }
    // Without device information: what a current Android phone has.
    static constexpr int kFallbackAndroidVersion = 14;
    static constexpr int kFallbackScreenPixels = 1080 * 2400;
    void useFallbackDeviceInfo()
    {
        if (mAndroidVersion < 0)
            mAndroidVersion = kFallbackAndroidVersion;
        if (mScreenPixels < 0)
            mScreenPixels = kFallbackScreenPixels;
    }
    void setHidden(bool hidden) { mHidden = hidden; }
    int screenPixels() const { return mScreenPixels; }
    int androidVersion() const { return mAndroidVersion; }

protected:
    // Control files written by the phone are tiny; reading more would only
    // cost memory when one is damaged.
    static constexpr qint64 kMaxControlFileBytes = qint64{1024} * 1024;

    Device(std::unique_ptr<PhoneStorage> storage, const KindPolicy& policy);
    PhoneStorage& phoneStorage() const { return *mStorage; }
    bool hasStorage() const { return mStorage != nullptr; }

    // Hooks of the jobs, for what only one kind of phone does.
    virtual void trackUploaded(const Track& track);
    virtual void albumArtPlaced(const Track& track);
    // After a playlist reached its path: the result of the playlist.
    virtual int playlistSent(const Playlist& playlist, const TrackList& tracks, const QString& path,
                             const QString& fileName);
    // A playlist file of an earlier sync that this one did not write.
    virtual void dropPlaylist(const QString& path);
    // Every playlist file that removeOldPlaylists found, in order.
    virtual void playlistsListed(const QStringList& fileNames);
    // Before the id file is looked for or written; false: the phone cannot be reached.
    virtual bool openForConfiguring();

    // The unique id from the phone's id file, or the temporary one.
    void readUniqueId();
    // The Android version and screen pixel count from "android.xml".
    void readDeviceInfoFile();
    // The track's file name on the phone: the library file's name, with
    // "mp3" for a track converted on the way.
    QString trackFileName(const Track& track);
    // Path of the album folder of a track: "/Music/artist/album".
    QString albumFolder(const QString& artist, const QString& album) const;
    // The file at a track's device id, relative to the storage root; empty
    // when a strict phone's id points outside it.
    QString trackPathOnPhone(const QString& deviceId);
    // The playlist's file name in "Playlists_QNL": the name cleaned so that
    // it cannot leave that folder or be refused, plus ".m3u".
    static QString playlistFileNameFor(const QString& playlistName, bool withoutDots);

    // Writes the M3U file; each path line is linePrefix + remoteFilePath(id).
    int writePlaylistFile(const Playlist& playlist, const TrackList& tracks, const QString& localPath,
                          const QString& linePrefix);
    // Compares the path lines of an existing M3U file with those that
    // writePlaylistFile would write with the same prefix.
    bool playlistFileMatches(const QString& path, const Playlist& playlist, const TrackList& tracks,
                             const QString& linePrefix);
    // Fills the Android version and screen pixel count from the bytes of the
    // phone's "android.xml".
    void readDeviceInfo(const QByteArray& contents);

    // Set for MTP storages of a phone whose device information is missing.
    bool mHidden = false;
    int mScreenPixels = -1;
    int mAndroidVersion = -1;
    QString mFriendlyName;
    QString mUniqueDeviceId;
    // File names of the playlists handled during the current sync.
    QSet<QString> mPlaylistsWritten;

private:
    std::unique_ptr<PhoneStorage> mStorage;
    KindPolicy mPolicy;
};

// A physical phone or drive holding one or more Device storages. The
// children are not owned: the device list deletes parents and devices.
class DeviceParent
{
public:
    explicit DeviceParent(const QString& name);
    virtual ~DeviceParent();
    DeviceParent(const DeviceParent&) = delete;
    DeviceParent& operator=(const DeviceParent&) = delete;

    virtual int GetDeviceType() = 0;
    // The highest Android version among the children (-1 when none has one);
    // screenPixels becomes that child's pixel count, unchanged when none.
    virtual int highestAndroidVersion(int& screenPixels);

    QString name() const { return mName; }
    const QList<Device*>& children() const { return mChildren; }
    void addChild(Device* device) { mChildren.append(device); }

protected:
    QString mName;
    QList<Device*> mChildren;
};
