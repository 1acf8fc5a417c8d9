// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The device list on a fake proc/sys tree whose USB mounts are temporary
// folders, with a fake MTP layer: refresh results, the two-step insertion of
// a USB phone, the configured phone, auto-refresh and the refresher lock.
#include "support/FakeMtpPhoneSource.h"
#include "support/FakeUsbMachine.h"

#include "app/Constants.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "devices/MDeviceListObserver.h"
#include "settings/SyncSettings.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

class CountingObserver : public MDeviceListObserver
{
public:
    void DeviceListChanged() override { ++mCalls; }
    int mCalls = 0;
};

using Machine = FakeUsbMachine;

std::unique_ptr<DeviceList> makeList(Machine& machine, FakeMtpPhoneSource** source = nullptr)
{
    std::unique_ptr<MtpPhoneSource> mtp;
    if (source) {
        auto fake = std::make_unique<FakeMtpPhoneSource>();
        *source = fake.get();
        mtp = std::move(fake);
    }
    return machine.makeDeviceList(std::move(mtp));
}

QStringList names(const DeviceList& list)
{
    QStringList result;
    for (Device* device : list.GetDevices())
        result.append(device->FriendlyName());
    return result;
}

// Refreshes until a refresh reports a change (the mounted answers and the
// MTP passes arrive asynchronously); each refresh runs exactly once.
bool refreshUntilChanged(DeviceList& list)
{
    return QTest::qWaitFor([&list] { return list.RefreshDevices(); }, 5000);
}

// Refreshes until the list holds count devices.
bool refreshUntilCount(DeviceList& list, int count)
{
    return QTest::qWaitFor(
        [&list, count] {
            list.RefreshDevices();
            return list.GetDevices().size() == count;
        },
        5000);
}

} // namespace

class TestDeviceList : public QObject
{
    Q_OBJECT

private slots:
    void emptyMachineHasNoDevice();
    void anyDriveAddedOrRemovedIsAChange();
    void usbPhoneIsTakenInTwoSteps();
    void deadUsbDriveIsListedButNeverMounted();
    void connectedDeviceIsTheLatestConfigured_data();
    void connectedDeviceIsTheLatestConfigured();
    void sameNamesInAnotherOrderAreAChange();
    void mtpPhonesArriveAndLeave();
    void unableToOpenReachesTheList();
    void autoRefreshTellsTheObserverOnce();
    void disabledListKeepsMtpAway();
};

void TestDeviceList::emptyMachineHasNoDevice()
{
    Machine machine;
    QVERIFY(machine.isValid());
    auto list = makeList(machine);
    QVERIFY(!list->RefreshDevices());
    QVERIFY(list->GetDevices().isEmpty());
    QVERIFY(list->GetParentDevices().isEmpty());
    QVERIFY(!list->DeviceIsConnected());
    QVERIFY(list->ConnectedDevice() == nullptr);
    QVERIFY(!list->RefreshDevices());
}

void TestDeviceList::anyDriveAddedOrRemovedIsAChange()
{
    Machine machine;
    QVERIFY(machine.isValid());
    machine.mountFixedDisk(QStringLiteral("/"));
    auto list = makeList(machine);
    QVERIFY(list->RefreshDevices());
    QVERIFY(!list->RefreshDevices());

    machine.mountFixedDisk(QStringLiteral("/home"));
    QVERIFY(list->RefreshDevices());
    QVERIFY(list->GetDevices().isEmpty());
    QVERIFY(!list->RefreshDevices());

    machine.tree().writeMountInfo(QByteArray());
    QVERIFY(list->RefreshDevices());
    QVERIFY(!list->RefreshDevices());
}

