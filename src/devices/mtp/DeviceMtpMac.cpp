// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/DeviceMtpMac.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/FileCopier.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpBackend.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/MtpFile.h"
#include "devices/mtp/QMtpDevice.h"
#include "devices/mtp/QMtpDeviceStorage.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <limits>

namespace {

// Control files written by the phone are tiny; reading more would only cost
// memory when one is damaged.
constexpr qint64 kMaxControlFileBytes = 1024 * 1024;
constexpr int kUploadRetries = 5;
constexpr int kDocumentType = 2;

QString deviceInfoPath()
{
    return Constants::phoneProgramFolder() + Constants::deviceInfoFileName();
}

QString homeProgramFile(const QString& name)
{
    return Constants::programFolderPath() + QLatin1Char('/') + name;
}

} // namespace

DeviceMtpMac::DeviceMtpMac(DeviceParentMtpMac* parent, const QMtpDeviceStorage& storage)
    : mParent(parent), mStorage(std::make_unique<QMtpDeviceStorage>(storage))
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
    mFriendlyName += mStorage->description();
    traceValue("mFriendlyName", mFriendlyName);
    CacheAndroidVersion();
    ReadOrGenerateUniqueDeviceId();
}

DeviceMtpMac::~DeviceMtpMac()
{
    TraceScope trace("DeviceMtpMac::~DeviceMtpMac");
}

::MtpDevice* DeviceMtpMac::mtpDevice() const
{
    return mParent->mtpDevice();
}

void DeviceMtpMac::CacheAndroidVersion()
{
    TraceScope trace("DeviceMtpMac::CacheAndroidVersion");
    MtpFile file(this, deviceInfoPath());
    if (!file.open(QIODevice::ReadOnly)) {
        traceValue("Could not open android file", deviceInfoPath());
        return;
    }
    const QByteArray contents = file.read(kMaxControlFileBytes);
    file.close();
    readDeviceInfo(contents);
}

void DeviceMtpMac::ReadOrGenerateUniqueDeviceId()
{
    TraceScope trace("DeviceMtpMac::ReadOrGenerateUniqueDeviceId");
    traceValue("Looking for file", Constants::phoneUniqueIdFile());
    MtpFile file(this, Constants::phoneUniqueIdFile());
    if (!file.exists(Constants::phoneUniqueIdFile())) {
        traceMessage("Can't find ID file, use temporary value");
        mUniqueDeviceId = Constants::tempDeviceId();
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        traceMessage("Error getting ID file - assigning temp value");
        mUniqueDeviceId = Constants::tempDeviceId();
        return;
    }
    mUniqueDeviceId = QString::fromLatin1(file.read(kMaxControlFileBytes));
    traceValue("Got ID file, mUniqueDeviceId", mUniqueDeviceId);
    file.close();
}

int DeviceMtpMac::findName(const QString& aParentId, const QString& aName, QString& id, bool matchAny,
                           bool preferFolder, bool create)
{
    TraceScope trace("DeviceMtpMac::findName");
    traceValue("aParentId", aParentId);
    traceValue("aName", aName);
    const QList<QMtpCachedFile> files = mtpDevice()->getFilesAndFolders(mStorage->Id(), aParentId);
    if (!files.isEmpty())
        traceMessage("Files found");
    bool found = false;
    for (const QMtpCachedFile& file : files) {
        traceValue("Item found", file.name());
        const bool isFolder = file.type() == QMtpFileInterface::kFolder;
        if ((!matchAny && isFolder) || file.name() != aName)
            continue;
        if (!found)
            id = file.id();
        found = true;
        // A part in the middle of a path must be a folder; a file of the
        // same name can hold nothing, so a folder further on wins.
        if (!preferFolder || isFolder) {
            id = file.id();
            break;
        }
    }
    if (found) {
        traceValue("Match found, aFolderId", id);
        return 0;
    }
    if (create) {
        traceMessage("No match found so try to create the folder");
        id = mtpDevice()->createFolder(aName, aParentId, mStorage->Id());
        if (!id.isEmpty() && id != QLatin1String("0")) {
            traceValue("Folder created with id", id);
            return 0;
        }
        traceMessage("Could not create folder");
        // The phone may have gained the folder since it was listed: ask it again.
        mtpDevice()->forgetFolder(aParentId, mStorage->Id());
        return findName(aParentId, aName, id, matchAny, preferFolder, false);
    }
    return kErrorNotFound;
}

