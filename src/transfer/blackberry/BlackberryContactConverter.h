// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/AddressBookXmlWriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct BackupRecord;

// One decoded subfield of a BlackBerry contact field (type with bit 0x80
// cleared).
struct ContactSubfield
{
    quint8 type = 0;
    QString value;
};

// Turns records of the database "Address Book - All" into address-book
// entries. A contact's values are in its fields of type 10, each a sequence
// of subfields: length (2 bytes, little-endian), type (1 byte), value. A type
// with bit 0x80 set holds an encoded string whose first byte names the
// character set (0 UTF-8, 1 UTF-16 big-endian); other values are 8-bit text
// ending at the first NUL.
class BlackberryContactConverter
{
public:
    // The subfields of one field, up to the first damaged one.
    static QList<ContactSubfield> decodeSubfields(const QByteArray& fieldData);
    // The entries one type-10 field yields: its typed values in subfield
    // order, then the name parts, then the home and the work address.
    static QList<ContactEntry> entriesOfField(const QByteArray& fieldData);
    static QList<ContactEntry> entriesOfRecord(const BackupRecord& record);
};
