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
    // Binds parameter (1-based) to the value at column of source's row, of
    // whatever type it is; the next exec() runs with it.
    void bind(int parameter, const SqliteRows& source, int column);
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
    // Like text(), into value; false, with value and its string kept, when
    // it already holds that text. For the values that repeat from row to row
    // (labels, keys): no new string, and no new lookup of what it means.
    bool textInto(int column, std::optional<QString>& value) const;
    // 0 for NULL and for column -1.
    qint64 integer(int column) const;
    // The value's own type: SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT,
    // SQLITE_BLOB or SQLITE_NULL (also for column -1).
    int type(int column) const;
    // The value as SQLite turns it into a number.
    double real(int column) const;

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
