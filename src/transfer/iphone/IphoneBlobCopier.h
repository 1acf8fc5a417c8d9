// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Copies one stored file out of a backup. The kernel copies the bytes
// (copy_file_range) where it can, so gigabytes of camera roll cost no more
// than a plain copy; a failed copy leaves no partial target behind.
class IphoneBlobCopier
{
public:
    enum Result {
        Success = 0,
        SourceMissing = -13040,
        TargetFailed = -13041,
        CopyFailed = -13042,
    };

    static int copy(const QString& sourcePath, const QString& targetPath);
};