int DeviceMtpMac::GetOrCreateFromNameAndParent(const QString& aParentId, const QString& aName, QString& id,
                                               bool matchAny, bool create)
{
    TraceScope trace("DeviceMtpMac::GetOrCreateFromNameAndParent");
    return findName(aParentId, aName, id, matchAny, false, create);
}

int DeviceMtpMac::GetOrCreateFromPath(const QString& path, QString& id, QString& parentId, bool create)
{
    TraceScope trace("DeviceMtpMac::GetOrCreateFromPath");
    traceValue("path", path);
    const QStringList parts = splitPath(path);
    QString parent = Constants::mtpRootObjectId();
    QString current;
    int result = 0;
    for (int i = 0; i < parts.size() && result == 0; ++i) {
        parentId = parent;
        result = findName(parent, parts.at(i), current, true, i + 1 < parts.size(), create);
        parent = current;
    }
    id = result == 0 ? current : QString();
    return result;
}

int DeviceMtpMac::findFile(const QString& path, QString& id, QString& parentId)
{
    TraceScope trace("DeviceMtpMac::findFile");
    QStringList parts = splitPath(path);
    if (parts.isEmpty())
        return kErrorNotFound;
    const QString name = parts.takeLast();
    QString folderId;
    QString folderParentId;
    if (GetOrCreateFromPath(parts.join(QLatin1Char('/')), folderId, folderParentId, false) != 0)
        return kErrorNotFound;
    parentId = folderId.isEmpty() ? Constants::mtpRootObjectId() : folderId;
    return GetOrCreateFromNameAndParent(parentId, name, id, false, false);
}

int DeviceMtpMac::FindOrCreateDirectories(const QString& artist, const QString& album, QString& id)
{
    TraceScope trace("DeviceMtpMac::FindOrCreateDirectories");
    QString parentId;
    const QString path =
        QLatin1Char('/') + Constants::phoneMusicFolder() + QLatin1Char('/') + artist + QLatin1Char('/') + album;
    return GetOrCreateFromPath(path, id, parentId, true);
}

int DeviceMtpMac::GetIdFromTrack(const Track& track, QString& id)
{
    TraceScope trace("DeviceMtpMac::GetIdFromTrack");
    // The device id is where the upload put the file; looking it up never
    // makes folders for tracks that are not on the phone.
    if (track.deviceId().isEmpty())
        return kErrorNotFound;
    QString parentId;
    return findFile(remoteFilePath(track.deviceId()), id, parentId);
}

QString DeviceMtpMac::trackFileName(const Track& track)
{
    TraceScope trace("DeviceMtpMac::trackFileName");
    // Named after the library's file, not after the converter's temporary
    // output, which every converted track shares.
    QString fileName = QFileInfo(track.path()).fileName();
    if (track.needsConversion() && fileName.size() > 3) {
        traceMessage("Changing ext to mp3");
        fileName = fileName.left(fileName.size() - 3) + Constants::mp3Extension();
    }
    return cleanFolderName(fileName, false);
}

QString DeviceMtpMac::playlistFileName(const QString& playlistName)
{
    TraceScope trace("DeviceMtpMac::playlistFileName");
    return UsbMSDevice::playlistFileName(cleanFolderName(playlistName, true));
}

int DeviceMtpMac::copyFile(const QString& localPath, const QString& relativePath, bool overwrite)
{
    TraceScope trace("DeviceMtpMac::copyFile");
    traceValue("relativePath", relativePath);
    MtpFile file(this, relativePath);
    // The copy replaces an old file only once the new one is on the phone.
    if (!overwrite && file.exists(relativePath))
        return 0;
    if (!file.copy(localPath, relativePath, kUploadRetries, kDocumentType)) {
        traceValue("Error copying file", localPath);
        return kErrorCopyFailed;
    }
    return 0;
}

Device::FileMatch DeviceMtpMac::compareWithPhoneFile(const QString& localPath, const QString& relativePath)
{
    TraceScope trace("DeviceMtpMac::compareWithPhoneFile");
    MtpFile file(this, relativePath);
    if (!file.exists(relativePath))
        return FileMatch::Absent;
    // The phone's copy is fetched only for a name that is taken, which is rare.
    if (!file.open(QIODevice::ReadOnly))
        return FileMatch::Different;
    const bool same = FileCopier::sameContents(localPath, file.localPath());
    file.close();
    return same ? FileMatch::Same : FileMatch::Different;
}

