// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/UsbMSDevice.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "app/XmlText.h"
#include "devices/DirectoryStorage.h"
#include "devices/DiskSpace.h"
#include "devices/FileCopier.h"
#include "model/Playlist.h"
#include "model/Track.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamWriter>

namespace {

// A hint line holds one playlist file name.
constexpr qint64 kMaxHintLineBytes = 4096;

QString withRootSuffix(const QString& rootPath)
{
    return rootPath.endsWith(Constants::driveRootSuffix()) ? rootPath : rootPath + Constants::driveRootSuffix();
}

Device::KindPolicy drivePolicy()
{
    Device::KindPolicy policy;
    policy.keepsExistingTracks = true;
    policy.strictTrackPaths = true;
    policy.refusesWritesWhenUnreachable = true;
    policy.missingSourceResult = 0;
    policy.folderFailure = PhoneResult::FolderNotCreated;
    policy.albumArtName = Constants::albumArtFileName();
    return policy;
}

} // namespace

UsbMSDevice::UsbMSDevice(const QString& rootPath, const QString& friendlyName, bool readId)
    : Device(std::make_unique<DirectoryStorage>(withRootSuffix(rootPath)), drivePolicy())
{
    TraceScope trace("UsbMSDevice::UsbMSDevice");
    traceValue("rootPath", rootPath);
    mFriendlyName = friendlyName;
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

DirectoryStorage& UsbMSDevice::drive() const
{
    return static_cast<DirectoryStorage&>(phoneStorage());
}

QString UsbMSDevice::rootPath() const
{
    return drive().rootPath();
}

void UsbMSDevice::ReadOrGenerateUniqueDeviceId()
{
    TraceScope trace("UsbMSDevice::ReadOrGenerateUniqueDeviceId");
    readUniqueId();
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

bool UsbMSDevice::IsMounted()
{
    TraceScope trace("UsbMSDevice::IsMounted");
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
    const bool mounted = queryDiskSpace(rootPath(), freeBytes, totalBytes);
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

void UsbMSDevice::PrepareForSync()
{
    TraceScope trace("UsbMSDevice::PrepareForSync");
    Device::PrepareForSync();
    removeCopyLeftovers();
    if (mMetadataFile)
        return;
    const QString prefix = rootPath() + Constants::phoneMetadataFilePrefix();
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

void UsbMSDevice::trackUploaded(const Track& track)
{
    TraceScope trace("UsbMSDevice::trackUploaded");
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

QString UsbMSDevice::playlistFileName(const QString& playlistName)
{
    TraceScope trace("UsbMSDevice::playlistFileName");
    return playlistFileNameFor(playlistName, false);
}

int UsbMSDevice::playlistSent(const Playlist& /*playlist*/, const TrackList& /*tracks*/, const QString& path,
                              const QString& fileName)
{
    TraceScope trace("UsbMSDevice::playlistSent");
    dumpFileContents(drive().absolute(path));
    appendToFile(Constants::phonePlaylistHintFile(), fileName.toUtf8() + '\n');
    return 0;
}

void UsbMSDevice::dropPlaylist(const QString& path)
{
    TraceScope trace("UsbMSDevice::dropPlaylist");
    // Dropped playlists are emptied rather than deleted; the hint file names
    // them for the phone-side app.
    traceMessage("Playlist has not been created this time, so create an empty playlist.");
    QFile playlist(drive().absolute(path));
    if (playlist.open(QIODevice::WriteOnly | QIODevice::Truncate))
        playlist.write("#EXTM3U\r\n");
    else
        traceValue("Could not open playlist", playlist.fileName());
}

void UsbMSDevice::playlistsListed(const QStringList& fileNames)
{
    TraceScope trace("UsbMSDevice::playlistsListed");
    QFile hintFile(drive().absolute(Constants::phonePlaylistHintFile()));
    if (!hintFile.open(QIODevice::ReadWrite))
        return;
    QSet<QString> hinted;
    for (;;) {
        const QByteArray line = hintFile.readLine(kMaxHintLineBytes);
        if (line.size() < 2)
            break;
        hinted.insert(QString::fromUtf8(line.left(line.size() - 1)));
    }
    hintFile.seek(hintFile.size());
    for (const QString& name : fileNames) {
        if (!hinted.contains(name)) {
            hintFile.write(name.toUtf8() + '\n');
            hinted.insert(name);
        }
    }
}

void UsbMSDevice::albumArtPlaced(const Track& track)
{
    TraceScope trace("UsbMSDevice::albumArtPlaced");
    appendToFile(Constants::phoneRefreshHintFile(), remoteFilePath(track.deviceId()).toUtf8() + "\r\n");
}

void UsbMSDevice::appendToFile(const QString& relativePath, const QByteArray& bytes)
{
    TraceScope trace("UsbMSDevice::appendToFile");
    QFile file(drive().absolute(relativePath));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        traceValue("Could not append to", file.fileName());
}

void UsbMSDevice::setPcSoftwareVersion(const QString& version)
{
    TraceScope trace("UsbMSDevice::setPcSoftwareVersion");
    QFile file(rootPath() + Constants::phonePcVersionFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        traceValue("Could not open", file.fileName());
        return;
    }
    file.write(version.toLatin1());
}

void UsbMSDevice::removeCopyLeftovers()
{
    TraceScope trace("UsbMSDevice::removeCopyLeftovers");
    const QString leftoverName = QFileInfo(FileCopier::temporaryPathFor(rootPath() + QStringLiteral("x"))).fileName();
    const QStringList folders = {Constants::phoneMusicFolder(), Constants::phonePhotoFolder(),
                                 Constants::phonePlaylistFolder(), Constants::phoneProgramFolder()};
    for (const QString& folder : folders) {
        QDirIterator it(rootPath() + folder, {leftoverName}, QDir::Files | QDir::Hidden | QDir::System,
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
