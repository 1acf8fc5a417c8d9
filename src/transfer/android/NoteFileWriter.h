// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"
#include "transfer/android/SafeFileNames.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// Writes each note as a UTF-8 text file "<root>/<folder>/<title>.txt" with
// the note's modification time. Folder and file names are made safe for FAT
// and MTP (no reserved characters or device names, bounded length) and
// unique within their folder as FAT compares them, without regard to case.
class NoteFileWriter : public NoteSink
{
public:
    explicit NoteFileWriter(const QString& root) : mRoot(root) {}

    void add(const NoteRecord& note) override;
    // 0, or DataResult::FileCannotWrite when some note could not be written.
    int code() const { return mCode; }
    int count() const { return int(mWritten.size()); }
    // The files written, relative to the root ("Notes/Shopping.txt").
    const QStringList& written() const { return mWritten; }

private:
    bool makeFolder(const QString& folder);

    QString mRoot;
    QSet<QString> mFoldersMade;
    QHash<QString, SafeFileNames> mNamesTaken; // by lower-case folder name
    QStringList mWritten;
    int mCode = 0;
};
