// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// One attached portable device as the listing describes it.
struct QMtpDeviceInfo
{
    QString manufacturer;
    QString description;
    QString pnpId;        // what opening the device needs
    QString friendlyName; // what the user is shown
};
