// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/MtpBackend.h"
#include "support/MtpEmulation.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceMtpMac;
class DeviceParent;
class DeviceParentMtpMac;

// An emulated MTP phone made the current backend for the object's life, and
// opened the way the enumeration thread opens phones. Point HOME at a
// temporary folder first: phone files pass through the program folder.
class EmulatedMtpPhone
{
public:
    // The "android.xml" every phone test starts with.
    static QByteArray deviceInfo(int version = 11, int screenPixels = 2073600);

    // storages: one description each; withDeviceInfo puts "android.xml" on the first.
    explicit EmulatedMtpPhone(const QStringList& storages = {QStringLiteral("Internal storage")},
                              bool withDeviceInfo = true);
    ~EmulatedMtpPhone();
    EmulatedMtpPhone(const EmulatedMtpPhone&) = delete;
    EmulatedMtpPhone& operator=(const EmulatedMtpPhone&) = delete;

    MtpEmulation& emulation() { return mEmulation; }
    QString pnpId() const { return mPnpId; }

    // The phone's files live in folder from now on (MtpEmulation::keepPhoneIn):
    // made there anew, or as an earlier process left them.
    bool keepIn(const QString& folder) { return mEmulation.keepPhoneIn(mPnpId, folder); }

    // Opens the phone into a parent with one device per storage; false when
    // it could not be opened. A second call opens it anew.
    bool open();
    DeviceParentMtpMac* parent() const;
    DeviceMtpMac* device(int storage = 0) const;

    // Files on the phone's first storage.
    bool put(const QString& path, const QByteArray& data) { return mEmulation.putFile(mPnpId, 0, path, data); }
    QByteArray read(const QString& path) const { return mEmulation.readFile(mPnpId, 0, path); }
    bool exists(const QString& path) const { return mEmulation.exists(mPnpId, 0, path); }
    QStringList list(const QString& folder) const { return mEmulation.list(mPnpId, 0, folder); }

private:
    void close();

    MtpEmulation mEmulation;
    ScopedMtpBackend mScope;
    QString mPnpId;
    std::unique_ptr<DeviceParent> mParent;
};
