// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The MTP enumeration thread: its bookkeeping of known, added and removed
// phones, its locks, and its passes against a fake portable-devices layer.
#include "support/FakeMtpPhoneSource.h"

#include "devices/UsbMSDevice.h"
#include "devices/mtp/MtpMacDeviceRefresher.h"

#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

#include <memory>
#include <thread>

namespace {

// What a device list would hold: the parents it took over from passes, with
// their children, deleted at the end of the test.
class HeldParents
{
public:
    ~HeldParents()
    {
        for (DeviceParent* parent : std::as_const(mParents)) {
            qDeleteAll(parent->children());
            delete parent;
        }
    }
    void take(MtpMacDeviceRefresher& refresher)
    {
        for (DeviceParent* parent : refresher.added()) {
            mParents.append(parent);
            mDevices.append(parent->children());
        }
        for (DeviceParent* parent : refresher.removed()) {
            mParents.removeAll(parent);
            for (Device* child : parent->children())
                mDevices.removeAll(child);
            qDeleteAll(parent->children());
            delete parent;
        }
        refresher.clearResults();
    }
    void adopt(DeviceParent* parent) { mParents.append(parent); }
    const QList<DeviceParent*>& parents() const { return mParents; }
    const QList<Device*>& devices() const { return mDevices; }

private:
    QList<DeviceParent*> mParents;
    QList<Device*> mDevices;
};

// Runs one whole pass with the held parents as the known ones.
bool runPass(MtpMacDeviceRefresher& refresher, const HeldParents& held)
{
    refresher.start(held.devices(), held.parents());
    return QTest::qWaitFor([&] { return !refresher.isActive(); }, 5000);
}

} // namespace

class TestMtpMacDeviceRefresher : public QObject
{
    Q_OBJECT

private slots:
    void knownPhoneIsNotOpenedAgainAndLeaves();
    void twoPhonesOfTheSameMakeBothStay();
    void onlyMtpParentsAreRemoved();
    void startWhilePassRunsDoesNothing();
    void passWhileLockedChangesNothing();
    void lockWaitsPastItsTimeoutForARunningPass();
    void failedOpensAreSkipped_data();
    void failedOpensAreSkipped();
    void storagesWithoutDeviceInfoAreHidden_data();
    void storagesWithoutDeviceInfoAreHidden();
    void storagesWithoutDeviceInfoGetCurrentPhoneValues();
    void untakenResultsAreFreedWithTheRefresher();
};

void TestMtpMacDeviceRefresher::knownPhoneIsNotOpenedAgainAndLeaves()
{
    FakeMtpPhoneSource source;
    const FakeMtpPhone first =
        FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone X"), QStringLiteral("Internal"));
    const FakeMtpPhone second =
        FakeMtpPhoneSource::phone(QStringLiteral("Brand"), QStringLiteral("Model 2"), QStringLiteral("Storage"));
    source.setPhones({first, second});
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;
    QVERIFY(runPass(refresher, held));
    QCOMPARE(refresher.added().size(), 2);
    held.take(refresher);

    for (int pass = 0; pass < 2; ++pass) {
        QVERIFY(runPass(refresher, held));
        QVERIFY(refresher.added().isEmpty());
        QVERIFY(refresher.removed().isEmpty());
    }
    QCOMPARE(source.openCount(), 2);
    QCOMPARE(source.listCount(), 3);

    DeviceParent* secondParent = held.parents().at(1);
    source.setPhones({first});
    QVERIFY(runPass(refresher, held));
    QVERIFY(refresher.added().isEmpty());
    QCOMPARE(refresher.removed(), QList<DeviceParent*>({secondParent}));
    held.take(refresher);
}

void TestMtpMacDeviceRefresher::twoPhonesOfTheSameMakeBothStay()
{
    FakeMtpPhoneSource source;
    FakeMtpPhone first =
        FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone X"), QStringLiteral("Internal"));
    FakeMtpPhone second = first;
    second.pnpId += QStringLiteral("#2");
    source.setPhones({first, second});
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;
    QVERIFY(runPass(refresher, held));
    QCOMPARE(refresher.added().size(), 2);
    held.take(refresher);

    // Each known parent stands for one phone: the second phone must not be
    // matched to the first one's parent and lose its own.
    for (int pass = 0; pass < 2; ++pass) {
        QVERIFY(runPass(refresher, held));
        QVERIFY(refresher.added().isEmpty());
        QVERIFY(refresher.removed().isEmpty());
        held.take(refresher);
    }
    QCOMPARE(held.parents().size(), 2);
    QCOMPARE(source.openCount(), 2);

    source.setPhones({first});
    QVERIFY(runPass(refresher, held));
    QCOMPARE(refresher.removed().size(), 1);
    held.take(refresher);
    QCOMPARE(held.parents().size(), 1);
}

