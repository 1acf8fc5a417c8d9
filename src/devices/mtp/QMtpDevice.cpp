// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/QMtpDevice.h"

#include "app/TraceLog.h"
#include "devices/mtp/MtpBackend.h"
#include "devices/mtp/PortableDevices.h"
#include "devices/mtp/QMtpDeviceStorage.h"

#include <QMutexLocker>

QMtpDevice::QMtpDevice(const QMtpDeviceInfo& info) : mInfo(info), mBackend(&MtpBackend::current())
{
    TraceScope trace("QMtpDevice::QMtpDevice");
    QMtpOpenDevice(*this);
}

QMtpDevice::~QMtpDevice()
{
    TraceScope trace("QMtpDevice::~QMtpDevice");
    QMutexLocker locker(&mMutex);
    mStorages.clear();
    mConnection.reset();
}

bool QMtpDevice::isOpen() const
{
    QMutexLocker locker(&mMutex);
    return mConnection != nullptr;
}

QString QMtpDevice::friendlyName() const
{
    return mInfo.friendlyName;
}

QString QMtpDevice::pnpId() const
{
    return mInfo.pnpId;
}

QList<QMtpDeviceStorage*> QMtpDevice::storages() const
{
    QMutexLocker locker(&mMutex);
    QList<QMtpDeviceStorage*> list;
    for (const auto& storage : mStorages)
        list.append(storage.get());
    return list;
}

void QMtpDevice::setConnection(std::unique_ptr<MtpConnection> connection)
{
    QMutexLocker locker(&mMutex);
    mConnection = std::move(connection);
}

void QMtpDevice::clearStorages()
{
    QMutexLocker locker(&mMutex);
    mStorages.clear();
}

void QMtpDevice::addStorage(std::unique_ptr<QMtpDeviceStorage> storage)
{
    QMutexLocker locker(&mMutex);
    mStorages.push_back(std::move(storage));
}
