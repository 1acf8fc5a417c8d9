// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/MessagePieces.h"

#include "app/TraceLog.h"
#include "transfer/iphone/MessageConversations.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSqlError>
#include <QVariant>

namespace {

const QString kPartsFolder = QStringLiteral("/Library/SMS/Parts");
const QString kTextPiece = QStringLiteral("text/plain");

} // namespace

MessagePieces::MessagePieces(const QSqlDatabase& db, const QStringList& tables, const QString& attachmentFolder)
{
    TraceScope trace("MessagePieces::MessagePieces");
    if (!tables.contains(QStringLiteral("msg_pieces")))
        return;
    indexPartFiles(attachmentFolder);
    mPieces = std::make_unique<QSqlQuery>(db);
    mPieces->setForwardOnly(true);
    if (!mPieces->exec(QStringLiteral("SELECT message_id, part_id, content_type, content_loc, data FROM msg_pieces"
                                      " ORDER BY message_id, part_id, ROWID"))) {
        traceValue("Piece selection error", mPieces->lastError().text());
        mPieces.reset();
        return;
    }
    mPieceRow = mPieces->next();
}

MessagePieces::~MessagePieces() = default;

void MessagePieces::indexPartFiles(const QString& attachmentFolder)
{
    if (attachmentFolder.isEmpty())
        return;
    // The folders between Parts and the file are not in the database; the
    // file's name is, so the tree is walked once instead of guessed.
    QDirIterator files(attachmentFolder + kPartsFolder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        mPartFiles.insert(file.completeBaseName(), file.filePath());
    }
    traceValue("part files", int(mPartFiles.size()));
}

MessagePieces::Parts MessagePieces::partsOf(qint64 messageRowid)
{
    Parts parts;
    while (mPieceRow && mPieces->value(0).toLongLong() < messageRowid)
        mPieceRow = mPieces->next();
    while (mPieceRow && mPieces->value(0).toLongLong() == messageRowid) {
        addPieceAtCursor(messageRowid, parts);
        mPieceRow = mPieces->next();
    }
    return parts;
}

void MessagePieces::addPieceAtCursor(qint64 messageRowid, Parts& parts) const
{
    const QString type = mPieces->value(2).toString();
    if (type.compare(kTextPiece, Qt::CaseInsensitive) == 0) {
        const QString text = QString::fromUtf8(mPieces->value(4).toByteArray());
        if (!text.isEmpty())
            parts.texts.append(text);
        return;
    }
    // SMIL layouts only say where the parts go on the sender's screen.
    if (type.compare(QLatin1String("application/smil"), Qt::CaseInsensitive) == 0)
        return;
    MessageAttachment attachment;
    attachment.mimeType = type;
    attachment.name = mPieces->value(3).toString();
    const QString key = QString::number(messageRowid) + QLatin1Char('-') + mPieces->value(1).toString();
    MessageConversations::locate(attachment, mPartFiles.value(key));
    if (attachment.name.isEmpty())
        attachment.name = QFileInfo(mPartFiles.value(key)).fileName();
    parts.attachments.append(attachment);
}
