// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The device list with the real MTP layer on the emulated phones: phones
// found by the enumeration thread join the list with their storages, the
// configured one is the connected device next to a USB phone, a phone held by
// another program is reported and joins once freed, and an unplugged phone
// leaves.
#include "support/EmulatedMtpPhone.h"
#include "support/FakeUsbMachine.h"

#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
#include "settings/SyncSettings.h"
#include "support/MtpEmulation.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Refreshes until the list holds count devices; the MTP passes run on their
// own thread, so a phone joins a refresh or two after it was seen.
bool refreshUntilCount(DeviceList& list, int count)
{
    return QTest::qWaitFor(
        [&list, count] {
            list.RefreshDevices();
            return list.GetDevices().size() == count;
        },
        10000);
}

QString addPhone(MtpEmulation& emulation, const QString& description, const QByteArray& uniqueId)
{
    const QString pnpId = emulation.addPhone(QStringLiteral("Acme"), description,
                                             {QStringLiteral("Internal"), QStringLiteral("Card")}, description);
    emulation.putFile(pnpId, 0, QStringLiteral("KORVA/android.xml"), EmulatedMtpPhone::deviceInfo(12));
    if (!uniqueId.isEmpty())
        emulation.putFile(pnpId, 0, QStringLiteral("KORVA/uniqueid"), uniqueId);
    return pnpId;
}

void configure(const QStringList& idsInOrder)
{
    SyncSettings settings;
    settings.load();
    for (const QString& id : idsInOrder)
        QCOMPARE(settings.setConfig(id, false, 0, {}, {}, id), 0);
    QCOMPARE(settings.save(), 0);
}

} // namespace

class TestMtpPhonesInDeviceList : public QObject
{
    Q_OBJECT

private slots:
    void phoneJoinsWithItsStoragesAndLeaves();
    void configuredMtpPhoneIsConnectedBeforeUsbPhone();
    void heldPhoneIsReportedAndJoinsOnceFreed();
};

void TestMtpPhonesInDeviceList::phoneJoinsWithItsStoragesAndLeaves()
{
    FakeUsbMachine machine;
    QVERIFY(machine.isValid());
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    const QString pnpId = addPhone(emulation, QStringLiteral("Pixel"), "MTP-ID");
    auto list = machine.makeDeviceList(std::make_unique<PortableDevicePhoneSource>());
    QVERIFY(refreshUntilCount(*list, 2));
    QCOMPARE(list->GetParentDevices().size(), 1);
    Device* internal = list->GetDevices().at(0);
    QCOMPARE(internal->GetDeviceType(), int(Device::kTypeMtp));
    QCOMPARE(internal->FriendlyName(), QStringLiteral("Pixel Internal"));
    QCOMPARE(internal->UniqueDeviceId(), QStringLiteral("MTP-ID"));
    QCOMPARE(internal->androidVersion(), 12);
    QVERIFY(!internal->isHidden());
    QCOMPARE(list->ParentOf(internal), list->GetParentDevices().first());
    // Further passes recognise the phone and open it no more.
    const int opened = emulation.openCount(pnpId);
    for (int i = 0; i < 3; ++i)
        QVERIFY(refreshUntilCount(*list, 2));
    QCOMPARE(emulation.openCount(pnpId), opened);

    emulation.removePhone(pnpId);
    QVERIFY(refreshUntilCount(*list, 0));
    QVERIFY(!list->DeviceIsConnected());
}

void TestMtpPhonesInDeviceList::configuredMtpPhoneIsConnectedBeforeUsbPhone()
{
    FakeUsbMachine machine;
    QVERIFY(machine.isValid());
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    machine.plugUsbPhone(QStringLiteral("Stick phone"), "USB-ID");
    addPhone(emulation, QStringLiteral("Pixel"), "MTP-ID");
    configure({QStringLiteral("USB-ID"), QStringLiteral("MTP-ID")});
    auto list = machine.makeDeviceList(std::make_unique<PortableDevicePhoneSource>());
    QVERIFY(refreshUntilCount(*list, 3));
    // The USB phone's id is read once the mounted checker has answered.
    QVERIFY(QTest::qWaitFor(
        [&list] {
            list->RefreshDevices();
            for (Device* device : list->GetDevices())
                if (device->UniqueDeviceId() == QStringLiteral("USB-ID"))
                    return true;
            return false;
        },
        10000));
    QCOMPARE(list->ConnectedDevice()->UniqueDeviceId(), QStringLiteral("MTP-ID"));

    configure({QStringLiteral("MTP-ID"), QStringLiteral("USB-ID")});
    QCOMPARE(list->ConnectedDevice()->UniqueDeviceId(), QStringLiteral("USB-ID"));
}

void TestMtpPhonesInDeviceList::heldPhoneIsReportedAndJoinsOnceFreed()
{
    FakeUsbMachine machine;
    QVERIFY(machine.isValid());
    MtpEmulation emulation;
    ScopedMtpBackend scope(&emulation);
    const QString pnpId = addPhone(emulation, QStringLiteral("Pixel"), "MTP-ID");
    emulation.setHeldByOtherProgram(pnpId, true);
    auto list = machine.makeDeviceList(std::make_unique<PortableDevicePhoneSource>());
    QSignalSpy unable(list.get(), &DeviceList::unableToOpenDevice);
    QVERIFY(QTest::qWaitFor(
        [&] {
            list->RefreshDevices();
            return unable.count() >= 1;
        },
        10000));
    QVERIFY(list->GetDevices().isEmpty());

    emulation.setHeldByOtherProgram(pnpId, false);
    QVERIFY(refreshUntilCount(*list, 2));
}

QTEST_MAIN(TestMtpPhonesInDeviceList)
#include "tst_MtpPhonesInDeviceList.moc"
