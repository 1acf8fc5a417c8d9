// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The backup file list reader and the matching of its places on any bytes: no
// crash, and no photo destination that could leave the phone's DCIM folder.
#include "transfer/iphone/BackupFileList.h"

#include <QBuffer>
#include <QStringList>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    BackupFileList::read(buffer, [](const QString&, const QString& place) {
        const BackupFileList::Match match = BackupFileList::classify(place);
        if (match.mKind != BackupFileList::Photo)
            return;
        if (!match.mDestination.startsWith(QLatin1Char('/')))
            std::abort();
        const QStringList parts = match.mDestination.mid(1).split(QLatin1Char('/'));
        for (const QString& part : parts) {
            if (part.isEmpty() || part.startsWith(QLatin1Char('.')) || part.contains(QLatin1Char('\\')))
                std::abort();
        }
    });
    return 0;
}
