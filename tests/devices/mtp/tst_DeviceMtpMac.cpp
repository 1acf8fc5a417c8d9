// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/MtpStorage.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
#include "devices/mtp/QMtpDeviceStorage.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "support/EmulatedMtpPhone.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// An MTP storage driven through the Device interface, on the emulated phone.
class tst_DeviceMtpMac : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void uniqueIdTemporaryUntilConfigured();
    void deviceInformation_data();
    void deviceInformation();
    void friendlyNames();
    void syncCompleteMarker();
    void uploadIntoArtistAndAlbumFolders();
    void convertedTrackKeepsItsLibraryName();
    void hostileTagsStayInsideMusic();
    void missingSourceLeavesPhoneFileAlone();
    void failedUploadReportsCopyError();
    void deleteTrack();
    void refusedDeleteKeepsTrack();
    void trackNameEqualToFolderName();
    void pathPartPrefersFolderOverFile();
    void playlistSentOnceUnlessForced();
    void oldPlaylistsRemoved();
    void albumArtBesideTracks();
    void copyFileOverwrite();
    void spaceFigures();

private:
    QString localFile(const QString& name, const QByteArray& data);
    Track track(const QString& artist, const QString& album, const QString& fileName, const QByteArray& data);
    DeviceMtpMac* device() const { return mPhone->device(); }
    void reopen();

    std::unique_ptr<QTemporaryDir> mHome;
    QByteArray mOldHome;
    std::unique_ptr<EmulatedMtpPhone> mPhone;
};

void tst_DeviceMtpMac::init()
{
    mHome = std::make_unique<QTemporaryDir>();
    QVERIFY(mHome->isValid());
    mOldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(mHome->path()));
    QVERIFY(QDir().mkpath(mHome->filePath(QStringLiteral("library"))));
    mPhone = std::make_unique<EmulatedMtpPhone>();
    QVERIFY(mPhone->open());
}

void tst_DeviceMtpMac::cleanup()
{
    mPhone.reset();
    qputenv("HOME", mOldHome);
    mHome.reset();
}

void tst_DeviceMtpMac::reopen()
{
    QVERIFY(mPhone->open());
}

QString tst_DeviceMtpMac::localFile(const QString& name, const QByteArray& data)
{
    const QString path = mHome->filePath(QStringLiteral("library/") + name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return QString();
    return path;
}

Track tst_DeviceMtpMac::track(const QString& artist, const QString& album, const QString& fileName,
                              const QByteArray& data)
{
    Track result;
    result.setTrackName(fileName);
    result.setArtistName(artist);
    result.setAlbumName(album);
    result.setPath(localFile(fileName, data));
    result.setDuration(61);
    return result;
}

void tst_DeviceMtpMac::uniqueIdTemporaryUntilConfigured()
{
    QCOMPARE(device()->UniqueDeviceId(), Constants::tempDeviceId());
    device()->SetConfigured();
    const QString id = device()->UniqueDeviceId();
    QVERIFY(id.endsWith(QLatin1Char('Y')));
    QVERIFY(id != Constants::tempDeviceId());
    QCOMPARE(mPhone->read(Constants::phoneUniqueIdFile()), id.toLatin1());
    // Configuring again keeps the id; a new opening reads it verbatim.
    device()->SetConfigured();
    QCOMPARE(device()->UniqueDeviceId(), id);
    QVERIFY(mPhone->put(Constants::phoneUniqueIdFile(), " id with spaces\n"));
    reopen();
    QCOMPARE(device()->UniqueDeviceId(), QStringLiteral(" id with spaces\n"));
}

void tst_DeviceMtpMac::deviceInformation_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("pixels");
    QTest::newRow("both attributes") << true << EmulatedMtpPhone::deviceInfo(12, 777) << 12 << 777;
    QTest::newRow("no version") << true << QByteArray("<device screen_pixels=\"5\"/>") << 0 << 5;
    QTest::newRow("not numbers") << true << QByteArray("<device version=\"x\" screen_pixels=\"y\"/>") << 0 << -1;
    QTest::newRow("not XML") << true << QByteArray("\x01\xff garbage") << 0 << -1;
    QTest::newRow("empty file") << true << QByteArray() << -1 << -1;
    QTest::newRow("missing file") << false << QByteArray() << -1 << -1;
}

