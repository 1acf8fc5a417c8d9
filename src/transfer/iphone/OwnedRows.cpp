// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/OwnedRows.h"

#include "app/TraceLog.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>

OwnedRows::OwnedRows(QSqlQuery query) : mQuery(std::move(query))
{
    mActive = mQuery.exec();
    if (!mActive) {
        traceValue("Owned rows query error", mQuery.lastError().text());
        return;
    }
    advance();
}

void OwnedRows::advance()
{
    mOnRow = mQuery.next();
    if (mOnRow) {
        ++mRows;
        mOwner = mQuery.value(0).toLongLong();
    }
}

bool OwnedRows::first(qint64 owner)
{
    while (mOnRow && mOwner < owner)
        advance();
    return mOnRow && mOwner == owner;
}

bool OwnedRows::next(qint64 owner)
{
    if (!mOnRow || mOwner != owner)
        return false;
    advance();
    return mOnRow && mOwner == owner;
}

bool OwnedRows::endedWithError() const
{
    return mActive && !mOnRow && SqliteConnection::endedWithError(mQuery, mRows);
}
