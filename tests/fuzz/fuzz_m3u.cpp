// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Feeds arbitrary bytes to the M3U reader, both as a file (".m3u" or ".m3u8",
// chosen by the first byte) and as text, and checks that every entry it
// answers is a clean absolute path.
#include "FuzzPlaylistFile.h"
#include "model/library/PlaylistFileReader.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    if (!folder.isValid() || size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1));
    const bool utf8 = data[0] & 1;
    const QString path = folder.filePath(utf8 ? QStringLiteral("list.m3u8") : QStringLiteral("list.m3u"));
    readFuzzPlaylistFile(path, bytes);
    const QStringList parsed = PlaylistFileReader::parseM3u(bytes, QStringLiteral("/music"), utf8);
    if (parsed.size() > PlaylistFileReader::kMaxEntries)
        std::abort();
    return 0;
}
