// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/AddressBookXmlWriter.h"

#include "app/TraceLog.h"

AddressBookXmlWriter::AddressBookXmlWriter() : XmlDataFile(QStringLiteral("address_book"), "Unable to open XML file") {}

void AddressBookXmlWriter::startPerson()
{
    TraceScope trace("AddressBookXmlWriter::startPerson");
    startElement(QStringLiteral("person"));
}

void AddressBookXmlWriter::endPerson()
{
    TraceScope trace("AddressBookXmlWriter::endPerson");
    endElement();
    ++mPersons;
    itemWritten();
}

void AddressBookXmlWriter::writeValue(const QString& element, const QString& text)
{
    TraceScope trace("AddressBookXmlWriter::writeValue");
    writeTextElement(element, text);
}

void AddressBookXmlWriter::startMultiValue(const QString& element, const QString& type, const QString& value)
{
    TraceScope trace("AddressBookXmlWriter::startMultiValue");
    startElement(element);
    writeAttribute(QStringLiteral("type"), type);
    writeAttribute(QStringLiteral("value"), value);
}

void AddressBookXmlWriter::endMultiValue()
{
    TraceScope trace("AddressBookXmlWriter::endMultiValue");
    endElement();
}

void AddressBookXmlWriter::writePhoto(const QByteArray& imageBytes)
{
    TraceScope trace("AddressBookXmlWriter::writePhoto");
    writeTextElement(QStringLiteral("photo"), QString::fromLatin1(imageBytes.toBase64()));
}

void AddressBookXmlWriter::writePerson(const QList<ContactEntry>& entries, const std::optional<QByteArray>& photo)
{
    TraceScope trace("AddressBookXmlWriter::writePerson");
    startPerson();
    for (const ContactEntry& entry : entries) {
        if (!entry.type) {
            writeValue(entry.element, entry.value);
            continue;
        }
        startMultiValue(entry.element, *entry.type, entry.value);
        for (const auto& child : entry.children)
            writeValue(child.first, child.second);
        endMultiValue();
    }
    if (photo)
        writePhoto(*photo);
    endPerson();
}
