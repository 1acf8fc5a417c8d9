// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// A USB phone is a temporary folder used as the drive's root path.
#include "app/Constants.h"
#include "devices/FileCopier.h"
#include "devices/UsbMSDevice.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

} // namespace

class TestUsbMSDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void uniqueIdLifecycle();
    void deviceInfoReadAtConstruction();
    void spaceOfAMissingDrive();
    void metadataFilesAreNumberedPerSync();
    void uploadCopiesIntoArtistAndAlbumFolders_data();
    void uploadCopiesIntoArtistAndAlbumFolders();
    void uploadOntoAnExistingFileMarksWithoutCopying();
    void uploadConvertedTrackGetsMp3Name();
    void uploadOfAMissingSourceLeavesTrackUnmarked();
    void uploadWhenTheFolderCannotBeMade();
    void interruptedCopiesLeaveNoFileUnderTheFinalName();
    void deleteTrack();
    void deleteRefusesIdsOutsideTheDrive_data();
    void deleteRefusesIdsOutsideTheDrive();
    void playlistWrittenWithRootPaths();
    void playlistFileNameStaysInsideThePlaylistFolder_data();
    void playlistFileNameStaysInsideThePlaylistFolder();
    void oldPlaylistsEmptiedAndHintedOnce();
    void albumArtAndRefreshHint();
    void pcVersionReplacesTheFile();
    void copyFileOverwriteOrKeep();

private:
    Track makeTrack(const QString& artist, const QString& album, const QString& fileName);
    QString root() const { return mDrive->path() + QLatin1Char('/'); }

    std::unique_ptr<QTemporaryDir> mHome;
    std::unique_ptr<QTemporaryDir> mDrive;
    std::unique_ptr<QTemporaryDir> mLocal;
};

void TestUsbMSDevice::init()
{
    mHome = std::make_unique<QTemporaryDir>();
    mDrive = std::make_unique<QTemporaryDir>();
    mLocal = std::make_unique<QTemporaryDir>();
    QVERIFY(mHome->isValid() && mDrive->isValid() && mLocal->isValid());
    qputenv("HOME", mHome->path().toUtf8());
    QVERIFY(QDir().mkpath(mDrive->filePath(QStringLiteral("KORVA"))));
}

void TestUsbMSDevice::cleanup()
{
    mHome.reset();
    mDrive.reset();
    mLocal.reset();
}

Track TestUsbMSDevice::makeTrack(const QString& artist, const QString& album, const QString& fileName)
{
    Track track;
    track.setTrackName(QStringLiteral("Song"));
    track.setArtistName(artist);
    track.setAlbumName(album);
    track.setTrackNumberOnAlbum(3);
    track.setPath(mLocal->filePath(fileName));
    writeFile(track.path(), pattern(5000));
    return track;
}

