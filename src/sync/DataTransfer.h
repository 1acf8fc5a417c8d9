// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "sync/PhotoCopier.h"

#include <QString>

class Device;
class DeviceParent;
class SyncSettings;

// The data-transfer step of a sync: contacts, text messages and calendar out
// of the BlackBerry or iPhone backup the user chose, as XML files into the
// phone's "KORVA" folder, and the photos into "DCIM". A transfer is done once
// per request: the copy choices are switched off in the settings afterwards.
class DataTransfer
{
public:
    DataTransfer(Device& device, DeviceParent* parentDevice, PhotoCopier::Observer& observer);

    // Runs the whole step for the phone with this id; the settings are saved
    // with the choices cleared. True when an iPhone backup could not be read.
    bool run(SyncSettings& settings, const QString& id);

    // home + "/KORVA/extracted/": where the backup's files and the XML go.
    static QString extractionFolder();
    // "...ipd" (longer than 4 characters) or "...bbb", exact case.
    static bool isBlackBerryBackup(const QString& backupPath);

private:
    struct Choices {
        bool messages = false;
        bool addressBook = false;
        bool photos = false;
        bool calendar = false;
    };

    void transferBlackBerry(const SyncSettings& settings, const QString& id, const QString& backupPath,
                            const Choices& choices);
    // False when the backup could not be read.
    bool transferIphone(const QString& backupPath, const Choices& choices);
    void copyToPhone(const QString& fileName, bool wanted);

    Device& mDevice;
    DeviceParent* mParentDevice;
    PhotoCopier::Observer& mObserver;
};
