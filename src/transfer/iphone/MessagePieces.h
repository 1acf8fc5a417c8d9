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

// The parts of an MMS in the message database before iOS 6: its text in
// msg_pieces rows of type text/plain, and its pictures and other files as
// part files in Library/SMS/Parts, named "<message>-<part>.<extension>"
// in folders of their own. Read in one pass sorted by message, so that a
// database without iOS's indexes stays linear.
class MessagePieces
{
public:
    struct Parts
    {
        QStringList texts;
        QList<MessageAttachment> attachments;
    };

    // attachmentFolder stands for the phone's home folder, as for the
    // newer layout's attachments; empty: no part file is looked for.
    MessagePieces(const QSqlDatabase& db, const QStringList& tables, const QString& attachmentFolder);
    ~MessagePieces();
    Q_DISABLE_COPY_MOVE(MessagePieces)

    // The parts of message rowid. Messages must be asked in rising rowid order.
    Parts partsOf(qint64 messageRowid);

private:
    void indexPartFiles(const QString& attachmentFolder);
    void addPieceAtCursor(qint64 messageRowid, Parts& parts) const;

    std::unique_ptr<QSqlQuery> mPieces;
    bool mPieceRow = false;
    QHash<QString, QString> mPartFiles; // "<message>-<part>" to the extracted file
};
