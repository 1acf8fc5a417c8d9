// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/MtpBackend.h"

#include <QMutex>
#include <QString>

#include <memory>

// Real phones through libmtp. Detecting phones talks to every USB device, so
// it happens only when the set of attached USB devices changed since the
// last pass; otherwise the last listing is answered again.
class LibMtpBackend : public MtpBackend
{
public:
    explicit LibMtpBackend(const QString& usbDevicesFolder = QStringLiteral("/sys/bus/usb/devices"));
    ~LibMtpBackend() override;

    QList<QMtpDeviceInfo> listDevices() override;
    std::unique_ptr<MtpConnection> open(const QString& pnpId) override;

    // How many times the USB bus was searched for phones.
    int detectCount() const;

private:
    QString usbSnapshot() const;

    struct Listing;
    mutable QMutex mMutex;
    QString mUsbDevicesFolder;
    std::unique_ptr<Listing> mListing;
    bool mListed = false;
    QString mLastSnapshot;
    int mDetectCount = 0;
};
