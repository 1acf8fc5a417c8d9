// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// A camera-roll file found in an iPhone backup: where it was extracted to on
// the PC, and its path below the phone's "DCIM" folder (starting with "/").
struct PhotoPath
{
    QString mSourceName;
    QString mDestName;
};