void tst_DeviceMtpMac::deviceInformation()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    QFETCH(int, version);
    QFETCH(int, pixels);
    EmulatedMtpPhone phone({QStringLiteral("Internal storage")}, false);
    if (present)
        QVERIFY(phone.put(QStringLiteral("KORVA/android.xml"), contents));
    QVERIFY(phone.open());
    QCOMPARE(phone.device()->androidVersion(), version);
    QCOMPARE(phone.device()->screenPixels(), pixels);
}

void tst_DeviceMtpMac::friendlyNames()
{
    QCOMPARE(device()->FriendlyName(), QStringLiteral("Galaxy Internal storage"));
    QCOMPARE(device()->GetDeviceType(), int(Device::kTypeMtp));
    QCOMPARE(mPhone->parent()->GetDeviceType(), int(Device::kTypeMtp));
    QVERIFY(device()->IsMounted());

    // No friendly name: product and vendor; a storage without a readable description is "Storage".
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    emulation.addPhone(QStringLiteral("Acme"), QStringLiteral("X1"), {QString()});
    PortableDevicePhoneSource source;
    const QList<MtpRawPhone> phones = source.listPhones();
    QCOMPARE(phones.size(), 1);
    MtpPhoneSource::OpenOutcome outcome = MtpPhoneSource::OpenOutcome::UnableToOpen;
    std::unique_ptr<DeviceParent> parent = source.openPhone(phones.first(), outcome);
    QVERIFY(parent);
    QCOMPARE(parent->children().size(), 1);
    QCOMPARE(parent->children().first()->FriendlyName(), QStringLiteral("X1 Acme Storage"));
    qDeleteAll(parent->children());
}

void tst_DeviceMtpMac::syncCompleteMarker()
{
    QVERIFY(mPhone->put(Constants::phoneSyncCompleteFile(), "sync-complete"));
    reopen();
    device()->PrepareForSync();
    QVERIFY(!mPhone->exists(Constants::phoneSyncCompleteFile()));
    device()->FinalizeSync();
    QCOMPARE(mPhone->read(Constants::phoneSyncCompleteFile()), QByteArray("sync-complete"));
    // A second sync replaces the marker instead of adding another.
    device()->PrepareForSync();
    device()->FinalizeSync();
    QCOMPARE(mPhone->list(QStringLiteral("KORVA")), (QStringList{"android.xml", "synccomplete"}));
}

void tst_DeviceMtpMac::uploadIntoArtistAndAlbumFolders()
{
    Track song = track(QStringLiteral("Artist"), QStringLiteral("Album"), QStringLiteral("01 Song.mp3"), "abcd");
    QCOMPARE(device()->UploadTrack(song), 0);
    QCOMPARE(song.deviceId(), QStringLiteral("/Music/Artist/Album/01 Song.mp3"));
    QVERIFY(song.onRemoteDevice());
    QCOMPARE(song.sizeOnDevice(), qint64(4));
    QCOMPARE(mPhone->read(QStringLiteral("Music/Artist/Album/01 Song.mp3")), QByteArray("abcd"));
    // Uploading again replaces the file rather than adding a second one.
    QCOMPARE(device()->UploadTrack(song), 0);
    QCOMPARE(mPhone->list(QStringLiteral("Music/Artist/Album")), QStringList{"01 Song.mp3"});
    QString id;
    QString folder;
    QCOMPARE(device()->objects().fileAt(song.deviceId(), id, folder), 0);
    QVERIFY(!id.isEmpty());
}

void tst_DeviceMtpMac::convertedTrackKeepsItsLibraryName()
{
    Track song = track(QStringLiteral("Artist"), QStringLiteral("Album"), QStringLiteral("Song.m4a"), "aac");
    song.setConvertToMp3(true);
    QVERIFY(QDir().mkpath(Constants::programFolderPath()));
    QFile converted(song.uploadPath());
    QVERIFY(converted.open(QIODevice::WriteOnly));
    converted.write("mp3 data");
    converted.close();
    QCOMPARE(device()->UploadTrack(song), 0);
    QCOMPARE(song.deviceId(), QStringLiteral("/Music/Artist/Album/Song.mp3"));
    QCOMPARE(mPhone->read(QStringLiteral("Music/Artist/Album/Song.mp3")), QByteArray("mp3 data"));
    QCOMPARE(song.sizeOnDevice(), qint64(8));
}

