// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/MessageConversations.h"

#include "app/TraceLog.h"
#include "transfer/iphone/IphoneBackupExtractor.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>

namespace {

// chat.style of a group chat; 45 is a conversation of two.
constexpr int kGroupChatStyle = 43;
const QString kHomePrefix = QStringLiteral("~/");
const QString kMobileHomePrefix = QStringLiteral("/var/mobile/");
const QString kMessagesLibrary = QStringLiteral("Library/SMS/");

} // namespace

MessageConversations::MessageConversations(const QSqlDatabase& db, const QStringList& tables,
                                           const QString& attachmentFolder)
    : mAttachmentFolder(attachmentFolder)
{
    TraceScope trace("MessageConversations::MessageConversations");
    readChats(db, tables);
    startAttachments(db, tables);
}

MessageConversations::~MessageConversations() = default;

void MessageConversations::readChats(const QSqlDatabase& db, const QStringList& tables)
{
    TraceScope trace("MessageConversations::readChats");
    if (!tables.contains(QStringLiteral("chat")))
        return;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool hasStyle = db.record(QStringLiteral("chat")).indexOf(QStringLiteral("style")) >= 0;
    if (query.exec(hasStyle ? QStringLiteral("SELECT ROWID, chat_identifier, style FROM chat")
                            : QStringLiteral("SELECT ROWID, chat_identifier FROM chat"))) {
        while (query.next()) {
            Chat& chat = mChats[query.value(0).toLongLong()];
            chat.identifier = query.value(1).toString();
            chat.group = hasStyle && query.value(2).toInt() == kGroupChatStyle;
        }
    } else {
        traceValue("Chat selection error", query.lastError().text());
    }
    if (tables.contains(QStringLiteral("chat_handle_join")) && tables.contains(QStringLiteral("handle"))
        && query.exec(QStringLiteral("SELECT chat_handle_join.chat_id, handle.id FROM chat_handle_join"
                                     " INNER JOIN handle ON handle.ROWID=chat_handle_join.handle_id"))) {
        while (query.next()) {
            const auto chat = mChats.find(query.value(0).toLongLong());
            const QString member = query.value(1).toString();
            if (chat != mChats.end() && !member.isEmpty() && !chat->members.contains(member))
                chat->members.append(member);
        }
    }
    for (Chat& chat : mChats) {
        if (chat.members.size() > 1)
            chat.group = true;
    }
    if (tables.contains(QStringLiteral("chat_message_join"))
        && query.exec(QStringLiteral("SELECT message_id, chat_id FROM chat_message_join"))) {
        while (query.next()) {
            const qint64 message = query.value(0).toLongLong();
            if (!mChatOfMessage.contains(message))
                mChatOfMessage.insert(message, query.value(1).toLongLong());
        }
    }
    traceValue("chats", int(mChats.size()));
}

void MessageConversations::startAttachments(const QSqlDatabase& db, const QStringList& tables)
{
    TraceScope trace("MessageConversations::startAttachments");
    if (!tables.contains(QStringLiteral("attachment")) || !tables.contains(QStringLiteral("message_attachment_join")))
        return;
    mAttachments = std::make_unique<QSqlQuery>(db);
    mAttachments->setForwardOnly(true);
    // Sorting once is linear enough; the attachment row comes by its primary key.
    if (!mAttachments->exec(
            QStringLiteral("SELECT message_attachment_join.message_id, attachment.filename, attachment.mime_type,"
                           " attachment.transfer_name FROM message_attachment_join INNER JOIN attachment"
                           " ON attachment.ROWID=message_attachment_join.attachment_id"
                           " ORDER BY message_attachment_join.message_id, message_attachment_join.ROWID"))) {
        traceValue("Attachment selection error", mAttachments->lastError().text());
        mAttachments.reset();
        return;
    }
    mAttachmentRow = mAttachments->next();
}

const MessageConversations::Chat* MessageConversations::chatOf(qint64 messageRowid) const
{
    const auto chatId = mChatOfMessage.constFind(messageRowid);
    if (chatId == mChatOfMessage.constEnd())
        return nullptr;
    const auto chat = mChats.constFind(*chatId);
    return chat == mChats.constEnd() ? nullptr : &*chat;
}

QList<MessageAttachment> MessageConversations::attachmentsOf(qint64 messageRowid)
{
    QList<MessageAttachment> found;
    while (mAttachmentRow && mAttachments->value(0).toLongLong() < messageRowid)
        mAttachmentRow = mAttachments->next();
    while (mAttachmentRow && mAttachments->value(0).toLongLong() == messageRowid) {
        found.append(attachmentAtCursor());
        mAttachmentRow = mAttachments->next();
    }
    return found;
}

MessageAttachment MessageConversations::attachmentAtCursor() const
{
    MessageAttachment attachment;
    const QString stored = mAttachments->value(1).toString();
    attachment.mimeType = mAttachments->value(2).toString();
    attachment.name = mAttachments->value(3).toString();
    if (attachment.name.isEmpty())
        attachment.name = stored.section(QLatin1Char('/'), -1);
    locate(attachment, localPath(mAttachmentFolder, stored));
    return attachment;
}

void MessageConversations::locate(MessageAttachment& attachment, const QString& path)
{
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        attachment.state = MessageAttachment::State::NotInBackup;
    } else if (file.size() > kMaxAttachmentBytes) {
        attachment.state = MessageAttachment::State::TooLarge;
    } else {
        attachment.state = MessageAttachment::State::Present;
        attachment.path = path;
    }
}

QString MessageConversations::localPath(const QString& attachmentFolder, const QString& stored)
{
    if (attachmentFolder.isEmpty())
        return QString();
    QString relative;
    if (stored.startsWith(kHomePrefix))
        relative = stored.mid(kHomePrefix.size());
    else if (stored.startsWith(kMobileHomePrefix))
        relative = stored.mid(kMobileHomePrefix.size());
    else
        relative = stored;
    if (!relative.startsWith(kMessagesLibrary) || !IphoneBackupExtractor::isSafeRelativePath(relative))
        return QString();
    return QDir(attachmentFolder).filePath(relative);
}
