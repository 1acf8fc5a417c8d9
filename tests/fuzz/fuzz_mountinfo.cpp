// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The mount table reader on any bytes: no crash, and a decoded mount point is
// never longer than its line.
#include "devices/DriveIdentification.h"

#include <QByteArray>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<MountedVolume> volumes = DriveIdentification::parseMountInfo(bytes);
    if (volumes.size() > bytes.count('\n') + 1)
        std::abort();
    for (const MountedVolume& volume : volumes) {
        if (volume.mountPoint.isEmpty() || volume.mountPoint.size() > bytes.size())
            std::abort();
    }
    return 0;
}
