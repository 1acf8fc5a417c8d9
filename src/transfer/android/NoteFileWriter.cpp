// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/NoteFileWriter.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

bool NoteFileWriter::makeFolder(const QString& folder)
{
    // Most notes share a folder: one mkpath for it, not one per note.
    if (mFoldersMade.contains(folder))
        return true;
    if (!QDir().mkpath(mRoot + QLatin1Char('/') + folder))
        return false;
    mFoldersMade.insert(folder);
    return true;
}

void NoteFileWriter::add(const NoteRecord& note)
{
    const QString folder = SafeFileNames::safeName(note.folder, QStringLiteral("Notes"));
    const QString name = mNamesTaken[folder.toLower()].take(note.title, QStringLiteral("Note"), QStringLiteral(".txt"));

    const QString relative = folder + QLatin1Char('/') + name;
    const QString path = mRoot + QLatin1Char('/') + relative;
    // Plain writes rather than QSaveFile: its flush to disk per file would
    // make a few thousand notes take minutes. A note that fails is removed,
    // so none is left half written.
    QFile file(path);
    const QByteArray bytes = note.text.toUtf8();
    bool written =
        makeFolder(folder) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
    if (written && note.modifiedMs)
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(*note.modifiedMs, Qt::UTC), QFileDevice::FileModificationTime);
    file.close();
    if (!written) {
        file.remove();
        traceValue("Note not written", path);
        mCode = DataResult::FileCannotWrite;
        return;
    }
    mWritten.append(relative);
}
