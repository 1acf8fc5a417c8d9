// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/Device.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/FileCopier.h"
#include "devices/PhoneStorage.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

namespace {

// Folder names longer than this are refused by the phones' file systems.
constexpr int kMaxFolderNameLength = 255;
// File names longer than this (in UTF-8 bytes) are refused on the phone.
constexpr int kMaxFileNameBytes = 255;
// No path line of a playlist comes near this; longer lines are read in pieces
// (and so never match), which keeps a damaged file from costing memory.
constexpr qint64 kMaxPlaylistLineBytes = qint64{64} * 1024;

const QString kFolderNameForbidden = QStringLiteral("[](){}'\\^/?<>,&:*|;@!$#%\"") + QChar(0x2019);

QString lineWithoutCrLf(const QByteArray& line)
{
    QString text = QString::fromUtf8(line);
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    return text;
}

// Entries index the sync's track list; one that does not is skipped alike by
// the writer and the comparison.
// A playlist names only tracks that are on the phone: one that was not
// copied (a full phone) has no path there, and an empty path line would
// break the playlist in the phone's player.
bool isPlaylistEntryOnPhone(const TrackList& tracks, int index)
{
    return index >= 0 && index < tracks.count() && !tracks.track(index).deviceId().isEmpty();
}

} // namespace

QString cleanFolderName(const QString& text, bool replaceDots)
{
    TraceScope trace("cleanFolderName");
    QString cleaned = text;
    for (QChar& c : cleaned) {
        if (kFolderNameForbidden.contains(c) || (replaceDots && c == QLatin1Char('.')))
            c = QLatin1Char('_');
    }
    return cleaned.trimmed();
}

Device::Device() = default;

Device::Device(std::unique_ptr<PhoneStorage> storage, const KindPolicy& policy)
    : mStorage(std::move(storage)), mPolicy(policy)
{
}

Device::~Device() = default;

bool Device::IsConfigured(const SettingsStore& settings)
{
    TraceScope trace("Device::IsConfigured");
    const QString id = UniqueDeviceId();
    return settings.read([&id](const SyncSettings& s) { return !s.findDeviceElement(id).isNull(); });
}

int Device::configuredOrder(const SettingsStore& settings)
{
    TraceScope trace("Device::configuredOrder");
    const QString id = UniqueDeviceId();
    return settings.read([&id](const SyncSettings& s) { return s.deviceOrder(id); });
}

int Device::createPlaylist(const Playlist& playlist, const TrackList& tracks, const QString& localPath)
{
    TraceScope trace("Device::createPlaylist");
    // The ".." makes the path relative to a playlist folder right below the root.
    return writePlaylistFile(playlist, tracks, localPath, QStringLiteral(".."));
}

int Device::writePlaylistFile(const Playlist& playlist, const TrackList& tracks, const QString& localPath,
                              const QString& linePrefix)
{
    TraceScope trace("Device::writePlaylistFile");
    QFile file(localPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        // Only the trace shows it: callers go on with their other playlists.
        traceMessage("Error opening playlist file");
        return 0;
    }
    traceValue("Writing: #EXTM3U, bytes written", static_cast<int>(file.write("#EXTM3U\r\n")));
    for (const PlaylistEntry& entry : playlist.mEntries) {
        if (!isPlaylistEntryOnPhone(tracks, entry.mTrackIndex))
            continue;
        const Track& track = tracks.track(entry.mTrackIndex);
        const QByteArray info =
            "#EXTINF:" + QByteArray::number(track.duration()) + ',' + track.trackName().toUtf8() + "\r\n";
        traceValue("Writing track: ", track.trackName());
        traceValue("bytesWritten", static_cast<int>(file.write(info)));
        const QString pathLine = linePrefix + remoteFilePath(track.deviceId());
        traceValue("Writing track data: ", pathLine);
        traceValue("bytesWritten", static_cast<int>(file.write(pathLine.toUtf8() + "\r\n")));
    }
    file.close();
    return 0;
}

