// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/android/SafeFileNames.h"

#include <QString>
#include <QStringList>

#include <optional>

// Copies files as they are (Android plays the backup's audio without any
// conversion) into one folder of the standard files, each under a safe,
// unique name made from its title and carrying its own time.
class DatedFileCopier
{
public:
    explicit DatedFileCopier(const QString& folder) : mFolder(folder) {}

    // source as "<folder>/<safe title><suffix>", replacing a file an earlier
    // conversion left there; secondsSince1970 becomes its modification time.
    void copy(const QString& source, const QString& title, const QString& fallback, const QString& suffix,
              std::optional<qint64> secondsSince1970);

    // 0, or DataResult::FileCannotWrite when some file could not be copied.
    int code() const { return mCode; }
    const QString& folder() const { return mFolder; }
    // The files copied, relative to the folder.
    const QStringList& written() const { return mWritten; }

private:
    QString mFolder;
    SafeFileNames mNames;
    QStringList mWritten;
    int mCode = 0;
};
