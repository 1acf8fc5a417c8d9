// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "support/FakeDriveTree.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class DeviceList;
class MtpPhoneSource;

// A fake machine for the device list: its drive tree, temporary folders that
// play the USB phones' drives, and a temporary HOME for the settings file
// (restored when the machine goes).
class FakeUsbMachine
{
public:
    FakeUsbMachine();
    ~FakeUsbMachine();
    FakeUsbMachine(const FakeUsbMachine&) = delete;
    FakeUsbMachine& operator=(const FakeUsbMachine&) = delete;

    bool isValid() const { return mTree.isValid() && mHome.isValid() && mDrives.isValid(); }
    FakeDriveTree& tree() { return mTree; }
    QString home() const { return mHome.path(); }

    // A USB disk on its own port, mounted at a new folder that holds the
    // phone's program folder (and its id file when uniqueId is given);
    // returns the folder. A drive that is not alive is mounted at a folder
    // that does not exist, so its space query fails.
    QString plugUsbPhone(const QString& model, const QByteArray& uniqueId = QByteArray(), bool alive = true);
    void plugDeadUsbDrive(const QString& model) { plugUsbPhone(model, QByteArray(), false); }
    // A SATA disk, never a phone, mounted at mountPoint.
    void mountFixedDisk(const QString& mountPoint);
    void unplugAll();

    std::unique_ptr<DeviceList> makeDeviceList(std::unique_ptr<MtpPhoneSource> mtp = nullptr);

private:
    FakeDriveTree mTree;
    QTemporaryDir mHome;
    QTemporaryDir mDrives;
    QByteArray mOldHome;
    int mPorts = 0;
    bool mSataDisk = false;
};
