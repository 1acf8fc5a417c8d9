// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The automatic refresher between the device list and the main window: the
// order of its signals with and without a phone, and library events.
#include "support/FakeDriveTree.h"
#include "support/FakeMtpPhoneSource.h"

#include "devices/DeviceList.h"
#include "model/LocalMusicLibrary.h"
#include "sync/AutoRefresher.h"

#include <QtTest>

namespace {

// Every signal of the refresher as one line, in the order they came.
class SignalLog : public QObject
{
public:
    explicit SignalLog(AutoRefresher& refresher)
    {
        connect(&refresher, &AutoRefresher::connectedDeviceStateChanged, this, [this](int state, int percent) {
            mLines.append(QStringLiteral("state %1 %2").arg(state).arg(percent));
        });
        connect(&refresher, &AutoRefresher::freeSpaceUpdate, this, [this](qint64 used, qint64 freeSpace) {
            mLines.append(QStringLiteral("space %1 %2").arg(used).arg(freeSpace));
        });
    }
    QStringList mLines;
};

// A device list on an empty machine with a fake MTP layer, the library and
// the refresher, torn down in the order the main window uses.
class Setup
{
public:
    Setup()
    {
        auto source = std::make_unique<FakeMtpPhoneSource>();
        mSource = source.get();
        mList = std::make_unique<DeviceList>(nullptr, std::move(source), mTree.procRoot(), mTree.sysRoot());
        mRefresher = std::make_unique<AutoRefresher>(&mLibrary, mList.get());
        mLog = std::make_unique<SignalLog>(*mRefresher);
    }

    FakeDriveTree mTree;
    LocalMusicLibrary mLibrary;
    FakeMtpPhoneSource* mSource = nullptr;
    std::unique_ptr<DeviceList> mList;
    std::unique_ptr<AutoRefresher> mRefresher;
    std::unique_ptr<SignalLog> mLog;
};

// Lets queued library events and timer ticks arrive.
void settle()
{
    QTest::qWait(50);
}

} // namespace

class TestAutoRefresher : public QObject
{
    Q_OBJECT

private slots:
    void startWithoutPhoneReportsNoPhoneOnce();
    void attachedPhoneReportsStateThenSpace();
    void libraryEventWithPhoneReportsSpace();
    void unmountedUsbPhoneReportsZeroSpace();
    void refresherOutlivesItsList();
};

void TestAutoRefresher::startWithoutPhoneReportsNoPhoneOnce()
{
    Setup setup;
    QVERIFY(setup.mTree.isValid());
    setup.mRefresher->start();
    setup.mRefresher->start();
    // A library event while no phone is attached tells nothing either.
    emit setup.mLibrary.localLibraryEvent();
    settle();
    QCOMPARE(setup.mLog->mLines, QStringList({QStringLiteral("state 0 0")}));
}

void TestAutoRefresher::attachedPhoneReportsStateThenSpace()
{
    Setup setup;
    setup.mRefresher->start();
    setup.mSource->setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone M"), QStringLiteral("Internal"))});
    // The device list's timer brings the phone in once a pass has found it.
    QTRY_COMPARE_WITH_TIMEOUT(setup.mLog->mLines.size(), 3, 10000);
    // The fake storage has 8000 bytes, 3000 of them free.
    QCOMPARE(setup.mLog->mLines, QStringList({QStringLiteral("state 0 0"), QStringLiteral("state 1 0"),
                                              QStringLiteral("space 5000 3000")}));
}

void TestAutoRefresher::libraryEventWithPhoneReportsSpace()
{
    Setup setup;
    setup.mSource->setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone M"), QStringLiteral("Internal"))});
    QVERIFY(QTest::qWaitFor([&] { return setup.mList->RefreshDevices() && setup.mList->DeviceIsConnected(); }));
    emit setup.mLibrary.localLibraryEvent();
    // Queued: nothing before the event loop runs.
    QVERIFY(setup.mLog->mLines.isEmpty());
    settle();
    QCOMPARE(setup.mLog->mLines, QStringList({QStringLiteral("space 5000 3000")}));
}

void TestAutoRefresher::unmountedUsbPhoneReportsZeroSpace()
{
    Setup setup;
    // A USB disk whose mount point does not exist: listed, never mounted.
    setup.mTree.addDisk(QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0"),
                        QStringLiteral("sdb"), QStringLiteral("8:16"), 1, QStringLiteral("Acme"),
                        QStringLiteral("Old Phone"));
    setup.mTree.addMount(QStringLiteral("8:16"), setup.mTree.procRoot() + QStringLiteral("/no/such/drive"),
                         QStringLiteral("vfat"), QStringLiteral("/dev/sdb"));
    setup.mRefresher->start();
    QCOMPARE(setup.mLog->mLines, QStringList({QStringLiteral("state 1 0"), QStringLiteral("space 0 0")}));
}

void TestAutoRefresher::refresherOutlivesItsList()
{
    Setup setup;
    setup.mRefresher->start();
    // Torn down in the wrong order, the refresher must neither stop a deleted
    // list nor ask it for phones.
    setup.mList.reset();
    emit setup.mLibrary.localLibraryEvent();
    settle();
    setup.mRefresher->DeviceListChanged();
    setup.mRefresher.reset();
    QCOMPARE(setup.mLog->mLines, QStringList({QStringLiteral("state 0 0"), QStringLiteral("state 0 0")}));
}

QTEST_GUILESS_MAIN(TestAutoRefresher)
#include "tst_AutoRefresher.moc"
