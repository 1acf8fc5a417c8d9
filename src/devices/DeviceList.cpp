// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/DeviceList.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/DriveIdentification.h"
#include "devices/MDeviceListObserver.h"
#include "devices/MountedChecker.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/MtpMacDeviceRefresher.h"
#include "devices/mtp/MtpPhoneSource.h"
#include "settings/SettingsStore.h"

DeviceList::DeviceList(SettingsStore* settings, std::unique_ptr<MtpPhoneSource> mtpSource, const QString& procRoot,
                       const QString& sysRoot, QObject* parent)
    : QObject(parent), mSettings(settings), mOwnSettings(settings ? nullptr : std::make_unique<SettingsStore>()),
      mMtpSource(std::move(mtpSource)), mDriveIdentification(std::make_unique<DriveIdentification>(procRoot, sysRoot)),
      mRefresher(std::make_unique<MtpMacDeviceRefresher>(mMtpSource.get())),
      mMountedCheckerThread(std::make_unique<MountedCheckerThread>(this))
{
    TraceScope trace("DeviceList::DeviceList");
    connect(mRefresher.get(), &MtpMacDeviceRefresher::unableToOpenDevice, this, &DeviceList::unableToOpenDevice);
    mTimer.setInterval(kRefreshIntervalMs);
    // Connected once here: connecting at every EnableAutoRefresh would stack
    // up connections and refresh several times per tick.
    connect(&mTimer, &QTimer::timeout, this, &DeviceList::update);
    mMountedCheckerThread->startAndWaitUntilReady();
}

DeviceList::~DeviceList()
{
    TraceScope trace("DeviceList::~DeviceList");
    mTimer.stop();
    mAutoRefreshEnabled = false;
    mObserver = nullptr;
    // No thread may outlive the list: a running pass still reads our parents.
    mRefresher->wait();
    if (mRefresherLocked) {
        mRefresher->unlock();
        mRefresherLocked = false;
    }
    mRefresher.reset();
    mMountedCheckerThread.reset();
    mDevices.clear();
    mParents.clear();
    mDeviceOwners.clear();
    mParentOwners.clear();
}

bool DeviceList::RefreshDevices()
{
    TraceScope trace("DeviceList::RefreshDevices");
    if (!mInitialised) {
        traceMessage("DeviceList::Initialise");
        mInitialised = true;
    }
    // USB drives are rebuilt from scratch at every refresh; MTP phones persist.
    removeUsbDevices();
    const bool usbChanged = RefreshUsbMSDevices();
    bool mtpChanged = false;
    if (!mRefresher->isActive()) {
        mtpChanged = takeMtpResults();
        mRefresher->start(mDevices, GetParentDevices());
    }
    if (usbChanged)
        traceMessage("usb_ms_list_changed");
    if (mtpChanged)
        traceMessage("mtp_list_changed");

    QString names;
    for (int i = 0; i < mDevices.size(); ++i) {
        const QString name = mDevices.at(i)->FriendlyName();
        traceValue("device list index: ", i);
        traceValue("device name: ", name);
        names += name;
    }
    const bool namesChanged = names != mPreviousNames;
    mPreviousNames = names;
    return namesChanged || usbChanged || mtpChanged;
}

void DeviceList::removeUsbDevices()
{
    TraceScope trace("DeviceList::removeUsbDevices");
    const QList<DeviceParent*> parents = mParents;
    for (DeviceParent* parent : parents) {
        if (parent->GetDeviceType() == Device::kTypeUsbMassStorage)
            drop(parent);
    }
}

void DeviceList::adopt(DeviceParent* parent)
{
    mParentOwners.insert(parent, std::shared_ptr<DeviceParent>(parent));
    mParents.append(parent);
    for (Device* child : parent->children()) {
        mDeviceOwners.insert(child, std::shared_ptr<Device>(child));
        mDevices.append(child);
    }
}

void DeviceList::drop(DeviceParent* parent)
{
    for (Device* child : parent->children()) {
        if (mDevices.removeAll(child) > 0)
            mDeviceOwners.remove(child);
    }
    mParents.removeAll(parent);
    mParentOwners.remove(parent);
}

bool DeviceList::RefreshUsbMSDevices()
{
    TraceScope trace("DeviceList::RefreshUsbMSDevices");
    const QList<MountedVolume> volumes = mDriveIdentification->mountedVolumes();
    QString logicalDriveString;
    for (const MountedVolume& volume : volumes)
        logicalDriveString += volume.mountPoint;
    traceValue("logicalDriverString", logicalDriveString);

    int mountedCount = 0;
    for (const MountedVolume& volume : volumes) {
        bool isUsb = false;
        const QString deviceName = mDriveIdentification->GetDeviceNameFromVolume(volume, isUsb);
        traceValue("deviceName", deviceName);
        if (!isUsb)
            continue;
        traceMessage("isUsbDevice == true");
        QString rootPath = volume.mountPoint;
        if (!rootPath.endsWith(Constants::driveRootSuffix()))
            rootPath += Constants::driveRootSuffix();
        const int status = mMountedCheckerThread->status(rootPath);
        // The answer arrives queued and is used by the next refresh.
        emit checkMountedStatus(rootPath);

        auto* parent = new DeviceParentMs(deviceName);
        UsbMSDevice* device = nullptr;
        if (status == MountedChecker::kMounted) {
            traceMessage("Got free space, so we assume the drive is mounted");
            device = new UsbMSDevice(rootPath, deviceName, true);
            traceMessage("usbMSDevice added");
            // The checker's answer is the free-space query itself; asking the
            // drive again here could hang this thread on a drive that died.
            ++mountedCount;
        } else {
            device = new UsbMSDevice(rootPath, deviceName, false);
        }
        parent->addChild(device);
        adopt(parent);
    }

    bool changed = false;
    if (mountedCount != mMountedUsbMSCount) {
        traceValue("newMountedCount", mountedCount);
        traceValue("mMountedUsbMSCount", mMountedUsbMSCount);
        mMountedUsbMSCount = mountedCount;
        changed = true;
    }
    if (logicalDriveString != mPreviousLogicalDriveString) {
        traceValue("mPreviousLogicalDriveString", mPreviousLogicalDriveString);
        traceValue("logicalDriveString", logicalDriveString);
        mPreviousLogicalDriveString = logicalDriveString;
        changed = true;
    }
    return changed;
}

