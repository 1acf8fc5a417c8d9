// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryContactConverter.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"

#include <QStringDecoder>

#include <atomic>

namespace {

constexpr quint8 kContactFieldType = 10;
constexpr quint8 kEncodedStringFlag = 0x80;

std::atomic<int> gBadStringCount{0};

QString decodeEncodedString(const char* data, qsizetype length)
{
    TraceScope trace("BlackberryContactConverter::decodeEncodedString");
    if (length < 1)
        return QString(); // not even the character-set byte
    const quint8 characterSet = quint8(data[0]);
    switch (characterSet) {
    case 0:
        return QString::fromUtf8(data + 1, length - 1);
    case 1: {
        QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        return decoder(QByteArrayView(data + 1, length - 1));
    }
    default:
        traceValue("Unknown contact character set", int(characterSet));
        return QStringLiteral("");
    }
}

QString decodeEightBitString(const char* data, qsizetype length)
{
    const qsizetype end = QByteArrayView(data, length).indexOf('\0');
    return QString::fromLatin1(data, end < 0 ? length : end);
}

ContactEntry typedEntry(const QString& element, const QString& type, const QString& value)
{
    return ContactEntry{element, type, value, {}};
}

ContactEntry textEntry(const QString& element, const QString& value)
{
    return ContactEntry{element, std::nullopt, value, {}};
}

} // namespace

QList<ContactSubfield> BlackberryContactConverter::decodeSubfields(const QByteArray& fieldData)
{
    TraceScope trace("BlackberryContactConverter::decodeSubfields");
    QList<ContactSubfield> subfields;
    const char* data = fieldData.constData();
    const qsizetype size = fieldData.size();
    qsizetype position = 0;
    while (true) {
        traceValue("Reading subfield, position", int(position));
        if (size - position < 2)
            break;
        const quint16 length = quint16(uchar(data[position]) | uchar(data[position + 1]) << 8);
        position += 2;
        traceValue("subFieldLength", int(length));
        if (position >= size)
            break;
        quint8 type = quint8(data[position++]);
        traceValue("subFieldType", int(type));
        const bool encoded = (type & kEncodedStringFlag) != 0;
        if (encoded) {
            traceMessage("Got non-ascii contact string");
            type &= quint8(~kEncodedStringFlag);
            traceValue("converted subFieldType", int(type));
        }
        if (size - position < length) {
            traceValue("*** ERROR: bad string length. Logging raw data as file", ++gBadStringCount);
            break;
        }
        ContactSubfield subfield;
        subfield.type = type;
        subfield.value =
            encoded ? decodeEncodedString(data + position, length) : decodeEightBitString(data + position, length);
        position += length;
        subfields.append(std::move(subfield));
    }
    return subfields;
}

QList<ContactEntry> BlackberryContactConverter::entriesOfField(const QByteArray& fieldData)
{
    TraceScope trace("BlackberryContactConverter::entriesOfField");
    using namespace AddressBookXml;
    QList<ContactEntry> entries;
    QStringList nameParts;
    QList<QPair<QString, QString>> home;
    QList<QPair<QString, QString>> work;
    for (const ContactSubfield& subfield : decodeSubfields(fieldData)) {
        const QString& value = subfield.value;
        switch (subfield.type) {
        case 1:
            entries.append(typedEntry(email(), typeMain(), value));
            break;
        case 6:
            entries.append(typedEntry(phone(), typeWork(), value));
            break;
        case 8:
            entries.append(typedEntry(phone(), typeMobile(), value));
            break;
        case 16:
            entries.append(typedEntry(phone(), typeWork(), value));
            break;
        case 17:
            entries.append(typedEntry(phone(), typeHome(), value));
            break;
        case 18:
            entries.append(typedEntry(phone(), typeMain(), value));
            break;
        case 19:
            entries.append(typedEntry(phone(), typeMobile(), value));
            break;
        case 32:
            nameParts.append(value);
            break;
        case 33:
        case 42:
            entries.append(textEntry(organization(), value));
            break;
        case 35:
        case 36:
            work.append({street(), value});
            break;
        case 38:
            work.append({city(), value});
            break;
        case 39:
            work.append({state(), value});
            break;
        case 40:
            work.append({zip(), value});
            break;
        case 41:
            work.append({country(), value});
            break;
        case 54:
            entries.append(typedEntry(url(), typeHomePage(), value));
            break;
        case 61:
        case 62:
            home.append({street(), value});
            break;
        case 69:
            home.append({city(), value});
            break;
        case 70:
            home.append({state(), value});
            break;
        case 71:
            home.append({zip(), value});
            break;
        case 72:
            home.append({country(), value});
            break;
        default:
            break;
        }
    }

    if (nameParts.size() == 1) {
        entries.append(textEntry(firstName(), nameParts.at(0)));
    } else if (nameParts.size() == 2) {
        entries.append(textEntry(firstName(), nameParts.at(0)));
        entries.append(textEntry(lastName(), nameParts.at(1)));
    } else if (nameParts.size() >= 3) {
        entries.append(textEntry(firstName(), nameParts.at(0)));
        entries.append(textEntry(middleName(), nameParts.at(1)));
        entries.append(textEntry(lastName(), nameParts.at(2)));
    }
    if (!home.isEmpty())
        entries.append(ContactEntry{address(), typeHome(), QStringLiteral(""), home});
    if (!work.isEmpty())
        entries.append(ContactEntry{address(), typeWork(), QStringLiteral(""), work});
    return entries;
}

QList<ContactEntry> BlackberryContactConverter::entriesOfRecord(const BackupRecord& record)
{
    TraceScope trace("BlackberryContactConverter::entriesOfRecord");
    traceMessage("addRecordToPersonData");
    QList<ContactEntry> entries;
    for (const BackupField& field : record.fields) {
        traceMessage("Field found");
        if (field.type == kContactFieldType)
            entries.append(entriesOfField(field.data));
    }
    return entries;
}
