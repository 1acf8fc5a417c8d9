// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/ExistingColumns.h"

#include "app/TraceLog.h"
#include "transfer/iphone/IphoneDatabaseExport.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlRecord>

int ExistingColumns::open(SqliteConnection& connection, const QString& path)
{
    if (path.isEmpty() || !connection.open()) {
        traceValue("Could not open database", path);
        traceValue("Error", connection.database().lastError().text());
        return IphoneDatabaseExport::kErrorCannotOpenDatabase;
    }
    // A file that is no database opens, and fails on its first read.
    if (!connection.database().isValid() || connection.database().tables().isEmpty()) {
        traceValue("Invalid database", path);
        return IphoneDatabaseExport::kErrorInvalidDatabase;
    }
    return 0;
}

QString ExistingColumns::select(const QSqlDatabase& db, const QString& table, const QStringList& columns)
{
    const QSqlRecord record = db.record(table);
    QStringList parts;
    for (const QString& column : columns)
        parts << (record.indexOf(column) >= 0 ? column : QStringLiteral("NULL AS ") + column);
    return QStringLiteral("SELECT ") + parts.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + table;
}

QString ExistingColumns::firstOf(const QSqlDatabase& db, const QString& table, const QStringList& candidates)
{
    const QSqlRecord record = db.record(table);
    for (const QString& column : candidates) {
        if (record.indexOf(column) >= 0)
            return column;
    }
    return QString();
}