void tst_DeviceMtpMac::hostileTagsStayInsideMusic()
{
    Track song = track(QStringLiteral("AC/DC"), QStringLiteral("../.."), QStringLiteral("a:b?.mp3"), "x");
    QCOMPARE(device()->UploadTrack(song), 0);
    QCOMPARE(song.deviceId(), QStringLiteral("/Music/AC_DC/_____/a_b_.mp3"));
    QCOMPARE(mPhone->list(QString()), (QStringList{"KORVA", "Music"}));
    QCOMPARE(mPhone->read(QStringLiteral("Music/AC_DC/_____/a_b_.mp3")), QByteArray("x"));

    Track blank = track(QStringLiteral("  "), QString(), QStringLiteral("b.mp3"), "y");
    QCOMPARE(device()->UploadTrack(blank), 0);
    QCOMPARE(blank.deviceId(), QStringLiteral("/Music/Unknown/Unknown/b.mp3"));
}

void tst_DeviceMtpMac::missingSourceLeavesPhoneFileAlone()
{
    QVERIFY(mPhone->put(QStringLiteral("Music/Artist/Album/gone.mp3"), "on phone"));
    reopen();
    Track song;
    song.setArtistName(QStringLiteral("Artist"));
    song.setAlbumName(QStringLiteral("Album"));
    song.setPath(mHome->filePath(QStringLiteral("library/gone.mp3")));
    QCOMPARE(device()->UploadTrack(song), DeviceMtpMac::kErrorCopyFailed);
    QVERIFY(!song.onRemoteDevice());
    QCOMPARE(mPhone->read(QStringLiteral("Music/Artist/Album/gone.mp3")), QByteArray("on phone"));
}

void tst_DeviceMtpMac::failedUploadReportsCopyError()
{
    Track song = track(QStringLiteral("Artist"), QStringLiteral("Album"), QStringLiteral("s.mp3"), "0123456789");
    mPhone->emulation().failNextSends(mPhone->pnpId(), 100, true);
    QCOMPARE(device()->UploadTrack(song), DeviceMtpMac::kErrorCopyFailed);
    QVERIFY(!song.onRemoteDevice());
    QVERIFY(song.deviceId().isEmpty());
    QCOMPARE(mPhone->list(QStringLiteral("Music/Artist/Album")), QStringList());
}

void tst_DeviceMtpMac::deleteTrack()
{
    TrackCache cache;
    QVERIFY(cache.openFile(mHome->filePath(QStringLiteral("mcache1"))) <= 0);
    Track present = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("p.mp3"), "p");
    Track missing = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("m.mp3"), "m");
    QCOMPARE(device()->UploadTrack(present), 0);
    QCOMPARE(device()->UploadTrack(missing), 0);
    QCOMPARE(cache.addTrack(present), 0);
    QCOMPARE(cache.addTrack(missing), 0);
    QVERIFY(mPhone->emulation().putFile(mPhone->pnpId(), 0, QStringLiteral("Music/A/B/m.mp3"), "m"));
    reopen();
    QVERIFY(device()->objects().remove(QStringLiteral("/Music/A/B/m.mp3")));

    QCOMPARE(device()->DeleteTrack(cache, present), 0);
    QVERIFY(!present.onRemoteDevice());
    QVERIFY(!mPhone->exists(QStringLiteral("Music/A/B/p.mp3")));
    // A file already gone counts as deleted.
    QCOMPARE(device()->DeleteTrack(cache, missing), 0);
    QVERIFY(!missing.onRemoteDevice());
    cache.close();
    TrackCache reread;
    QCOMPARE(reread.openFile(mHome->filePath(QStringLiteral("mcache1"))), 0);
    TrackList list;
    QCOMPARE(reread.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 2);
    QVERIFY(!list.track(0).onRemoteDevice());
    QVERIFY(!list.track(1).onRemoteDevice());
}

void tst_DeviceMtpMac::refusedDeleteKeepsTrack()
{
    TrackCache cache;
    Track song = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("k.mp3"), "k");
    QCOMPARE(device()->UploadTrack(song), 0);
    mPhone->emulation().setRefuseDeletes(mPhone->pnpId(), true);
    QCOMPARE(device()->DeleteTrack(cache, song), DeviceMtpMac::kErrorDeleteFailed);
    QVERIFY(song.onRemoteDevice());
    QVERIFY(mPhone->exists(QStringLiteral("Music/A/B/k.mp3")));
}