void TestUsbMSDevice::uniqueIdLifecycle()
{
    QFile::remove(root() + Constants::phoneUniqueIdFile());
    UsbMSDevice fresh(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(fresh.UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    QVERIFY(!QFile::exists(root() + Constants::phoneUniqueIdFile()));

    // A full phone gets no id file at all rather than a cut-off id.
    {
        UsbMSDevice full(mDrive->path(), QStringLiteral("Phone"), true);
        const FileSizeLimit limit(3);
        full.SetConfigured();
    }
    QVERIFY(!QFile::exists(root() + Constants::phoneUniqueIdFile()));

    fresh.SetConfigured();
    const QString id = fresh.UniqueDeviceId();
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]{5,}Y$")).match(id).hasMatch(), qPrintable(id));
    QCOMPARE(readAll(root() + Constants::phoneUniqueIdFile()), id.toLatin1());
    // No leftovers of the atomic write.
    QCOMPARE(QDir(root() + QStringLiteral("KORVA")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("uniqueid")});

    // From then on the file is read verbatim, whatever it holds.
    QVERIFY(writeFile(root() + Constants::phoneUniqueIdFile(), QByteArray(" abc\xe9\n")));
    UsbMSDevice again(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(again.UniqueDeviceId(), QStringLiteral(" abc\u00e9\n"));
    again.SetConfigured();
    QCOMPARE(readAll(root() + Constants::phoneUniqueIdFile()), QByteArray(" abc\xe9\n"));

    // Without reading at construction, IsMounted reads the id of a mounted drive.
    UsbMSDevice late(mDrive->path(), QStringLiteral("Phone"), false);
    QVERIFY(late.UniqueDeviceId().isEmpty());
    QVERIFY(late.IsMounted());
    QCOMPARE(late.UniqueDeviceId(), QStringLiteral(" abc\u00e9\n"));
    qint64 total = 0;
    qint64 free = 0;
    QCOMPARE(late.GetStorageCapacity(total), 0);
    QCOMPARE(late.GetFreeStorageSpace(free), 0);
    QVERIFY(total > 0 && free >= 0 && free <= total);
}

void TestUsbMSDevice::deviceInfoReadAtConstruction()
{
    const QString info = root() + Constants::phoneProgramFolder() + Constants::deviceInfoFileName();
    UsbMSDevice missing(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(missing.androidVersion(), -1);
    QCOMPARE(missing.screenPixels(), -1);

    QVERIFY(writeFile(info, QByteArray("<?xml version=\"1.0\"?><info version=\"9\" screen_pixels=\"921600\"/>")));
    UsbMSDevice present(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(present.androidVersion(), 9);
    QCOMPARE(present.screenPixels(), 921600);

    UsbMSDevice notRead(mDrive->path(), QStringLiteral("Phone"), false);
    QCOMPARE(notRead.androidVersion(), -1);
}

void TestUsbMSDevice::spaceOfAMissingDrive()
{
    UsbMSDevice gone(mDrive->filePath(QStringLiteral("not-mounted")), QStringLiteral("Phone"), false);
    QVERIFY(!gone.IsMounted());
    qint64 bytes = 77;
    QCOMPARE(gone.GetFreeStorageSpace(bytes), 0);
    QCOMPARE(bytes, 0);
    bytes = 77;
    QCOMPARE(gone.GetStorageCapacity(bytes), 0);
    QCOMPARE(bytes, 0);
}

void TestUsbMSDevice::metadataFilesAreNumberedPerSync()
{
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    Track first = makeTrack(QStringLiteral("Beyonce\u0301"), QStringLiteral("A\u0001lbum"), QStringLiteral("1.mp3"));
    first.setTrackName(QStringLiteral("Cafe\u0301 <&>"));
    device.PrepareForSync();
    device.PrepareForSync(); // a second call keeps the open file
    QCOMPARE(device.UploadTrack(first), 0);
    device.FinalizeSync();
    device.FinalizeSync();

    device.PrepareForSync();
    device.FinalizeSync();

    const QString zero = root() + Constants::phoneMetadataFilePrefix() + QStringLiteral("0.xml");
    const QString one = root() + Constants::phoneMetadataFilePrefix() + QStringLiteral("1.xml");
    QVERIFY(QFile::exists(one));
    QVERIFY(!QFile::exists(root() + Constants::phoneMetadataFilePrefix() + QStringLiteral("2.xml")));

    QDomDocument document;
    QVERIFY(document.setContent(readAll(zero)));
    const QDomElement rootElement = document.documentElement();
    QCOMPARE(rootElement.tagName(), QStringLiteral("metadata"));
    const QDomNodeList tracks = rootElement.elementsByTagName(QStringLiteral("track"));
    QCOMPARE(tracks.size(), 1);
    const QDomElement track = tracks.at(0).toElement();
    QCOMPARE(track.attribute(QStringLiteral("path")), QStringLiteral("/Music/Beyonc\u00e9/Album/1.mp3"));
    QCOMPARE(track.attribute(QStringLiteral("artist")), QStringLiteral("Beyonc\u00e9"));
    QCOMPARE(track.attribute(QStringLiteral("album")), QStringLiteral("Album"));
    QCOMPARE(track.attribute(QStringLiteral("track_name")), QStringLiteral("Caf\u00e9 <&>"));
    QCOMPARE(track.attribute(QStringLiteral("track_number")), QStringLiteral("3"));

    QVERIFY(document.setContent(readAll(one)));
    QCOMPARE(document.documentElement().elementsByTagName(QStringLiteral("track")).size(), 0);
}

void TestUsbMSDevice::uploadCopiesIntoArtistAndAlbumFolders_data()
{
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::addColumn<bool>("compilation");
    QTest::addColumn<QString>("localFile");
    QTest::addColumn<QString>("deviceId");
    QTest::newRow("plain") << "Abba"
                           << "Gold" << false << "01 Song.mp3"
                           << "/Music/Abba/Gold/01 Song.mp3";
    QTest::newRow("cleaned names") << "AC/DC"
                                   << "Live: 1992." << false << "x.mp3"
                                   << "/Music/AC_DC/Live_ 1992_/x.mp3";
    QTest::newRow("compilation") << "Various"
                                 << "Hits" << true << "c.mp3"
                                 << "/Music/Compilation/Hits/c.mp3";
    QTest::newRow("podcast") << "Host"
                             << "Show" << false << "Podcasts/Show/ep1.mp3"
                             << "/Music/Podcasts/Show/ep1.mp3";
    QTest::newRow("no tags") << ""
                             << "" << false << "t.mp3"
                             << "/Music/Unknown/Unknown/t.mp3";
}

void TestUsbMSDevice::uploadCopiesIntoArtistAndAlbumFolders()
{
    QFETCH(QString, artist);
    QFETCH(QString, album);
    QFETCH(bool, compilation);
    QFETCH(QString, localFile);
    QFETCH(QString, deviceId);
    Track track = makeTrack(artist, album, localFile);
    track.setCompilation(compilation);
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.UploadTrack(track), 0);
    QCOMPARE(track.deviceId(), deviceId);
    QVERIFY(track.onRemoteDevice());
    QCOMPARE(track.sizeOnDevice(), qint64(5000));
    QCOMPARE(readAll(root() + deviceId.mid(1)), pattern(5000));
    QVERIFY(!QFile::exists(FileCopier::temporaryPathFor(root() + deviceId.mid(1))));
}

void TestUsbMSDevice::uploadOntoAnExistingFileMarksWithoutCopying()
{
    Track track = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("song.mp3"));
    QVERIFY(writeFile(root() + QStringLiteral("Music/A/B/song.mp3"), QByteArray("already here")));
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.UploadTrack(track), 0);
    QVERIFY(track.onRemoteDevice());
    QCOMPARE(track.deviceId(), QStringLiteral("/Music/A/B/song.mp3"));
    QCOMPARE(track.sizeOnDevice(), qint64(12));
    QCOMPARE(readAll(root() + QStringLiteral("Music/A/B/song.mp3")), QByteArray("already here"));
}

void TestUsbMSDevice::uploadConvertedTrackGetsMp3Name()
{
    Track track = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("tune.m4a"));
    track.setConvertToMp3(true);
    QVERIFY(track.needsConversion());
    // The converter's output is what goes to the phone.
    QVERIFY(writeFile(track.uploadPath(), QByteArray("converted mp3 bytes")));
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.UploadTrack(track), 0);
    QCOMPARE(track.deviceId(), QStringLiteral("/Music/A/B/tune.mp3"));
    QCOMPARE(readAll(root() + QStringLiteral("Music/A/B/tune.mp3")), QByteArray("converted mp3 bytes"));
    QVERIFY(!QFile::exists(root() + QStringLiteral("Music/A/B/tune.m4a")));

    // Without conversion the file keeps its own name and bytes.
    Track plain = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("other.m4a"));
    QCOMPARE(device.UploadTrack(plain), 0);
    QCOMPARE(plain.deviceId(), QStringLiteral("/Music/A/B/other.m4a"));
}

