// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The same two syncs of tracks, playlists, album art and companion files,
// run against a USB directory phone and an emulated MTP phone, must leave
// exactly these trees: paths, sizes, the text of the small files, and on
// the MTP phone the object kinds and the playlists' references.
#include "app/Constants.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/QMtpFile.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "support/EmulatedMtpPhone.h"
#include "support/PhoneContents.h"
#include "support/SyncTestHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QtTest>

namespace {

const QByteArray kDeviceInfo = "<device version=\"12\" screen_pixels=\"2000000\"/>";

// Tracks and images are recorded by size; everything else by content too.
bool recordedByContent(const QString& path)
{
    return !path.endsWith(QStringLiteral(".mp3")) && !path.endsWith(QStringLiteral(".jpg"));
}

QString escaped(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QStringLiteral("\r"), QStringLiteral("\\r"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    return text;
}

QString fileLine(const QString& path, const QByteArray& data)
{
    QString line = QStringLiteral("F %1 %2").arg(path).arg(data.size());
    if (recordedByContent(path))
        line += QStringLiteral(" [") + escaped(data) + QLatin1Char(']');
    return line;
}

QStringList usbTree(const QString& root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size());
        if (QFileInfo(path).isDir())
            lines.append(QStringLiteral("D ") + relative);
        else
            lines.append(fileLine(relative, PhoneContents::readFile(path)));
    }
    lines.sort();
    return lines;
}

void mtpTreeBelow(EmulatedMtpPhone& phone, const QString& folder, QStringList& lines)
{
    for (const QString& name : phone.list(folder)) {
        const QString path = folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
        const int kind = phone.emulation().kind(phone.pnpId(), 0, path);
        if (kind == QMtpFileInterface::kFolder) {
            lines.append(QStringLiteral("D ") + path);
            mtpTreeBelow(phone, path, lines);
            continue;
        }
        QString line = fileLine(path, phone.read(path)) + QStringLiteral(" kind ") + QString::number(kind);
        const QStringList references = phone.emulation().references(phone.pnpId(), 0, path);
        if (!references.isEmpty())
            line += QStringLiteral(" refs ") + references.join(QLatin1Char(','));
        lines.append(line);
    }
}

QStringList mtpTree(EmulatedMtpPhone& phone)
{
    QStringList lines;
    mtpTreeBelow(phone, QString(), lines);
    lines.sort();
    return lines;
}

QString writeLocal(const QString& path, const QByteArray& data)
{
    return PhoneContents::writeFile(path, data) ? path : QString();
}

Track makeTrack(const QString& path, const QString& name, const QString& artist, const QString& album)
{
    Track track;
    track.setPath(path);
    track.setTrackName(name);
    track.setArtistName(artist);
    track.setAlbumName(album);
    track.setTrackNumberOnAlbum(3);
    track.setDuration(120);
    return track;
}

Playlist playlistOf(const QString& name, const QList<int>& indexes)
{
    Playlist playlist;
    playlist.mName = name;
    for (int index : indexes)
        playlist.mEntries.append(PlaylistEntry(index, 0));
    return playlist;
}

