// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/MmsElement.h"

#include "app/TraceLog.h"
#include "transfer/android/SmsBackupWriter.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

// Read in multiples of 3 bytes, so the pieces' base64 joins without padding.
constexpr qint64 kBase64ChunkBytes = 3 * 64 * 1024;
// Android's own address for the phone's owner in the MMS tables.
constexpr char kOwnerAddress[] = "insert-address-token";
constexpr char kFromType[] = "137";
constexpr char kToType[] = "151";
const QString kUnknownMimeType = QStringLiteral("application/octet-stream");

void appendNumber(QByteArray& out, qint64 value)
{
    out.append(QByteArray::number(value));
}

void appendTextPart(QByteArray& out, int seq, const QString& text)
{
    out.append("    <part seq=\"");
    appendNumber(out, seq);
    out.append("\" ct=\"text/plain\" name=\"null\" chset=\"106\" cl=\"text_");
    appendNumber(out, seq);
    out.append(".txt\" text=\"");
    SmsBackupWriter::appendAttribute(out, text);
    out.append("\" />\n");
}

void appendFilePart(QByteArray& out, int seq, const MessageAttachment& attachment)
{
    out.append("    <part seq=\"");
    appendNumber(out, seq);
    out.append("\" ct=\"");
    SmsBackupWriter::appendAttribute(out, attachment.mimeType.isEmpty() ? kUnknownMimeType : attachment.mimeType);
    out.append("\" name=\"");
    SmsBackupWriter::appendAttribute(out, attachment.name);
    out.append("\" chset=\"null\" cl=\"");
    SmsBackupWriter::appendAttribute(out, attachment.name);
    out.append("\" data=\"");
    const QByteArray path = attachment.path.toUtf8();
    const quint32 length = quint32(path.size());
    out.append('\0');
    out.append(reinterpret_cast<const char*>(&length), 4);
    out.append(path);
    out.append("\" />\n");
}

QString missingNote(const MessageAttachment& attachment)
{
    if (attachment.state == MessageAttachment::State::TooLarge)
        return QStringLiteral("[Attachment too large to carry over: %1]").arg(attachment.name);
    return QStringLiteral("[Attachment not in the backup: %1]").arg(attachment.name);
}

void appendAddr(QByteArray& out, const QString& address, const char* type)
{
    out.append("    <addr address=\"");
    SmsBackupWriter::appendAttribute(out, address);
    out.append("\" type=\"");
    out.append(type);
    out.append("\" charset=\"106\" />\n");
}

} // namespace

bool MmsElement::isMultimedia(const MessageEntry& message)
{
    return !message.attachments.isEmpty() || !message.groupMembers.isEmpty();
}

QString MmsElement::addressOf(const MessageEntry& message)
{
    if (!message.groupMembers.isEmpty())
        return message.groupMembers.join(QLatin1Char('~'));
    return message.address.value_or(QString());
}

void MmsElement::appendHead(QByteArray& out, const MessageEntry& message, qint64 date, const QByteArray& escapedAddress)
{
    const bool sent = message.direction == MessageEntry::Direction::Sent;
    const bool read = message.readState != MessageEntry::ReadState::Unread;
    out.append("  <mms date=\"");
    appendNumber(out, date);
    out.append(sent ? "\" msg_box=\"2\" address=\"" : "\" msg_box=\"1\" address=\"");
    out.append(escapedAddress);
    out.append(sent ? "\" m_type=\"128\"" : "\" m_type=\"132\"");
    out.append(read ? " read=\"1\"" : " read=\"0\"");
    out.append(" sub=\"null\" ct_t=\"application/vnd.wap.multipart.related\"");
    out.append(message.attachments.isEmpty() ? " text_only=\"1\"" : " text_only=\"0\"");
}

MmsElement::Counts MmsElement::appendTail(QByteArray& out, const MessageEntry& message)
{
    Counts counts;
    out.append("\">\n  <parts>\n");
    int seq = 0;
    const QString text = message.text.value_or(QString());
    if (!text.isEmpty())
        appendTextPart(out, seq++, text);
    for (const MessageAttachment& attachment : message.attachments) {
        if (attachment.state == MessageAttachment::State::Present) {
            appendFilePart(out, seq++, attachment);
            ++counts.attachments;
        } else {
            appendTextPart(out, seq++, missingNote(attachment));
            ++counts.missing;
        }
    }
    out.append("  </parts>\n  <addrs>\n");
    const bool sent = message.direction == MessageEntry::Direction::Sent;
    const QString other = message.address.value_or(QString());
    if (message.groupMembers.isEmpty()) {
        // The owner's own number is not in the backup: a received message
        // lists only its sender (the importer reads a second party as a group).
        appendAddr(out, sent ? QString::fromLatin1(kOwnerAddress) : other, kFromType);
        if (sent)
            appendAddr(out, other, kToType);
    } else {
        const QString from = sent ? QString::fromLatin1(kOwnerAddress) : message.sender;
        appendAddr(out, from, kFromType);
        for (const QString& member : message.groupMembers) {
            if (member != from)
                appendAddr(out, member, kToType);
        }
    }
    out.append("  </addrs>\n  </mms>\n");
    return counts;
}

namespace {

bool appendFileBase64(QByteArray& out, const QString& path, const std::function<void()>& flush)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        traceValue("Attachment no longer readable", path);
        return false;
    }
    // The file goes through in pieces: however large, it is never held whole.
    QByteArray chunk;
    while (true) {
        chunk = file.read(kBase64ChunkBytes);
        if (chunk.isEmpty())
            break;
        out.append(chunk.toBase64());
        flush();
    }
    return true;
}

} // namespace

bool MmsElement::writeTail(QByteArray& out, const char* tail, qsizetype size, const std::function<void()>& flush)
{
    qsizetype at = 0;
    while (at < size) {
        const void* nul = std::memchr(tail + at, '\0', size_t(size - at));
        const qsizetype end = nul ? static_cast<const char*>(nul) - tail : size;
        out.append(tail + at, end - at);
        if (!nul)
            break;
        quint32 length = 0;
        if (size - end < 5)
            return false;
        std::memcpy(&length, tail + end + 1, 4);
        if (qsizetype(length) > size - end - 5)
            return false;
        appendFileBase64(out, QString::fromUtf8(tail + end + 5, qsizetype(length)), flush);
        at = end + 5 + qsizetype(length);
    }
    return true;
}
