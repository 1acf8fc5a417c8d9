// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/UsbMSDevice.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/LibMtpBackend.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/MtpMacDeviceRefresher.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
#include "devices/mtp/QMtpDevice.h"
#include "support/EmulatedMtpPhone.h"
#include "support/MtpEmulation.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// Opens a listed phone; the children are deleted with the parent.
struct Opened
{
    std::unique_ptr<DeviceParent> parent;
    MtpPhoneSource::OpenOutcome outcome = MtpPhoneSource::OpenOutcome::Opened;
    ~Opened()
    {
        if (parent)
            qDeleteAll(parent->children());
    }
};

void openPhone(PortableDevicePhoneSource& source, const MtpRawPhone& phone, Opened& opened)
{
    opened.parent = source.openPhone(phone, opened.outcome);
}

} // namespace

// What the enumeration thread gets from the portable-devices layer.
class tst_PortableDevicePhoneSource : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listingCarriesNamesAndNoIds();
    void openedPhoneHasDevicePerStorage();
    void recognisesOnlyTheSamePhone();
    void unpluggedTwinLeavesWithItsOwnParent();
    void failedOpenings_data();
    void failedOpenings();
    void childrenHiddenWithoutDeviceInformation_data();
    void childrenHiddenWithoutDeviceInformation();
    void atMostFiveStorages();
    void libmtpWithoutPhonesListsNothing();

private:
    std::unique_ptr<QTemporaryDir> mHome;
    QByteArray mOldHome;
};

void tst_PortableDevicePhoneSource::init()
{
    mHome = std::make_unique<QTemporaryDir>();
    QVERIFY(mHome->isValid());
    mOldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(mHome->path()));
}

void tst_PortableDevicePhoneSource::cleanup()
{
    qputenv("HOME", mOldHome);
    mHome.reset();
}

void tst_PortableDevicePhoneSource::listingCarriesNamesAndNoIds()
{
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    const QString first =
        emulation.addPhone(QStringLiteral("Acme"), QStringLiteral("X1"), {QStringLiteral("A")}, QStringLiteral("Mine"));
    emulation.addPhone(QStringLiteral("Other"), QStringLiteral("Y2"), {QStringLiteral("B")});
    PortableDevicePhoneSource source;
    const QList<MtpRawPhone> phones = source.listPhones();
    QCOMPARE(phones.size(), 2);
    QCOMPARE(phones.at(0).index, 0);
    QCOMPARE(phones.at(0).vendor, QStringLiteral("Acme"));
    QCOMPARE(phones.at(0).product, QStringLiteral("X1"));
    QCOMPARE(phones.at(0).pnpId, first);
    QCOMPARE(phones.at(0).friendlyName, QStringLiteral("Mine"));
    QCOMPARE(phones.at(0).vendorId, quint16(0));
    QCOMPARE(phones.at(1).productId, quint16(0));
    QCOMPARE(phones.at(1).index, 1);
    emulation.removePhone(first);
    QCOMPARE(source.listPhones().size(), 1);
}

