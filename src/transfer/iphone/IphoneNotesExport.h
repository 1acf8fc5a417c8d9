// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include "transfer/DataSinks.h"

#include <QString>

// Reads the notes of an iPhone: "NoteStore.sqlite" of iOS 9 and later (the
// text a gzip'd protocol buffer in ZICNOTEDATA, the title, folder and dates
// in ZICCLOUDSYNCINGOBJECT, whose column names change between versions), or
// "notes.sqlite" of the older Notes app (ZNOTE with its HTML body in
// ZNOTEBODY).
class IphoneNotesExport : public IphoneDatabaseExport
{
public:
    struct Skipped
    {
        int locked = 0;     // password-protected: unreadable without the password
        int unreadable = 0; // bodies that do not decode
    };

    // Every note not marked for deletion nor in the "Recently Deleted" folder.
    static int readNoteStore(const QString& databasePath, NoteSink& sink, Skipped& skipped);
    static int readLegacy(const QString& databasePath, NoteSink& sink);

    // The text of a note's HTML body: line breaks at <br>, <div> and <p>,
    // entities decoded, every other tag dropped.
    static QString textOfHtml(const QString& html);
};
