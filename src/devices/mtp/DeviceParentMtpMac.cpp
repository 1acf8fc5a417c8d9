// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/DeviceParentMtpMac.h"

#include "app/TraceLog.h"
#include "devices/mtp/MtpDevice.h"

namespace {

QString parentName(const MtpDevice* device, const QString& product)
{
    const QString friendly = device ? device->friendlyName() : QString();
    return friendly.isEmpty() ? product : friendly;
}

} // namespace

DeviceParentMtp::DeviceParentMtp(const QString& name) : DeviceParent(name) {}

int DeviceParentMtp::GetDeviceType()
{
    TraceScope trace("DeviceParentMtp::GetDeviceType");
    return Device::kTypeMtp;
}

DeviceParentMtpMac::DeviceParentMtpMac(std::unique_ptr<::MtpDevice> device, const QString& vendor,
                                       const QString& product, quint16 vendorId, quint16 productId)
    : DeviceParentMtp(parentName(device.get(), product)), mMtpDevice(std::move(device)), mVendor(vendor),
      mProduct(product), mVendorId(vendorId), mProductId(productId)
{
    TraceScope trace("DeviceParentMtpMac::DeviceParentMtpMac");
    traceValue("aVendor", vendor);
    traceValue("aProduct", product);
}

DeviceParentMtpMac::~DeviceParentMtpMac()
{
    TraceScope trace("DeviceParentMtpMac::~DeviceParentMtpMac");
    if (mMtpDevice)
        mMtpDevice->close();
    mMtpDevice.reset();
}

::MtpDevice* DeviceParentMtpMac::mtpDevice() const
{
    TraceScope trace("DeviceParentMtpMac::MtpDevice");
    return mMtpDevice.get();
}
