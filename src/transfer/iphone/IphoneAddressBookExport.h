// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include "transfer/DataSinks.h"

#include <QString>

// Writes the address-book file from the iPhone's "AddressBook.sqlitedb" and,
// for contact photos, "AddressBookImages.sqlitedb".
class IphoneAddressBookExport : public IphoneDatabaseExport
{
public:
    // alsoTo, when set, receives every record as well.
    static int write(const QString& addressBookPath, const QString& imagesPath, const QString& outputPath,
                     ContactSink* alsoTo = nullptr);
    // Hands every person to sink in database order; the result codes of write()
    // but for the file's own.
    static int read(const QString& addressBookPath, const QString& imagesPath, ContactSink& sink);

    // The "type" attribute for a stored label; empty for custom labels.
    static QString typeForLabel(const QString& label);
    // The element for a multi-value's property code ("3" phone, ...).
    static QString elementForProperty(const QString& property);
    // The element for an address entry's key ("Street" street, ...).
    static QString elementForEntryKey(const QString& key);
};
