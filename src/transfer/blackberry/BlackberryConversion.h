// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QString>

#include <optional>

struct BackupRecord;

// What one conversion did.
struct BlackberryConversionResult
{
    int code = 0;            // 0, or the last failure (a DataResult)
    int databases = 0;       // databases found in the backup
    int contacts = 0;        // persons written to the address-book file
    int messages = 0;        // messages written to the messages file
    QString addressBookPath; // empty when no address-book file was written
    QString messagesPath;    // empty when no messages file was written
    int calendarEntries = 0; // entries written to the calendar file
    QString calendarPath;    // empty when no calendar file was written
    // Whether the backup holds a call log, memos and a calendar.
    bool callLogFound = false;
    bool memosFound = false;
    bool calendarFound = false;
};

// Converts a BlackBerry backup into the phone's data files: the database
// "Address Book - All" into "address.xml", "SMS Messages" into
// "messages.xml" and "Calendar - All" (or, lacking it, "Calendar") into
// "calendar.xml" in the output folder. A sync and `velmora-convert` both run
// exactly this.
//
// The backup is read once, record by record, and each record goes to its
// files as soon as it is read: memory does not grow with the backup.
class BlackberryConversion
{
public:
    // standard's sinks also receive the records; a kind whose sink is set is
    // read even when its XML file is not chosen. A ".bbb" archive is unpacked
    // into a private folder below workFolder (the system's temporary folder
    // when empty), never into the output folder.
    static BlackberryConversionResult convert(const QString& backupPath, const QString& outputFolder,
                                              bool copyTextMessages = true, bool copyAddressBook = true,
                                              const StandardSinks& standard = {}, const QString& workFolder = QString(),
                                              bool copyCalendar = true);

    // A record of the address book as the files take it.
    static ContactRecord contactOfRecord(const BackupRecord& record);
};