QStringList DeviceMtpMac::fileNamesIn(const QString& relativeFolder)
{
    TraceScope trace("DeviceMtpMac::fileNamesIn");
    QString folderId;
    QString parentId;
    if (GetOrCreateFromPath(relativeFolder, folderId, parentId, false) != 0)
        return {};
    QStringList names;
    const QList<QMtpCachedFile> files = mtpDevice()->getFilesAndFolders(mStorage->Id(), folderId);
    for (QMtpCachedFile file : files) {
        if (file.type() != QMtpFileInterface::kFolder)
            names.append(file.name());
        file.release();
    }
    return names;
}

int DeviceMtpMac::removeFile(const QString& relativePath)
{
    TraceScope trace("DeviceMtpMac::removeFile");
    traceValue("relativePath", relativePath);
    QString id;
    QString parentId;
    if (findFile(relativePath, id, parentId) != 0)
        return kErrorNotFound;
    return mtpDevice()->deleteObject(id, parentId, mStorage->Id()) == 0 ? 0 : kErrorDeleteFailed;
}

bool DeviceMtpMac::isReachable()
{
    TraceScope trace("DeviceMtpMac::isReachable");
    ::MtpDevice* mtp = mtpDevice();
    QMtpDevice* connected = mtp ? mtp->device() : nullptr;
    if (!connected || !connected->isOpen())
        return false;
    // Asked of the phone itself: the folder cache would answer for a phone
    // that is gone.
    QMutexLocker locker(&connected->mutex());
    QList<MtpObjectRecord> objects;
    return connected->connection()
           && connected->connection()->listChildren(mStorage->Id(), Constants::mtpRootObjectId(), objects);
}

int DeviceMtpMac::GetDeviceType()
{
    TraceScope trace("DeviceMtpMac::GetDeviceType");
    return kTypeMtp;
}

void DeviceMtpMac::PrepareForSync()
{
    TraceScope trace("DeviceMtpMac::PrepareForSync");
    mPlaylistsWritten.clear();
    mtpDevice()->reopen();
    MtpFile marker(this, Constants::phoneSyncCompleteFile());
    marker.remove(Constants::phoneSyncCompleteFile());
}

void DeviceMtpMac::FinalizeSync()
{
    TraceScope trace("DeviceMtpMac::FinalizeSync");
    MtpFile marker(this, Constants::phoneSyncCompleteFile());
    if (!marker.open(QIODevice::WriteOnly)) {
        traceValue("Could not open / create the sync-complete-file", Constants::phoneSyncCompleteFile());
        return;
    }
    marker.write(Constants::phoneSyncCompleteText());
    if (!marker.close())
        traceMessage("Could not send the sync-complete-file");
}

bool DeviceMtpMac::IsMounted()
{
    TraceScope trace("DeviceMtpMac::IsMounted");
    return true;
}

int DeviceMtpMac::UploadTrack(Track& track)
{
    TraceScope trace("DeviceMtpMac::UploadTrack");
    track.dump();
    QString artist;
    QString album;
    remoteFolderNames(track, artist, album);
    artist = cleanFolderName(artist, true);
    album = cleanFolderName(album, true);
    const QString fileName = trackFileName(track);
    const QString uploadPath = track.uploadPath();
    if (fileName.isEmpty() || !QFileInfo(uploadPath).isFile()) {
        // The copy would first remove the phone's file; keep it when there is nothing to send.
        traceMessage("Source file doesn't exist");
        traceValue("a_track.path()", uploadPath);
        return kErrorCopyFailed;
    }
    const QString target = QLatin1Char('/') + Constants::phoneMusicFolder() + QLatin1Char('/') + artist
                           + QLatin1Char('/') + album + QLatin1Char('/') + fileName;
    traceValue("target", target);
    MtpFile file(this, target);
    if (!file.copy(uploadPath, target, kUploadRetries, kDocumentType)) {
        traceMessage("*** Failed to copy track.");
        return kErrorCopyFailed;
    }
    track.setOnRemoteDevice(true);
    track.setSizeOnDevice(QFileInfo(uploadPath).size());
    track.setDeviceId(target);
    return 0;
}