QStringList Device::splitPath(const QString& path)
{
    TraceScope trace("Device::splitPath");
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

void Device::remoteFolderNames(const Track& track, QString& artist, QString& album)
{
    TraceScope trace("Device::remoteFolderNames");
    album = cleanFolderName(track.albumName(), true).left(kMaxFolderNameLength);
    artist = track.compilation() ? Constants::compilationFolderName() : track.artistName();
    artist = cleanFolderName(artist, true).left(kMaxFolderNameLength);

    // A podcast episode lies in a show folder inside the library's podcast folder.
    const QStringList folders = splitPath(track.path());
    if (folders.size() >= 3
        && folders.at(folders.size() - 3).compare(Constants::podcastsFolderName(), Qt::CaseInsensitive) == 0)
        artist = Constants::podcastsFolderName();

    if (artist.isEmpty())
        artist = Constants::unknownFolderName();
    if (album.isEmpty())
        album = Constants::unknownFolderName();
    traceValue("artist", artist);
    traceValue("album", album);
}

bool Device::identicalPlaylistAlreadyExists(const QString& path, const Playlist& playlist, const TrackList& tracks)
{
    TraceScope trace("Device::identicalPlaylistAlreadyExists");
    return playlistFileMatches(path, playlist, tracks, QStringLiteral(".."));
}

bool Device::playlistFileMatches(const QString& path, const Playlist& playlist, const TrackList& tracks,
                                 const QString& linePrefix)
{
    TraceScope trace("Device::playlistFileMatches");
    traceValue("aRemotePlaylistPath", path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        traceMessage("Can't open playlist file.");
        return false;
    }
    file.readLine(kMaxPlaylistLineBytes);
    bool identical = true;
    for (const PlaylistEntry& entry : playlist.mEntries) {
        if (!isPlaylistEntryOnPhone(tracks, entry.mTrackIndex))
            continue;
        file.readLine(kMaxPlaylistLineBytes);
        const QString fromDevice = lineWithoutCrLf(file.readLine(kMaxPlaylistLineBytes));
        traceValue("remoteFilePathFromDevice", fromDevice);
        const QString expected = linePrefix + remoteFilePath(tracks.track(entry.mTrackIndex).deviceId());
        traceValue("expectedPath", expected);
        if (fromDevice != expected) {
            traceMessage("Playlist is not identical");
            identical = false;
            break;
        }
    }
    if (identical && !lineWithoutCrLf(file.readLine(kMaxPlaylistLineBytes)).isEmpty()) {
        traceMessage("PLaylist is not identical because the existing one has extra stuff at the end");
        identical = false;
    }
    traceValue("playlistIsIdentical returns:", identical ? 1 : 0);
    return identical;
}

QString Device::remoteFilePath(const QString& deviceId)
{
    TraceScope trace("Device::remoteFilePath");
    if (!deviceId.isEmpty() && deviceId.at(0) != QLatin1Char('/') && deviceId.at(0) != QLatin1Char('.'))
        return QLatin1Char('/') + Constants::phoneProgramFolder() + deviceId;
    return deviceId;
}

QString Device::UniqueDeviceId()
{
    TraceScope trace("Device::UniqueDeviceId");
    return mUniqueDeviceId;
}

QString Device::FriendlyName()
{
    TraceScope trace("Device::FriendlyName");
    traceValue("mFriendlyName", mFriendlyName);
    return mFriendlyName;
}

void Device::readUniqueId()
{
    TraceScope trace("Device::readUniqueId");
    const QString idFile = Constants::phoneUniqueIdFile();
    traceValue("Looking for file", idFile);
    mUniqueDeviceId = Constants::tempDeviceId();
    if (!phoneStorage().exists(idFile)) {
        traceMessage("Can't find ID file, use temporary value");
        return;
    }
    QByteArray id;
    if (!phoneStorage().read(idFile, id, kMaxControlFileBytes)) {
        traceMessage("Error getting ID file - assigning temp value");
        return;
    }
    mUniqueDeviceId = QString::fromLatin1(id);
    traceValue("Got ID file, mUniqueDeviceId", mUniqueDeviceId);
}

void Device::readDeviceInfoFile()
{
    TraceScope trace("Device::readDeviceInfoFile");
    const QString path = Constants::phoneProgramFolder() + Constants::deviceInfoFileName();
    QByteArray contents;
    if (!phoneStorage().read(path, contents, kMaxControlFileBytes)) {
        traceValue("Could not open device info", path);
        return;
    }
    readDeviceInfo(contents);
}

bool Device::openForConfiguring()
{
    return true;
}

void Device::SetConfigured()
{
    TraceScope trace("Device::SetConfigured");
    if (!openForConfiguring()) {
        traceMessage("Could not open the phone");
        return;
    }
    const QString idFile = Constants::phoneUniqueIdFile();
    if (phoneStorage().exists(idFile))
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
    traceValue("mkpath result", phoneStorage().makeFolder(Constants::phoneProgramFolder()) ? 1 : 0);
    // The id counts only once it is on the phone, whole: a settings entry
    // under an id the phone does not hold would never be found again.
    if (!phoneStorage().put(id.toLatin1(), idFile)) {
        traceValue("Could not write the id file", idFile);
        return;
    }
    mUniqueDeviceId = id;
}

void Device::PrepareForSync()
{
    TraceScope trace("Device::PrepareForSync");
    mPlaylistsWritten.clear();
}

QString Device::trackFileName(const Track& track)
{
    TraceScope trace("Device::trackFileName");
    // Named after the library's file, not after the converter's temporary
    // output, which every converted track shares.
    QString fileName = QFileInfo(track.path()).fileName();
    if (track.needsConversion() && fileName.size() > 3) {
        traceMessage("Changing ext to mp3");
        fileName = fileName.left(fileName.size() - 3) + Constants::mp3Extension();
    }
    return mPolicy.cleansTrackNames ? cleanFolderName(fileName, false) : fileName;
}

QString Device::albumFolder(const QString& artist, const QString& album) const
{
    return QLatin1Char('/') + Constants::phoneMusicFolder() + QLatin1Char('/') + artist + QLatin1Char('/') + album;
}

int Device::UploadTrack(Track& track)
{
    TraceScope trace("Device::UploadTrack");
    track.dump();
    QString artist;
    QString album;
    remoteFolderNames(track, artist, album);
    if (mPolicy.cleansTrackNames) {
        artist = cleanFolderName(artist, true);
        album = cleanFolderName(album, true);
    }
    const QString fileName = trackFileName(track);
    const QString folder = albumFolder(artist, album);
    const QString target = folder + QLatin1Char('/') + fileName;
    traceValue("remoteDirectoryPath", folder);
    traceValue("target", target);
    if (mPolicy.refusesWritesWhenUnreachable && !isReachable())
        return PhoneResult::Disconnected;

    PhoneStorage& storage = phoneStorage();
    bool kept = false;
    if (mPolicy.keepsExistingTracks) {
        if (!storage.makeFolder(folder)) {
            traceMessage("Error making remote path");
            return mPolicy.folderFailure;
        }
        kept = storage.isFile(target);
        if (kept) {
            traceMessage("Destination file already exists");
            traceValue("remoteFilePath", target);
        }
    }
    // A file this program did not put there must never be deleted by it
    // later; a phone that replaces it has still taken the user's place.
    const bool foundOnPhone = mPolicy.keepsExistingTracks ? kept : storage.isFile(target);
    const QString uploadPath = track.uploadPath();
    if (!kept) {
        // Nothing is sent for a missing file, and a phone's copy stays as it is.
        if (fileName.isEmpty() || !QFileInfo(uploadPath).isFile()) {
            traceMessage("Source file doesn't exist");
            traceValue("a_track.path()", track.path());
            return mPolicy.missingSourceResult;
        }
        traceMessage("Copying track");
        traceValue("Converted path", uploadPath);
        const bool copied = storage.put(uploadPath, target, PhoneStorage::Kind::File);
        traceValue("result", copied ? 1 : 0);
        if (!copied) {
            traceMessage("*** Failed to copy track.");
            return PhoneResult::CopyFailed;
        }
    }
    track.setDeviceId(target);
    track.setOnRemoteDevice(true);
    track.setFoundOnPhone(foundOnPhone);
    track.setSizeOnDevice(kept ? storage.size(target) : QFileInfo(uploadPath).size());
    trackUploaded(track);
    return 0;
}

void Device::trackUploaded(const Track& /*track*/) {}

QString Device::trackPathOnPhone(const QString& deviceId)
{
    TraceScope trace("Device::trackPathOnPhone");
    if (!mPolicy.strictTrackPaths)
        return remoteFilePath(deviceId);
    QString relative = deviceId;
    if (!deviceId.isEmpty() && !deviceId.startsWith(QLatin1Char('/')))
        relative = Constants::phoneProgramFolder() + deviceId;
    // Ids come from the track cache, a file that may be damaged: never let
    // one reach outside the storage.
    const QString cleaned = QDir::cleanPath(relative);
    QString withoutRoot = cleaned.startsWith(QLatin1Char('/')) ? cleaned.mid(1) : cleaned;
    if (withoutRoot.isEmpty() || withoutRoot == QStringLiteral("..") || withoutRoot.startsWith(QStringLiteral("../"))
        || withoutRoot == QStringLiteral("."))
        return QString();
    return withoutRoot;
}

int Device::DeleteTrack(TrackCache& cache, Track& track)
{
    TraceScope trace("Device::DeleteTrack");
    track.dump();
    const QString path = trackPathOnPhone(track.deviceId());
    traceValue("fileToDelete", path);
    PhoneStorage& storage = phoneStorage();
    bool deleted = true;
    if (path.isEmpty() && mPolicy.strictTrackPaths) {
        traceMessage("Device id does not name a file on the drive");
        deleted = false;
    } else if (storage.isFile(path)) {
        deleted = storage.remove(path);
        traceValue("reallyDeleted", deleted ? 1 : 0);
    } else if (mPolicy.strictTrackPaths && storage.exists(path)) {
        traceMessage("Device id names a folder");
        deleted = false;
    } else if (!isReachable()) {
        // A pulled phone shows no files: the track is still on it, and the
        // cache must go on saying so.
        traceMessage("Phone not reachable");
        return PhoneResult::Disconnected;
    } else {
        // A folder of the track's name is not the track: it stays, and the track is gone.
        traceMessage("File doesn't exist");
    }
    if (!deleted)
        return isReachable() ? PhoneResult::DeleteFailed : PhoneResult::Disconnected;
    track.setOnRemoteDevice(false);
    cache.removeDeletedTrack(track);
    return 0;
}

int Device::GetStorageCapacity(qint64& bytes)
{
    TraceScope trace("Device::GetStorageCapacity");
    qint64 freeBytes = 0;
    phoneStorage().space(freeBytes, bytes);
    traceValue("aCapacity", QString::number(bytes));
    return 0;
}

int Device::GetFreeStorageSpace(qint64& bytes)
{
    TraceScope trace("Device::GetFreeStorageSpace");
    qint64 totalBytes = 0;
    phoneStorage().space(bytes, totalBytes);
    traceValue("aFreeSpace", QString::number(bytes));
    return 0;
}

QString Device::playlistFileNameFor(const QString& playlistName, bool withoutDots)
{
    TraceScope trace("Device::playlistFileNameFor");
    // Dots stay (names such as "Vol. 2") unless the phone refuses them;
    // separators and control characters go, so that the name cannot leave
    // the playlist folder.
    QString name = cleanFolderName(playlistName, withoutDots);
    if (withoutDots)
        name = cleanFolderName(name, false);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    const QString extension = Constants::playlistFileExtension();
    while (!name.isEmpty() && (name + extension).toUtf8().size() > kMaxFileNameBytes)
        name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
    return name + extension;
}

int Device::createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite)
{
    TraceScope trace("Device::createPlaylist");
    PhoneStorage& storage = phoneStorage();
    int result = 0;
    const QString folder = QLatin1Char('/') + Constants::phonePlaylistFolder();
    if (!storage.makeFolder(folder)) {
        traceMessage("Error making playlist remote path");
        result = mPolicy.folderFailure;
    }
    const QString fileName = playlistFileNameFor(playlist.mName, mPolicy.cleansPlaylistNameDots);
    const QString path = folder + QLatin1Char('/') + fileName;
    traceValue("playlistPath", path);
    mPlaylistsWritten.insert(fileName);

    if (result == 0 && !forceRewrite) {
        PhoneStorage::LocalCopy existing;
        if (storage.isFile(path) && storage.get(path, existing)) {
            traceMessage("We have an existing playlist with the same name");
            if (playlistFileMatches(existing.path(), playlist, tracks, mPolicy.playlistLinePrefix)) {
                traceMessage("The playlist on the device is identical");
                return 0;
            }
        }
    }
    traceMessage("Identical playlist does not already exist");
    // Written beside the program first, so that the phone only ever holds a whole playlist.
    const QString local = Constants::programFolderPath() + QLatin1Char('/') + Constants::tempPlaylistFileName();
    QDir().mkpath(Constants::programFolderPath());
    writePlaylistFile(playlist, tracks, local, mPolicy.playlistLinePrefix);
    const bool sent = storage.put(local, path, PhoneStorage::Kind::Playlist);
    QFile::remove(local);
    if (!sent) {
        traceMessage("*** Failed to copy track.");
        return result != 0 ? result : PhoneResult::CopyFailed;
    }
    const int hookResult = playlistSent(playlist, tracks, path, fileName);
    return result != 0 ? result : hookResult;
}

