// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QtGlobal>

class Device;

// The used and free bytes of a phone, for the space gauge. A phone that is not
// mounted leaves both figures as they are and reports 0. A failing free-space
// query counts the whole capacity as used and reports its code.
int SpaceCalculator(Device& device, qint64& usedBytes, qint64& freeBytes);

// The space check made before a sync starts. It always passes: the real
// shortfall test is made by the sync engine once it knows the tracks.
bool spaceCheck(Device& device);
