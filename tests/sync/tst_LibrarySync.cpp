// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "model/library/MusicFolderLibrary.h"
#include "support/EmulatedMtpPhone.h"
#include "support/LibraryMedia.h"
#include "support/SyncMedia.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "sync/MusicSync.h"
#include "sync/SyncState.h"

#include <QDirIterator>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using LibraryMedia::Tags;
using namespace SyncState;

// A real library of twenty tracks in two playlists and a podcast, synced to a
// USB phone folder and to an emulated MTP phone.
class tst_LibrarySync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void usbPhoneGetsTracksPlaylistsAndArt();
    void mtpPhoneGetsTracksPlaylistsAndArt();

private:
    QString music(const QString& relative) const { return mHome->inputFolder() + QStringLiteral("/Music/") + relative; }
    // Scans the library built by init; false when the scan did not end.
    bool scanLibrary();
    // Path lines of an M3U file, without the leading "..".
    static QStringList playlistPaths(const QByteArray& m3u);

    QTemporaryDir mMedia;
    QString mMp3;
    QString mM4a;
    QString mFlac;
    std::unique_ptr<SyncTestHome> mHome;
    std::unique_ptr<MusicFolderLibrary> mLibrary;
};

void tst_LibrarySync::initTestCase()
{
    QVERIFY(mMedia.isValid());
    const QString cover = mMedia.filePath(QStringLiteral("cover.jpg"));
    QVERIFY(LibraryMedia::makeCover(cover, Qt::darkGreen, 500));
    mMp3 = mMedia.filePath(QStringLiteral("base.mp3"));
    mM4a = mMedia.filePath(QStringLiteral("base.m4a"));
    mFlac = mMedia.filePath(QStringLiteral("base.flac"));
    QVERIFY(LibraryMedia::makeTrack(mMp3, Tags{}, cover));
    QVERIFY(LibraryMedia::makeTrack(mM4a, Tags{}));
    QVERIFY(LibraryMedia::makeTrack(mFlac, Tags{}));
}

void tst_LibrarySync::init()
{
    mHome = std::make_unique<SyncTestHome>();
    QVERIFY(mHome->isValid());
    // Ten MP3s with their cover inside, six AAC tracks with a cover beside them, four FLACs without.
    QByteArray road = "#EXTM3U\r\n";
    QByteArray quiet = "[playlist]\r\n";
    for (int i = 1; i <= 10; ++i) {
        const QString name = QStringLiteral("A%1").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(LibraryMedia::copyWithTags(mMp3, music(QStringLiteral("Band A/First/") + name + QStringLiteral(".mp3")),
                                           Tags{name, "First", "Band A", {}, i}));
        road += "../Band A/First/" + name.toUtf8() + ".mp3\r\n";
    }
    for (int i = 1; i <= 6; ++i) {
        const QString name = QStringLiteral("B%1").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(LibraryMedia::copyWithTags(mM4a,
                                           music(QStringLiteral("Band B/Second/") + name + QStringLiteral(".m4a")),
                                           Tags{name, "Second", "Band B", {}, i}));
        quiet += "File" + QByteArray::number(i) + "=Band B/Second/" + name.toUtf8() + ".m4a\r\n";
        if (i <= 2)
            road += music(QStringLiteral("Band B/Second/") + name + QStringLiteral(".m4a")).toUtf8() + "\r\n";
    }
    QVERIFY(LibraryMedia::makeCover(music(QStringLiteral("Band B/Second/cover.jpg")), Qt::yellow, 120));
    for (int i = 1; i <= 4; ++i) {
        const QString name = QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(LibraryMedia::copyWithTags(mFlac,
                                           music(QStringLiteral("Band C/Third/") + name + QStringLiteral(".flac")),
                                           Tags{name, "Third", "Band C", {}, i}));
        quiet += "File" + QByteArray::number(6 + i) + "=Band C/Third/" + name.toUtf8() + ".flac\r\n";
    }
    road += "../Band A/First/deleted long ago.mp3\r\n";
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Playlists/Road.m3u")), road));
    QVERIFY(LibraryMedia::writeText(music(QStringLiteral("Quiet.pls")), quiet));

    const QString show = mHome->inputFolder() + QStringLiteral("/gPodder/Downloads/Show/");
    for (int month = 1; month <= 3; ++month)
        QVERIFY(LibraryMedia::copyWithTags(mMp3, show + QStringLiteral("ep%1.mp3").arg(month),
                                           Tags{QStringLiteral("Episode %1").arg(month),
                                                "Show",
                                                "Host",
                                                {},
                                                0,
                                                QStringLiteral("2024-0%1-01").arg(month)}));

    mHome->configurePhone({QStringLiteral("Road"), QStringLiteral("Quiet")}, 2, {QStringLiteral("Show")});
    mHome->editSettings([](SyncSettings& settings, const QString& id) {
        settings.setConvertAacToMp3(id, true);
        settings.setEnableArtworkSync(id, true);
        settings.setNumberOfEpisodesToSync(id, 2);
    });
    mLibrary = std::make_unique<MusicFolderLibrary>(mHome->inputFolder() + QStringLiteral("/Music"),
                                                    mHome->inputFolder() + QStringLiteral("/gPodder/Downloads"),
                                                    mHome->programFolder() + QStringLiteral("/library.db"));
}

