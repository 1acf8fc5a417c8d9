// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/QMtpDeviceStorage.h"

#include "app/TraceLog.h"
#include "devices/mtp/PortableDevices.h"
#include "devices/mtp/QMtpDevice.h"

QMtpDeviceStorage::QMtpDeviceStorage(QMtpDevice* device, const QString& id) : mDevice(device), mId(id)
{
    TraceScope trace("QMtpDeviceStorage::QMtpDeviceStorage");
    refresh();
}

QString QMtpDeviceStorage::Id() const
{
    TraceScope trace("QMtpDeviceStorage::Id");
    traceValue("id", mId);
    return mId;
}

void QMtpDeviceStorage::refresh()
{
    TraceScope trace("QMtpDeviceStorage::refresh");
    // The figures are read again on the open connection: reopening it would
    // make every object id known above this layer stale.
    bool isStorage = false;
    QMtpReadStorageInfo(*mDevice, mId, isStorage, mDescription, mCapacity, mFreeSpace);
}
