// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file of a backup only when it is a regular file: opening a
// FIFO or a device named like a backup file would wait for ever.
namespace RegularFile {

enum Result {
    Success = 0,
    CannotOpen = -13070,
    NotRegular = -13071,
    TooLarge = -13072,
};

int read(const QString& path, qint64 maximumSize, QByteArray& data);

// Whether path (after its links) is a regular file, without opening it.
bool isRegular(const QString& path);

} // namespace RegularFile