void TestMtpMacDeviceRefresher::onlyMtpParentsAreRemoved()
{
    QTemporaryDir drive;
    QVERIFY(drive.isValid());
    // Without a portable-devices layer every known MTP phone has gone.
    MtpMacDeviceRefresher refresher(nullptr);
    HeldParents held;
    auto* usbParent = new DeviceParentMs(QStringLiteral("SanDisk Cruzer"));
    usbParent->addChild(new UsbMSDevice(drive.path(), QStringLiteral("SanDisk Cruzer"), false));
    held.adopt(usbParent);
    auto* goneMtp = new FakeMtpParent(QStringLiteral("Acme"), QStringLiteral("Gone"));
    held.adopt(goneMtp);

    QVERIFY(runPass(refresher, held));
    QVERIFY(refresher.added().isEmpty());
    QCOMPARE(refresher.removed(), QList<DeviceParent*>({goneMtp}));
    held.take(refresher);
    QCOMPARE(held.parents(), QList<DeviceParent*>({usbParent}));
}

void TestMtpMacDeviceRefresher::startWhilePassRunsDoesNothing()
{
    FakeMtpPhoneSource source;
    source.setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone X"), QStringLiteral("Internal"))});
    source.closeGate();
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;
    refresher.start(held.devices(), held.parents());
    source.waitForListingAtGate();
    QVERIFY(refresher.isActive());

    // A second start must neither begin a pass nor drop the running one's results.
    refresher.start(held.devices(), held.parents());
    source.releaseListing();
    QVERIFY(QTest::qWaitFor([&] { return !refresher.isActive(); }, 5000));
    QCOMPARE(source.listCount(), 1);
    QCOMPARE(refresher.added().size(), 1);
    held.take(refresher);

    // A start right after a pass completes, while its thread may still be
    // returning, must run a pass again and not leave the refresher active.
    for (int pass = 0; pass < 50; ++pass)
        QVERIFY(runPass(refresher, held));
    QCOMPARE(source.listCount(), 51);
}

void TestMtpMacDeviceRefresher::passWhileLockedChangesNothing()
{
    FakeMtpPhoneSource source;
    source.setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone X"), QStringLiteral("Internal"))});
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;
    held.adopt(new FakeMtpParent(QStringLiteral("Brand"), QStringLiteral("Unplugged")));

    refresher.lock(5000);
    QVERIFY(runPass(refresher, held));
    QCOMPARE(source.listCount(), 0);
    QVERIFY(refresher.added().isEmpty());
    QVERIFY(refresher.removed().isEmpty());
    refresher.unlock();

    QVERIFY(runPass(refresher, held));
    QCOMPARE(source.listCount(), 1);
    QCOMPARE(refresher.added().size(), 1);
    QCOMPARE(refresher.removed().size(), 1);
    held.take(refresher);
}

void TestMtpMacDeviceRefresher::lockWaitsPastItsTimeoutForARunningPass()
{
    FakeMtpPhoneSource source;
    source.closeGate();
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;
    refresher.start(held.devices(), held.parents());
    source.waitForListingAtGate();

    // The pass holds the lock far longer than the time-out; lock() must still
    // come back holding it, not give up.
    std::thread releaser([&source] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        source.releaseListing();
    });
    refresher.lock(20);
    releaser.join();
    QVERIFY(QTest::qWaitFor([&] { return !refresher.isActive(); }, 5000));

    held.adopt(new FakeMtpParent(QStringLiteral("Brand"), QStringLiteral("Unplugged")));
    QVERIFY(runPass(refresher, held));
    QCOMPARE(source.listCount(), 1);
    QVERIFY(refresher.removed().isEmpty());
    refresher.unlock();
}

void TestMtpMacDeviceRefresher::failedOpensAreSkipped_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("signalCount");
    QTest::newRow("held by another program") << int(MtpPhoneSource::OpenOutcome::UnableToOpen) << 1;
    QTest::newRow("storages unreadable") << int(MtpPhoneSource::OpenOutcome::NoStorageList) << 0;
}

