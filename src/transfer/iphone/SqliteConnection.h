// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QSqlDatabase>

class QSqlQuery;
#include <QString>

struct sqlite3;

// One SQLite connection under a name no other connection uses, removed again
// when the object goes away. Several readers may run at once (the sync runs
// on a worker thread while a test or a tool reads another database), so the
// fixed or default connection names would collide.
// Every QSqlQuery made on it must be destroyed before this object.
class SqliteConnection
{
public:
    // connectOptions are the QSQLITE driver options, e.g. "QSQLITE_OPEN_READONLY".
    explicit SqliteConnection(const QString& databaseName, const QString& connectOptions = QString());
    ~SqliteConnection();
    Q_DISABLE_COPY_MOVE(SqliteConnection)

    bool open();
    QSqlDatabase database() const;
    // The driver's own SQLite handle, for the readers that step through large
    // tables themselves (SqliteRows); null while the database is not open.
    sqlite3* handle() const;
    QString name() const { return mName; }

    // Whether the rows of query stopped on an error rather than at the end
    // (a damaged page): next() returns false either way. rowsRead is traced
    // with the error, so the log tells how much came before the damage.
    static bool endedWithError(const QSqlQuery& query, int rowsRead);
    // The number of rows of table, for a progress report; 0 when unknown.
    qint64 rowCount(const QString& table) const;

private:
    QString mName;
};