// Two syncs through the Device interface; every result goes into the log.
QStringList runSyncs(Device& device, const QString& inputs)
{
    QStringList log;
    const auto note = [&log](const QString& what, const QVariant& value) {
        log.append(what + QStringLiteral(" = ") + value.toString());
    };
    note(QStringLiteral("id"), device.UniqueDeviceId());
    note(QStringLiteral("android"), device.androidVersion());
    note(QStringLiteral("pixels"), device.screenPixels());

    TrackList tracks;
    tracks.addTrack(makeTrack(writeLocal(inputs + QStringLiteral("/lib/01 Song.mp3"), "song-one"),
                              QStringLiteral("Song"), QStringLiteral("AC/DC"), QStringLiteral("Live: 1992.")));
    Track hit = makeTrack(writeLocal(inputs + QStringLiteral("/lib/Hit.mp3"), "hit-bytes"), QStringLiteral("Hit"),
                          QStringLiteral("Various"), QStringLiteral("Mix"));
    hit.setCompilation(true);
    tracks.addTrack(hit);
    tracks.addTrack(makeTrack(writeLocal(inputs + QStringLiteral("/Podcasts/Show/ep1.mp3"), "episode"),
                              QStringLiteral("Episode 1"), QStringLiteral("Host"), QStringLiteral("Show")));
    Track converted = makeTrack(writeLocal(inputs + QStringLiteral("/lib/Song (live).m4a"), "aac"),
                                QStringLiteral("Live song"), QStringLiteral("Band"), QStringLiteral("Album v1.0"));
    converted.setConvertToMp3(true);
    writeLocal(converted.uploadPath(), "converted-mp3");
    tracks.addTrack(converted);

    device.PrepareForSync();
    for (int i = 0; i < tracks.count(); ++i) {
        Track& track = tracks.track(i);
        note(QStringLiteral("upload ") + track.trackName(), device.UploadTrack(track));
        note(QStringLiteral("  id"), track.deviceId());
        note(QStringLiteral("  size"), track.sizeOnDevice());
    }
    // The same file again with new bytes.
    writeLocal(tracks.track(0).path(), "song-one-changed");
    note(QStringLiteral("upload again"), device.UploadTrack(tracks.track(0)));
    note(QStringLiteral("  size"), tracks.track(0).sizeOnDevice());

    const QString cover = writeLocal(inputs + QStringLiteral("/cover.jpg"), "jpeg-bytes");
    device.uploadAlbumArt(tracks.track(0), cover);
    device.uploadAlbumArt(tracks.track(1), cover);
    device.uploadAlbumArt(tracks.track(0), cover);

    const QString messages = writeLocal(inputs + QStringLiteral("/messages.xml"), "<messages/>");
    const QString address = writeLocal(inputs + QStringLiteral("/address.xml"), "<address/>");
    note(QStringLiteral("copy messages"), device.copyFile(messages, QStringLiteral("KORVA/messages.xml"), true));
    note(QStringLiteral("copy address"), device.copyFile(address, QStringLiteral("KORVA/address.xml"), false));
    writeLocal(address, "<address changed/>");
    note(QStringLiteral("copy address kept"), device.copyFile(address, QStringLiteral("KORVA/address.xml"), false));
    writeLocal(messages, "<messages changed/>");
    note(QStringLiteral("copy messages again"), device.copyFile(messages, QStringLiteral("KORVA/messages.xml"), true));
    note(QStringLiteral("compare same"),
         int(device.compareWithPhoneFile(messages, QStringLiteral("KORVA/messages.xml"))));
    note(QStringLiteral("compare different"),
         int(device.compareWithPhoneFile(address, QStringLiteral("KORVA/address.xml"))));
    note(QStringLiteral("compare absent"), int(device.compareWithPhoneFile(address, QStringLiteral("KORVA/none"))));

    note(QStringLiteral("playlist Mix"),
         device.createPlaylist(playlistOf(QStringLiteral("Mix"), {0, 1, 2}), tracks, false));
    note(QStringLiteral("playlist Old"), device.createPlaylist(playlistOf(QStringLiteral("Old"), {3}), tracks, false));
    note(QStringLiteral("playlist Vol. 2"),
         device.createPlaylist(playlistOf(QStringLiteral("Vol. 2"), {0, 3}), tracks, false));
    device.removeOldPlaylists();
    device.setPcSoftwareVersion(QStringLiteral("1.2.3"));
    device.FinalizeSync();

    // The second sync drops "Old", keeps "Mix" as it is, changes "Vol. 2"
    // and deletes the podcast episode.
    device.PrepareForSync();
    note(QStringLiteral("playlist Mix again"),
         device.createPlaylist(playlistOf(QStringLiteral("Mix"), {0, 1, 2}), tracks, false));
    note(QStringLiteral("playlist Vol. 2 changed"),
         device.createPlaylist(playlistOf(QStringLiteral("Vol. 2"), {3}), tracks, false));
    device.removeOldPlaylists();
    TrackCache cache;
    note(QStringLiteral("delete episode"), device.DeleteTrack(cache, tracks.track(2)));
    note(QStringLiteral("  on phone"), tracks.track(2).onRemoteDevice());
    note(QStringLiteral("remove address"), device.removeFile(QStringLiteral("KORVA/address.xml")));
    note(QStringLiteral("files in KORVA"), device.fileNamesIn(QStringLiteral("KORVA")).join(QLatin1Char(',')));
    device.FinalizeSync();
    note(QStringLiteral("flush"), device.flushToMedium());
    return log;
}

