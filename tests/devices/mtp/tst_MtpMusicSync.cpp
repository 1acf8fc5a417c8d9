// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "settings/SettingsStore.h"
#include "support/EmulatedMtpPhone.h"
#include "support/PhoneContents.h"
#include "support/SyncMedia.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"
#include "sync/SyncState.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace SyncState;

// Whole sync runs against an MTP phone on the emulation.
class tst_MtpMusicSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tracksAndPlaylistArriveOnPhone();
    void failedUploadsAreListed();

private:
    QList<Track> addMix(SyncTestHome& env, SyncTestLibrary& library, const QStringList& names);
    QTemporaryDir mMedia;
    QString mSilence;
};

void tst_MtpMusicSync::initTestCase()
{
    QVERIFY(mMedia.isValid());
    mSilence = mMedia.filePath(QStringLiteral("silence.mp3"));
    QVERIFY(SyncMedia::makeSilence(mSilence));
}

QList<Track> tst_MtpMusicSync::addMix(SyncTestHome& env, SyncTestLibrary& library, const QStringList& names)
{
    QList<Track> tracks;
    int number = 1;
    for (const QString& name : names) {
        const QString path = env.inputFolder() + QLatin1Char('/') + name + QStringLiteral(".mp3");
        QFile::copy(mSilence, path);
        tracks.append(SyncMedia::track(path, name, QStringLiteral("Album"), QStringLiteral("Artist"), number++));
    }
    library.addPlaylist(QStringLiteral("Mix"), tracks);
    return tracks;
}

void tst_MtpMusicSync::tracksAndPlaylistArriveOnPhone()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One", "Two"});
    EmulatedMtpPhone phone;
    QVERIFY(phone.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId));
    QVERIFY(phone.open());
    SettingsStore settings;
    settings.reload();
    QVERIFY(phone.device()->IsConfigured(settings));

    {
        MusicSync sync(&library, phone.device(), phone.parent());
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
        QVERIFY(sync.GetNonCopiedTracks().isEmpty());
    }
    QFile silence(mSilence);
    QVERIFY(silence.open(QIODevice::ReadOnly));
    const QByteArray audio = silence.readAll();
    QCOMPARE(phone.read(QStringLiteral("Music/Artist/Album/One.mp3")), audio);
    QCOMPARE(phone.read(QStringLiteral("Music/Artist/Album/Two.mp3")), audio);
    const QByteArray playlist = phone.read(QStringLiteral("Playlists_QNL/Mix.m3u"));
    QVERIFY2(playlist.contains("../Music/Artist/Album/One.mp3\r\n"), playlist.constData());
    QVERIFY(playlist.contains("../Music/Artist/Album/Two.mp3\r\n"));
    QCOMPARE(phone.read(Constants::phoneSyncCompleteFile()), QByteArray("sync-complete"));

    // The cache remembers the phone paths; a second sync copies nothing.
    TrackCache cache;
    QCOMPARE(cache.openFile(PhoneContents::cacheFileOf(QString::fromLatin1(SyncTestHome::kPhoneId))), 0);
    TrackList cached;
    QCOMPARE(cache.updateTrackList(cached, -1), 0);
    QCOMPARE(cached.count(), 2);
    QVERIFY(cached.track(0).deviceId().startsWith(QStringLiteral("/Music/Artist/Album/")));
    cache.close();
    const int sends = phone.emulation().sendCount(phone.pnpId());
    {
        MusicSync again(&library, phone.device(), phone.parent());
        SyncRun run(again);
        QVERIFY(run.run());
        QCOMPARE(run.states().last(), int(StateComplete));
    }
    // Only the sync marker is sent again; the identical playlist is not.
    QCOMPARE(phone.emulation().sendCount(phone.pnpId()), sends + 1);
    QCOMPARE(phone.list(QStringLiteral("Music/Artist/Album")), (QStringList{"Two.mp3", "One.mp3"}));
}

void tst_MtpMusicSync::failedUploadsAreListed()
{
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    SyncTestLibrary library;
    addMix(env, library, {"One"});
    EmulatedMtpPhone phone;
    QVERIFY(phone.put(Constants::phoneUniqueIdFile(), SyncTestHome::kPhoneId));
    QVERIFY(phone.open());
    phone.emulation().failNextSends(phone.pnpId(), 6, true);
    {
        MusicSync sync(&library, phone.device(), phone.parent());
        SyncRun run(sync);
        QVERIFY(run.run());
        QCOMPARE(sync.GetNonCopiedTracks().size(), 1);
        QCOMPARE(sync.outcome().lastUploadError, int(DeviceMtpMac::kErrorCopyFailed));
    }
    // No half-sent track is left on the phone.
    QVERIFY(!phone.exists(QStringLiteral("Music/Artist/Album/One.mp3")));
}

QTEST_GUILESS_MAIN(tst_MtpMusicSync)
#include "tst_MtpMusicSync.moc"