void TestUsbMSDevice::uploadOfAMissingSourceLeavesTrackUnmarked()
{
    Track track = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("gone.mp3"));
    QFile::remove(track.path());
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.UploadTrack(track), 0);
    QVERIFY(!track.onRemoteDevice());
    QVERIFY(track.deviceId().isEmpty());
    QVERIFY(!QFile::exists(root() + QStringLiteral("Music/A/B/gone.mp3")));
}

void TestUsbMSDevice::uploadWhenTheFolderCannotBeMade()
{
    // A file where the "Music" folder belongs.
    QVERIFY(writeFile(root() + QStringLiteral("Music"), QByteArray("not a folder")));
    Track track = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("s.mp3"));
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.UploadTrack(track), UsbMSDevice::kErrorMakeFolderFailed);
    QVERIFY(!track.onRemoteDevice());

    Playlist playlist;
    playlist.mName = QStringLiteral("P");
    QVERIFY(writeFile(root() + Constants::phonePlaylistFolder(), QByteArray("not a folder")));
    QCOMPARE(device.createPlaylist(playlist, TrackList(), false), UsbMSDevice::kErrorMakeFolderFailed);
}

void TestUsbMSDevice::interruptedCopiesLeaveNoFileUnderTheFinalName()
{
    const QByteArray big = pattern(1024 * 1024);
    Track track = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("big.mp3"));
    QVERIFY(writeFile(track.path(), big));
    const QString image = mLocal->filePath(QStringLiteral("art.jpg"));
    QVERIFY(writeFile(image, big));
    const QString data = mLocal->filePath(QStringLiteral("messages.xml"));
    QVERIFY(writeFile(data, big));
    QVERIFY(writeFile(root() + QStringLiteral("KORVA/messages.xml"), QByteArray("old messages")));
    QVERIFY(QDir().mkpath(root() + QStringLiteral("Music/A/B")));

    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    int result = 0;
    {
        FileSizeLimit limit(64 * 1024);
        result = device.UploadTrack(track);
        device.uploadAlbumArt(track, image);
        QCOMPARE(device.copyFile(data, QStringLiteral("KORVA/messages.xml"), true), int(PhoneResult::CopyFailed));
    }
    QCOMPARE(result, UsbMSDevice::kErrorCopyFailed);
    QVERIFY(!track.onRemoteDevice());
    QVERIFY(track.deviceId().isEmpty());
    const QString trackFile = root() + QStringLiteral("Music/A/B/big.mp3");
    QVERIFY(!QFile::exists(trackFile));
    QVERIFY(!QFile::exists(FileCopier::temporaryPathFor(trackFile)));
    QVERIFY(!QFile::exists(root() + QStringLiteral("Music/A/B/AlbumArt.jpg")));
    QVERIFY(!QFile::exists(root() + Constants::phoneRefreshHintFile()));
    // The old data file stays whole when its replacement fails.
    QCOMPARE(readAll(root() + QStringLiteral("KORVA/messages.xml")), QByteArray("old messages"));
    QVERIFY(!QFile::exists(FileCopier::temporaryPathFor(root() + QStringLiteral("KORVA/messages.xml"))));

    // The next sync copies the track in full.
    QCOMPARE(device.UploadTrack(track), 0);
    QCOMPARE(readAll(trackFile), big);
}

