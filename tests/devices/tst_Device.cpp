// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The logic every kind of phone shares: folder names, device ids, the M3U
// writer and the comparison with an existing playlist, the configured test.
#include "devices/Device.h"
#include "devices/UsbMSDevice.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/TrackList.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

Track makeTrack(const QString& name, const QString& deviceId, int duration)
{
    Track track;
    track.setTrackName(name);
    track.setDeviceId(deviceId);
    track.setDuration(duration);
    return track;
}

// A device whose only knowledge of its phone is a fixed id.
class IdOnlyDevice : public UsbMSDevice
{
public:
    IdOnlyDevice(const QString& root, const QString& id) : UsbMSDevice(root, QStringLiteral("Test"), false), mId(id) {}
    QString UniqueDeviceId() override { return mId; }
    void setVersion(int version, int pixels)
    {
        mAndroidVersion = version;
        mScreenPixels = pixels;
    }
    void parseDeviceInfo(const QByteArray& bytes) { readDeviceInfo(bytes); }

private:
    QString mId;
};

} // namespace

class TestDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanFolderNameReplacesForbiddenCharacters_data();
    void cleanFolderNameReplacesForbiddenCharacters();
    void remoteFolderNames_data();
    void remoteFolderNames();
    void remoteFilePath_data();
    void remoteFilePath();
    void splitPathDropsEmptyParts();
    void sharedWriterWritesExtendedM3u();
    void sharedWriterSkipsEntriesOutsideTheTrackList();
    void identicalPlaylist_data();
    void identicalPlaylist();
    void identicalPlaylistOfAMissingFileIsFalse();
    void writtenPlaylistIsIdenticalToItself();
    void configuredFollowsTheSettingsFile();
    void highestAndroidVersion();
    void deviceInfo_data();
    void deviceInfo();

private:
    QTemporaryDir mHome;
    QTemporaryDir mDrive;
};

void TestDevice::initTestCase()
{
    QVERIFY(mHome.isValid());
    QVERIFY(mDrive.isValid());
    qputenv("HOME", mHome.path().toUtf8());
}

void TestDevice::cleanFolderNameReplacesForbiddenCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("replaceDots");
    QTest::addColumn<QString>("expected");
    QTest::newRow("AC/DC") << "AC/DC" << true << "AC_DC";
    QTest::newRow("colon and final dot") << "Live: 1992." << true << "Live_ 1992_";
    QTest::newRow("dots kept") << "Vol. 2..." << false << "Vol. 2...";
    QTest::newRow("trimmed after replacing") << "  Hello ? " << true << "Hello _";
    QTest::newRow("every forbidden character")
        << QStringLiteral("[](){}'\\^/?<>,&:*|;@!$#%\"") + QChar(0x2019) << false << QString(26, QLatin1Char('_'));
    QTest::newRow("letters beyond ASCII stay") << QStringLiteral("Sigur R\u00f3s \u00c1g\u00e6tis") << true
                                               << QStringLiteral("Sigur R\u00f3s \u00c1g\u00e6tis");
    QTest::newRow("only blanks") << "   " << true << "";
}

void TestDevice::cleanFolderNameReplacesForbiddenCharacters()
{
    QFETCH(QString, text);
    QFETCH(bool, replaceDots);
    QFETCH(QString, expected);
    QCOMPARE(cleanFolderName(text, replaceDots), expected);
}

