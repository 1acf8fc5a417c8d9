// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/EmulatedMtpPhone.h"

#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/PortableDevicePhoneSource.h"

QByteArray EmulatedMtpPhone::deviceInfo(int version, int screenPixels)
{
    return "<?xml version=\"1.0\"?><device version=\"" + QByteArray::number(version) + "\" screen_pixels=\""
           + QByteArray::number(screenPixels) + "\"/>";
}

EmulatedMtpPhone::EmulatedMtpPhone(const QStringList& storages, bool withDeviceInfo) : mScope(&mEmulation)
{
    mPnpId = mEmulation.addPhone(QStringLiteral("Acme"), QStringLiteral("Phone X"), storages, QStringLiteral("Galaxy"));
    if (withDeviceInfo)
        mEmulation.putFile(mPnpId, 0, QStringLiteral("KORVA/android.xml"), deviceInfo());
}

EmulatedMtpPhone::~EmulatedMtpPhone()
{
    close();
}

void EmulatedMtpPhone::close()
{
    if (!mParent)
        return;
    qDeleteAll(mParent->children());
    mParent.reset();
}

bool EmulatedMtpPhone::open()
{
    close();
    PortableDevicePhoneSource source;
    for (const MtpRawPhone& phone : source.listPhones()) {
        if (phone.pnpId != mPnpId)
            continue;
        MtpPhoneSource::OpenOutcome outcome = MtpPhoneSource::OpenOutcome::UnableToOpen;
        mParent = source.openPhone(phone, outcome);
    }
    return mParent != nullptr;
}

DeviceParentMtpMac* EmulatedMtpPhone::parent() const
{
    return static_cast<DeviceParentMtpMac*>(mParent.get());
}

DeviceMtpMac* EmulatedMtpPhone::device(int storage) const
{
    if (!mParent || storage < 0 || storage >= mParent->children().size())
        return nullptr;
    return static_cast<DeviceMtpMac*>(mParent->children().at(storage));
}
