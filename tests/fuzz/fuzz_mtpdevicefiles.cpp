// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The files an MTP phone holds and this program reads back through the
// emulated phone (the unique id, "android.xml", an existing playlist), and
// the names of the objects it lists. The input is split at 0xff bytes into
// the id, the device information, the playlist, then object names one per
// line; none of it may crash opening the phone, comparing and replacing the
// playlist, or dropping old playlists.
#include "FuzzInputParts.h"

#include "app/Constants.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/MtpStorage.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackList.h"
#include "support/MtpEmulation.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir home;
    static bool prepared = home.isValid() && qputenv("HOME", QFile::encodeName(home.path()));
    if (!prepared)
        std::abort();

    QByteArray rest(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray id = takeFuzzInputPart(rest);
    const QByteArray info = takeFuzzInputPart(rest);
    const QByteArray playlistBytes = takeFuzzInputPart(rest);

    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    const QString pnpId = emulation.addPhone(QStringLiteral("Fuzz"), QStringLiteral("Phone"), {QStringLiteral("S")});
    emulation.putFile(pnpId, 0, Constants::phoneUniqueIdFile(), id);
    emulation.putFile(pnpId, 0, QStringLiteral("KORVA/android.xml"), info);
    emulation.putFile(pnpId, 0, QStringLiteral("Playlists_QNL/Mix.m3u"), playlistBytes);
    for (const QByteArray& line : rest.split('\n')) {
        const QString name = QString::fromUtf8(line);
        emulation.putFile(pnpId, 0, QStringLiteral("Playlists_QNL/") + name, line);
        emulation.makeFolder(pnpId, 0, QStringLiteral("Music/A/B/") + name);
    }

    PortableDevicePhoneSource source;
    const QList<MtpRawPhone> phones = source.listPhones();
    if (phones.size() != 1)
        std::abort();
    MtpPhoneSource::OpenOutcome outcome = MtpPhoneSource::OpenOutcome::UnableToOpen;
    std::unique_ptr<DeviceParent> parent = source.openPhone(phones.first(), outcome);
    if (!parent || parent->children().size() != 1)
        std::abort();
    auto* device = static_cast<DeviceMtpMac*>(parent->children().first());
    if (device->UniqueDeviceId() != QString::fromLatin1(id))
        std::abort();

    TrackList tracks;
    Track track;
    track.setTrackName(QStringLiteral("Song"));
    track.setDeviceId(QStringLiteral("/Music/A/B/") + QString::fromUtf8(rest.left(64)));
    tracks.addTrack(track);
    Playlist playlist;
    playlist.mName = QStringLiteral("Mix");
    playlist.mEntries.append(PlaylistEntry(0, 0));
    device->PrepareForSync();
    device->createPlaylist(playlist, tracks, false);
    device->removeOldPlaylists();
    QString objectId;
    QString parentId;
    device->objects().objectAt(QString::fromUtf8(rest), objectId, parentId, false);

    qDeleteAll(parent->children());
    return 0;
}
