// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "support/FakeDriveTree.h"
#include "support/SyncTestHome.h"
#include "sync/SyncController.h"

class SyncTestLibrary;

// A temporary home and a fake proc/sys tree that mounts the home's phone
// folder as a USB disk, mounts it at a path that does not exist, or mounts
// nothing: the machine a controller or a window runs on in tests.
class FakeUsbPhoneMachine
{
public:
    enum class Phone { None, Mounted, Unreachable };

    explicit FakeUsbPhoneMachine(Phone phone = Phone::Mounted);

    // Drive roots pointing at the fake tree, no MTP phones, the given library.
    SyncController::Environment environment(std::unique_ptr<LocalMusicLibrary> library) const;
    // Configures the phone with a playlist "Mix" of one small MP3 file that
    // claims the given size.
    void addTrack(SyncTestLibrary& library, qint64 size);
    // Takes the phone away: nothing is mounted any more.
    void unplug();

    SyncTestHome& home() { return mHome; }
    FakeDriveTree& tree() { return mTree; }

private:
    SyncTestHome mHome;
    FakeDriveTree mTree;
};
