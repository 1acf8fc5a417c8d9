// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/XmlDataFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A file sent with a message (a picture, a video, a contact card...).
struct MessageAttachment
{
    enum class State { Present, NotInBackup, TooLarge };

    QString mimeType;
    QString name; // the name it was sent under
    QString path; // the extracted file; empty unless Present
    State state = State::NotInBackup;
};

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

    // Only the standard messages file takes these: the messages file has no
    // room for them.
    // Milliseconds since 1970, where the backup keeps more than seconds.
    std::optional<qint64> milliseconds;
    // A group chat's other members (every address but the owner's), in
    // their order in the chat; empty for a conversation of two.
    QStringList groupMembers;
    // The sender of a received group message (the address above may name
    // the chat).
    QString sender;
    QList<MessageAttachment> attachments;
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
