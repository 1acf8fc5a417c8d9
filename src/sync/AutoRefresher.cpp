// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/AutoRefresher.h"

#include "app/TraceLog.h"
#include "devices/DeviceList.h"
#include "model/LocalMusicLibrary.h"
#include "sync/SpaceCalculator.h"

AutoRefresher::AutoRefresher(LocalMusicLibrary* library, DeviceList* deviceList, QObject* parent)
    : QObject(parent), mLibrary(library), mDeviceList(deviceList)
{
    TraceScope trace("AutoRefresher::AutoRefresher");
    if (mLibrary)
        connect(mLibrary, &LocalMusicLibrary::localLibraryEvent, this, &AutoRefresher::timeout, Qt::QueuedConnection);
}

AutoRefresher::~AutoRefresher()
{
    TraceScope trace("AutoRefresher::~AutoRefresher");
    stop();
}

void AutoRefresher::start()
{
    TraceScope trace("AutoRefresher::start");
    if (mDeviceList)
        mDeviceList->EnableAutoRefresh(this);
}

void AutoRefresher::stop()
{
    TraceScope trace("AutoRefresher::stop");
    if (mDeviceList)
        mDeviceList->DisableAutoRefresh();
}

void AutoRefresher::DeviceListChanged()
{
    TraceScope trace("AutoRefresher::DeviceListChanged");
    const int deviceState = mDeviceList && mDeviceList->DeviceIsConnected() ? 1 : 0;
    traceValue("deviceState", deviceState);
    emit connectedDeviceStateChanged(deviceState, 0);
    timeout();
}

void AutoRefresher::timeout()
{
    TraceScope trace("AutoRefresher::timeout");
    if (!mDeviceList || !mDeviceList->DeviceIsConnected())
        return;
    traceMessage("Device is connected");
    Device* device = mDeviceList->ConnectedDevice();
    // Both stay 0 when the phone is not mounted or a query fails.
    qint64 used = 0;
    qint64 freeSpace = 0;
    if (SpaceCalculator(*device, used, freeSpace) != 0) {
        used = 0;
        freeSpace = 0;
    }
    emit freeSpaceUpdate(used, freeSpace);
}
