// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/DatedFileCopier.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

void DatedFileCopier::copy(const QString& source, const QString& title, const QString& fallback, const QString& suffix,
                           std::optional<qint64> secondsSince1970)
{
    const QString name = mNames.take(title, fallback, suffix);
    const QString target = QDir(mFolder).filePath(name);
    // QFile::copy refuses to replace a file, and converting again into the
    // same folder must give the same files.
    QFile::remove(target);
    bool copied = QDir().mkpath(mFolder) && QFile::copy(source, target);
    // The copy takes the source's permissions, which the extractor may have made read-only.
    copied = copied && QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
    if (copied && secondsSince1970) {
        // A file system that refuses the time still gets the audio.
        QFile file(target);
        if (!file.open(QIODevice::ReadWrite)
            || !file.setFileTime(QDateTime::fromSecsSinceEpoch(*secondsSince1970, Qt::UTC),
                                 QFileDevice::FileModificationTime))
            traceValue("Time not set", target);
    }
    if (!copied) {
        QFile::remove(target);
        traceValue("Not copied", source);
        mCode = DataResult::FileCannotWrite;
        return;
    }
    mWritten.append(name);
}