int DeviceMtpMac::DeleteTrack(TrackCache& cache, Track& track)
{
    TraceScope trace("DeviceMtpMac::DeleteTrack");
    track.dump();
    QString id;
    QString parentId;
    const int error = findFile(remoteFilePath(track.deviceId()), id, parentId);
    int result = 0;
    if (error != 0) {
        traceValue("Error getting ID of track to delete, err", error);
    } else {
        traceValue("About to do LIBMTP_Delete_Object", id);
        if (mtpDevice()->deleteObject(id, parentId, mStorage->Id()) != 0) {
            traceValue("*** Error deleteing track: trackId", id);
            result = kErrorDeleteFailed;
        } else {
            traceMessage("Track deleted");
        }
    }
    if (result != 0)
        return result;
    track.setOnRemoteDevice(false);
    cache.removeDeletedTrack(track);
    return 0;
}

QString DeviceMtpMac::UniqueDeviceId()
{
    TraceScope trace("DeviceMtpMac::UniqueDeviceId");
    return mUniqueDeviceId;
}

QString DeviceMtpMac::FriendlyName()
{
    TraceScope trace("DeviceMtpMac::FriendlyName");
    traceValue("mFriendlyName", mFriendlyName);
    return mFriendlyName;
}

int DeviceMtpMac::GetStorageCapacity(qint64& bytes)
{
    TraceScope trace("DeviceMtpMac::GetStorageCapacity");
    bytes = qint64(qMin<quint64>(mStorage->capacity(), quint64(std::numeric_limits<qint64>::max())));
    traceValue("aCapacity", QString::number(bytes));
    return 0;
}

int DeviceMtpMac::GetFreeStorageSpace(qint64& bytes)
{
    TraceScope trace("DeviceMtpMac::GetFreeStorageSpace");
    mStorage->refresh();
    bytes = qint64(qMin<quint64>(mStorage->freeSpace(), quint64(std::numeric_limits<qint64>::max())));
    traceValue("aFreeSpace", QString::number(bytes));
    return 0;
}

void DeviceMtpMac::SetConfigured()
{
    TraceScope trace("DeviceMtpMac::SetConfigured");
    if (!mtpDevice()->reopen()) {
        traceMessage("Could not open the phone");
        return;
    }
    MtpFile file(this, Constants::phoneUniqueIdFile());
    if (file.exists(Constants::phoneUniqueIdFile()))
        return;
    traceMessage("UID file doesn't exist - creating one");
    // Milliseconds, seconds, minutes, hour, day and month without leading zeros, then "Y".
    const QDateTime now = QDateTime::currentDateTime();
    const QTime time = now.time();
    const QDate date = now.date();
    const QString id = QString::number(time.msec()) + QString::number(time.second()) + QString::number(time.minute())
                       + QString::number(time.hour()) + QString::number(date.day()) + QString::number(date.month())
                       + QLatin1Char('Y');
    traceValue("mUniqueDeviceId", id);
    traceValue("mkpath result", file.mkpath(Constants::phoneProgramFolder()) ? 1 : 0);
    // The id counts only once it is on the phone: a settings entry under an
    // id the phone does not hold would never be found again.
    if (!file.open(QIODevice::WriteOnly) || !file.write(id.toLatin1()) || !file.close()) {
        traceMessage("Could not write the id file");
        return;
    }
    mUniqueDeviceId = id;
}