void TestMtpMacDeviceRefresher::failedOpensAreSkipped()
{
    QFETCH(int, outcome);
    QFETCH(int, signalCount);
    FakeMtpPhoneSource source;
    FakeMtpPhone broken =
        FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Broken"), QStringLiteral("Internal"));
    broken.outcome = MtpPhoneSource::OpenOutcome(outcome);
    const FakeMtpPhone good =
        FakeMtpPhoneSource::phone(QStringLiteral("Brand"), QStringLiteral("Good"), QStringLiteral("Storage"));
    source.setPhones({broken, good});
    MtpMacDeviceRefresher refresher(&source);
    QSignalSpy unable(&refresher, &MtpMacDeviceRefresher::unableToOpenDevice);
    HeldParents held;

    QVERIFY(runPass(refresher, held));
    QCOMPARE(refresher.added().size(), 1);
    QCOMPARE(refresher.added().first()->name(), QStringLiteral("Brand Good"));
    held.take(refresher);
    QTRY_COMPARE(unable.count(), signalCount);

    // The failed phone is tried again on the next pass; the good one is not.
    QVERIFY(runPass(refresher, held));
    QCOMPARE(source.openCount(), 3);
    QVERIFY(refresher.added().isEmpty());
    QTRY_COMPARE(unable.count(), 2 * signalCount);
}

void TestMtpMacDeviceRefresher::untakenResultsAreFreedWithTheRefresher()
{
    FakeMtpPhoneSource source;
    source.setPhones(
        {FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone X"), QStringLiteral("Internal"))});
    const int liveBefore = FakeMtpDevice::liveCount();
    auto refresher = std::make_unique<MtpMacDeviceRefresher>(&source);
    refresher->start({}, {});
    refresher.reset();
    QCOMPARE(source.listCount(), 1);
    QCOMPARE(FakeMtpDevice::liveCount(), liveBefore);
}

void TestMtpMacDeviceRefresher::storagesWithoutDeviceInfoAreHidden_data()
{
    QTest::addColumn<QByteArray>("cardInfo");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("no storage has the app") << QByteArray() << true;
    QTest::newRow("the card has it") << QByteArrayLiteral("<device version=\"9\"/>") << false;
}

void TestMtpMacDeviceRefresher::storagesWithoutDeviceInfoAreHidden()
{
    QFETCH(QByteArray, cardInfo);
    QFETCH(bool, hidden);
    FakeMtpPhoneSource source;
    FakeMtpPhone phone;
    phone.vendor = QStringLiteral("Acme");
    phone.product = QStringLiteral("Phone X");
    phone.pnpId = QStringLiteral("usb#acme#x");
    phone.storages = {{QStringLiteral("Internal"), QByteArray()}, {QStringLiteral("Card"), cardInfo}};
    source.setPhones({phone});
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;

    QVERIFY(runPass(refresher, held));
    QCOMPARE(refresher.added().size(), 1);
    const QList<Device*> children = refresher.added().first()->children();
    QCOMPARE(children.size(), 2);
    QCOMPARE(children.at(0)->isHidden(), hidden);
    QCOMPARE(children.at(1)->isHidden(), hidden);
    held.take(refresher);
}

// Without android.xml the phone is still used: its values are those of a
// current phone, while one that has the file keeps its own.
void TestMtpMacDeviceRefresher::storagesWithoutDeviceInfoGetCurrentPhoneValues()
{
    FakeMtpPhoneSource source;
    FakeMtpPhone plain;
    plain.vendor = QStringLiteral("Acme");
    plain.product = QStringLiteral("Plain");
    plain.pnpId = QStringLiteral("usb#acme#plain");
    plain.storages = {{QStringLiteral("Internal"), QByteArray()}};
    FakeMtpPhone withApp = plain;
    withApp.product = QStringLiteral("With app");
    withApp.pnpId = QStringLiteral("usb#acme#app");
    withApp.storages = {
        {QStringLiteral("Internal"), QByteArrayLiteral("<device version=\"9\" screen_pixels=\"384000\"/>")}};
    source.setPhones({plain, withApp});
    MtpMacDeviceRefresher refresher(&source);
    HeldParents held;

    QVERIFY(runPass(refresher, held));
    QCOMPARE(refresher.added().size(), 2);
    for (DeviceParent* parent : refresher.added()) {
        Device* child = parent->children().first();
        const bool hasApp = !child->isHidden();
        QCOMPARE(child->androidVersion(), hasApp ? 9 : Device::kFallbackAndroidVersion);
        QCOMPARE(child->screenPixels(), hasApp ? 384000 : Device::kFallbackScreenPixels);
    }
    QCOMPARE(int(std::count_if(refresher.added().begin(), refresher.added().end(),
                               [](DeviceParent* parent) { return parent->children().first()->isHidden(); })),
             1);
    held.take(refresher);
}

QTEST_GUILESS_MAIN(TestMtpMacDeviceRefresher)
#include "tst_MtpMacDeviceRefresher.moc"
