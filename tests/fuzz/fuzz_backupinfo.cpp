// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// An iPhone backup's Info.plist, Manifest.plist and Manifest.db on any bytes, as
// the backup page reads them: no crash, and always an entry with a name to show.
#include "transfer/BackupLocator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& name : {QStringLiteral("Info.plist"), QStringLiteral("Manifest.plist")}) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(bytes);
    }
    QFile manifest(folder.filePath(QStringLiteral("Manifest.db")));
    if (!manifest.open(QIODevice::WriteOnly))
        return 0;
    // Behind an SQLite header, so the page size and page count fields are fuzzed too.
    manifest.write("SQLite format 3", 16);
    manifest.write(bytes);
    manifest.close();
    const LocatedBackup backup = BackupLocator::describeIphoneBackup(folder.path());
    if (backup.deviceName.isEmpty() || backup.description().isEmpty())
        std::abort();
    return 0;
}
