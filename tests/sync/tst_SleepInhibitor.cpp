// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncDbusMock.h"
#include "sync/SleepInhibitor.h"

#include <QtTest>

class tst_SleepInhibitor : public QObject
{
    Q_OBJECT

private slots:
    void lockHeldUntilReleased();
    void noBusCarriesOn();
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
        QCOMPARE(logind.inhibitors(),
                 QStringList{QStringLiteral("sleep:idle|Velmora|Synchronizing a phone|block")});
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

QTEST_GUILESS_MAIN(tst_SleepInhibitor)
#include "tst_SleepInhibitor.moc"
