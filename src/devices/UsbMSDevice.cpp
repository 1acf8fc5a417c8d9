// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/UsbMSDevice.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "app/XmlText.h"
#include "devices/DiskSpace.h"
#include "devices/FileCopier.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <QXmlStreamWriter>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Control files written by the phone are tiny; reading more would only cost
// memory when one is damaged.
constexpr qint64 kMaxControlFileBytes = 1024 * 1024;
// A hint line holds one playlist file name.
constexpr qint64 kMaxHintLineBytes = 4096;
// File names longer than this (in UTF-8 bytes) are refused on the phone.
constexpr int kMaxFileNameBytes = 255;
constexpr unsigned long kDeletePauseMs = 100;

QString joinFolder(const QString& parent, const QString& child)
{
    return child.isEmpty() ? parent : parent + QLatin1Char('/') + child;
}

} // namespace

UsbMSDevice::UsbMSDevice(const QString& rootPath, const QString& friendlyName, bool readId)
    : mFriendlyName(friendlyName), mRootPath(rootPath)
{
    TraceScope trace("UsbMSDevice::UsbMSDevice");
    traceValue("rootPath", rootPath);
    if (!mRootPath.endsWith(Constants::driveRootSuffix()))
        mRootPath += Constants::driveRootSuffix();
    if (readId) {
        ReadOrGenerateUniqueDeviceId();
        mIdRead = true;
        readDeviceInfoFile();
    }
}

UsbMSDevice::~UsbMSDevice()
{
    TraceScope trace("UsbMSDevice::~UsbMSDevice");
    FinalizeSync();
}

void UsbMSDevice::readDeviceInfoFile()
{
    TraceScope trace("UsbMSDevice::readDeviceInfoFile");
    QFile file(mRootPath + Constants::phoneProgramFolder() + Constants::deviceInfoFileName());
    if (!file.open(QIODevice::ReadOnly)) {
        traceValue("Could not open device info", file.fileName());
        return;
    }
    readDeviceInfo(file.read(kMaxControlFileBytes));
}

void UsbMSDevice::ReadOrGenerateUniqueDeviceId()
{
    TraceScope trace("UsbMSDevice::ReadOrGenerateUniqueDeviceId");
    QFile file(mRootPath + Constants::phoneUniqueIdFile());
    if (file.exists() && file.open(QIODevice::ReadOnly))
        mUniqueDeviceId = QString::fromLatin1(file.read(kMaxControlFileBytes));
    else
        mUniqueDeviceId = Constants::tempDeviceId();
    traceValue("mUniqueDeviceId", mUniqueDeviceId);
}

void UsbMSDevice::dumpFileContents(const QString& path)
{
    TraceScope trace("UsbMSDevice::dumpFileContents");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        traceValue("Error opening file: ", path);
        return;
    }
    traceValue("File contents:", QString::fromUtf8(file.read(kMaxControlFileBytes)));
}

int UsbMSDevice::GetDeviceType()
{
    TraceScope trace("UsbMSDevice::GetDeviceType");
    return kTypeUsbMassStorage;
}

QString UsbMSDevice::UniqueDeviceId()
{
    TraceScope trace("UsbMSDevice::UniqueDeviceId");
    return mUniqueDeviceId;
}

QString UsbMSDevice::FriendlyName()
{
    TraceScope trace("UsbMSDevice::FriendlyName");
    traceValue("mFriendlyName", mFriendlyName);
    return mFriendlyName;
}

int UsbMSDevice::GetStorageCapacity(qint64& bytes)
{
    TraceScope trace("UsbMSDevice::GetStorageCapacity");
    qint64 freeBytes = 0;
    queryDiskSpace(mRootPath, freeBytes, bytes);
    return 0;
}

int UsbMSDevice::GetFreeStorageSpace(qint64& bytes)
{
    TraceScope trace("UsbMSDevice::GetFreeStorageSpace");
    qint64 totalBytes = 0;
    queryDiskSpace(mRootPath, bytes, totalBytes);
    return 0;
}

