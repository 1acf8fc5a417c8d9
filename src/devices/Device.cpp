// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/Device.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackList.h"
#include "settings/SettingsStore.h"

#include <QDomDocument>
#include <QFile>

namespace {

// Folder names longer than this are refused by the phones' file systems.
constexpr int kMaxFolderNameLength = 255;
// No path line of a playlist comes near this; longer lines are read in pieces
// (and so never match), which keeps a damaged file from costing memory.
constexpr qint64 kMaxPlaylistLineBytes = 64 * 1024;

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

Device::FileMatch Device::compareWithPhoneFile(const QString& localPath, const QString& relativePath)
{
    Q_UNUSED(localPath);
    Q_UNUSED(relativePath);
    return FileMatch::Absent;
}

QStringList Device::fileNamesIn(const QString& relativeFolder)
{
    Q_UNUSED(relativeFolder);
    return {};
}

int Device::removeFile(const QString& relativePath)
{
    Q_UNUSED(relativePath);
    return PhoneResult::DeleteFailed;
}

int Device::flushToMedium()
{
    return 0;
}

bool Device::isReachable()
{
    return IsMounted();
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