void TestDeviceList::usbPhoneIsTakenInTwoSteps()
{
    Machine machine;
    QVERIFY(machine.isValid());
    auto list = makeList(machine);
    QVERIFY(!list->RefreshDevices());
    QSignalSpy checks(list.get(), &DeviceList::checkMountedStatus);

    const QString drive = machine.plugUsbPhone(QStringLiteral("Phone One"), "PHONE-ONE-ID");
    // First step: the new drive string is the change; the phone is listed
    // without its id because no mounted answer has come yet.
    QVERIFY(list->RefreshDevices());
    QCOMPARE(checks.count(), 1);
    QCOMPARE(checks.first().first().toString(), drive + QLatin1Char('/'));
    QCOMPARE(list->GetDevices().size(), 1);
    Device* device = list->GetDevices().first();
    QCOMPARE(device->GetDeviceType(), Device::kTypeUsbMassStorage);
    QCOMPARE(device->FriendlyName(), QStringLiteral("Acme Phone One"));
    QVERIFY(device->UniqueDeviceId().isEmpty());
    DeviceParent* parent = list->ParentOf(device);
    QVERIFY(parent);
    QCOMPARE(parent->GetDeviceType(), Device::kTypeUsbMassStorage);
    QCOMPARE(parent->name(), QStringLiteral("Acme Phone One"));

    // The answer is queued to this thread, so without events nothing moves.
    QVERIFY(!list->RefreshDevices());
    QVERIFY(list->GetDevices().first()->UniqueDeviceId().isEmpty());

    // Second step: once the checker answered, the phone is mounted with its id.
    QVERIFY(refreshUntilChanged(*list));
    QCOMPARE(list->GetDevices().size(), 1);
    QCOMPARE(list->GetDevices().first()->UniqueDeviceId(), QStringLiteral("PHONE-ONE-ID"));
    QVERIFY(!list->RefreshDevices());

    // Unplugging is one change, and the list is empty again.
    machine.tree().writeMountInfo(QByteArray());
    QVERIFY(list->RefreshDevices());
    QVERIFY(list->GetDevices().isEmpty());
    QVERIFY(list->GetParentDevices().isEmpty());
}

void TestDeviceList::deadUsbDriveIsListedButNeverMounted()
{
    Machine machine;
    QVERIFY(machine.isValid());
    machine.plugDeadUsbDrive(QStringLiteral("Dead Phone"));
    machine.plugUsbPhone(QStringLiteral("Live Phone"), "LIVE-ID");
    auto list = makeList(machine);
    QVERIFY(list->RefreshDevices());
    // The checker answers in order, so once the live phone counts as mounted
    // the dead drive's answer has arrived too.
    QVERIFY(refreshUntilChanged(*list));
    QCOMPARE(names(*list), QStringList({QStringLiteral("Acme Dead Phone"), QStringLiteral("Acme Live Phone")}));
    QVERIFY(list->GetDevices().at(0)->UniqueDeviceId().isEmpty());
    QCOMPARE(list->GetDevices().at(1)->UniqueDeviceId(), QStringLiteral("LIVE-ID"));
    QVERIFY(!list->RefreshDevices());
}

void TestDeviceList::connectedDeviceIsTheLatestConfigured_data()
{
    QTest::addColumn<QStringList>("configuredInOrder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none configured gives the first") << QStringList() << QStringLiteral("ID-A");
    QTest::newRow("only the second") << QStringList({QStringLiteral("ID-B")}) << QStringLiteral("ID-B");
    QTest::newRow("second configured later")
        << QStringList({QStringLiteral("ID-A"), QStringLiteral("ID-B")}) << QStringLiteral("ID-B");
    QTest::newRow("first configured later")
        << QStringList({QStringLiteral("ID-B"), QStringLiteral("ID-A")}) << QStringLiteral("ID-A");
    QTest::newRow("unknown id in settings") << QStringList({QStringLiteral("ID-X")}) << QStringLiteral("ID-A");
}

void TestDeviceList::connectedDeviceIsTheLatestConfigured()
{
    QFETCH(QStringList, configuredInOrder);
    QFETCH(QString, expected);
    Machine machine;
    QVERIFY(machine.isValid());
    machine.plugUsbPhone(QStringLiteral("Phone A"), "ID-A");
    machine.plugUsbPhone(QStringLiteral("Phone B"), "ID-B");
    {
        SyncSettings settings;
        settings.load();
        for (const QString& id : std::as_const(configuredInOrder))
            QCOMPARE(settings.setConfig(id, false, 0, {}, {}, id), 0);
        QCOMPARE(settings.save(), 0);
    }
    auto list = makeList(machine);
    QVERIFY(list->RefreshDevices());
    QVERIFY(refreshUntilChanged(*list));
    QVERIFY(list->DeviceIsConnected());
    Device* connected = list->ConnectedDevice();
    QVERIFY(connected);
    QCOMPARE(connected->UniqueDeviceId(), expected);
}

void TestDeviceList::sameNamesInAnotherOrderAreAChange()
{
    Machine machine;
    QVERIFY(machine.isValid());
    // A drive that never counts as mounted, so only names and order can change.
    machine.plugDeadUsbDrive(QStringLiteral("Stick"));
    FakeMtpPhoneSource* source = nullptr;
    auto list = makeList(machine, &source);
    source->setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone M"), QStringLiteral("Internal"))});
    QVERIFY(list->RefreshDevices());
    QVERIFY(refreshUntilCount(*list, 2));
    QCOMPARE(names(*list), QStringList({QStringLiteral("Acme Stick"), QStringLiteral("Internal")}));

    // USB drives are rebuilt behind the MTP phones that persist: the same
    // two names now stand in the other order, which counts as a change.
    QVERIFY(list->RefreshDevices());
    QCOMPARE(names(*list), QStringList({QStringLiteral("Internal"), QStringLiteral("Acme Stick")}));
    QVERIFY(!list->RefreshDevices());
}