bool UsbMSDevice::IsMounted()
{
    TraceScope trace("UsbMSDevice::IsMounted");
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
    const bool mounted = queryDiskSpace(mRootPath, freeBytes, totalBytes);
    if (mounted && !mIdRead)
        ReadOrGenerateUniqueDeviceId();
    return mounted;
}

bool UsbMSDevice::IsConfigured(const SettingsStore& settings)
{
    TraceScope trace("UsbMSDevice::IsConfigured");
    ReadOrGenerateUniqueDeviceId();
    return Device::IsConfigured(settings);
}

void UsbMSDevice::SetConfigured()
{
    TraceScope trace("UsbMSDevice::SetConfigured");
    const QString idPath = mRootPath + Constants::phoneUniqueIdFile();
    if (QFile::exists(idPath))
        return;
    traceMessage("UID file doesn't exist - creating one");
    // Milliseconds, seconds, minutes, hour, day and month without leading zeros, then "Y".
    const QDateTime now = QDateTime::currentDateTime();
    const QTime time = now.time();
    const QDate date = now.date();
    mUniqueDeviceId = QString::number(time.msec()) + QString::number(time.second()) + QString::number(time.minute())
                      + QString::number(time.hour()) + QString::number(date.day()) + QString::number(date.month())
                      + QLatin1Char('Y');
    traceValue("mUniqueDeviceId", mUniqueDeviceId);
    traceValue("mkpath result", QDir().mkpath(mRootPath + Constants::phoneProgramFolder()) ? 1 : 0);
    // A half-written id would tie the phone to a settings entry of another id.
    // Unbuffered, so that a short write shows in the count; a buffered QSaveFile
    // would commit the truncated file.
    QSaveFile file(idPath);
    const QByteArray id = mUniqueDeviceId.toLatin1();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(id) != id.size() || !file.commit())
        traceValue("Could not write the id file", idPath);
}

int UsbMSDevice::copyFile(const QString& localPath, const QString& relativePath, bool overwrite)
{
    TraceScope trace("UsbMSDevice::copyFile");
    const QString destination = mRootPath + relativePath;
    traceValue("destination", destination);
    // mkpath would otherwise rebuild a pulled phone's folders on the PC.
    if (!isReachable())
        return kErrorDisconnected;
    QDir().mkpath(QFileInfo(destination).path());
    // With overwrite the old file stays until the new copy is complete and
    // the rename replaces it.
    if (!overwrite && QFileInfo::exists(destination))
        return 0;
    if (!FileCopier::copy(localPath, destination)) {
        traceValue("Error copying file", localPath);
        return kErrorCopyFailed;
    }
    return 0;
}

void UsbMSDevice::PrepareForSync()
{
    TraceScope trace("UsbMSDevice::PrepareForSync");
    mPlaylistsWritten.clear();
    removeCopyLeftovers();
    if (mMetadataFile)
        return;
    const QString prefix = mRootPath + Constants::phoneMetadataFilePrefix();
    int number = 0;
    while (QFileInfo::exists(prefix + QString::number(number) + QStringLiteral(".xml")))
        ++number;
    auto file = std::make_unique<QFile>(prefix + QString::number(number) + QStringLiteral(".xml"));
    traceValue("metadata file", file->fileName());
    if (!file->open(QIODevice::ReadWrite | QIODevice::Text)) {
        traceMessage("Could not open the metadata file");
        return;
    }
    mMetadataFile = std::move(file);
    mMetadataWriter = std::make_unique<QXmlStreamWriter>(mMetadataFile.get());
    mMetadataWriter->writeStartDocument();
    mMetadataWriter->writeStartElement(Constants::metadataRootElement());
}

void UsbMSDevice::FinalizeSync()
{
    TraceScope trace("UsbMSDevice::FinalizeSync");
    if (!mMetadataWriter)
        return;
    mMetadataWriter->writeEndElement();
    mMetadataWriter->writeEndDocument();
    mMetadataFile->close();
    mMetadataWriter.reset();
    mMetadataFile.reset();
}

