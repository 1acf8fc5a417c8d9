// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/QMtpDeviceInfo.h"

#include <QList>
#include <QRecursiveMutex>
#include <QString>

#include <memory>
#include <vector>

class MtpBackend;
class MtpConnection;
class QMtpDeviceStorage;

// One connection to one portable device, opened at construction with the
// backend current then. Every call on the connection holds its mutex: the
// libraries below are not thread-safe.
class QMtpDevice
{
public:
    explicit QMtpDevice(const QMtpDeviceInfo& info);
    ~QMtpDevice();
    QMtpDevice(const QMtpDevice&) = delete;
    QMtpDevice& operator=(const QMtpDevice&) = delete;

    // Whether the last opening succeeded and the connection is still there.
    bool isOpen() const;
    QString friendlyName() const;
    QString pnpId() const;
    const QMtpDeviceInfo& info() const { return mInfo; }
    // The storages found by QMtpGetStorage; they live as long as this device.
    QList<QMtpDeviceStorage*> storages() const;

    // For the portable-devices functions.
    QRecursiveMutex& mutex() const { return mMutex; }
    MtpBackend& backend() const { return *mBackend; }
    MtpConnection* connection() const { return mConnection.get(); }
    void setConnection(std::unique_ptr<MtpConnection> connection);
    void clearStorages();
    void addStorage(std::unique_ptr<QMtpDeviceStorage> storage);

private:
    QMtpDeviceInfo mInfo;
    MtpBackend* mBackend;
    std::unique_ptr<MtpConnection> mConnection;
    std::vector<std::unique_ptr<QMtpDeviceStorage>> mStorages;
    mutable QRecursiveMutex mMutex;
};