void TestUsbMSDevice::deleteTrack()
{
    TrackCache cache;
    QVERIFY(cache.openFile(mHome->filePath(QStringLiteral("mcache1"))) <= 0);
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);

    Track present = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("p.mp3"));
    Track missing = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("m.mp3"));
    missing.setTrackName(QStringLiteral("Other song"));
    QCOMPARE(device.UploadTrack(present), 0);
    QCOMPARE(device.UploadTrack(missing), 0);
    QCOMPARE(cache.addTrack(present), 0);
    QCOMPARE(cache.addTrack(missing), 0);
    const QString presentFile = root() + present.deviceId().mid(1);
    QVERIFY(QFile::setPermissions(presentFile, QFileDevice::ReadOwner));
    QVERIFY(QFile::remove(root() + missing.deviceId().mid(1)));

    QCOMPARE(device.DeleteTrack(cache, present), 0);
    QVERIFY(!present.onRemoteDevice());
    QVERIFY(!QFile::exists(presentFile));
    // A file already gone counts as deleted.
    QCOMPARE(device.DeleteTrack(cache, missing), 0);
    QVERIFY(!missing.onRemoteDevice());

    // The cache now says neither track is on the phone.
    cache.close();
    TrackCache reread;
    QCOMPARE(reread.openFile(mHome->filePath(QStringLiteral("mcache1"))), 0);
    TrackList list;
    QCOMPARE(reread.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 2);
    QVERIFY(!list.track(0).onRemoteDevice());
    QVERIFY(!list.track(1).onRemoteDevice());
}

