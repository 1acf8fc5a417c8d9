// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Feeds arbitrary bytes to the PLS reader as a ".pls" file and as text, and
// checks that every entry it answers is a clean absolute path.
#include "FuzzPlaylistFile.h"
#include "model/library/PlaylistFileReader.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const QString path = folder.filePath(QStringLiteral("list.pls"));
    readFuzzPlaylistFile(path, bytes);
    if (PlaylistFileReader::parsePls(bytes, QStringLiteral("/music")).size() > PlaylistFileReader::kMaxEntries)
        std::abort();
    return 0;
}
