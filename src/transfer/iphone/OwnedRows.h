// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QSqlQuery>
#include <QtGlobal>

// The rows of one table that belong to the rows of another (a person's
// phone numbers, an event's alarms), read in one pass beside their owners
// instead of one query per owner: without the indexes iOS creates, a query
// per owner scans the whole table each time.
//
// The query's first column is the owner's rowid and its rows are sorted by
// it; owners must be asked for in rising order.
class OwnedRows
{
public:
    // query is prepared, forward-only and not yet run; false when it fails.
    explicit OwnedRows(QSqlQuery query);

    bool isActive() const { return mActive; }
    // Moves to owner's first row; false when owner has none.
    bool first(qint64 owner);
    // Moves to owner's next row; false after its last.
    bool next(qint64 owner);
    const QSqlQuery& row() const { return mQuery; }
    // Whether the rows stopped on an error rather than at their end.
    bool endedWithError() const;

private:
    void advance();

    QSqlQuery mQuery;
    bool mActive = false;
    bool mOnRow = false;
    qint64 mOwner = 0;
    int mRows = 0;
};
