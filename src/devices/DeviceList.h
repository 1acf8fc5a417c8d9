// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/DeviceHandle.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class Device;
class DeviceParent;
class DriveIdentification;
class MDeviceListObserver;
class MountedCheckerThread;
class MtpMacDeviceRefresher;
class MtpPhoneSource;
class SettingsStore;

// The program's one view of the attached phones. Each refresh rebuilds the
// USB mass-storage phones from the mounted file systems and merges in the MTP
// phones that the enumeration thread found or lost; while auto-refresh is on,
// a 2000 ms timer refreshes and tells the observer about changes. Lives on the
// user-interface thread and owns every parent and device it lists.
class DeviceList : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 2000;
    static constexpr int kRefresherLockTimeoutMs = 5000;

    // settings: the program's settings, which tell configured phones apart;
    // null = the list reads the settings file itself whenever it needs it.
    // mtpSource: the MTP layer, owned; null = no MTP phones.
    // procRoot/sysRoot: where the mounts and the disks are read.
    explicit DeviceList(SettingsStore* settings, std::unique_ptr<MtpPhoneSource> mtpSource = nullptr,
                        const QString& procRoot = QStringLiteral("/proc"),
                        const QString& sysRoot = QStringLiteral("/sys"), QObject* parent = nullptr);
    ~DeviceList() override;

    // Returns whether anything the user could notice changed.
    bool RefreshDevices();
    void EnableAutoRefresh(MDeviceListObserver* observer);
    void DisableAutoRefresh();
    const QList<Device*>& GetDevices() const;
    virtual QList<DeviceParent*> GetParentDevices() const;
    bool DeviceIsConnected() const;
    // The configured phone configured most recently, else the first device.
    // Only valid while DeviceIsConnected().
    Device* ConnectedDevice() const;
    // The settings the list tells configured phones by.
    SettingsStore& settings() const;
    void SelectDevice(int index);
    bool DeviceIsSelected() const;
    // Null unless DeviceIsSelected().
    Device* SelectedDevice() const;
    // The last parent holding device, null when none does.
    DeviceParent* ParentOf(Device* device) const;
    // A handle that keeps device and its parent alive after this list has
    // dropped them; empty for a device the list does not hold.
    DeviceHandle handleOf(Device* device) const;

signals:
    void checkMountedStatus(QString aRootPath);
    void unableToOpenDevice();

public slots:
    void update();
    void mountedStatusChange(int aMountedState, const QString& aRootPath);

private:
    bool RefreshUsbMSDevices();
    void removeUsbDevices();
    bool takeMtpResults();
    void adopt(DeviceParent* parent);
    void drop(DeviceParent* parent);

    SettingsStore* mSettings;
    std::unique_ptr<SettingsStore> mOwnSettings;
    std::unique_ptr<MtpPhoneSource> mMtpSource;
    std::unique_ptr<DriveIdentification> mDriveIdentification;
    QList<Device*> mDevices;
    QList<DeviceParent*> mParents;
    // The owners of what the two lists show; a handle may keep an entry
    // alive after it has left them.
    QHash<const Device*, std::shared_ptr<Device>> mDeviceOwners;
    QHash<const DeviceParent*, std::shared_ptr<DeviceParent>> mParentOwners;
    std::unique_ptr<MtpMacDeviceRefresher> mRefresher;
    bool mInitialised = false;
    bool mRefresherLocked = false;
    MDeviceListObserver* mObserver = nullptr;
    QString mPreviousLogicalDriveString;
    QTimer mTimer;
    int mSelectedIndex = -1;
    int mMountedUsbMSCount = 0;
    std::unique_ptr<MountedCheckerThread> mMountedCheckerThread;
    bool mAutoRefreshEnabled = false;
    QString mPreviousNames;
};