bool DeviceList::takeMtpResults()
{
    TraceScope trace("DeviceList::takeMtpResults");
    bool changed = false;
    for (DeviceParent* parent : mRefresher->added()) {
        adopt(parent);
        changed = true;
    }
    for (DeviceParent* parent : mRefresher->removed()) {
        // Only a parent this list still owns may be deleted here.
        if (!mParents.contains(parent))
            continue;
        drop(parent);
        changed = true;
    }
    mRefresher->clearResults();
    return changed;
}

void DeviceList::update()
{
    TraceScope trace("DeviceList::update");
    if (mAutoRefreshEnabled && RefreshDevices() && mObserver)
        mObserver->DeviceListChanged();
}

void DeviceList::EnableAutoRefresh(MDeviceListObserver* observer)
{
    TraceScope trace("DeviceList::EnableAutoRefresh");
    if (mAutoRefreshEnabled) {
        traceMessage("Autorefresh is already enabled");
        return;
    }
    if (mRefresherLocked) {
        traceMessage("Unlocking the autorefresher");
        mRefresher->unlock();
        mRefresherLocked = false;
    } else {
        traceMessage("Autorefresher is already unlocked");
    }
    mAutoRefreshEnabled = true;
    mObserver = observer;
    traceMessage("DeviceList::forceUpdate");
    RefreshDevices();
    if (mObserver)
        mObserver->DeviceListChanged();
    mTimer.start();
}

void DeviceList::DisableAutoRefresh()
{
    TraceScope trace("DeviceList::DisableAutoRefresh");
    if (!mAutoRefreshEnabled) {
        traceMessage("Autorefresh already disabled");
        return;
    }
    mAutoRefreshEnabled = false;
    mTimer.stop();
    if (!mRefresherLocked) {
        traceMessage("Locking the autorefresher");
        mRefresher->lock(kRefresherLockTimeoutMs);
        mRefresherLocked = true;
    } else {
        traceMessage("Autorefresher is already locked");
    }
    traceMessage("Autorefresh is locked");
    mObserver = nullptr;
}

const QList<Device*>& DeviceList::GetDevices() const
{
    TraceScope trace("DeviceList::GetDevices");
    return mDevices;
}

QList<DeviceParent*> DeviceList::GetParentDevices() const
{
    TraceScope trace("DeviceList::GetParentDevices");
    return mParents;
}

bool DeviceList::DeviceIsConnected() const
{
    TraceScope trace("DeviceList::DeviceIsConnected");
    return !mDevices.isEmpty();
}

Device* DeviceList::ConnectedDevice() const
{
    TraceScope trace("DeviceList::ConnectedDevice");
    if (mDevices.isEmpty())
        return nullptr;
    // The program's store is kept current by every writer; a list of its own
    // has nobody to tell it, so it reads the file.
    if (mOwnSettings)
        mOwnSettings->reload();
    const SettingsStore& settings = this->settings();
    Device* newest = nullptr;
    int newestOrder = 0;
    for (int i = mDevices.size() - 1; i >= 0; --i) {
        Device* device = mDevices.at(i);
        if (!device->IsConfigured(settings)) {
            traceMessage("Non-Configured device found");
            continue;
        }
        traceMessage("Configured device found");
        const int order = device->configuredOrder(settings);
        if (order > newestOrder) {
            newest = device;
            newestOrder = order;
        }
    }
    return newest ? newest : mDevices.first();
}

SettingsStore& DeviceList::settings() const
{
    return mSettings ? *mSettings : *mOwnSettings;
}

void DeviceList::SelectDevice(int index)
{
    TraceScope trace("DeviceList::SelectDevice");
    traceValue("index", index);
    mSelectedIndex = index;
}

bool DeviceList::DeviceIsSelected() const
{
    TraceScope trace("DeviceList::DeviceIsSelected");
    return mSelectedIndex >= 0 && mSelectedIndex < mDevices.size();
}

Device* DeviceList::SelectedDevice() const
{
    TraceScope trace("DeviceList::SelectedDevice");
    return DeviceIsSelected() ? mDevices.at(mSelectedIndex) : nullptr;
}

DeviceParent* DeviceList::ParentOf(Device* device) const
{
    TraceScope trace("DeviceList::ParentOf");
    for (int i = mParents.size() - 1; i >= 0; --i) {
        if (mParents.at(i)->children().contains(device))
            return mParents.at(i);
    }
    return nullptr;
}

DeviceHandle DeviceList::handleOf(Device* device) const
{
    TraceScope trace("DeviceList::handleOf");
    const std::shared_ptr<Device> owned = mDeviceOwners.value(device);
    if (!owned)
        return DeviceHandle();
    return DeviceHandle(mParentOwners.value(ParentOf(device)), owned);
}

void DeviceList::mountedStatusChange(int aMountedState, const QString& aRootPath)
{
    TraceScope trace("DeviceList::mountedStatusChange");
    traceValue("aMountedState", aMountedState);
    traceValue("aRootPath", aRootPath);
    mMountedCheckerThread->setStatus(aRootPath, aMountedState);
}
