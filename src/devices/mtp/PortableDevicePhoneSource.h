// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/MtpPhoneSource.h"

// The enumeration thread's view of the portable-devices layer: lists the
// phones of the current backend (libmtp, or the emulation in tests), and
// opens one into a DeviceParentMtpMac with a DeviceMtpMac per storage.
class PortableDevicePhoneSource : public MtpPhoneSource
{
public:
    QList<MtpRawPhone> listPhones() override;
    bool isSamePhone(DeviceParent* known, const MtpRawPhone& phone) override;
    std::unique_ptr<DeviceParent> openPhone(const MtpRawPhone& phone, OpenOutcome& outcome) override;
};
