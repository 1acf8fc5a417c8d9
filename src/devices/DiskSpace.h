// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// The file system's space figures below a drive's root path. The query can
// hang on a drive that has gone away, which is why the device list asks it
// on its own thread. Returns false (and leaves both figures at 0) when the
// path cannot be queried.
bool queryDiskSpace(const QString& rootPath, qint64& freeBytes, qint64& totalBytes);