void TestDevice::remoteFolderNames_data()
{
    QTest::addColumn<QString>("artistTag");
    QTest::addColumn<QString>("albumTag");
    QTest::addColumn<bool>("compilation");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::newRow("plain") << "Abba"
                           << "Gold" << false << "/m/Abba/Gold/01.mp3"
                           << "Abba"
                           << "Gold";
    QTest::newRow("AC/DC, Live: 1992.") << "AC/DC"
                                        << "Live: 1992." << false << "/m/x/y/1.mp3"
                                        << "AC_DC"
                                        << "Live_ 1992_";
    QTest::newRow("compilation") << "Various"
                                 << "Hits" << true << "/m/x/y/1.mp3"
                                 << "Compilation"
                                 << "Hits";
    QTest::newRow("podcast") << "Host"
                             << "Show" << false << "/home/u/Podcasts/Show/ep.mp3"
                             << "Podcasts"
                             << "Show";
    QTest::newRow("podcast any case") << "Host"
                                      << "Show" << false << "/home/u/PODCASTS/Show/ep.mp3"
                                      << "Podcasts"
                                      << "Show";
    QTest::newRow("podcast beats compilation") << ""
                                               << "Show" << true << "/p/podcasts/Show/ep.mp3"
                                               << "Podcasts"
                                               << "Show";
    QTest::newRow("Podcasts folder itself holds the file") << "Host"
                                                           << "Show" << false << "/home/u/Podcasts/ep.mp3"
                                                           << "Host"
                                                           << "Show";
    QTest::newRow("empty tags") << ""
                                << "" << false << "/m/1.mp3"
                                << "Unknown"
                                << "Unknown";
    QTest::newRow("blank tags") << "   "
                                << " \t " << false << "/m/1.mp3"
                                << "Unknown"
                                << "Unknown";
    QTest::newRow("only dots") << "..."
                               << "." << false << "/m/1.mp3"
                               << "___"
                               << "_";
    QTest::newRow("long names cut") << QString(300, QLatin1Char('a')) << QString(256, QLatin1Char('b')) << false
                                    << "/m/1.mp3" << QString(255, QLatin1Char('a')) << QString(255, QLatin1Char('b'));
}

void TestDevice::remoteFolderNames()
{
    QFETCH(QString, artistTag);
    QFETCH(QString, albumTag);
    QFETCH(bool, compilation);
    QFETCH(QString, path);
    Track track;
    track.setArtistName(artistTag);
    track.setAlbumName(albumTag);
    track.setCompilation(compilation);
    track.setPath(path);
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    QString artist;
    QString album;
    device.remoteFolderNames(track, artist, album);
    QTEST(artist, "artist");
    QTEST(album, "album");
}

void TestDevice::remoteFilePath_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");
    QTest::newRow("from the root") << "/Music/A/B/1.mp3"
                                   << "/Music/A/B/1.mp3";
    QTest::newRow("bare file name") << "messages.xml"
                                    << "/KORVA/messages.xml";
    QTest::newRow("relative with dot") << "./x.mp3"
                                       << "./x.mp3";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDevice::remoteFilePath()
{
    QFETCH(QString, id);
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    QTEST(device.remoteFilePath(id), "expected");
}

void TestDevice::splitPathDropsEmptyParts()
{
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    QCOMPARE(device.splitPath(QStringLiteral("//Music/AC_DC//Live/")),
             (QStringList{QStringLiteral("Music"), QStringLiteral("AC_DC"), QStringLiteral("Live")}));
    QVERIFY(device.splitPath(QStringLiteral("/")).isEmpty());
}

void TestDevice::sharedWriterWritesExtendedM3u()
{
    TrackList tracks;
    const int first = tracks.addTrack(makeTrack(QStringLiteral("Caf\u00e9"), QStringLiteral("/Music/A/B/1.mp3"), 215));
    const int second = tracks.addTrack(makeTrack(QStringLiteral("Two"), QStringLiteral("note.mp3"), 0));
    Playlist playlist;
    playlist.mName = QStringLiteral("Mix");
    playlist.mEntries = {PlaylistEntry(second, 0), PlaylistEntry(first, 0)};
    const QString path = mDrive.filePath(QStringLiteral("local.m3u"));
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    QCOMPARE(device.createPlaylist(playlist, tracks, path), 0);
    QCOMPARE(readAll(path), QByteArray("#EXTM3U\r\n"
                                       "#EXTINF:0,Two\r\n"
                                       "../KORVA/note.mp3\r\n"
                                       "#EXTINF:215,Caf\xc3\xa9\r\n"
                                       "../Music/A/B/1.mp3\r\n"));

    // An empty playlist is the header alone; an unwritable path still answers 0.
    QCOMPARE(device.createPlaylist(Playlist(), tracks, path), 0);
    QCOMPARE(readAll(path), QByteArray("#EXTM3U\r\n"));
    QCOMPARE(device.createPlaylist(playlist, tracks, mDrive.filePath(QStringLiteral("no/such/dir/x.m3u"))), 0);
}