void tst_PortableDevicePhoneSource::openedPhoneHasDevicePerStorage()
{
    EmulatedMtpPhone phone({QStringLiteral("Internal"), QStringLiteral("Card")});
    QVERIFY(phone.emulation().putFile(phone.pnpId(), 1, QStringLiteral("KORVA/uniqueid"), "CARDID"));
    QVERIFY(phone.open());
    DeviceParentMtpMac* parent = phone.parent();
    QCOMPARE(parent->GetDeviceType(), int(Device::kTypeMtp));
    QCOMPARE(parent->name(), QStringLiteral("Galaxy"));
    QCOMPARE(parent->vendor(), QStringLiteral("Acme"));
    QCOMPARE(parent->product(), QStringLiteral("Phone X"));
    QCOMPARE(parent->children().size(), 2);
    QCOMPARE(phone.device(0)->FriendlyName(), QStringLiteral("Galaxy Internal"));
    QCOMPARE(phone.device(1)->FriendlyName(), QStringLiteral("Galaxy Card"));
    QCOMPARE(phone.device(0)->UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    QCOMPARE(phone.device(1)->UniqueDeviceId(), QStringLiteral("CARDID"));
    int pixels = -1;
    QCOMPARE(parent->highestAndroidVersion(pixels), 11);
    QCOMPARE(pixels, 2073600);
    QVERIFY(!phone.device(0)->isHidden());
    QVERIFY(!phone.device(1)->isHidden());
}

void tst_PortableDevicePhoneSource::recognisesOnlyTheSamePhone()
{
    EmulatedMtpPhone phone;
    QVERIFY(phone.open());
    PortableDevicePhoneSource source;
    MtpRawPhone same;
    same.vendor = QStringLiteral("Acme");
    same.product = QStringLiteral("Phone X");
    same.pnpId = phone.pnpId();
    QVERIFY(source.isSamePhone(phone.parent(), same));
    MtpRawPhone other = same;
    other.product = QStringLiteral("Phone Y");
    QVERIFY(!source.isSamePhone(phone.parent(), other));
    other = same;
    other.vendorId = 0x18d1;
    QVERIFY(!source.isSamePhone(phone.parent(), other));
    // The same make on another connection: a second phone, or this one
    // plugged in again.
    other = same;
    other.pnpId = phone.pnpId() + QStringLiteral("0");
    QVERIFY(!source.isSamePhone(phone.parent(), other));
    // A USB drive is never an MTP phone.
    DeviceParentMs drive(QStringLiteral("Acme"));
    QVERIFY(!source.isSamePhone(&drive, same));
}

// Two phones of one make: when the first is unplugged, the parent that
// leaves must be the one whose connection was the first phone's.
void tst_PortableDevicePhoneSource::unpluggedTwinLeavesWithItsOwnParent()
{
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    const QString first = emulation.addPhone(QStringLiteral("Acme"), QStringLiteral("X1"), {QStringLiteral("A")});
    const QString second = emulation.addPhone(QStringLiteral("Acme"), QStringLiteral("X1"), {QStringLiteral("A")});
    PortableDevicePhoneSource source;
    MtpMacDeviceRefresher refresher(&source);
    std::vector<Opened> parents(2);
    auto pass = [&](const QList<DeviceParent*>& known) {
        refresher.start({}, known);
        return refresher.wait(10000);
    };
    auto pnpIdOf = [](DeviceParent* parent) {
        return static_cast<DeviceParentMtpMac*>(parent)->mtpDevice()->device()->pnpId();
    };

    QVERIFY(pass({}));
    QCOMPARE(refresher.added().size(), 2);
    parents[0].parent.reset(refresher.added().at(0));
    parents[1].parent.reset(refresher.added().at(1));
    refresher.clearResults();
    QCOMPARE(pnpIdOf(parents[0].parent.get()), first);
    const QList<DeviceParent*> known{parents[0].parent.get(), parents[1].parent.get()};

    QVERIFY(pass(known));
    QVERIFY(refresher.added().isEmpty());
    QVERIFY(refresher.removed().isEmpty());

    emulation.removePhone(first);
    QVERIFY(pass(known));
    QVERIFY(refresher.added().isEmpty());
    QCOMPARE(refresher.removed().size(), 1);
    QCOMPARE(pnpIdOf(refresher.removed().first()), first);
    refresher.clearResults();

    // Plugged in again, it is a new connection and gets a new parent.
    const QString again = emulation.addPhone(QStringLiteral("Acme"), QStringLiteral("X1"), {QStringLiteral("A")});
    QVERIFY(pass({parents[1].parent.get()}));
    QCOMPARE(refresher.added().size(), 1);
    Opened replugged;
    replugged.parent.reset(refresher.added().first());
    refresher.clearResults();
    QCOMPARE(pnpIdOf(replugged.parent.get()), again);
    QCOMPARE(pnpIdOf(parents[1].parent.get()), second);
}

void tst_PortableDevicePhoneSource::failedOpenings_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("storageFails");
    QTest::addColumn<bool>("noStorages");
    QTest::addColumn<int>("outcome");
    QTest::newRow("held by another program")
        << true << false << false << int(MtpPhoneSource::OpenOutcome::UnableToOpen);
    QTest::newRow("storages unreadable") << false << true << false << int(MtpPhoneSource::OpenOutcome::NoStorageList);
    QTest::newRow("no storage offered") << false << false << true << int(MtpPhoneSource::OpenOutcome::NoStorageList);
}

