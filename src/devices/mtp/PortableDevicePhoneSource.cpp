// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/PortableDevicePhoneSource.h"

#include "app/TraceLog.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/PortableDevices.h"
#include "devices/mtp/QMtpDevice.h"
#include "devices/mtp/QMtpDeviceStorage.h"

namespace {

QString hex(quint16 value)
{
    return QString::number(value, 16);
}

void tracePhone(const MtpRawPhone& phone)
{
    traceValue("vendor", phone.vendor);
    traceValue("product", phone.product);
    traceValue("vendor id", hex(phone.vendorId));
    traceValue("product id", hex(phone.productId));
}

} // namespace

QList<MtpRawPhone> PortableDevicePhoneSource::listPhones()
{
    TraceScope trace("PortableDevicePhoneSource::listPhones");
    traceMessage("Listing raw device(s)");
    const QList<QMtpDeviceInfo> devices = QMtpGetDevices();
    traceMessage("Attempting to get devices from raw devices");
    QList<MtpRawPhone> phones;
    for (int i = 0; i < devices.size(); ++i) {
        MtpRawPhone phone;
        phone.index = i;
        phone.vendor = devices.at(i).manufacturer;
        phone.product = devices.at(i).description;
        // The listing gives no numeric ids.
        phone.vendorId = 0;
        phone.productId = 0;
        phone.pnpId = devices.at(i).pnpId;
        phone.friendlyName = devices.at(i).friendlyName;
        phones.append(phone);
    }
    return phones;
}

bool PortableDevicePhoneSource::isSamePhone(DeviceParent* known, const MtpRawPhone& phone)
{
    TraceScope trace("PortableDevicePhoneSource::isSamePhone");
    auto* parent = dynamic_cast<DeviceParentMtpMac*>(known);
    if (!parent)
        return false;
    // The connection's own id must match too: two phones of one make are
    // otherwise alike, and a phone plugged out and in again has a new
    // connection that the old parent's object ids do not belong to.
    const QMtpDevice* connection = parent->mtpDevice() ? parent->mtpDevice()->device() : nullptr;
    const bool same = parent->vendor() == phone.vendor && parent->product() == phone.product
                      && parent->vendorId() == phone.vendorId && parent->productId() == phone.productId && connection
                      && connection->pnpId() == phone.pnpId;
    if (same) {
        traceMessage("Raw device already in main list");
        tracePhone(phone);
    }
    return same;
}

std::unique_ptr<DeviceParent> PortableDevicePhoneSource::openPhone(const MtpRawPhone& phone, OpenOutcome& outcome)
{
    TraceScope trace("PortableDevicePhoneSource::openPhone");
    traceMessage("Device not already in main list... opening device...");
    tracePhone(phone);
    QMtpDeviceInfo info;
    info.manufacturer = phone.vendor;
    info.description = phone.product;
    info.pnpId = phone.pnpId;
    info.friendlyName = phone.friendlyName;
    auto connection = std::make_unique<QMtpDevice>(info);
    if (!connection->isOpen()) {
        traceValue("Unable to open raw device", phone.index);
        outcome = OpenOutcome::UnableToOpen;
        return nullptr;
    }
    const int storageResult = QMtpGetStorage(*connection);
    // A phone that offers no storage has nothing to sync either (it is
    // locked, or its user has not allowed file transfer).
    if (storageResult != 0 || connection->storages().isEmpty()) {
        traceValue("Can't get storage list", storageResult);
        traceMessage("Releasing device");
        QMtpCloseDevice(*connection);
        outcome = OpenOutcome::NoStorageList;
        return nullptr;
    }

    const QList<QMtpDeviceStorage*> storages = connection->storages();
    auto parent = std::make_unique<DeviceParentMtpMac>(std::make_unique<MtpDevice>(std::move(connection)), phone.vendor,
                                                       phone.product, phone.vendorId, phone.productId);
    for (QMtpDeviceStorage* storage : storages) {
        traceValue("Storage", storage->description());
        parent->addChild(new DeviceMtpMac(parent.get(), *storage));
    }
    outcome = OpenOutcome::Opened;
    return parent;
}