void TestDevice::sharedWriterSkipsEntriesOutsideTheTrackList()
{
    TrackList tracks;
    const int only = tracks.addTrack(makeTrack(QStringLiteral("One"), QStringLiteral("/Music/1.mp3"), 1));
    // A track that was not copied has no place on the phone.
    const int notCopied = tracks.addTrack(makeTrack(QStringLiteral("Left out"), QString(), 2));
    Playlist playlist;
    playlist.mEntries = {PlaylistEntry(-1, 0), PlaylistEntry(notCopied, 0), PlaylistEntry(only, 0),
                         PlaylistEntry(7, 0)};
    const QString path = mDrive.filePath(QStringLiteral("skip.m3u"));
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    device.createPlaylist(playlist, tracks, path);
    QCOMPARE(readAll(path), QByteArray("#EXTM3U\r\n#EXTINF:1,One\r\n../Music/1.mp3\r\n"));
    QVERIFY(device.identicalPlaylistAlreadyExists(path, playlist, tracks));
}

void TestDevice::identicalPlaylist_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("trackCount");
    QTest::addColumn<bool>("identical");
    const QByteArray one = "#EXTINF:10,One\r\n../Music/1.mp3\r\n";
    const QByteArray two = "#EXTINF:20,Two\r\n../Music/2.mp3\r\n";
    QTest::newRow("same two tracks") << "#EXTM3U\r\n" + one + two << 2 << true;
    QTest::newRow("titles and durations do not count")
        << QByteArray("#EXTM3U\r\n#EXTINF:99,Other\r\n../Music/1.mp3\r\n#EXTINF:1,x\r\n../Music/2.mp3\r\n") << 2
        << true;
    QTest::newRow("one track more on the phone") << "#EXTM3U\r\n" + one + two + one << 2 << false;
    QTest::newRow("one track fewer on the phone") << "#EXTM3U\r\n" + one << 2 << false;
    QTest::newRow("order differs") << "#EXTM3U\r\n" + two + one << 2 << false;
    QTest::newRow("path case differs") << QByteArray("#EXTM3U\r\n#EXTINF:10,One\r\n../music/1.mp3\r\n") + two << 2
                                       << false;
    QTest::newRow("LF line ends") << QByteArray("#EXTM3U\n#EXTINF:10,One\n../Music/1.mp3\n") << 1 << false;
    QTest::newRow("no line end after the last path")
        << "#EXTM3U\r\n" + one + "#EXTINF:20,Two\r\n../Music/2.mp3" << 2 << true;
    QTest::newRow("empty playlist, header only") << QByteArray("#EXTM3U\r\n") << 0 << true;
    QTest::newRow("empty playlist, header and empty line") << QByteArray("#EXTM3U\r\n\r\n") << 0 << true;
    QTest::newRow("empty playlist, one track on the phone") << "#EXTM3U\r\n" + one << 0 << false;
    QTest::newRow("empty file, empty playlist") << QByteArray() << 0 << true;
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe\r\n\x01\x02", 8) << 2 << false;
    QTest::newRow("one very long line") << QByteArray(200 * 1024, 'x') << 1 << false;
}

void TestDevice::identicalPlaylist()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, trackCount);
    TrackList tracks;
    Playlist playlist;
    for (int i = 1; i <= trackCount; ++i) {
        const int index = tracks.addTrack(makeTrack(QString::number(i), QStringLiteral("/Music/%1.mp3").arg(i), i));
        playlist.mEntries.append(PlaylistEntry(index, 0));
    }
    const QString path = mDrive.filePath(QStringLiteral("existing.m3u"));
    writeFile(path, contents);
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    QTEST(device.identicalPlaylistAlreadyExists(path, playlist, tracks), "identical");
}

void TestDevice::identicalPlaylistOfAMissingFileIsFalse()
{
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    QVERIFY(
        !device.identicalPlaylistAlreadyExists(mDrive.filePath(QStringLiteral("absent.m3u")), Playlist(), TrackList()));
}

void TestDevice::writtenPlaylistIsIdenticalToItself()
{
    TrackList tracks;
    Playlist playlist;
    const QStringList ids = {QStringLiteral("/Music/\u00c9t\u00e9/A/1.mp3"), QStringLiteral("bare.mp3"),
                             QStringLiteral("/Music/x/y/with,comma #1.mp3")};
    for (const QString& id : ids)
        playlist.mEntries.append(PlaylistEntry(tracks.addTrack(makeTrack(id, id, 3)), 0));
    const QString path = mDrive.filePath(QStringLiteral("roundtrip.m3u"));
    UsbMSDevice device(mDrive.path(), QStringLiteral("Test"), false);
    device.createPlaylist(playlist, tracks, path);
    QVERIFY(device.identicalPlaylistAlreadyExists(path, playlist, tracks));
    tracks.track(1).setDeviceId(QStringLiteral("/Music/moved.mp3"));
    QVERIFY(!device.identicalPlaylistAlreadyExists(path, playlist, tracks));
}