void tst_PortableDevicePhoneSource::failedOpenings()
{
    QFETCH(bool, held);
    QFETCH(bool, storageFails);
    QFETCH(bool, noStorages);
    QFETCH(int, outcome);
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    const QString id = emulation.addPhone(QStringLiteral("Acme"), QStringLiteral("X1"),
                                          noStorages ? QStringList() : QStringList{QStringLiteral("A")});
    emulation.setHeldByOtherProgram(id, held);
    emulation.setStorageListFails(id, storageFails);
    PortableDevicePhoneSource source;
    const QList<MtpRawPhone> phones = source.listPhones();
    QCOMPARE(phones.size(), 1);
    Opened opened;
    openPhone(source, phones.first(), opened);
    QVERIFY(!opened.parent);
    QCOMPARE(int(opened.outcome), outcome);

    // Once the phone is free it opens at the next pass.
    emulation.setHeldByOtherProgram(id, false);
    emulation.setStorageListFails(id, false);
    if (!noStorages) {
        Opened again;
        openPhone(source, phones.first(), again);
        QVERIFY(again.parent);
        QCOMPARE(int(again.outcome), int(MtpPhoneSource::OpenOutcome::Opened));
    }
}

void tst_PortableDevicePhoneSource::childrenHiddenWithoutDeviceInformation_data()
{
    QTest::addColumn<int>("infoOnStorage");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("on no storage") << -1 << true;
    QTest::newRow("on the card only") << 1 << false;
}

// Through a whole enumeration pass, as the device list gets its phones.
void tst_PortableDevicePhoneSource::childrenHiddenWithoutDeviceInformation()
{
    QFETCH(int, infoOnStorage);
    QFETCH(bool, hidden);
    EmulatedMtpPhone phone({QStringLiteral("Internal"), QStringLiteral("Card")}, false);
    if (infoOnStorage >= 0)
        QVERIFY(phone.emulation().putFile(phone.pnpId(), infoOnStorage, QStringLiteral("KORVA/android.xml"),
                                          EmulatedMtpPhone::deviceInfo(9)));
    PortableDevicePhoneSource source;
    MtpMacDeviceRefresher refresher(&source);
    refresher.start({}, {});
    QVERIFY(refresher.wait(10000));
    QCOMPARE(refresher.added().size(), 1);
    Opened opened;
    opened.parent.reset(refresher.added().first());
    refresher.clearResults();
    const QList<Device*> children = opened.parent->children();
    QCOMPARE(children.size(), 2);
    QCOMPARE(children.at(0)->isHidden(), hidden);
    QCOMPARE(children.at(1)->isHidden(), hidden);
}

void tst_PortableDevicePhoneSource::atMostFiveStorages()
{
    QStringList storages;
    for (int i = 1; i <= 6; ++i)
        storages.append(QStringLiteral("S%1").arg(i));
    EmulatedMtpPhone phone(storages);
    QVERIFY(phone.open());
    QCOMPARE(phone.parent()->children().size(), 5);
    QCOMPARE(phone.device(4)->FriendlyName(), QStringLiteral("Galaxy S5"));
}

void tst_PortableDevicePhoneSource::libmtpWithoutPhonesListsNothing()
{
    // No MTP phone is attached here; the bus is searched again only when
    // the set of USB devices changes.
    QTemporaryDir usb;
    QVERIFY(usb.isValid());
    LibMtpBackend backend(usb.path());
    ScopedMtpBackend scope(&backend);
    PortableDevicePhoneSource source;
    QVERIFY(source.listPhones().isEmpty());
    QVERIFY(source.listPhones().isEmpty());
    QCOMPARE(backend.detectCount(), 1);
    QVERIFY(QDir(usb.path()).mkpath(QStringLiteral("1-1")));
    QVERIFY(source.listPhones().isEmpty());
    QCOMPARE(backend.detectCount(), 2);
    QVERIFY(!backend.open(QStringLiteral("1:2")));
}

QTEST_GUILESS_MAIN(tst_PortableDevicePhoneSource)
#include "tst_PortableDevicePhoneSource.moc"