void UsbMSDevice::writeMetadata(const Track& track)
{
    TraceScope trace("UsbMSDevice::writeMetadata");
    if (!mMetadataWriter)
        return;
    // Tags come from the user's library; a control character in one would
    // make the whole file unreadable for the phone.
    const auto text = [](const QString& value) {
        return XmlText::filtered(value.normalized(QString::NormalizationForm_C));
    };
    QString path = track.deviceId();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    mMetadataWriter->writeEmptyElement(QStringLiteral("track"));
    mMetadataWriter->writeAttribute(QStringLiteral("path"), text(path));
    mMetadataWriter->writeAttribute(QStringLiteral("artist"), text(track.artistName()));
    mMetadataWriter->writeAttribute(QStringLiteral("album"), text(track.albumName()));
    mMetadataWriter->writeAttribute(QStringLiteral("track_name"), text(track.trackName()));
    mMetadataWriter->writeAttribute(QStringLiteral("track_number"), QString::number(track.trackNumberOnAlbum()));
}

int UsbMSDevice::UploadTrack(Track& track)
{
    TraceScope trace("UsbMSDevice::UploadTrack");
    track.dump();
    QString artist;
    QString album;
    remoteFolderNames(track, artist, album);
    QString fileName = QFileInfo(track.path()).fileName();
    if (track.needsConversion() && fileName.size() > 3) {
        traceMessage("Changing ext to mp3");
        fileName = fileName.left(fileName.size() - 3) + Constants::mp3Extension();
    }

    const QString musicFolder = mRootPath + Constants::phoneMusicFolder();
    const QString remoteFolder = joinFolder(joinFolder(musicFolder, artist), album);
    traceValue("remoteDirectoryPath", remoteFolder);
    if (!isReachable())
        return kErrorDisconnected;
    if (!QDir().mkpath(remoteFolder)) {
        traceMessage("Error making remote path");
        return kErrorMakeFolderFailed;
    }

    const QString destination = remoteFolder + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(destination)) {
        traceMessage("Destination file already exists");
        traceValue("remoteFilePath", destination);
    } else if (!QFileInfo::exists(track.path())) {
        traceMessage("Source file doesn't exist");
        traceValue("a_track.path()", track.path());
        return 0;
    } else {
        traceMessage("Copying track");
        traceValue("Converted path", track.uploadPath());
        const bool copied = FileCopier::copy(track.uploadPath(), destination);
        traceValue("result", copied ? 1 : 0);
        if (!copied)
            return kErrorCopyFailed;
    }

    const QString deviceId = QLatin1Char('/') + joinFolder(joinFolder(Constants::phoneMusicFolder(), artist), album)
                             + QLatin1Char('/') + fileName;
    track.setDeviceId(deviceId);
    track.setOnRemoteDevice(true);
    track.setSizeOnDevice(QFileInfo(destination).size());
    writeMetadata(track);
    return 0;
}

QString UsbMSDevice::pathForDeviceId(const QString& deviceId) const
{
    TraceScope trace("UsbMSDevice::pathForDeviceId");
    QString relative = deviceId;
    if (!deviceId.isEmpty() && !deviceId.startsWith(QLatin1Char('/')))
        relative = Constants::phoneProgramFolder() + deviceId;
    // Ids come from the track cache, a file that may be damaged: never let
    // one reach outside the drive.
    const QString cleaned = QDir::cleanPath(relative);
    const QString withoutRoot = cleaned.startsWith(QLatin1Char('/')) ? cleaned.mid(1) : cleaned;
    if (withoutRoot.isEmpty() || withoutRoot == QStringLiteral("..") || withoutRoot.startsWith(QStringLiteral("../"))
        || withoutRoot == QStringLiteral("."))
        return QString();
    return mRootPath + withoutRoot;
}

