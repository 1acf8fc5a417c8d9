// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/XmlDataFile.h"

#include <QString>

#include <optional>

// One text message as the messages file holds it. Absent values write no
// element. The "read" element is written only when readState says so (the
// BlackBerry backup has no read flag).
struct MessageEntry
{
    enum class Direction { Sent, Received };
    enum class ReadState { NotWritten, Read, Unread };

    Direction direction = Direction::Received;
    std::optional<QString> address;
    std::optional<QString> date; // seconds since 1970 as decimal text
    std::optional<QString> text;
    ReadState readState = ReadState::NotWritten;
};

// Writes the messages file: root "messages", one "sent_message" or
// "received_message" per message with "address", "date", "text" and "read"
// in that order. Messages are written one at a time, so any number of them
// streams through a bounded amount of memory.
class MessagesXmlWriter : public XmlDataFile
{
public:
    MessagesXmlWriter();

    void writeMessage(const MessageEntry& message);

    int messagesWritten() const { return mMessages; }

private:
    int mMessages = 0;
};
