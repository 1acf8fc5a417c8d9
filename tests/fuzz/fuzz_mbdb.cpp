// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The Manifest.mbdb reader on any bytes: no crash, no read out of bounds, and
// never more entries than the input could hold.
#include "transfer/iphone/IphoneMbdbReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<IphoneBackupEntry> entries;
    const int result = IphoneMbdbReader::read(bytes, entries);
    // The smallest record is ten two-byte string lengths and 40 fixed bytes.
    if (qsizetype(entries.size()) * 50 > bytes.size())
        std::abort();
    if (result != IphoneMbdbReader::Success && result != IphoneMbdbReader::Truncated
        && result != IphoneMbdbReader::BadMagic)
        std::abort();
    return 0;
}