int UsbMSDevice::DeleteTrack(TrackCache& cache, Track& track)
{
    TraceScope trace("UsbMSDevice::DeleteTrack");
    track.dump();
    const QString path = pathForDeviceId(track.deviceId());
    traceValue("fileToDelete", path);
    bool deleted = true;
    if (path.isEmpty()) {
        traceMessage("Device id does not name a file on the drive");
        deleted = false;
    } else if (QFileInfo(path).isFile()) {
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
        deleted = QFile::remove(path);
        if (mDeletedBefore)
            QThread::msleep(kDeletePauseMs);
        mDeletedBefore = true;
        traceValue("reallyDeleted", deleted ? 1 : 0);
    } else if (QFileInfo::exists(path)) {
        traceMessage("Device id names a folder");
        deleted = false;
    } else {
        traceMessage("File doesn't exist");
    }
    if (!deleted)
        return kErrorDeleteFailed;
    track.setOnRemoteDevice(false);
    cache.removeDeletedTrack(track);
    return 0;
}

QString UsbMSDevice::playlistFileName(const QString& playlistName)
{
    TraceScope trace("UsbMSDevice::playlistFileName");
    // Dots stay (names such as "Vol. 2"); separators and control characters
    // go, so that the name cannot leave the playlist folder.
    QString name = cleanFolderName(playlistName, false);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    const QString extension = Constants::playlistFileExtension();
    while (!name.isEmpty() && (name + extension).toUtf8().size() > kMaxFileNameBytes)
        name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
    return name + extension;
}

int UsbMSDevice::createPlaylist(const Playlist& playlist, const TrackList& tracks, bool forceRewrite)
{
    TraceScope trace("UsbMSDevice::createPlaylist");
    int result = 0;
    const QString folder = mRootPath + Constants::phonePlaylistFolder();
    if (!QDir().mkpath(folder)) {
        result = kErrorMakeFolderFailed;
        traceMessage("Error making playlist remote path");
    }
    const QString fileName = playlistFileName(playlist.mName);
    const QString path = folder + QLatin1Char('/') + fileName;
    traceValue("playlistPath", path);
    mPlaylistsWritten.insert(fileName);

    // On a drive the path lines start at the root, so they need no "..".
    if (!forceRewrite && playlistFileMatches(path, playlist, tracks, QString()))
        return result;
    traceMessage("Identical playlist does not already exist");
    writePlaylistFile(playlist, tracks, path, QString());
    dumpFileContents(path);
    appendToFile(Constants::phonePlaylistHintFile(), fileName.toUtf8() + '\n');
    return result;
}

