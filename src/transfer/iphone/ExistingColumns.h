// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class SqliteConnection;

// The databases of Apple's apps add and drop columns between iOS versions:
// their readers select what the file has and read the rest as absent.
namespace ExistingColumns {

// Opens the database at path; 0, or IphoneDatabaseExport's open or
// invalid-database code. An empty path is a missing database, not a
// temporary one.
int open(SqliteConnection& connection, const QString& path);

// "SELECT a, NULL AS b, ... FROM table": every wanted column, NULL where the
// table lacks it, so that each keeps its position in the result.
QString select(const QSqlDatabase& db, const QString& table, const QStringList& columns);

// The first of candidates the table has; empty when it has none.
QString firstOf(const QSqlDatabase& db, const QString& table, const QStringList& candidates);

} // namespace ExistingColumns
