// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/XmlDataFile.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Element and attribute names of the address-book file that more than one
// producer writes.
namespace AddressBookXml {
inline QString firstName()
{
    return QStringLiteral("first_name");
}
inline QString middleName()
{
    return QStringLiteral("middle_name");
}
inline QString lastName()
{
    return QStringLiteral("last_name");
}
inline QString organization()
{
    return QStringLiteral("organization");
}
inline QString birthday()
{
    return QStringLiteral("birthday");
}
inline QString phone()
{
    return QStringLiteral("phone");
}
inline QString email()
{
    return QStringLiteral("email");
}
inline QString address()
{
    return QStringLiteral("address");
}
inline QString url()
{
    return QStringLiteral("url");
}
inline QString unknown()
{
    return QStringLiteral("unknown");
}
inline QString country()
{
    return QStringLiteral("country");
}
inline QString street()
{
    return QStringLiteral("street");
}
inline QString zip()
{
    return QStringLiteral("zip");
}
inline QString city()
{
    return QStringLiteral("city");
}
inline QString countryCode()
{
    return QStringLiteral("country_code");
}
inline QString state()
{
    return QStringLiteral("state");
}
inline QString typeHome()
{
    return QStringLiteral("home");
}
inline QString typeWork()
{
    return QStringLiteral("work");
}
inline QString typeHomePage()
{
    return QStringLiteral("homepage");
}
inline QString typeMain()
{
    return QStringLiteral("main");
}
inline QString typeMobile()
{
    return QStringLiteral("mobile");
}
} // namespace AddressBookXml

// One value of a contact, for producers that collect a contact before writing
// it. Without a type it is a plain text element (name, value); with one it is
// an element with the attributes "type" and "value" holding one text element
// per child.
struct ContactEntry
{
    QString element;
    std::optional<QString> type;
    QString value;
    QList<QPair<QString, QString>> children;
};

// Writes the address-book file: root "address_book", one "person" per contact.
// A producer either streams a contact (startPerson, the write calls in the
// file's element order, endPerson) or hands over a collected one (writePerson).
class AddressBookXmlWriter : public XmlDataFile
{
public:
    AddressBookXmlWriter();

    void startPerson();
    void endPerson();
    // A text element such as "first_name", "birthday" or an address child.
    void writeValue(const QString& element, const QString& text);
    // Opens an element such as "phone" with its "type" and "value" attributes;
    // its children follow with writeValue, then endMultiValue.
    void startMultiValue(const QString& element, const QString& type, const QString& value);
    void endMultiValue();
    // "photo": the image bytes in Base64 on one line.
    void writePhoto(const QByteArray& imageBytes);

    // A photo, when given, follows the entries (empty bytes still write the element).
    void writePerson(const QList<ContactEntry>& entries, const std::optional<QByteArray>& photo = std::nullopt);

    int personsWritten() const { return mPersons; }

private:
    int mPersons = 0;
};