void TestDevice::configuredFollowsTheSettingsFile()
{
    QFile::remove(SyncSettings::filePath());
    IdOnlyDevice first(mDrive.path(), QStringLiteral("first-id"));
    IdOnlyDevice second(mDrive.path(), QStringLiteral("second-id"));
    SettingsStore store;
    // No settings file at all.
    QVERIFY(store.reload() != 0);
    QVERIFY(!first.IsConfigured(store));
    QCOMPARE(first.configuredOrder(store), -1);

    store.change(
        [](SyncSettings& s) { s.setConfig(QStringLiteral("first-id"), true, 0, {}, {}, QStringLiteral("One")); });
    QVERIFY(first.IsConfigured(store));
    QVERIFY(!second.IsConfigured(store));
    QCOMPARE(second.configuredOrder(store), -1);
    QVERIFY(first.configuredOrder(store) > 0);

    // The phone configured last stands later, also before the file is read again.
    store.change(
        [](SyncSettings& s) { s.setConfig(QStringLiteral("second-id"), false, 0, {}, {}, QStringLiteral("Two")); });
    QVERIFY(second.IsConfigured(store));
    QVERIFY(second.configuredOrder(store) > first.configuredOrder(store));
    // Set up again, the first phone is now the most recent one.
    store.change(
        [](SyncSettings& s) { s.setConfig(QStringLiteral("first-id"), true, 0, {}, {}, QStringLiteral("One")); });
    QVERIFY(first.configuredOrder(store) > second.configuredOrder(store));
    QCOMPARE(store.reload(), 0);
    QVERIFY(first.configuredOrder(store) > second.configuredOrder(store));

    // A damaged settings file makes no phone configured and crashes nothing.
    writeFile(SyncSettings::filePath(), QByteArray("<settings><device><id>first-id"));
    store.reload();
    QVERIFY(!first.IsConfigured(store));
    QCOMPARE(first.configuredOrder(store), -1);
    QFile::remove(SyncSettings::filePath());
}

void TestDevice::highestAndroidVersion()
{
    IdOnlyDevice a(mDrive.path(), QStringLiteral("a"));
    IdOnlyDevice b(mDrive.path(), QStringLiteral("b"));
    IdOnlyDevice c(mDrive.path(), QStringLiteral("c"));
    DeviceParentMs parent(QStringLiteral("Phone"));
    parent.addChild(&a);
    parent.addChild(&b);
    parent.addChild(&c);

    int pixels = 12345;
    QCOMPARE(parent.highestAndroidVersion(pixels), -1);
    QCOMPARE(pixels, 12345);

    a.setVersion(4, 100);
    b.setVersion(7, 200);
    c.setVersion(7, 300);
    QCOMPARE(parent.highestAndroidVersion(pixels), 7);
    QCOMPARE(pixels, 200); // the first of equal children wins

    DeviceParentMs empty(QStringLiteral("Empty"));
    pixels = 5;
    QCOMPARE(empty.highestAndroidVersion(pixels), -1);
    QCOMPARE(pixels, 5);
}

void TestDevice::deviceInfo_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("pixels");
    QTest::newRow("both") << QByteArray("<device version=\"10\" screen_pixels=\"384000\"/>") << 10 << 384000;
    QTest::newRow("no version") << QByteArray("<device screen_pixels=\"1\"/>") << 0 << 1;
    QTest::newRow("version not a number") << QByteArray("<d version=\"ten\" screen_pixels=\"x\"/>") << 0 << -1;
    QTest::newRow("empty file") << QByteArray() << -1 << -1;
    QTest::newRow("not XML") << QByteArray("garbage \x01\x02") << 0 << -1;
    QTest::newRow("negative and huge") << QByteArray("<d version=\"-3\" screen_pixels=\"99999999999\"/>") << -3 << -1;
}

void TestDevice::deviceInfo()
{
    QFETCH(QByteArray, contents);
    IdOnlyDevice device(mDrive.path(), QStringLiteral("x"));
    device.parseDeviceInfo(contents);
    QTEST(device.androidVersion(), "version");
    QTEST(device.screenPixels(), "pixels");
}

QTEST_GUILESS_MAIN(TestDevice)
#include "tst_Device.moc"
