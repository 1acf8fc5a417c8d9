// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include "transfer/DataSinks.h"

#include <QString>

// Writes the messages file from an iPhone message database ("sms.db") of
// either layout: the older one, where table message holds the address and a
// flags word, and the newer one with table handle. Rows are streamed from a
// forward-only query straight into the file.
class IphoneMessagesExport : public IphoneDatabaseExport
{
public:
    // alsoTo, when set, receives every record as well. attachmentFolder is
    // where the backup's MediaDomain was extracted (the attachments' "~");
    // empty: attachments are listed as not in the backup.
    static int write(const QString& databasePath, const QString& outputPath, MessageSink* alsoTo = nullptr,
                     const QString& attachmentFolder = QString());
    // Hands every message to sink in database order; the result codes of
    // write() but for the file's own.
    static int read(const QString& databasePath, MessageSink& sink, const QString& attachmentFolder = QString());
};