int Device::playlistSent(const Playlist& /*playlist*/, const TrackList& /*tracks*/, const QString& /*path*/,
                         const QString& /*fileName*/)
{
    return 0;
}

void Device::removeOldPlaylists()
{
    TraceScope trace("Device::removeOldPlaylists");
    PhoneStorage& storage = phoneStorage();
    const QString folder = QLatin1Char('/') + Constants::phonePlaylistFolder();
    if (mPolicy.makesPlaylistFolder && !storage.makeFolder(folder))
        return;
    QStringList names;
    for (const PhoneStorage::Entry& entry : storage.list(folder)) {
        if (entry.kind != PhoneStorage::Kind::Playlist)
            continue;
        traceValue("*playlistFilesIterator", entry.name);
        names.append(entry.name);
        if (!mPlaylistsWritten.contains(entry.name))
            dropPlaylist(folder + QLatin1Char('/') + entry.name);
    }
    playlistsListed(names);
}

void Device::dropPlaylist(const QString& path)
{
    TraceScope trace("Device::dropPlaylist");
    traceValue("Deleting playlist", path);
    if (!phoneStorage().remove(path))
        traceMessage("Could not delete playlist");
}

void Device::playlistsListed(const QStringList& /*fileNames*/) {}

void Device::uploadAlbumArt(const Track& track, const QString& imagePath)
{
    TraceScope trace("Device::uploadAlbumArt");
    QString artist;
    QString album;
    remoteFolderNames(track, artist, album);
    const QString folder = albumFolder(artist, album);
    PhoneStorage& storage = phoneStorage();
    if (!storage.makeFolder(folder))
        return;
    const QString destination = folder + QLatin1Char('/') + mPolicy.albumArtName;
    traceValue("albumArtPath", destination);
    // A cover already there is kept and counts as sent: phones may hold two
    // objects of one name.
    if (storage.isFile(destination)) {
        traceMessage("Album art already on the phone");
    } else if (!storage.put(imagePath, destination, PhoneStorage::Kind::Picture)) {
        traceMessage("Error copying album art");
        return;
    }
    albumArtPlaced(track);
}

