// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QtGlobal>

#include <ctime>

// CPU time of this process: on a machine shared with other work the wall
// clock says more about the neighbours than about the code measured.
inline qint64 cpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}
