// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QString>

struct BackupDatabase;

// What one conversion did.
struct BlackberryConversionResult
{
    int code = 0;            // 0, or the last failure (a DataResult)
    int databases = 0;       // databases found in the backup
    int contacts = 0;        // persons written to the address-book file
    int messages = 0;        // messages written to the messages file
    QString addressBookPath; // empty when no address-book file was written
    QString messagesPath;    // empty when no messages file was written
    // Whether the backup holds a call log and memos (read into the standard sinks).
    bool callLogFound = false;
    bool memosFound = false;
};

// Converts a BlackBerry backup into the phone's data files: the database
// "Address Book - All" into "address.xml" and "SMS Messages" into
// "messages.xml" in the output folder. A sync and `velmora-convert` both run
// exactly this.
class BlackberryConversion
{
public:
    // standard's sinks also receive the records; a kind whose sink is set is
    // read even when its XML file is not chosen. The messages sink is fed
    // from a second thread. A ".bbb" archive is unpacked into a private
    // folder below workFolder (the system's temporary folder when empty),
    // never into the output folder.
    static BlackberryConversionResult convert(const QString& backupPath, const QString& outputFolder,
                                              bool copyTextMessages = true, bool copyAddressBook = true,
                                              const StandardSinks& standard = {},
                                              const QString& workFolder = QString());

    // Hand every record of a database to sink.
    static void readAddressBook(const BackupDatabase& database, ContactSink& sink);
    static void readMessages(const BackupDatabase& database, MessageSink& sink);
    // The two XML writers; 0 or -12004. count receives the number written;
    // alsoTo, when set, receives every record as well.
    static int writeAddressBook(const BackupDatabase& database, const QString& path, int& count,
                                ContactSink* alsoTo = nullptr);
    static int writeMessages(const BackupDatabase& database, const QString& path, int& count,
                             MessageSink* alsoTo = nullptr);
};
