// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/SqliteRows.h"

#include "app/TraceLog.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QByteArray>

#include <sqlite3.h>

namespace {

bool isAscii(const unsigned char* text, int size)
{
    unsigned char any = 0;
    for (int i = 0; i < size; ++i)
        any |= text[i];
    return any < 0x80;
}

bool storesUtf8(sqlite3* db)
{
    sqlite3_stmt* pragma = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &pragma, nullptr) != SQLITE_OK)
        return false;
    const bool utf8 = sqlite3_step(pragma) == SQLITE_ROW
                      && qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(pragma, 0)), "UTF-8") == 0;
    sqlite3_finalize(pragma);
    return utf8;
}

} // namespace

SqliteRows::SqliteRows(const SqliteConnection& connection, const QString& text)
{
    sqlite3* db = connection.handle();
    if (!db) {
        mError = QStringLiteral("The database is not open");
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &mStatement, nullptr) != SQLITE_OK) {
        mError = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(mStatement);
        mStatement = nullptr;
        return;
    }
    mUtf8Database = storesUtf8(db);
}

SqliteRows::~SqliteRows()
{
    sqlite3_finalize(mStatement);
}

void SqliteRows::bind(int parameter, const SqliteRows& source, int column)
{
    if (!mStatement)
        return;
    sqlite3_reset(mStatement);
    mState = State::BeforeExec;
    if (column >= 0 && source.mState == State::OnRow)
        sqlite3_bind_value(mStatement, parameter, sqlite3_column_value(source.mStatement, column));
    else
        sqlite3_bind_null(mStatement, parameter);
}

bool SqliteRows::exec()
{
    if (!mStatement)
        return false;
    sqlite3_reset(mStatement);
    mFailed = false;
    mError.clear();
    const int step = sqlite3_step(mStatement);
    if (step == SQLITE_ROW) {
        mState = State::FirstRowWaiting;
        return true;
    }
    mState = State::AtEnd;
    if (step == SQLITE_DONE)
        return true;
    fail();
    return false;
}

bool SqliteRows::next()
{
    if (mState == State::FirstRowWaiting) {
        mState = State::OnRow;
        return true;
    }
    if (mState != State::OnRow)
        return false;
    const int step = sqlite3_step(mStatement);
    if (step == SQLITE_ROW)
        return true;
    mState = State::AtEnd;
    if (step != SQLITE_DONE)
        fail();
    return false;
}

void SqliteRows::fail()
{
    mFailed = true;
    mError = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(mStatement)));
}

bool SqliteRows::endedWithError(int rowsRead) const
{
    if (!mFailed)
        return false;
    traceValue("Query ended with an error", mError);
    traceValue("rows read before it", rowsRead);
    return true;
}

int SqliteRows::columnIndex(const char* name) const
{
    if (!mStatement)
        return -1;
    const int count = sqlite3_column_count(mStatement);
    for (int column = 0; column < count; ++column) {
        if (QString::fromUtf8(sqlite3_column_name(mStatement, column)).compare(QLatin1String(name), Qt::CaseInsensitive)
            == 0)
            return column;
    }
    return -1;
}

QVariant SqliteRows::qtValue(int column) const
{
    switch (sqlite3_column_type(mStatement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(mStatement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(mStatement, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(mStatement, column)),
                          sqlite3_column_bytes(mStatement, column));
    case SQLITE_NULL:
        return QVariant();
    default: {
        // As the Qt driver reads text: SQLite's own conversion to UTF-16,
        // which treats broken UTF-8 its own way.
        const auto* units = static_cast<const QChar*>(sqlite3_column_text16(mStatement, column));
        return QString(units, sqlite3_column_bytes16(mStatement, column) / qsizetype(sizeof(QChar)));
    }
    }
}

std::optional<QString> SqliteRows::text(int column) const
{
    if (column < 0 || mState != State::OnRow)
        return std::nullopt;
    switch (sqlite3_column_type(mStatement, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(mStatement, column));
    case SQLITE_TEXT:
        if (mUtf8Database) {
            const unsigned char* utf8 = sqlite3_column_text(mStatement, column);
            const int size = sqlite3_column_bytes(mStatement, column);
            if (isAscii(utf8, size))
                return QString::fromLatin1(reinterpret_cast<const char*>(utf8), size);
        }
        return qtValue(column).toString();
    default:
        return qtValue(column).toString();
    }
}

bool SqliteRows::textInto(int column, std::optional<QString>& value) const
{
    if (value && type(column) == SQLITE_TEXT && mUtf8Database) {
        const unsigned char* utf8 = sqlite3_column_text(mStatement, column);
        const int size = sqlite3_column_bytes(mStatement, column);
        if (size == value->size() && isAscii(utf8, size)
            && QLatin1String(reinterpret_cast<const char*>(utf8), size) == *value)
            return false;
    } else if (!value && type(column) == SQLITE_NULL) {
        return false;
    }
    std::optional<QString> read = text(column);
    if (read == value)
        return false;
    value = std::move(read);
    return true;
}

qint64 SqliteRows::integer(int column) const
{
    if (column < 0 || mState != State::OnRow)
        return 0;
    if (sqlite3_column_type(mStatement, column) == SQLITE_INTEGER)
        return sqlite3_column_int64(mStatement, column);
    return qtValue(column).toLongLong();
}

int SqliteRows::type(int column) const
{
    if (column < 0 || mState != State::OnRow)
        return SQLITE_NULL;
    return sqlite3_column_type(mStatement, column);
}

double SqliteRows::real(int column) const
{
    if (column < 0 || mState != State::OnRow)
        return 0;
    return sqlite3_column_double(mStatement, column);
}
