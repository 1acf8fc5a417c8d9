// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/xml/MessagesXmlWriter.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <memory>

// What the newer message database keeps beside each message: its chat (and
// the chat's members), and its attachments. Read in whole-table passes, not
// per message: a database without the indexes iOS creates (a damaged or
// rebuilt one) would make per-message lookups quadratic.
class MessageConversations
{
public:
    struct Chat
    {
        QString identifier;
        QStringList members; // handle addresses in the chat's order
        bool group = false;
    };

    // Attachments larger than this are left out of the standard file, and
    // the message names them instead: base64 makes a third more of them, and
    // importers on the phone give up on far smaller ones.
    static constexpr qint64 kMaxAttachmentBytes = qint64(100) * 1024 * 1024;

    // attachmentFolder stands for the phone's home folder ("~") in the
    // attachments' paths; empty: no attachment file is looked for.
    MessageConversations(const QSqlDatabase& db, const QStringList& tables, const QString& attachmentFolder);
    ~MessageConversations();
    Q_DISABLE_COPY_MOVE(MessageConversations)

    // The chat message rowid belongs to (the first one listed), or null.
    const Chat* chatOf(qint64 messageRowid) const;
    // The attachments of message rowid. Messages must be asked in rising
    // rowid order: the attachments are read alongside in one pass.
    QList<MessageAttachment> attachmentsOf(qint64 messageRowid);

    // The extracted file for an attachment path as the database keeps it
    // ("~/Library/SMS/Attachments/..." or "/var/mobile/Library/SMS/..."),
    // or empty when the path is unsafe or not below Library/SMS.
    static QString localPath(const QString& attachmentFolder, const QString& stored);
    // Sets attachment's state (and path, when Present) from the extracted
    // file at path: absent, over the size limit, or there.
    static void locate(MessageAttachment& attachment, const QString& path);

private:
    void readChats(const QSqlDatabase& db, const QStringList& tables);
    void startAttachments(const QSqlDatabase& db, const QStringList& tables);
    MessageAttachment attachmentAtCursor() const;

    QHash<qint64, Chat> mChats;
    QHash<qint64, qint64> mChatOfMessage;
    QString mAttachmentFolder;
    std::unique_ptr<QSqlQuery> mAttachments;
    bool mAttachmentRow = false;
};