void tst_DeviceMtpMac::trackNameEqualToFolderName()
{
    QVERIFY(mPhone->emulation().makeFolder(mPhone->pnpId(), 0, QStringLiteral("Music/A/B/x.mp3")));
    reopen();
    QString id;
    QString folder;
    QCOMPARE(device()->objects().fileAt(QStringLiteral("Music"), id, folder), DeviceMtpMac::kErrorNotFound);
    Track song;
    song.setDeviceId(QStringLiteral("/Music/A/B/x.mp3"));
    QCOMPARE(device()->objects().fileAt(song.deviceId(), id, folder), DeviceMtpMac::kErrorNotFound);
    // Deleting the track leaves the folder of the same name alone.
    TrackCache cache;
    song.setOnRemoteDevice(true);
    QCOMPARE(device()->DeleteTrack(cache, song), 0);
    QCOMPARE(mPhone->emulation().kind(mPhone->pnpId(), 0, QStringLiteral("Music/A/B/x.mp3")),
             int(QMtpFileInterface::kFolder));
}

void tst_DeviceMtpMac::pathPartPrefersFolderOverFile()
{
    // A file named "Music" listed before the folder "Music".
    QVERIFY(mPhone->put(QStringLiteral("Music"), "not a folder"));
    QVERIFY(mPhone->emulation().makeFolder(mPhone->pnpId(), 0, QStringLiteral("Music/A/B")));
    reopen();
    Track song = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("s.mp3"), "s");
    QCOMPARE(device()->UploadTrack(song), 0);
    QCOMPARE(mPhone->read(QStringLiteral("Music/A/B/s.mp3")), QByteArray("s"));
    QCOMPARE(mPhone->read(QStringLiteral("Music")), QByteArray("not a folder"));
}

void tst_DeviceMtpMac::playlistSentOnceUnlessForced()
{
    TrackList tracks;
    Track one = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("1.mp3"), "1");
    Track two = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("2.mp3"), "2");
    QCOMPARE(device()->UploadTrack(one), 0);
    QCOMPARE(device()->UploadTrack(two), 0);
    QCOMPARE(tracks.addTrack(one), 0);
    QCOMPARE(tracks.addTrack(two), 1);
    Playlist playlist;
    playlist.mName = QStringLiteral("Road: Trip.");
    playlist.mEntries = {PlaylistEntry(1, 0), PlaylistEntry(0, 0)};

    QCOMPARE(device()->createPlaylist(playlist, tracks, false), 0);
    const QString path = QStringLiteral("Playlists_QNL/Road_ Trip_.m3u");
    QCOMPARE(mPhone->read(path), QByteArray("#EXTM3U\r\n#EXTINF:61,2.mp3\r\n../Music/A/B/2.mp3\r\n"
                                            "#EXTINF:61,1.mp3\r\n../Music/A/B/1.mp3\r\n"));
    QCOMPARE(mPhone->emulation().kind(mPhone->pnpId(), 0, path), int(QMtpFileInterface::kPlaylist));
    QCOMPARE(mPhone->emulation().references(mPhone->pnpId(), 0, path), (QStringList{"2.mp3", "1.mp3"}));

    const int sends = mPhone->emulation().sendCount(mPhone->pnpId());
    reopen();
    QCOMPARE(device()->createPlaylist(playlist, tracks, false), 0);
    QCOMPARE(mPhone->emulation().sendCount(mPhone->pnpId()), sends);
    QCOMPARE(device()->createPlaylist(playlist, tracks, true), 0);
    QCOMPARE(mPhone->emulation().sendCount(mPhone->pnpId()), sends + 1);
    QCOMPARE(mPhone->list(QStringLiteral("Playlists_QNL")), QStringList{"Road_ Trip_.m3u"});

    // A changed order is sent again; no stale local copy decides it.
    playlist.mEntries = {PlaylistEntry(0, 0), PlaylistEntry(1, 0)};
    QCOMPARE(device()->createPlaylist(playlist, tracks, false), 0);
    QVERIFY(mPhone->read(path).endsWith("../Music/A/B/2.mp3\r\n"));
    QVERIFY(!QFile::exists(Constants::programFolderPath() + QLatin1Char('/')
                           + Constants::tempPlaylistFromDeviceFileName()));
}

