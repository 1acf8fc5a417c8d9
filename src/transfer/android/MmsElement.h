// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/MessagesXmlWriter.h"

#include <QByteArray>

#include <functional>

// The "mms" element of the SMS Backup & Restore file for a message with
// attachments or of a group chat. It is composed in two pieces around the
// "contact_name" attribute: the head up to it, the tail after its value.
// The tail names each attachment file by a reference instead of its bytes
// (a NUL, the path's length in 4 bytes, the path in UTF-8: XML text never
// holds a NUL); writeTail() streams the files in as base64.
namespace MmsElement {

// Whether the message goes into the file as "mms" rather than "sms".
bool isMultimedia(const MessageEntry& message);

// The "address" attribute: the other party, or every member joined by "~".
QString addressOf(const MessageEntry& message);

// What went into a tail: attachments whose bytes it carries, and those named
// instead because the backup lacks them or they are too large.
struct Counts
{
    int attachments = 0;
    int missing = 0;
};

void appendHead(QByteArray& out, const MessageEntry& message, qint64 date, const QByteArray& escapedAddress);
Counts appendTail(QByteArray& out, const MessageEntry& message);

// Appends tail to out, each file reference as the file's base64, calling
// flush whenever out may have grown past a block. False when a tail is
// malformed; a file that can no longer be read gets empty data.
bool writeTail(QByteArray& out, const char* tail, qsizetype size, const std::function<void()>& flush);

} // namespace MmsElement
