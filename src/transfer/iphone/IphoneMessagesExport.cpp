// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneMessagesExport.h"

#include "app/TraceLog.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/AttributedBodyText.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace {

// Column positions of the query, looked up once instead of by name per row.
struct Columns
{
    int address = -1;
    int chatIdentifier = -1;
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
    columns.chatIdentifier = record.indexOf(QStringLiteral("velmora_chat_identifier"));
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
    return QStringLiteral("SELECT ") + messageColumns(db) + QStringLiteral(" FROM message");
}

QString newerLayoutQuery(const QSqlDatabase& db, const QStringList& tables)
{
    // Messages the owner sent have no handle on iOS 16 and later (handle_id
    // 0), and a handle can be gone: join it optionally and take the address
    // from the message's chat instead.
    QString query = QStringLiteral("SELECT ") + messageColumns(db) + QStringLiteral(", handle.id AS id");
    if (tables.contains(QStringLiteral("chat_message_join")) && tables.contains(QStringLiteral("chat"))) {
        query += QStringLiteral(
            ", CASE WHEN handle.id IS NULL THEN (SELECT chat.chat_identifier FROM chat_message_join INNER JOIN chat"
            " ON chat.ROWID=chat_message_join.chat_id WHERE chat_message_join.message_id=message.ROWID"
            " LIMIT 1) END AS velmora_chat_identifier");
    }
    return query + QStringLiteral(" FROM message LEFT JOIN handle ON message.handle_id=handle.ROWID");
}

MessageEntry messageFrom(const QSqlQuery& query, const Columns& columns, bool newerLayout)
{
    MessageEntry message;
    message.address = textAt(query, columns.address);
    if (!message.address)
        message.address = textAt(query, columns.chatIdentifier);

    const std::optional<QString> date = textAt(query, columns.date);
    if (date)
        message.date = newerLayout ? AppleDates::messageDate(*date) : *date;

    message.text = textAt(query, columns.text);
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

int IphoneMessagesExport::write(const QString& databasePath, const QString& outputPath, MessageSink* alsoTo)
{
    TraceScope trace("IphoneMessagesExport::write");
    const int result = writeXmlFile<MessagesXmlWriter, MessagesXmlSink>(
        outputPath, alsoTo, [&](MessageSink& sink) { return read(databasePath, sink); });
    traceReturns(result);
    return result;
}

int IphoneMessagesExport::read(const QString& databasePath, MessageSink& sink)
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

        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        const QString text =
            newerLayout ? newerLayoutQuery(connection.database(), tables) : olderLayoutQuery(connection.database());
        if (result == kErrorCannotOpenDatabase || !query.exec(text)) {
            traceMessage("Selection error");
            traceValue("Error", query.lastError().text());
            result = kErrorSelection;
        }
        if (result == 0) {
            const Columns columns = columnsOf(query.record(), newerLayout);
            while (query.next()) {
                sink.add(messageFrom(query, columns, newerLayout));
                ++messages;
            }
            traceValue("messages", messages);
            if (SqliteConnection::endedWithError(query, messages))
                result = kErrorDamagedDatabase;
        }
    }
    traceReturns(result);
    return result;
}