void tst_LibrarySync::cleanup()
{
    mLibrary.reset();
    mHome.reset();
}

bool tst_LibrarySync::scanLibrary()
{
    QSignalSpy finished(mLibrary.get(), &MusicFolderLibrary::scanFinished);
    mLibrary->rescan();
    return finished.wait(60000) && mLibrary->lastScan().read == 25;
}

QStringList tst_LibrarySync::playlistPaths(const QByteArray& m3u)
{
    QStringList paths;
    for (const QByteArray& line : m3u.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.isEmpty() && !text.startsWith(QLatin1Char('#')))
            paths.append(text.startsWith(QLatin1String("..")) ? text.mid(2) : text);
    }
    return paths;
}

void tst_LibrarySync::usbPhoneGetsTracksPlaylistsAndArt()
{
    QVERIFY(scanLibrary());
    UsbMSDevice phone(mHome->phoneRoot(), QStringLiteral("phone"), true);
    {
        MusicSync sync(mLibrary.get(), &phone, nullptr);
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QVERIFY(sync.GetNonCopiedTracks().isEmpty());
        QVERIFY(run.stateCount(StateCopying) >= 1);
    }

    const QString musicRoot = mHome->phoneFile(Constants::phoneMusicFolder());
    QHash<QString, QDateTime> copied;
    QDirIterator it(musicRoot, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(Constants::albumArtFileName()))
            copied.insert(path.mid(musicRoot.size() + 1), it.fileInfo().lastModified());
    }
    // Twenty tracks and the two most recent episodes; AAC arrives as MP3, FLAC as it is.
    QCOMPARE(copied.size(), 22);
    int mp3FromAac = 0;
    int flac = 0;
    for (auto file = copied.constBegin(); file != copied.constEnd(); ++file) {
        QVERIFY2(!file.key().endsWith(QLatin1String(".m4a")), qPrintable(file.key()));
        if (file.key().startsWith(QLatin1String("Band B/Second/"))) {
            QVERIFY(file.key().endsWith(QLatin1String(".mp3")));
            QVERIFY(
                SyncMedia::probe(musicRoot + QLatin1Char('/') + file.key()).contains(QLatin1String("codec_name=mp3")));
            ++mp3FromAac;
        }
        if (file.key().endsWith(QLatin1String(".flac")))
            ++flac;
    }
    QCOMPARE(mp3FromAac, 6);
    QCOMPARE(flac, 4);
    // The embedded cover and the cover beside the tracks, small; no art where there is none.
    const QImage embedded(musicRoot + QStringLiteral("/Band A/First/") + Constants::albumArtFileName());
    QCOMPARE(embedded.size(), QSize(300, 300));
    QVERIFY(qGreen(embedded.pixel(150, 150)) > 90 && qRed(embedded.pixel(150, 150)) < 40);
    const QImage beside(musicRoot + QStringLiteral("/Band B/Second/") + Constants::albumArtFileName());
    QVERIFY(!beside.isNull());
    QVERIFY(qRed(beside.pixel(10, 10)) > 200 && qGreen(beside.pixel(10, 10)) > 200 && qBlue(beside.pixel(10, 10)) < 60);
    QVERIFY(!QFile::exists(musicRoot + QStringLiteral("/Band C/Third/") + Constants::albumArtFileName()));
    // The exports of the library are gone again.
    QCOMPARE(QDir(mHome->programFolder()).entryList({QStringLiteral("LibraryArtwork.*")}, QDir::Files), QStringList());

    const QHash<QString, int> expectedLines{
        {QStringLiteral("Road"), 12}, {QStringLiteral("Quiet"), 10}, {QStringLiteral("Show"), 2}};
    for (auto list = expectedLines.constBegin(); list != expectedLines.constEnd(); ++list) {
        QFile playlist(mHome->phoneFile(QStringLiteral("Playlists_QNL/") + list.key() + QStringLiteral(".m3u")));
        QVERIFY2(playlist.open(QIODevice::ReadOnly), qPrintable(list.key()));
        const QStringList paths = playlistPaths(playlist.readAll());
        QCOMPARE(paths.size(), list.value());
        for (QString path : paths) {
            path.replace(QLatin1Char('\\'), QLatin1Char('/'));
            QVERIFY2(QFile::exists(mHome->phoneRoot() + path), qPrintable(path));
        }
    }

    // Nothing new: the second sync copies nothing and leaves every file alone.
    QVERIFY(scanLibrary() || mLibrary->lastScan().read == 0);
    {
        MusicSync again(mLibrary.get(), &phone, nullptr);
        SyncRun run(again);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QCOMPARE(run.stateCount(StateCopying), 0);
    }
    for (auto file = copied.constBegin(); file != copied.constEnd(); ++file)
        QCOMPARE(QFileInfo(musicRoot + QLatin1Char('/') + file.key()).lastModified(), file.value());
}

