// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/MtpMacDeviceRefresher.h"

#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/mtp/MtpPhoneSource.h"

#include <QMutexLocker>
#include <QSet>

#include <memory>

namespace {

void tracePhone(const MtpRawPhone& phone)
{
    traceValue("vendor", phone.vendor);
    traceValue("product", phone.product);
    traceValue("vendor id", QString::number(phone.vendorId, 16));
    traceValue("product id", QString::number(phone.productId, 16));
}

void deleteParentAndChildren(DeviceParent* parent)
{
    qDeleteAll(parent->children());
    delete parent;
}

} // namespace

MtpMacDeviceRefresher::MtpMacDeviceRefresher(MtpPhoneSource* source, QObject* parent) : QThread(parent), mSource(source)
{
    TraceScope trace("MtpMacDeviceRefresher::MtpMacDeviceRefresher");
}

MtpMacDeviceRefresher::~MtpMacDeviceRefresher()
{
    TraceScope trace("MtpMacDeviceRefresher::~MtpMacDeviceRefresher");
    wait();
    // Parents made by a pass whose results nobody took are still ours.
    for (DeviceParent* parent : std::as_const(mAdded))
        deleteParentAndChildren(parent);
}

void MtpMacDeviceRefresher::lock(int timeoutMs)
{
    TraceScope trace("MtpMacDeviceRefresher::lock");
    if (mRefresherLock.tryLock(timeoutMs))
        return;
    traceMessage("*** Refresher seems to be stalled");
    mRefresherLock.lock();
}

void MtpMacDeviceRefresher::unlock()
{
    TraceScope trace("MtpMacDeviceRefresher::unlock");
    mRefresherLock.unlock();
}

bool MtpMacDeviceRefresher::isActive()
{
    TraceScope trace("MtpMacDeviceRefresher::isActive");
    QMutexLocker locker(&mStateLock);
    traceValue("mActive", mActive ? 1 : 0);
    return mActive;
}

void MtpMacDeviceRefresher::start(const QList<Device*>& devices, const QList<DeviceParent*>& parents)
{
    TraceScope trace("MtpMacDeviceRefresher::start");
    traceValue("aDeviceList.Count()", static_cast<int>(devices.size()));
    if (isActive()) {
        traceMessage("Already refreshing, so exit");
        return;
    }
    mKnown.clear();
    for (DeviceParent* parent : parents) {
        if (parent->GetDeviceType() == Device::kTypeMtp)
            mKnown.append(parent);
    }
    {
        QMutexLocker locker(&mStateLock);
        mActive = true;
    }
    // The previous pass has cleared active but its thread may not have
    // returned yet; starting a running thread would be ignored and leave
    // active set for good.
    wait();
    for (DeviceParent* parent : std::as_const(mAdded))
        deleteParentAndChildren(parent);
    mAdded.clear();
    mRemoved.clear();
    QThread::start(QThread::InheritPriority);
}

void MtpMacDeviceRefresher::setComplete()
{
    TraceScope trace("MtpMacDeviceRefresher::setComplete");
    QMutexLocker locker(&mStateLock);
    mActive = false;
}

void MtpMacDeviceRefresher::clearResults()
{
    TraceScope trace("MtpMacDeviceRefresher::clearResults");
    mAdded.clear();
    mRemoved.clear();
}

void MtpMacDeviceRefresher::run()
{
    TraceScope trace("MtpMacDeviceRefresher::run");
    // While the device list holds the lock a sync or the wizard is using a
    // phone: this pass must not touch any.
    if (mRefresherLock.tryLock()) {
        enumerate();
        mRefresherLock.unlock();
    }
    setComplete();
}

DeviceParent* MtpMacDeviceRefresher::findKnown(const MtpRawPhone& phone, const QSet<DeviceParent*>& seen) const
{
    for (DeviceParent* known : mKnown) {
        // A known parent stands for one phone only: without this, a second
        // phone of the same make would match the first one's parent and its
        // own parent would be dropped as removed.
        if (!seen.contains(known) && mSource->isSamePhone(known, phone))
            return known;
    }
    return nullptr;
}

void MtpMacDeviceRefresher::enumerate()
{
    TraceScope trace("MtpMacDeviceRefresher::enumerate");
    QSet<DeviceParent*> seen;
    traceMessage("Listing raw device(s)");
    const QList<MtpRawPhone> phones = mSource ? mSource->listPhones() : QList<MtpRawPhone>();
    traceMessage("Attempting to get devices from raw devices");
    for (const MtpRawPhone& phone : phones) {
        if (DeviceParent* known = findKnown(phone, seen)) {
            traceMessage("Raw device already in main list");
            tracePhone(phone);
            seen.insert(known);
            continue;
        }
        traceMessage("Device not already in main list... opening device...");
        tracePhone(phone);
        MtpPhoneSource::OpenOutcome outcome = MtpPhoneSource::OpenOutcome::UnableToOpen;
        std::unique_ptr<DeviceParent> parent = mSource->openPhone(phone, outcome);
        if (outcome == MtpPhoneSource::OpenOutcome::NoStorageList) {
            traceMessage("Can't get storage list");
            traceMessage("Releasing device");
            continue;
        }
        if (outcome != MtpPhoneSource::OpenOutcome::Opened || !parent) {
            emit unableToOpenDevice();
            traceValue("Unable to open raw device", phone.index);
            continue;
        }
        int screenPixels = -1;
        const int version = parent->highestAndroidVersion(screenPixels);
        if (version < 0) {
            traceValue("No android.xml: companion app missing, using fallback device information", version);
            for (Device* child : parent->children()) {
                child->setHidden(true);
                child->useFallbackDeviceInfo();
            }
        }
        seen.insert(parent.get());
        mAdded.append(parent.release());
    }
    for (DeviceParent* known : std::as_const(mKnown)) {
        if (!seen.contains(known) && known->GetDeviceType() == Device::kTypeMtp)
            mRemoved.append(known);
    }
}
