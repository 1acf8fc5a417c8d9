// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Copies a file so that the destination name only ever names a complete copy.
// The data goes to a hidden temporary file in the destination's folder, which
// is renamed over the destination once every byte is written. A copy
// cut short (phone pulled, disk full) leaves no file under the final name and
// removes its temporary file where it still can. An existing destination is
// replaced; callers that must keep it check first.
class FileCopier
{
public:
    // The temporary name used in the destination's folder.
    static QString temporaryPathFor(const QString& destination);
    static bool copy(const QString& source, const QString& destination);
    // Both are regular files of equal size and equal bytes.
    static bool sameContents(const QString& first, const QString& second);
};
