// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <memory>

class Device;
class DeviceParent;

// A phone storage and the phone it belongs to, kept alive for as long as
// someone holds the handle. The device list rebuilds its USB drives at every
// refresh and drops an unplugged MTP phone at once; a sync that is still
// using either must not be left with a deleted object.
class DeviceHandle
{
public:
    DeviceHandle() = default;
    DeviceHandle(std::shared_ptr<DeviceParent> parent, std::shared_ptr<Device> device)
        : mParent(std::move(parent)), mDevice(std::move(device))
    {
    }

    // For a device and parent whose owner outlives every holder of the
    // handle, such as objects on a test's stack.
    static DeviceHandle borrowed(Device* device, DeviceParent* parent)
    {
        return DeviceHandle(std::shared_ptr<DeviceParent>(parent, [](DeviceParent*) {}),
                            std::shared_ptr<Device>(device, [](Device*) {}));
    }

    Device* device() const { return mDevice.get(); }
    DeviceParent* parent() const { return mParent.get(); }
    explicit operator bool() const { return mDevice != nullptr; }

private:
    // In this order, so that a storage goes before the phone it lives on.
    std::shared_ptr<DeviceParent> mParent;
    std::shared_ptr<Device> mDevice;
};