void tst_LibrarySync::mtpPhoneGetsTracksPlaylistsAndArt()
{
    QVERIFY(scanLibrary());
    EmulatedMtpPhone phone;
    QVERIFY(phone.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId));
    QVERIFY(phone.open());
    {
        MusicSync sync(mLibrary.get(), phone.device(), phone.parent());
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QVERIFY(sync.GetNonCopiedTracks().isEmpty());
    }
    const QStringList second = phone.list(QStringLiteral("Music/Band B/Second"));
    QCOMPARE(second.filter(QStringLiteral(".mp3")).size(), 6);
    QVERIFY(second.contains(Constants::phoneAlbumArtFileName()));
    QVERIFY(phone.list(QStringLiteral("Music/Band A/First")).contains(Constants::phoneAlbumArtFileName()));
    QCOMPARE(phone.list(QStringLiteral("Music/Band C/Third")).filter(QStringLiteral(".flac")).size(), 4);
    QCOMPARE(phone.list(QStringLiteral("Music/Band A/First")).filter(QStringLiteral(".mp3")).size(), 10);
    const QImage art =
        QImage::fromData(phone.read(QStringLiteral("Music/Band A/First/") + Constants::phoneAlbumArtFileName()));
    QCOMPARE(art.size(), QSize(300, 300));

    const QStringList road = playlistPaths(phone.read(QStringLiteral("Playlists_QNL/Road.m3u")));
    QCOMPARE(road.size(), 12);
    for (const QString& path : road)
        QVERIFY2(phone.exists(path.mid(1)), qPrintable(path));
    QCOMPARE(playlistPaths(phone.read(QStringLiteral("Playlists_QNL/Quiet.m3u"))).size(), 10);
    const QStringList show = playlistPaths(phone.read(QStringLiteral("Playlists_QNL/Show.m3u")));
    QCOMPARE(show.size(), 2);
    QVERIFY(show.first().endsWith(QLatin1String("ep3.mp3")) || show.first().contains(QLatin1String("Episode 3")));

    // The second sync sends only its completion marker.
    const int sends = phone.emulation().sendCount(phone.pnpId());
    {
        MusicSync again(mLibrary.get(), phone.device(), phone.parent());
        SyncRun run(again);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QCOMPARE(run.stateCount(StateCopying), 0);
    }
    QCOMPARE(phone.emulation().sendCount(phone.pnpId()), sends + 1);
}

QTEST_GUILESS_MAIN(tst_LibrarySync)
#include "tst_LibrarySync.moc"
