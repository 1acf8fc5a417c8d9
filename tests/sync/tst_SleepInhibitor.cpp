// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncDbusMock.h"
#include "support/SyncMedia.h"
#include "support/SyncRecordingDevice.h"
#include "support/SyncRun.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"
#include "sync/SleepInhibitor.h"
#include "sync/SyncState.h"

#include <QtTest>

class tst_SleepInhibitor : public QObject
{
    Q_OBJECT

private slots:
    void lockHeldUntilReleased();
    void noBusCarriesOn();
    void syncRunHoldsLockWhileItRuns();
};

void tst_SleepInhibitor::lockHeldUntilReleased()
{
    SyncDbusMock logind;
    if (!logind.isRunning())
        QSKIP("dbus-daemon with python3-dbusmock is not available (scripts/install-deps.sh installs them)");
    QCOMPARE(logind.inhibitors(), QStringList());
    {
        SleepInhibitor inhibitor(logind.connection());
        QVERIFY(inhibitor.isHeld());
        QCOMPARE(logind.inhibitors(), QStringList{QStringLiteral("sleep:idle|Velmora|Synchronizing a phone|block")});
    }
    // logind drops the lock once every copy of its descriptor is closed: a
    // copy kept anywhere (a reply object, say) would hold it for ever.
    QTRY_COMPARE_WITH_TIMEOUT(logind.inhibitors(), QStringList(), 10000);
}

void tst_SleepInhibitor::noBusCarriesOn()
{
    const QDBusConnection nowhere =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
    SleepInhibitor inhibitor(nowhere);
    QVERIFY(!inhibitor.isHeld());
    inhibitor.release();
    QVERIFY(!inhibitor.isHeld());
}

void tst_SleepInhibitor::syncRunHoldsLockWhileItRuns()
{
    SyncDbusMock logind;
    if (!logind.isRunning())
        QSKIP("dbus-daemon with python3-dbusmock is not available (scripts/install-deps.sh installs them)");
    // The process's system bus is this private one (nothing in this test
    // program has used the system bus before).
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", logind.address().toUtf8());
    SyncTestHome env;
    env.configurePhone({QStringLiteral("Mix")});
    const QString song = env.inputFolder() + QStringLiteral("/song.mp3");
    QVERIFY(SyncMedia::makeSilence(song));
    SyncTestLibrary library;
    library.addPlaylist(QStringLiteral("Mix"),
                        {SyncMedia::track(song, QStringLiteral("Song"), QStringLiteral("A"), QStringLiteral("B"), 1)});
    SyncRecordingDevice phone(env.phoneRoot());
    QStringList duringUpload;
    phone.mBeforeUpload = [&](const Track&) { duringUpload = logind.inhibitors(); };

    MusicSync sync(&library, &phone, nullptr);
    SyncRun run(sync);
    QVERIFY(run.run());
    QCOMPARE(run.states().last(), int(SyncState::StateComplete));
    QCOMPARE(duringUpload, QStringList{QStringLiteral("sleep:idle|Velmora|Synchronizing a phone|block")});
    QTRY_COMPARE_WITH_TIMEOUT(logind.inhibitors(), QStringList(), 10000);
}

QTEST_GUILESS_MAIN(tst_SleepInhibitor)
#include "tst_SleepInhibitor.moc"