void compareLines(const QStringList& actual, const QString& expected)
{
    const QStringList lines = expected.split(QLatin1Char('\n'));
    if (actual != lines)
        qInfo().noquote() << "actual:\n" << actual.join(QLatin1Char('\n'));
    QCOMPARE(actual, lines);
}

// What the two syncs leave, recorded from the phones' files as they stand.
// The steps whose outcome is the same on both kinds of phone.
const char* const kFirstUploads = R"(upload Song = 0
  id = /Music/AC_DC/Live_ 1992_/01 Song.mp3
  size = 8
upload Hit = 0
  id = /Music/Compilation/Mix/Hit.mp3
  size = 9
upload Episode 1 = 0
  id = /Music/Podcasts/Show/ep1.mp3
  size = 7
)";
const char* const kSharedSteps = R"(copy messages = 0
copy address = 0
copy address kept = 0
copy messages again = 0
compare same = 1
compare different = 2
compare absent = 0
playlist Mix = 0
playlist Old = 0
playlist Vol. 2 = 0
playlist Mix again = 0
playlist Vol. 2 changed = 0
delete episode = 0
  on phone = false
remove address = 0
)";

// The two syncs' logs: the header, the first uploads, what differs, the shared steps, the end.
QString syncLog(const char* id, const char* differing, const char* end)
{
    return QStringLiteral("id = %1\nandroid = 12\npixels = 2000000\n").arg(QLatin1String(id))
           + QLatin1String(kFirstUploads) + QLatin1String(differing) + QLatin1String(kSharedSteps) + QLatin1String(end);
}

const QString kUsbLog = syncLog(
    "usb-phone-id", R"(upload Live song = 0
  id = /Music/Band/Album v1_0/Song (live).mp3
  size = 13
upload again = 0
  size = 8
)",
    R"(files in KORVA = android.xml,messages.xml,metadata0.xml,metadata1.xml,pcversion.txt,playlisthint,refreshhint,uniqueid
flush = 0)");