void TestUsbMSDevice::deleteRefusesIdsOutsideTheDrive_data()
{
    QTest::addColumn<QString>("deviceId");
    QTest::newRow("climbs out from the root") << "/../outside.mp3";
    QTest::newRow("climbs out through KORVA") << "x/../../../outside.mp3";
    QTest::newRow("relative to KORVA, two up") << "../../outside.mp3";
    QTest::newRow("empty") << "";
    QTest::newRow("the root") << "/";
    QTest::newRow("a folder") << "/Music";
}

void TestUsbMSDevice::deleteRefusesIdsOutsideTheDrive()
{
    QFETCH(QString, deviceId);
    // The drive is a folder inside another; the file beside it must survive.
    QTemporaryDir outer;
    const QString drive = outer.filePath(QStringLiteral("drive"));
    QVERIFY(QDir().mkpath(drive + QStringLiteral("/Music")));
    QVERIFY(writeFile(outer.filePath(QStringLiteral("outside.mp3")), QByteArray("keep")));
    TrackCache cache;
    UsbMSDevice device(drive, QStringLiteral("Phone"), false);
    Track track;
    track.setDeviceId(deviceId);
    track.setOnRemoteDevice(true);
    QCOMPARE(device.DeleteTrack(cache, track), UsbMSDevice::kErrorDeleteFailed);
    QVERIFY(track.onRemoteDevice());
    QCOMPARE(readAll(outer.filePath(QStringLiteral("outside.mp3"))), QByteArray("keep"));
    QVERIFY(QFileInfo(drive + QStringLiteral("/Music")).isDir());
}

void TestUsbMSDevice::playlistWrittenWithRootPaths()
{
    TrackList tracks;
    Track a = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("1.mp3"));
    a.setDeviceId(QStringLiteral("/Music/A/B/1.mp3"));
    a.setDuration(61);
    Playlist playlist;
    playlist.mName = QStringLiteral("Road Trip");
    playlist.mEntries = {PlaylistEntry(tracks.addTrack(a), 0)};

    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    device.PrepareForSync();
    QCOMPARE(device.createPlaylist(playlist, tracks, false), 0);
    const QString file = root() + QStringLiteral("Playlists_QNL/Road Trip.m3u");
    const QByteArray written = "#EXTM3U\r\n#EXTINF:61,Song\r\n/Music/A/B/1.mp3\r\n";
    QCOMPARE(readAll(file), written);
    QCOMPARE(readAll(root() + Constants::phonePlaylistHintFile()), QByteArray("Road Trip.m3u\n"));

    // Same path lines: left alone, even with another title, and not hinted again.
    const QByteArray retitled = "#EXTM3U\r\n#EXTINF:1,Renamed\r\n/Music/A/B/1.mp3\r\n";
    QVERIFY(writeFile(file, retitled));
    QCOMPARE(device.createPlaylist(playlist, tracks, false), 0);
    QCOMPARE(readAll(file), retitled);
    QCOMPARE(readAll(root() + Constants::phonePlaylistHintFile()), QByteArray("Road Trip.m3u\n"));

    // A forced rewrite writes it again.
    QCOMPARE(device.createPlaylist(playlist, tracks, true), 0);
    QCOMPARE(readAll(file), written);
    QCOMPARE(readAll(root() + Constants::phonePlaylistHintFile()), QByteArray("Road Trip.m3u\nRoad Trip.m3u\n"));
    device.FinalizeSync();
}

