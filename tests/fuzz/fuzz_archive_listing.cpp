// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The archiver's listing of a backup archive on any bytes: no crash, and no
// entry kept whose name could leave the unpacking folder or whose sizes pass
// the limit.
#include "transfer/blackberry/BackupArchive.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray listing(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr qint64 kLimit = 1 << 20;
    QHash<QString, qint64> entries;
    QStringList order;
    const int result = BackupArchive::readListing(listing, kLimit, entries, &order);
    if (result != 0 && result != BackupArchive::kErrorTooLarge && result != BackupArchive::kErrorUnsafeEntry
        && result != BackupArchive::kErrorEncrypted)
        std::abort();
    // The stream is split by this order: each kept name exactly once.
    if (order.size() != entries.size())
        std::abort();
    qint64 total = 0;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (!BackupArchive::isSafeEntryName(it.key()) || it.value() < 0)
            std::abort();
        total += it.value();
    }
    if (total > kLimit)
        std::abort();
    return 0;
}