void Device::albumArtPlaced(const Track& /*track*/) {}

int Device::copyFile(const QString& localPath, const QString& relativePath, bool overwrite)
{
    TraceScope trace("Device::copyFile");
    traceValue("relativePath", relativePath);
    // A folder made for a pulled drive would land on the computer.
    if (mPolicy.refusesWritesWhenUnreachable && !isReachable())
        return PhoneResult::Disconnected;
    // With overwrite the old file stays until the new copy is complete.
    if (!overwrite && phoneStorage().exists(relativePath))
        return 0;
    if (!phoneStorage().put(localPath, relativePath, PhoneStorage::Kind::File)) {
        traceValue("Error copying file", localPath);
        return PhoneResult::CopyFailed;
    }
    return 0;
}

Device::FileMatch Device::compareWithPhoneFile(const QString& localPath, const QString& relativePath)
{
    TraceScope trace("Device::compareWithPhoneFile");
    if (!mStorage || !mStorage->exists(relativePath))
        return FileMatch::Absent;
    // The phone's copy is fetched only for a name that is taken, which is rare.
    PhoneStorage::LocalCopy onPhone;
    if (!mStorage->get(relativePath, onPhone))
        return FileMatch::Different;
    return FileCopier::sameContents(localPath, onPhone.path()) ? FileMatch::Same : FileMatch::Different;
}