void TestUsbMSDevice::playlistFileNameStaysInsideThePlaylistFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("dots kept") << "Vol. 2"
                               << "Vol. 2.m3u";
    QTest::newRow("climbing out") << "../../KORVA/uniqueid"
                                  << ".._.._KORVA_uniqueid.m3u";
    QTest::newRow("two dots") << ".."
                              << "...m3u";
    QTest::newRow("control characters") << QStringLiteral("a\nb\x01\x7f") << "a_b__.m3u";
    QTest::newRow("backslash and colon") << "C:\\x"
                                         << "C__x.m3u";
    QTest::newRow("empty") << ""
                           << ".m3u";
    QTest::newRow("too long") << QString(300, QChar(0x00e9)) << QString(125, QChar(0x00e9)) + QStringLiteral(".m3u");
    QTest::newRow("too long, surrogate pairs")
        << QString(70, QChar(0xd83c)).replace(QChar(0xd83c), QStringLiteral("\U0001F3B5"))
        << QString(62, QChar(0xd83c)).replace(QChar(0xd83c), QStringLiteral("\U0001F3B5")) + QStringLiteral(".m3u");
}

void TestUsbMSDevice::playlistFileNameStaysInsideThePlaylistFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, fileName);
    QCOMPARE(UsbMSDevice::playlistFileName(name), fileName);

    Playlist playlist;
    playlist.mName = name;
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.createPlaylist(playlist, TrackList(), false), 0);
    const QStringList files = QDir(root() + Constants::phonePlaylistFolder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, QStringList{fileName});
    QCOMPARE(readAll(root() + Constants::phonePlaylistFolder() + QLatin1Char('/') + fileName),
             QByteArray("#EXTM3U\r\n"));
    // Nothing else on the drive changed.
    QVERIFY(!QFile::exists(root() + Constants::phoneUniqueIdFile()));
}

void TestUsbMSDevice::oldPlaylistsEmptiedAndHintedOnce()
{
    const QString folder = root() + Constants::phonePlaylistFolder() + QLatin1Char('/');
    QVERIFY(writeFile(folder + QStringLiteral("Old.m3u"), QByteArray("#EXTM3U\r\n#EXTINF:1,x\r\n/Music/x.mp3\r\n")));
    QVERIFY(writeFile(folder + QStringLiteral("notes.txt"), QByteArray("not a playlist")));
    Playlist current;
    current.mName = QStringLiteral("New");

    for (int sync = 0; sync < 2; ++sync) {
        UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
        device.PrepareForSync();
        QCOMPARE(device.createPlaylist(current, TrackList(), false), 0);
        device.removeOldPlaylists();
        device.FinalizeSync();
    }
    QCOMPARE(readAll(folder + QStringLiteral("Old.m3u")), QByteArray("#EXTM3U\r\n"));
    QCOMPARE(readAll(folder + QStringLiteral("New.m3u")), QByteArray("#EXTM3U\r\n"));
    QCOMPARE(readAll(folder + QStringLiteral("notes.txt")), QByteArray("not a playlist"));
    QCOMPARE(readAll(root() + Constants::phonePlaylistHintFile()), QByteArray("New.m3u\nOld.m3u\n"));

    // The playlist comes back in a later sync: written again, not emptied.
    Track track = makeTrack(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("1.mp3"));
    track.setDeviceId(QStringLiteral("/Music/A/B/1.mp3"));
    TrackList tracks;
    Playlist old;
    old.mName = QStringLiteral("Old");
    old.mEntries = {PlaylistEntry(tracks.addTrack(track), 0)};
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    device.PrepareForSync();
    device.createPlaylist(old, tracks, false);
    device.removeOldPlaylists();
    QCOMPARE(readAll(folder + QStringLiteral("Old.m3u")),
             QByteArray("#EXTM3U\r\n#EXTINF:0,Song\r\n/Music/A/B/1.mp3\r\n"));
    QCOMPARE(readAll(folder + QStringLiteral("New.m3u")), QByteArray("#EXTM3U\r\n"));
}

