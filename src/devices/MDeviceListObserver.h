// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

// Told by the device list, while its auto-refresh is on, that the set of
// attached phones has changed.
class MDeviceListObserver
{
public:
    virtual ~MDeviceListObserver() = default;
    virtual void DeviceListChanged() = 0;
};
