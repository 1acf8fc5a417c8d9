// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// An encrypted backup's keybag and archived MBFile records on any bytes: no
// crash, no unbounded allocation, and the nesting check before libplist.
#include "transfer/iphone/BackupKeybag.h"
#include "transfer/iphone/EncryptedBackup.h"
#include "transfer/iphone/MbFileRecord.h"
#include "transfer/iphone/PlistNesting.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    BackupKeybag keybag;
    if (keybag.parse(bytes) == BackupKeybag::Success) {
        if (keybag.salt().isEmpty() || keybag.classKeys().isEmpty())
            std::abort();
        // Real round counts would make each input take seconds.
        if (keybag.iterations() <= 64 && keybag.sha256Iterations() <= 64) {
            EncryptedBackup backup;
            backup.unlock(bytes, QByteArrayLiteral("password"));
        }
    }
    MbFileRecord record;
    if (record.read(bytes) && !PlistNesting::withinLimit(bytes))
        std::abort();
    return 0;
}
