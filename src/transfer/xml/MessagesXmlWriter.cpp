// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/MessagesXmlWriter.h"

#include "app/TraceLog.h"

MessagesXmlWriter::MessagesXmlWriter() : XmlDataFile(QStringLiteral("messages"), "Unable to open file") {}

void MessagesXmlWriter::writeMessage(const MessageEntry& message)
{
    TraceScope trace("MessagesXmlWriter::writeMessage");
    startElement(message.direction == MessageEntry::Direction::Sent ? QStringLiteral("sent_message")
                                                                    : QStringLiteral("received_message"));
    if (message.address)
        writeTextElement(QStringLiteral("address"), *message.address);
    if (message.date)
        writeTextElement(QStringLiteral("date"), *message.date);
    if (message.text)
        writeTextElement(QStringLiteral("text"), *message.text);
    if (message.readState != MessageEntry::ReadState::NotWritten)
        writeTextElement(QStringLiteral("read"), message.readState == MessageEntry::ReadState::Unread
                                                     ? QStringLiteral("false")
                                                     : QStringLiteral("true"));
    endElement();
    ++mMessages;
    itemWritten();
}