QStringList Device::fileNamesIn(const QString& relativeFolder)
{
    TraceScope trace("Device::fileNamesIn");
    QStringList names;
    if (!mStorage)
        return names;
    for (const PhoneStorage::Entry& entry : mStorage->list(relativeFolder)) {
        if (entry.kind != PhoneStorage::Kind::Folder)
            names.append(entry.name);
    }
    return names;
}

int Device::removeFile(const QString& relativePath)
{
    TraceScope trace("Device::removeFile");
    traceValue("relativePath", relativePath);
    if (!mStorage)
        return PhoneResult::DeleteFailed;
    if (mPolicy.refusesWritesWhenUnreachable && !isReachable())
        return PhoneResult::Disconnected;
    return mStorage->remove(relativePath) ? 0 : PhoneResult::DeleteFailed;
}

int Device::flushToMedium()
{
    return mStorage ? mStorage->flush() : 0;
}
bool Device::isReachable()
{
    return mStorage ? mStorage->reachable() : IsMounted();
}

void Device::readDeviceInfo(const QByteArray& contents)
{
    TraceScope trace("Device::readDeviceInfo");
    QDomDocument document;
    document.setContent(contents);
    const QDomElement root = document.documentElement();
    bool ok = false;
    const int pixels = root.attribute(Constants::deviceInfoScreenPixelsAttribute()).toInt(&ok);
    mScreenPixels = ok ? pixels : -1;
    const int version = root.attribute(Constants::deviceInfoVersionAttribute()).toInt(&ok);
    // Any content without a usable version still shows that the phone-side
    // app is there (version 0); an empty file tells nothing (-1).
    mAndroidVersion = ok ? version : (contents.isEmpty() ? -1 : 0);
    traceValue("mAndroidVersion", mAndroidVersion);
    traceValue("mScreenPixels", mScreenPixels);
}

DeviceParent::DeviceParent(const QString& name) : mName(name) {}

DeviceParent::~DeviceParent() = default;

int DeviceParent::highestAndroidVersion(int& screenPixels)
{
    TraceScope trace("DeviceParent::highestAndroidVersion");
    int version = -1;
    for (Device* child : std::as_const(mChildren)) {
        if (child->androidVersion() > version) {
            version = child->androidVersion();
            screenPixels = child->screenPixels();
        }
    }
    traceValue("version", version);
    return version;
}