int DeviceMtpMac::createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite)
{
    TraceScope trace("DeviceMtpMac::createPlaylist");
    int result = 0;
    const QString localPlaylist = homeProgramFile(Constants::tempPlaylistFileName());
    const int written = Device::createPlaylist(playlist, tracks, localPlaylist);
    if (written != 0) {
        traceValue("Error creating local copy of playlist", written);
        result = written;
    }
    QString folderId;
    const int folderError = GetOrCreateFromNameAndParent(Constants::mtpRootObjectId(), Constants::phonePlaylistFolder(),
                                                         folderId, true, true);
    if (folderError != 0) {
        traceValue("Error creating", Constants::phonePlaylistFolder());
        traceValue("Error", folderError);
        result = folderError;
    }
    const QString fileName = playlistFileName(playlist.mName);
    mPlaylistsWritten.insert(fileName);

    bool identical = false;
    if (result == 0) {
        traceValue("Checking whether playlist already exists on device", fileName);
        traceValue("playlistFolderId", folderId);
        QString existingId;
        const int ret = GetOrCreateFromNameAndParent(folderId, fileName, existingId, false, false);
        traceValue("ret", ret);
        if (ret == 0) {
            traceMessage("We have an existing playlist with the same name");
            const QString fromDevice = homeProgramFile(Constants::tempPlaylistFromDeviceFileName());
            // A copy left from another playlist must never be compared.
            QFile::remove(fromDevice);
            if (mtpDevice()->transferFromDevice(existingId, fromDevice) != 0) {
                traceMessage("Error getting existing playlist file from the device");
            } else {
                identical = identicalPlaylistAlreadyExists(fromDevice, playlist, tracks);
                if (identical)
                    traceMessage("The playlist on the device is identical");
            }
            QFile::remove(fromDevice);
        }
    }
    if (!forceRewrite && identical) {
        QFile::remove(localPlaylist);
        return 0;
    }

    const QString target = QLatin1Char('/') + Constants::phonePlaylistFolder() + QLatin1Char('/') + fileName;
    MtpFile file(this, target);
    const bool sent = file.copy(localPlaylist, target, kUploadRetries, QMtpFileInterface::kPlaylist);
    QFile::remove(localPlaylist);
    if (!sent) {
        traceMessage("*** Failed to copy track.");
        return kErrorCopyFailed;
    }
    if (result == 0) {
        QString newId;
        result = GetOrCreateFromNameAndParent(folderId, fileName, newId, false, false);
        if (result == 0) {
            QStringList ids;
            for (const PlaylistEntry& entry : playlist.mEntries) {
                if (entry.mTrackIndex < 0 || entry.mTrackIndex >= tracks.count())
                    continue;
                QString trackId;
                if (GetIdFromTrack(tracks.track(entry.mTrackIndex), trackId) == 0)
                    ids.append(trackId);
            }
            traceValue("setReferences", mtpDevice()->setReferences(newId, ids));
        }
    }
    return result;
}

void DeviceMtpMac::removeOldPlaylists()
{
    TraceScope trace("DeviceMtpMac::removeOldPlaylists");
    QString folderId;
    if (GetOrCreateFromNameAndParent(Constants::mtpRootObjectId(), Constants::phonePlaylistFolder(), folderId, true,
                                     true)
        != 0)
        return;
    traceMessage("Got playlist folder ID");
    const QList<QMtpCachedFile> files = mtpDevice()->getFilesAndFolders(mStorage->Id(), folderId);
    for (QMtpCachedFile file : files) {
        if (file.type() == QMtpFileInterface::kPlaylist && !mPlaylistsWritten.contains(file.name())) {
            traceValue("Deleting playlist", file.name());
            const int result = mtpDevice()->deleteObject(file.id(), folderId, mStorage->Id());
            if (result != 0)
                traceValue("Could not delete playlist", result);
        }
        file.release();
    }
}

void DeviceMtpMac::uploadAlbumArt(const Track& track, const QString& imagePath)
{
    TraceScope trace("DeviceMtpMac::uploadAlbumArt");
    QString artist;
    QString album;
    remoteFolderNames(track, artist, album);
    QString folderId;
    if (FindOrCreateDirectories(artist, album, folderId) != 0)
        return;
    // A cover already there is kept: phones may hold two objects of one name.
    QString existingId;
    if (GetOrCreateFromNameAndParent(folderId, Constants::phoneAlbumArtFileName(), existingId, false, false) == 0) {
        traceMessage("Album art already on the phone");
        return;
    }
    QMtpFile descriptor;
    descriptor.setSize(QFileInfo(imagePath).size());
    descriptor.setName(Constants::phoneAlbumArtFileName());
    descriptor.setType(QMtpFileInterface::kDocument);
    descriptor.setParentId(folderId);
    descriptor.setStorageId(mStorage->Id());
    const int result = mtpDevice()->sendFile(imagePath, descriptor);
    traceValue("sendFile", result);
    descriptor.release();
}

void DeviceMtpMac::setPcSoftwareVersion(const QString& /*version*/)
{
    TraceScope trace("DeviceMtpMac::setPcSoftwareVersion");
}