void UsbMSDevice::appendToFile(const QString& relativePath, const QByteArray& bytes)
{
    TraceScope trace("UsbMSDevice::appendToFile");
    QFile file(mRootPath + relativePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        traceValue("Could not append to", file.fileName());
}

void UsbMSDevice::removeOldPlaylists()
{
    TraceScope trace("UsbMSDevice::removeOldPlaylists");
    const QDir folder(mRootPath + Constants::phonePlaylistFolder());
    const QStringList playlistFiles =
        folder.entryList(QStringList{QLatin1Char('*') + Constants::playlistFileExtension()}, QDir::Files);

    QSet<QString> hinted;
    QFile hintFile(mRootPath + Constants::phonePlaylistHintFile());
    const bool hintOpen = hintFile.open(QIODevice::ReadWrite);
    if (hintOpen) {
        for (;;) {
            const QByteArray line = hintFile.readLine(kMaxHintLineBytes);
            if (line.size() < 2)
                break;
            hinted.insert(QString::fromUtf8(line.left(line.size() - 1)));
        }
        hintFile.seek(hintFile.size());
    }

    for (const QString& name : playlistFiles) {
        traceValue("*playlistFilesIterator", name);
        if (!mPlaylistsWritten.contains(name)) {
            // Dropped playlists are emptied rather than deleted; the hint file
            // names them for the phone-side app.
            traceMessage("Playlist has not been created this time, so create an empty playlist.");
            QFile playlist(folder.filePath(name));
            if (playlist.open(QIODevice::WriteOnly | QIODevice::Truncate))
                playlist.write("#EXTM3U\r\n");
            else
                traceValue("Could not open playlist", playlist.fileName());
        }
        if (hintOpen && !hinted.contains(name)) {
            hintFile.write(name.toUtf8() + '\n');
            hinted.insert(name);
        }
    }
    hintFile.close();
}

void UsbMSDevice::uploadAlbumArt(const Track& track, const QString& imagePath)
{
    TraceScope trace("UsbMSDevice::uploadAlbumArt");
    QString artist;
    QString album;
    remoteFolderNames(track, artist, album);
    const QString folder = joinFolder(joinFolder(mRootPath + Constants::phoneMusicFolder(), artist), album);
    QDir().mkpath(folder);
    const QString destination = folder + QLatin1Char('/') + Constants::albumArtFileName();
    traceValue("albumArtPath", destination);
    // Art already on the phone is kept and counts as sent.
    const bool ok = QFileInfo::exists(destination) || FileCopier::copy(imagePath, destination);
    if (!ok) {
        traceMessage("Error copying album art");
        return;
    }
    appendToFile(Constants::phoneRefreshHintFile(), remoteFilePath(track.deviceId()).toUtf8() + "\r\n");
}

void UsbMSDevice::setPcSoftwareVersion(const QString& version)
{
    TraceScope trace("UsbMSDevice::setPcSoftwareVersion");
    QFile file(mRootPath + Constants::phonePcVersionFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        traceValue("Could not open", file.fileName());
        return;
    }
    file.write(version.toLatin1());
}

Device::FileMatch UsbMSDevice::compareWithPhoneFile(const QString& localPath, const QString& relativePath)
{
    TraceScope trace("UsbMSDevice::compareWithPhoneFile");
    const QString onPhone = mRootPath + relativePath;
    if (!QFileInfo::exists(onPhone))
        return FileMatch::Absent;
    return FileCopier::sameContents(localPath, onPhone) ? FileMatch::Same : FileMatch::Different;
}

QStringList UsbMSDevice::fileNamesIn(const QString& relativeFolder)
{
    return QDir(mRootPath + relativeFolder).entryList(QDir::Files | QDir::Hidden);
}

int UsbMSDevice::removeFile(const QString& relativePath)
{
    TraceScope trace("UsbMSDevice::removeFile");
    traceValue("relativePath", relativePath);
    if (!isReachable())
        return kErrorDisconnected;
    return QFile::remove(mRootPath + relativePath) ? 0 : kErrorDeleteFailed;
}

int UsbMSDevice::flushToMedium()
{
    TraceScope trace("UsbMSDevice::flushToMedium");
    // One syncfs of the whole drive: a sync per file would hold every copy
    // until the medium has it.
    const int fd = ::open(QFile::encodeName(mRootPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        traceValue("Cannot open the drive's root", mRootPath);
        return kErrorDisconnected;
    }
    const int result = ::syncfs(fd);
    ::close(fd);
    if (result != 0) {
        traceMessage("syncfs failed");
        return PhoneResult::FlushFailed;
    }
    return 0;
}

bool UsbMSDevice::isReachable()
{
    return QFileInfo(mRootPath).isDir();
}

void UsbMSDevice::removeCopyLeftovers()
{
    TraceScope trace("UsbMSDevice::removeCopyLeftovers");
    const QString leftoverName = QFileInfo(FileCopier::temporaryPathFor(mRootPath + QStringLiteral("x"))).fileName();
    const QStringList folders = {Constants::phoneMusicFolder(), Constants::phonePhotoFolder(),
                                 Constants::phonePlaylistFolder(), Constants::phoneProgramFolder()};
    for (const QString& folder : folders) {
        QDirIterator it(mRootPath + folder, {leftoverName}, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            traceValue("Removing", path);
            QFile::remove(path);
        }
    }
}

DeviceParentMs::DeviceParentMs(const QString& name) : DeviceParent(name) {}

int DeviceParentMs::GetDeviceType()
{
    TraceScope trace("DeviceParentMs::GetDeviceType");
    return Device::kTypeUsbMassStorage;
}
