// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneBookmarksExport.h"

#include "app/TraceLog.h"
#include "transfer/iphone/ExistingColumns.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr int kFolder = 1;

struct Row
{
    qint64 id = 0;
    QString title;
    QString url;
    bool folder = false;
};

// Builds the nodes below parent. A folder already on the way down is not
// entered again: a damaged table whose parents form a loop would otherwise
// never end.
QList<BookmarksHtmlWriter::Node> childrenOf(qint64 parent, const QHash<qint64, QList<Row>>& byParent,
                                            QSet<qint64>& entered)
{
    QList<BookmarksHtmlWriter::Node> nodes;
    if (entered.contains(parent))
        return nodes;
    entered.insert(parent);
    for (const Row& row : byParent.value(parent)) {
        if (row.folder) {
            QList<BookmarksHtmlWriter::Node> children = childrenOf(row.id, byParent, entered);
            nodes.append({row.title, QString(), std::move(children)});
        } else if (!row.url.isEmpty()) {
            nodes.append({row.title, row.url, {}});
        }
    }
    entered.remove(parent);
    return nodes;
}

} // namespace

int IphoneBookmarksExport::read(const QString& databasePath, QList<BookmarksHtmlWriter::Node>& topLevel)
{
    TraceScope trace("IphoneBookmarksExport::read");
    int result = 0;
    QHash<qint64, QList<Row>> byParent;
    qint64 root = 0;
    {
        SqliteConnection connection(databasePath, QStringLiteral("QSQLITE_OPEN_READONLY"));
        result = ExistingColumns::open(connection, databasePath);
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        const QStringList columns{QStringLiteral("id"),      QStringLiteral("parent"),    QStringLiteral("type"),
                                  QStringLiteral("title"),   QStringLiteral("url"),       QStringLiteral("hidden"),
                                  QStringLiteral("deleted"), QStringLiteral("special_id")};
        if (result == 0
            && !query.exec(ExistingColumns::select(connection.database(), QStringLiteral("bookmarks"), columns)
                           + QStringLiteral(" ORDER BY parent, order_index, id"))) {
            traceValue("Selection error", query.lastError().text());
            result = kErrorSelection;
        }
        int rows = 0;
        bool rootFound = false;
        while (result == 0 && query.next()) {
            ++rows;
            const QVariant parent = query.value(1);
            const QString title = query.value(3).toString();
            // The root is the one folder without a parent.
            if (parent.isNull()) {
                if (!rootFound)
                    root = query.value(0).toLongLong();
                rootFound = true;
                continue;
            }
            if (query.value(5).toInt() != 0 || query.value(6).toInt() != 0
                || title == QLatin1String("com.apple.ReadingList"))
                continue;
            byParent[parent.toLongLong()].append(
                {query.value(0).toLongLong(), title, query.value(4).toString(), query.value(2).toInt() == kFolder});
        }
        if (result == 0 && SqliteConnection::endedWithError(query, rows))
            result = kErrorDamagedDatabase;
    }
    QSet<qint64> entered;
    topLevel = childrenOf(root, byParent, entered);
    traceReturns(result);
    return result;
}
