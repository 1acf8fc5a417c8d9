// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The files a USB phone holds and this program reads back: the unique id,
// "android.xml", an existing playlist and the playlist hint file. The input
// is split at the first two 0xff bytes into the playlist, the hint file and
// the device files; none of them may crash the reads.
#include "FuzzInputParts.h"

#include "app/Constants.h"
#include "devices/UsbMSDevice.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackList.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir drive;
    static bool prepared = QDir().mkpath(drive.filePath(QStringLiteral("KORVA")))
                           && QDir().mkpath(drive.filePath(Constants::phonePlaylistFolder()));
    if (!prepared)
        std::abort();

    QByteArray rest(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray playlistBytes = takeFuzzInputPart(rest);
    const QByteArray hintBytes = takeFuzzInputPart(rest);
    const QString root = drive.path() + QLatin1Char('/');
    writeFile(root + Constants::phonePlaylistFolder() + QStringLiteral("/Mix.m3u"), playlistBytes);
    writeFile(root + Constants::phonePlaylistHintFile(), hintBytes);
    writeFile(root + Constants::phoneUniqueIdFile(), rest);
    writeFile(root + Constants::phoneProgramFolder() + Constants::deviceInfoFileName(), rest);

    UsbMSDevice device(drive.path(), QStringLiteral("Fuzz"), true);
    if (device.UniqueDeviceId().size() != rest.size())
        std::abort();

    TrackList tracks;
    Playlist playlist;
    playlist.mName = QStringLiteral("Mix");
    for (int i = 0; i < 3; ++i) {
        Track track;
        track.setTrackName(QString::number(i));
        track.setDeviceId(QStringLiteral("/Music/A/B/%1.mp3").arg(i));
        playlist.mEntries.append(PlaylistEntry(tracks.addTrack(track), 0));
    }
    device.identicalPlaylistAlreadyExists(root + Constants::phonePlaylistFolder() + QStringLiteral("/Mix.m3u"),
                                          playlist, tracks);
    // The hint file is read here; the playlist itself is emptied (not written this sync).
    device.removeOldPlaylists();
    return 0;
}
