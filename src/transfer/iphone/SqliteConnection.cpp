// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/SqliteConnection.h"

#include "app/TraceLog.h"

#include <QAtomicInteger>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

static QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("velmora-sqlite-") + QString::number(counter.fetchAndAddRelaxed(1));
}

SqliteConnection::SqliteConnection(const QString& databaseName, const QString& connectOptions)
    : mName(uniqueConnectionName())
{
    TraceScope trace("SqliteConnection::SqliteConnection");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mName);
    db.setDatabaseName(databaseName);
    if (!connectOptions.isEmpty())
        db.setConnectOptions(connectOptions);
}

SqliteConnection::~SqliteConnection()
{
    TraceScope trace("SqliteConnection::~SqliteConnection");
    {
        QSqlDatabase db = QSqlDatabase::database(mName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(mName);
}

bool SqliteConnection::open()
{
    TraceScope trace("SqliteConnection::open");
    QSqlDatabase db = QSqlDatabase::database(mName, false);
    return db.open();
}

QSqlDatabase SqliteConnection::database() const
{
    return QSqlDatabase::database(mName, false);
}

sqlite3* SqliteConnection::handle() const
{
    const QSqlDatabase db = database();
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

bool SqliteConnection::endedWithError(const QSqlQuery& query, int rowsRead)
{
    TraceScope trace("SqliteConnection::endedWithError");
    if (query.lastError().type() == QSqlError::NoError)
        return false;
    traceValue("Query ended with an error", query.lastError().text());
    traceValue("rows read before it", rowsRead);
    return true;
}

qint64 SqliteConnection::rowCount(const QString& table) const
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT count(*) FROM \"") + table + QStringLiteral("\"")) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}
