// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneMessagesExport.h"

#include "app/TraceLog.h"
#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/AttributedBodyText.h"
#include "transfer/iphone/MessageConversations.h"
#include "transfer/iphone/MessagePieces.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <memory>

namespace {

// Column positions of the query, looked up once instead of by name per row.
struct Columns
{
    int rowid = -1;
    int address = -1;
    int date = -1;
    int text = -1;
    int attributedBody = -1;
    int flags = -1;
    int read = -1;
    int isFromMe = -1;
};

Columns columnsOf(const QSqlRecord& record, bool newerLayout)
{
    Columns columns;
    columns.address = record.indexOf(newerLayout ? QStringLiteral("id") : QStringLiteral("address"));
    columns.rowid = record.indexOf(QStringLiteral("velmora_rowid"));
    columns.date = record.indexOf(QStringLiteral("date"));
    columns.text = record.indexOf(QStringLiteral("text"));
    columns.attributedBody = record.indexOf(QStringLiteral("attributedBody"));
    columns.flags = record.indexOf(QStringLiteral("flags"));
    // The newer layout calls the read flag is_read; without it every unread
    // message would arrive on the phone as read.
    columns.read = record.indexOf(QStringLiteral("read"));
    if (columns.read < 0)
        columns.read = record.indexOf(QStringLiteral("is_read"));
    columns.isFromMe = record.indexOf(QStringLiteral("is_from_me"));
    return columns;
}

std::optional<QString> textAt(const QSqlQuery& query, int column)
{
    if (column < 0)
        return std::nullopt;
    const QVariant value = query.value(column);
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

// Only the columns the file takes, and only those the table has (a missing
// one reads as absent): the SQLite driver converts every selected column of
// every row, so "SELECT *" with a dozen unused columns and blobs would cost
// most of the time of a large conversion.
QString messageColumns(const QSqlDatabase& db)
{
    const QSqlRecord message = db.record(QStringLiteral("message"));
    QStringList columns;
    for (const char* name : {"address", "date", "text", "attributedBody", "flags", "read", "is_read", "is_from_me"}) {
        const QString column = QString::fromLatin1(name);
        if (message.indexOf(column) >= 0)
            columns << QStringLiteral("message.") + column;
    }
    return columns.isEmpty() ? QStringLiteral("message.*") : columns.join(QStringLiteral(", "));
}

QString olderLayoutQuery(const QSqlDatabase& db)
{
    return QStringLiteral("SELECT message.ROWID AS velmora_rowid, ") + messageColumns(db)
           + QStringLiteral(" FROM message ORDER BY message.ROWID");
}

QString newerLayoutQuery(const QSqlDatabase& db)
{
    // Messages the owner sent have no handle on iOS 16 and later (handle_id
    // 0), and a handle can be gone: join it optionally and take the address
    // from the message's chat instead. The handle comes by its primary key
    // and the rows in rowid order, both linear without any other index.
    return QStringLiteral("SELECT message.ROWID AS velmora_rowid, ") + messageColumns(db)
           + QStringLiteral(", handle.id AS id FROM message LEFT JOIN handle ON message.handle_id=handle.ROWID"
                            " ORDER BY message.ROWID");
}

// The chat, group members and attachments of a message of the newer layout.
void addConversation(MessageEntry& message, const QSqlQuery& query, const Columns& columns,
                     MessageConversations& conversations)
{
    const qint64 rowid = query.value(columns.rowid).toLongLong();
    const std::optional<QString> handle = message.address;
    const MessageConversations::Chat* chat = conversations.chatOf(rowid);
    if (!message.address && chat)
        message.address = chat->identifier;
    if (chat && chat->group) {
        message.groupMembers = chat->members;
        if (message.direction == MessageEntry::Direction::Received)
            message.sender = handle.value_or(QString());
    }
    message.attachments = conversations.attachmentsOf(rowid);
}

// The text and files of an MMS of the older layout.
void addPieces(MessageEntry& message, const QSqlQuery& query, const Columns& columns, MessagePieces& pieces)
{
    MessagePieces::Parts parts = pieces.partsOf(query.value(columns.rowid).toLongLong());
    if ((!message.text || message.text->isEmpty()) && !parts.texts.isEmpty())
        message.text = parts.texts.join(QLatin1Char('\n'));
    message.attachments = std::move(parts.attachments);
}

MessageEntry messageFrom(const QSqlQuery& query, const Columns& columns, bool newerLayout)
{
    MessageEntry message;
    message.address = textAt(query, columns.address);

    const std::optional<QString> date = textAt(query, columns.date);
    if (date) {
        message.date = newerLayout ? AppleDates::messageDate(*date) : *date;
        if (newerLayout)
            message.milliseconds = AppleDates::messageMilliseconds(*date);
    }

    message.text = textAt(query, columns.text);
    if (message.text)
        message.text = AttributedBodyText::withoutPlaceholders(*message.text);
    if (!message.text && columns.attributedBody >= 0) {
        const QVariant body = query.value(columns.attributedBody);
        if (!body.isNull())
            message.text = AttributedBodyText::plainText(body.toByteArray());
    }

    const QString flagsText = textAt(query, columns.flags).value_or(QString());
    bool ok = false;
    int flags = flagsText.toInt(&ok, 10);
    if (!ok) {
        traceValue("Bad message flag", flagsText);
        flags = 0;
    }
    if (newerLayout) {
        const bool fromMe = textAt(query, columns.isFromMe).value_or(QString()) == QLatin1String("1");
        message.direction = fromMe ? MessageEntry::Direction::Sent : MessageEntry::Direction::Received;
    } else {
        message.direction = (flags & 1) ? MessageEntry::Direction::Sent : MessageEntry::Direction::Received;
    }

    // iOS leaves is_read at 0 for every message the owner sent: a sent
    // message is read whatever the column says.
    const std::optional<QString> read = textAt(query, columns.read);
    const bool unread = message.direction == MessageEntry::Direction::Received && read && *read == QLatin1String("0");
    message.readState = unread ? MessageEntry::ReadState::Unread : MessageEntry::ReadState::Read;
    return message;
}

} // namespace

int IphoneMessagesExport::write(const QString& databasePath, const QString& outputPath, MessageSink* alsoTo,
                                const QString& attachmentFolder)
{
    TraceScope trace("IphoneMessagesExport::write");
    const int result = writeXmlFile<MessagesXmlWriter, MessagesXmlSink>(
        outputPath, alsoTo, [&](MessageSink& sink) { return read(databasePath, sink, attachmentFolder); });
    traceReturns(result);
    return result;
}

int IphoneMessagesExport::read(const QString& databasePath, MessageSink& sink, const QString& attachmentFolder)
{
    TraceScope trace("IphoneMessagesExport::read");
    traceValue("database", databasePath);
    int result = 0;
    int messages = 0;
    {
        SqliteConnection connection(databasePath);
        traceCopyToLogFolder(databasePath, QStringLiteral("sms.db"));
        bool newerLayout = false;
        QStringList tables;
        // An empty path would give SQLite a temporary database; treat it as missing.
        if (!databasePath.isEmpty() && connection.open()) {
            traceMessage("Database opened");
            // A larger page cache (bounded, 16 MB) spares re-reading the
            // handle and chat pages that every message looks up.
            QSqlQuery(connection.database()).exec(QStringLiteral("PRAGMA cache_size=-16000"));
            tables = connection.database().tables(QSql::Tables);
            newerLayout = tables.contains(QStringLiteral("handle"));
            if (connection.database().isValid()) {
                traceMessage("Database is valid");
            } else {
                traceMessage("Database is invalid");
                result = kErrorInvalidDatabase;
            }
        } else {
            traceMessage("Could not open database");
            traceValue("Error", connection.database().lastError().text());
            result = kErrorCannotOpenDatabase;
        }

        std::unique_ptr<MessageConversations> conversations;
        std::unique_ptr<MessagePieces> pieces;
        if (newerLayout && result == 0)
            conversations = std::make_unique<MessageConversations>(connection.database(), tables, attachmentFolder);
        else if (result == 0)
            pieces = std::make_unique<MessagePieces>(connection.database(), tables, attachmentFolder);
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        const QString text =
            newerLayout ? newerLayoutQuery(connection.database()) : olderLayoutQuery(connection.database());
        if (result == kErrorCannotOpenDatabase || !query.exec(text)) {
            traceMessage("Selection error");
            traceValue("Error", query.lastError().text());
            result = kErrorSelection;
        }
        if (result == 0) {
            const Columns columns = columnsOf(query.record(), newerLayout);
            ConversionProgress::Counter progress(ConversionProgress::Kind::Messages,
                                                 connection.rowCount(QStringLiteral("message")));
            while (query.next()) {
                MessageEntry message = messageFrom(query, columns, newerLayout);
                if (conversations && columns.rowid >= 0)
                    addConversation(message, query, columns, *conversations);
                if (pieces && columns.rowid >= 0)
                    addPieces(message, query, columns, *pieces);
                sink.add(message);
                ++messages;
                progress.step();
            }
            traceValue("messages", messages);
            if (SqliteConnection::endedWithError(query, messages))
                result = kErrorDamagedDatabase;
        }
    }
    traceReturns(result);
    return result;
}