void TestDeviceList::mtpPhonesArriveAndLeave()
{
    Machine machine;
    QVERIFY(machine.isValid());
    FakeMtpPhoneSource* source = nullptr;
    auto list = makeList(machine, &source);
    FakeMtpPhone phone =
        FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone M"), QStringLiteral("Internal"));
    phone.storages.append({QStringLiteral("Card"), QByteArray()});
    source->setPhones({phone});
    const int liveBefore = FakeMtpDevice::liveCount();

    QVERIFY(refreshUntilChanged(*list));
    QCOMPARE(names(*list), QStringList({QStringLiteral("Internal"), QStringLiteral("Card")}));
    QCOMPARE(list->GetParentDevices().size(), 1);
    DeviceParent* parent = list->GetParentDevices().first();
    QCOMPARE(list->ParentOf(list->GetDevices().at(1)), parent);
    QCOMPARE(list->ConnectedDevice(), list->GetDevices().first());

    source->setPhones({});
    QVERIFY(refreshUntilChanged(*list));
    QVERIFY(list->GetDevices().isEmpty());
    QVERIFY(list->GetParentDevices().isEmpty());
    QCOMPARE(FakeMtpDevice::liveCount(), liveBefore);
    QCOMPARE(source->openCount(), 1);
}

void TestDeviceList::unableToOpenReachesTheList()
{
    Machine machine;
    QVERIFY(machine.isValid());
    FakeMtpPhoneSource* source = nullptr;
    auto list = makeList(machine, &source);
    FakeMtpPhone held =
        FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Busy"), QStringLiteral("Internal"));
    held.outcome = MtpPhoneSource::OpenOutcome::UnableToOpen;
    source->setPhones({held});
    QSignalSpy unable(list.get(), &DeviceList::unableToOpenDevice);
    list->RefreshDevices();
    QTRY_VERIFY(unable.count() >= 1);
    QVERIFY(!list->RefreshDevices());
    QVERIFY(list->GetDevices().isEmpty());
}

void TestDeviceList::autoRefreshTellsTheObserverOnce()
{
    Machine machine;
    QVERIFY(machine.isValid());
    auto list = makeList(machine);
    CountingObserver observer;
    list->EnableAutoRefresh(&observer);
    list->EnableAutoRefresh(&observer);
    QCOMPARE(observer.mCalls, 1);
    list->update();
    QCOMPARE(observer.mCalls, 1);
    machine.mountFixedDisk(QStringLiteral("/data"));
    list->update();
    QCOMPARE(observer.mCalls, 2);

    list->DisableAutoRefresh();
    list->DisableAutoRefresh();
    machine.mountFixedDisk(QStringLiteral("/more"));
    list->update();
    QCOMPARE(observer.mCalls, 2);
    // Locked once, unlocked once: enabling again must not deadlock.
    list->EnableAutoRefresh(&observer);
    QCOMPARE(observer.mCalls, 3);
    list->DisableAutoRefresh();
}

void TestDeviceList::disabledListKeepsMtpAway()
{
    Machine machine;
    QVERIFY(machine.isValid());
    FakeMtpPhoneSource* source = nullptr;
    auto list = makeList(machine, &source);
    source->setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone M"), QStringLiteral("Internal"))});
    CountingObserver observer;
    list->EnableAutoRefresh(&observer);
    list->DisableAutoRefresh();
    const int listingsWhenLocked = source->listCount();

    // Refreshes while a sync or the wizard holds the phone never list or open one.
    for (int i = 0; i < 5; ++i) {
        list->RefreshDevices();
        QTest::qWait(20);
    }
    QCOMPARE(source->listCount(), listingsWhenLocked);
    QCOMPARE(source->openCount(), listingsWhenLocked);
    QCOMPARE(list->GetDevices().size(), listingsWhenLocked);

    list->EnableAutoRefresh(&observer);
    QVERIFY(refreshUntilCount(*list, 1));
    list->DisableAutoRefresh();
}

QTEST_GUILESS_MAIN(TestDeviceList)
#include "tst_DeviceList.moc"