const char* const kUsbTree = R"(D KORVA
D Music
D Music/AC_DC
D Music/AC_DC/Live_ 1992_
D Music/Band
D Music/Band/Album v1_0
D Music/Compilation
D Music/Compilation/Mix
D Music/Podcasts
D Music/Podcasts/Show
D Playlists_QNL
F KORVA/android.xml 46 [<device version="12" screen_pixels="2000000"/>]
F KORVA/messages.xml 19 [<messages changed/>]
F KORVA/metadata0.xml 651 [<?xml version="1.0" encoding="UTF-8"?><metadata><track path="/Music/AC_DC/Live_ 1992_/01 Song.mp3" artist="AC/DC" album="Live: 1992." track_name="Song" track_number="3"/><track path="/Music/Compilation/Mix/Hit.mp3" artist="Various" album="Mix" track_name="Hit" track_number="3"/><track path="/Music/Podcasts/Show/ep1.mp3" artist="Host" album="Show" track_name="Episode 1" track_number="3"/><track path="/Music/Band/Album v1_0/Song (live).mp3" artist="Band" album="Album v1.0" track_name="Live song" track_number="3"/><track path="/Music/AC_DC/Live_ 1992_/01 Song.mp3" artist="AC/DC" album="Live: 1992." track_name="Song" track_number="3"/></metadata>\n]
F KORVA/metadata1.xml 50 [<?xml version="1.0" encoding="UTF-8"?><metadata/>\n]
F KORVA/pcversion.txt 5 [1.2.3]
F KORVA/playlisthint 38 [Mix.m3u\nOld.m3u\nVol. 2.m3u\nVol. 2.m3u\n]
F KORVA/refreshhint 108 [/Music/AC_DC/Live_ 1992_/01 Song.mp3\r\n/Music/Compilation/Mix/Hit.mp3\r\n/Music/AC_DC/Live_ 1992_/01 Song.mp3\r\n]
F KORVA/uniqueid 12 [usb-phone-id]
F Music/AC_DC/Live_ 1992_/01 Song.mp3 8
F Music/AC_DC/Live_ 1992_/AlbumArt.jpg 10
F Music/Band/Album v1_0/Song (live).mp3 13
F Music/Compilation/Mix/AlbumArt.jpg 10
F Music/Compilation/Mix/Hit.mp3 9
F Playlists_QNL/Mix.m3u 167 [#EXTM3U\r\n#EXTINF:120,Song\r\n/Music/AC_DC/Live_ 1992_/01 Song.mp3\r\n#EXTINF:120,Hit\r\n/Music/Compilation/Mix/Hit.mp3\r\n#EXTINF:120,Episode 1\r\n/Music/Podcasts/Show/ep1.mp3\r\n]
F Playlists_QNL/Old.m3u 9 [#EXTM3U\r\n]
F Playlists_QNL/Vol. 2.m3u 72 [#EXTM3U\r\n#EXTINF:120,Live song\r\n/Music/Band/Album v1_0/Song (live).mp3\r\n])";

const QString kMtpLog = syncLog("mtp-phone-id", R"(upload Live song = 0
  id = /Music/Band/Album v1_0/Song _live_.mp3
  size = 13
upload again = 0
  size = 16
)",
                                R"(files in KORVA = uniqueid,android.xml,messages.xml
flush = 0)");

const char* const kMtpTree = R"(D KORVA
D Music
D Music/AC_DC
D Music/AC_DC/Live_ 1992_
D Music/Band
D Music/Band/Album v1_0
D Music/Compilation
D Music/Compilation/Mix
D Music/Podcasts
D Music/Podcasts/Show
D Playlists_QNL
F KORVA/android.xml 46 [<device version="12" screen_pixels="2000000"/>] kind 0
F KORVA/messages.xml 19 [<messages changed/>] kind 2
F KORVA/synccomplete 13 [sync-complete] kind 2
F KORVA/uniqueid 12 [mtp-phone-id] kind 0
F Music/AC_DC/Live_ 1992_/01 Song.mp3 16 kind 2
F Music/AC_DC/Live_ 1992_/folder.jpg 10 kind 0
F Music/Band/Album v1_0/Song _live_.mp3 13 kind 2
F Music/Compilation/Mix/Hit.mp3 9 kind 2
F Music/Compilation/Mix/folder.jpg 10 kind 0
F Playlists_QNL/Mix.m3u 173 [#EXTM3U\r\n#EXTINF:120,Song\r\n../Music/AC_DC/Live_ 1992_/01 Song.mp3\r\n#EXTINF:120,Hit\r\n../Music/Compilation/Mix/Hit.mp3\r\n#EXTINF:120,Episode 1\r\n../Music/Podcasts/Show/ep1.mp3\r\n] kind 3 refs 01 Song.mp3,Hit.mp3,
F Playlists_QNL/Vol_ 2.m3u 74 [#EXTM3U\r\n#EXTINF:120,Live song\r\n../Music/Band/Album v1_0/Song _live_.mp3\r\n] kind 3 refs Song _live_.mp3)";

} // namespace

class tst_PhoneFilesByKind : public QObject
{
    Q_OBJECT

private slots:
    void usbPhone();
    void mtpPhone();
};

void tst_PhoneFilesByKind::usbPhone()
{
    SyncTestHome env;
    QVERIFY(env.isValid());
    QVERIFY(PhoneContents::writeFile(env.phoneFile(Constants::phoneUniqueIdFile()), "usb-phone-id"));
    QVERIFY(PhoneContents::writeFile(env.phoneFile(Constants::phoneProgramFolder() + Constants::deviceInfoFileName()),
                                     kDeviceInfo));
    UsbMSDevice device(env.phoneRoot(), QStringLiteral("USB phone"), true);
    const QStringList log = runSyncs(device, env.inputFolder());
    compareLines(log, kUsbLog);
    compareLines(usbTree(env.phoneRoot()), kUsbTree);
}

void tst_PhoneFilesByKind::mtpPhone()
{
    SyncTestHome env;
    QVERIFY(env.isValid());
    EmulatedMtpPhone phone({QStringLiteral("Internal storage")}, false);
    QVERIFY(phone.put(Constants::phoneUniqueIdFile(), "mtp-phone-id"));
    QVERIFY(phone.put(Constants::phoneProgramFolder() + Constants::deviceInfoFileName(), kDeviceInfo));
    QVERIFY(phone.open());
    const QStringList log = runSyncs(*phone.device(), env.inputFolder());
    compareLines(log, kMtpLog);
    compareLines(mtpTree(phone), kMtpTree);
}

QTEST_GUILESS_MAIN(tst_PhoneFilesByKind)
#include "tst_PhoneFilesByKind.moc"
