// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

struct BackupConversionResult;

// How the phone's own apps take each standard file from Download/Velmora:
// one line per kind, so that the end of a run names only what it wrote.
namespace ImportHelp {

enum Kind {
    Contacts = 0x01,
    Calendar = 0x02,
    Messages = 0x04,
    Calls = 0x08,
    Notes = 0x10,
    Bookmarks = 0x20,
    Recordings = 0x40, // voicemail and voice memos
};

// The kinds whose file reached the phone with at least one entry.
int kindsWritten(const BackupConversionResult& transfer);
// A list with a line for each kind; empty for none.
QString listHtml(int kinds);

} // namespace ImportHelp