void tst_DeviceMtpMac::oldPlaylistsRemoved()
{
    QVERIFY(mPhone->put(QStringLiteral("Playlists_QNL/Old.m3u"), "#EXTM3U\r\n"));
    QVERIFY(mPhone->put(QStringLiteral("Playlists_QNL/notes.txt"), "keep"));
    reopen();
    device()->PrepareForSync();
    TrackList tracks;
    Playlist playlist;
    playlist.mName = QStringLiteral("New");
    QCOMPARE(device()->createPlaylist(playlist, tracks, false), 0);
    QCOMPARE(mPhone->read(QStringLiteral("Playlists_QNL/New.m3u")), QByteArray("#EXTM3U\r\n"));
    device()->removeOldPlaylists();
    QCOMPARE(mPhone->list(QStringLiteral("Playlists_QNL")), (QStringList{"notes.txt", "New.m3u"}));
}

void tst_DeviceMtpMac::albumArtBesideTracks()
{
    Track song = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("s.mp3"), "s");
    QCOMPARE(device()->UploadTrack(song), 0);
    reopen();
    device()->uploadAlbumArt(song, localFile(QStringLiteral("cover.jpg"), "jpeg"));
    QCOMPARE(mPhone->read(QStringLiteral("Music/A/B/folder.jpg")), QByteArray("jpeg"));
    // Sending art again keeps one cover; the track is still found.
    device()->uploadAlbumArt(song, localFile(QStringLiteral("cover.jpg"), "jpeg"));
    QCOMPARE(mPhone->list(QStringLiteral("Music/A/B")), (QStringList{"s.mp3", "folder.jpg"}));
    QString id;
    QString folder;
    QCOMPARE(device()->objects().fileAt(song.deviceId(), id, folder), 0);
}

void tst_DeviceMtpMac::copyFileOverwrite()
{
    const QString first = localFile(QStringLiteral("one.xml"), "first");
    const QString second = localFile(QStringLiteral("two.xml"), "second");
    QCOMPARE(device()->copyFile(first, QStringLiteral("KORVA/messages.xml"), false), 0);
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/messages.xml")), QByteArray("first"));
    QCOMPARE(device()->copyFile(second, QStringLiteral("KORVA/messages.xml"), false), 0);
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/messages.xml")), QByteArray("first"));

    // A send that fails every retry, leaving half a file each time, keeps the old file whole.
    mPhone->emulation().failNextSends(mPhone->pnpId(), 100, true);
    QCOMPARE(device()->copyFile(second, QStringLiteral("KORVA/messages.xml"), true), int(PhoneResult::CopyFailed));
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/messages.xml")), QByteArray("first"));
    mPhone->emulation().failNextSends(mPhone->pnpId(), 0, false);

    QCOMPARE(device()->copyFile(second, QStringLiteral("KORVA/messages.xml"), true), 0);
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/messages.xml")), QByteArray("second"));
    QCOMPARE(mPhone->list(QStringLiteral("KORVA")), (QStringList{"android.xml", "messages.xml"}));

    // Listing names files only; removing takes one file and leaves the rest.
    QCOMPARE(device()->copyFile(first, QStringLiteral("KORVA/sub/x.xml"), false), 0);
    QStringList names = device()->fileNamesIn(QStringLiteral("KORVA"));
    names.sort();
    QCOMPARE(names, (QStringList{"android.xml", "messages.xml"}));
    QCOMPARE(device()->removeFile(QStringLiteral("KORVA/messages.xml")), 0);
    QCOMPARE(mPhone->list(QStringLiteral("KORVA")), (QStringList{"android.xml", "sub"}));
    QVERIFY(device()->removeFile(QStringLiteral("KORVA/messages.xml")) != 0);
    QVERIFY(device()->fileNamesIn(QStringLiteral("NoSuchFolder")).isEmpty());
}

void tst_DeviceMtpMac::spaceFigures()
{
    mPhone->emulation().setCapacity(mPhone->pnpId(), 0, 1000000);
    reopen();
    qint64 capacity = 0;
    qint64 before = 0;
    QCOMPARE(device()->GetStorageCapacity(capacity), 0);
    QCOMPARE(capacity, qint64(1000000));
    QCOMPARE(device()->GetFreeStorageSpace(before), 0);
    Track song = track(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("s.mp3"), QByteArray(5000, 's'));
    QCOMPARE(device()->UploadTrack(song), 0);
    qint64 after = 0;
    QCOMPARE(device()->GetFreeStorageSpace(after), 0);
    QCOMPARE(before - after, qint64(5000));
}

QTEST_GUILESS_MAIN(tst_DeviceMtpMac)
#include "tst_DeviceMtpMac.moc"
