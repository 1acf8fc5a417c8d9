// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <optional>

class SqliteConnection;
struct sqlite3_stmt;

// The rows of one forward-only query, read straight from SQLite on the
// connection's own handle. QSqlQuery turns every column of every row into a
// QVariant (and all text into UTF-16 through SQLite) before a value is asked
// for; for tables of hundreds of thousands of rows that cost more than the
// query. The values read here are the same as QSqlQuery::value(...)
// .toString() and .toLongLong() give, so callers keep their results.
//
// Like a QSqlQuery, it must go away before its connection does.
class SqliteRows
{
public:
    // Prepares text on the open connection; see isPrepared().
    SqliteRows(const SqliteConnection& connection, const QString& text);
    ~SqliteRows();
    Q_DISABLE_COPY_MOVE(SqliteRows)

    bool isPrepared() const { return mStatement != nullptr; }
    // Runs the query up to its first row, as QSqlQuery::exec() does: false
    // when it cannot be prepared or its first step fails.
    bool exec();
    // Moves to the next row (the first one after exec()); false after the
    // last one or on an error.
    bool next();
    // Whether the rows stopped on an error rather than at their end (a
    // damaged page); rowsRead is traced with it.
    bool endedWithError(int rowsRead) const;
    // What went wrong last, for the trace.
    QString errorText() const { return mError; }

    // The column of that name, ignoring case; -1 when there is none.
    int columnIndex(const char* name) const;
    // Absent for NULL and for column -1.
    std::optional<QString> text(int column) const;
    // 0 for NULL and for column -1.
    qint64 integer(int column) const;

private:
    enum class State { BeforeExec, FirstRowWaiting, OnRow, AtEnd };

    // The value as the Qt driver holds it, for the types read seldom.
    QVariant qtValue(int column) const;
    void fail();

    sqlite3_stmt* mStatement = nullptr;
    QString mError;
    State mState = State::BeforeExec;
    // Text is stored as UTF-8: plain ASCII needs no conversion by SQLite.
    bool mUtf8Database = false;
    bool mFailed = false;
};