void TestUsbMSDevice::albumArtAndRefreshHint()
{
    const QString image = mLocal->filePath(QStringLiteral("cover.jpg"));
    QVERIFY(writeFile(image, QByteArray("JPEG")));
    Track track = makeTrack(QStringLiteral("AC/DC"), QStringLiteral("Back"), QStringLiteral("1.mp3"));
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    QCOMPARE(device.UploadTrack(track), 0);

    device.uploadAlbumArt(track, image);
    const QString art = root() + QStringLiteral("Music/AC_DC/Back/AlbumArt.jpg");
    QCOMPARE(readAll(art), QByteArray("JPEG"));
    // Art already there stays and still counts as sent.
    QVERIFY(writeFile(image, QByteArray("NEWER")));
    device.uploadAlbumArt(track, image);
    QCOMPARE(readAll(art), QByteArray("JPEG"));
    QCOMPARE(readAll(root() + Constants::phoneRefreshHintFile()),
             QByteArray("/Music/AC_DC/Back/1.mp3\r\n/Music/AC_DC/Back/1.mp3\r\n"));

    // A missing image sends nothing and hints nothing.
    Track other = makeTrack(QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("2.mp3"));
    device.uploadAlbumArt(other, mLocal->filePath(QStringLiteral("none.jpg")));
    QVERIFY(!QFile::exists(root() + QStringLiteral("Music/X/Y/AlbumArt.jpg")));
    QCOMPARE(readAll(root() + Constants::phoneRefreshHintFile()).count('\n'), 2);
}

void TestUsbMSDevice::pcVersionReplacesTheFile()
{
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);
    device.setPcSoftwareVersion(QStringLiteral("123456"));
    device.setPcSoftwareVersion(QStringLiteral("123"));
    QCOMPARE(readAll(root() + Constants::phonePcVersionFile()), QByteArray("123"));

    // No "KORVA" folder: nothing is written and nothing fails.
    QVERIFY(QDir(root() + QStringLiteral("KORVA")).removeRecursively());
    device.setPcSoftwareVersion(QStringLiteral("123"));
    QVERIFY(!QFile::exists(root() + Constants::phonePcVersionFile()));
}

void TestUsbMSDevice::copyFileOverwriteOrKeep()
{
    const QString local = mLocal->filePath(QStringLiteral("address.xml"));
    QVERIFY(writeFile(local, QByteArray("<new/>")));
    UsbMSDevice device(mDrive->path(), QStringLiteral("Phone"), true);

    QCOMPARE(device.copyFile(local, QStringLiteral("DCIM/Camera/a/b.xml"), false), 0);
    QCOMPARE(readAll(root() + QStringLiteral("DCIM/Camera/a/b.xml")), QByteArray("<new/>"));

    QVERIFY(writeFile(root() + QStringLiteral("KORVA/address.xml"), QByteArray("<old/>")));
    QCOMPARE(device.copyFile(local, QStringLiteral("KORVA/address.xml"), false), 0);
    QCOMPARE(readAll(root() + QStringLiteral("KORVA/address.xml")), QByteArray("<old/>"));
    QCOMPARE(device.copyFile(local, QStringLiteral("KORVA/address.xml"), true), 0);
    QCOMPARE(readAll(root() + QStringLiteral("KORVA/address.xml")), QByteArray("<new/>"));

    // Listing names files only; removing takes one file and leaves the rest.
    QStringList names = device.fileNamesIn(QStringLiteral("DCIM/Camera/a"));
    QCOMPARE(names, QStringList{"b.xml"});
    QVERIFY(device.fileNamesIn(QStringLiteral("DCIM/Camera")).isEmpty());
    QCOMPARE(device.removeFile(QStringLiteral("DCIM/Camera/a/b.xml")), 0);
    QVERIFY(!QFile::exists(root() + QStringLiteral("DCIM/Camera/a/b.xml")));
    QVERIFY(device.removeFile(QStringLiteral("DCIM/Camera/a/b.xml")) != 0);
}

QTEST_GUILESS_MAIN(TestUsbMSDevice)
#include "tst_UsbMSDevice.moc"
