// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/Device.h"

#include <QString>
#include <QtGlobal>

#include <memory>

class MtpDevice;

// A physical MTP phone.
class DeviceParentMtp : public DeviceParent
{
public:
    explicit DeviceParentMtp(const QString& name);
    int GetDeviceType() override;
};

// An MTP phone with its connection and object cache; it holds one
// DeviceMtpMac per storage. Vendor, product and the two USB ids recognise
// the phone again at the next enumeration.
class DeviceParentMtpMac : public DeviceParentMtp
{
public:
    DeviceParentMtpMac(std::unique_ptr<::MtpDevice> device, const QString& vendor, const QString& product,
                       quint16 vendorId, quint16 productId);
    // Closes the connection.
    ~DeviceParentMtpMac() override;

    ::MtpDevice* mtpDevice() const;
    QString vendor() const { return mVendor; }
    QString product() const { return mProduct; }
    quint16 vendorId() const { return mVendorId; }
    quint16 productId() const { return mProductId; }

private:
    std::unique_ptr<::MtpDevice> mMtpDevice;
    QString mVendor;
    QString mProduct;
    quint16 mVendorId;
    quint16 mProductId;
};
