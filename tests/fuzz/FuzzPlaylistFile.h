// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/library/PlaylistFileReader.h"

#include <QFile>
#include <QString>

#include <cstdlib>

// Writes the bytes as the playlist file at path and reads it back; every entry
// the reader answers must be a clean absolute path.
inline void readFuzzPlaylistFile(const QString& path, const QByteArray& bytes)
{
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        file.write(bytes);
    }
    QStringList entries;
    if (PlaylistFileReader::readFile(path, entries) != 0)
        return;
    for (const QString& entry : std::as_const(entries)) {
        if (!entry.startsWith(QLatin1Char('/')) || entry.contains(QChar::Null))
            std::abort();
    }
}
