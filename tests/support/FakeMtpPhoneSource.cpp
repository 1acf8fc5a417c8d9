// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/FakeMtpPhoneSource.h"

#include <QMutexLocker>

QAtomicInt FakeMtpDevice::sLiveCount;

FakeMtpDevice::FakeMtpDevice(const QString& name, const QByteArray& deviceInfo) : mName(name)
{
    sLiveCount.fetchAndAddOrdered(1);
    readDeviceInfo(deviceInfo);
}

FakeMtpDevice::~FakeMtpDevice()
{
    sLiveCount.fetchAndAddOrdered(-1);
}

int FakeMtpDevice::GetStorageCapacity(qint64& bytes)
{
    bytes = 8000;
    return 0;
}

int FakeMtpDevice::GetFreeStorageSpace(qint64& bytes)
{
    bytes = 3000;
    return 0;
}

FakeMtpParent::FakeMtpParent(const QString& vendor, const QString& product)
    : DeviceParent(vendor + QLatin1Char(' ') + product), mVendor(vendor), mProduct(product)
{
}

FakeMtpPhone FakeMtpPhoneSource::phone(const QString& vendor, const QString& product, const QString& storageName)
{
    FakeMtpPhone phone;
    phone.vendor = vendor;
    phone.product = product;
    phone.pnpId = vendor + QLatin1Char('/') + product + QLatin1Char('/') + storageName;
    phone.storages.append({storageName, QByteArrayLiteral("<device version=\"11\" screen_pixels=\"2000000\"/>")});
    return phone;
}

void FakeMtpPhoneSource::setPhones(const QList<FakeMtpPhone>& phones)
{
    QMutexLocker locker(&mMutex);
    mPhones = phones;
}

void FakeMtpPhoneSource::closeGate()
{
    QMutexLocker locker(&mMutex);
    mGateClosed = true;
}

void FakeMtpPhoneSource::releaseListing()
{
    {
        QMutexLocker locker(&mMutex);
        mGateClosed = false;
    }
    mGate.release();
}

void FakeMtpPhoneSource::waitForListingAtGate()
{
    mAtGate.acquire();
}

QList<MtpRawPhone> FakeMtpPhoneSource::listPhones()
{
    mListCount.fetchAndAddOrdered(1);
    bool gateClosed = false;
    {
        QMutexLocker locker(&mMutex);
        gateClosed = mGateClosed;
    }
    if (gateClosed) {
        mAtGate.release();
        mGate.acquire();
    }
    QMutexLocker locker(&mMutex);
    QList<MtpRawPhone> raw;
    for (int i = 0; i < mPhones.size(); ++i) {
        MtpRawPhone phone;
        phone.index = i;
        phone.vendor = mPhones.at(i).vendor;
        phone.product = mPhones.at(i).product;
        phone.pnpId = mPhones.at(i).pnpId;
        phone.friendlyName = mPhones.at(i).product;
        raw.append(phone);
    }
    return raw;
}

bool FakeMtpPhoneSource::isSamePhone(DeviceParent* known, const MtpRawPhone& phone)
{
    auto* parent = dynamic_cast<FakeMtpParent*>(known);
    return parent && parent->vendor() == phone.vendor && parent->product() == phone.product;
}

std::unique_ptr<DeviceParent> FakeMtpPhoneSource::openPhone(const MtpRawPhone& phone, OpenOutcome& outcome)
{
    mOpenCount.fetchAndAddOrdered(1);
    FakeMtpPhone attached;
    {
        QMutexLocker locker(&mMutex);
        outcome = OpenOutcome::UnableToOpen;
        bool found = false;
        for (const FakeMtpPhone& candidate : std::as_const(mPhones)) {
            if (candidate.pnpId == phone.pnpId) {
                attached = candidate;
                found = true;
                break;
            }
        }
        if (!found)
            return nullptr;
    }
    outcome = attached.outcome;
    if (outcome != OpenOutcome::Opened)
        return nullptr;
    auto parent = std::make_unique<FakeMtpParent>(attached.vendor, attached.product);
    for (const auto& storage : std::as_const(attached.storages))
        parent->addChild(new FakeMtpDevice(storage.first, storage.second));
    return parent;
}
