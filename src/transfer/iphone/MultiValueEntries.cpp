// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/MultiValueEntries.h"

#include "app/TraceLog.h"
#include "transfer/iphone/IphoneAddressBookExport.h"

#include <sqlite3.h>

namespace {

// The entries with their keys, sorted by multi-value and then as stored.
const QString kPassQuery = QStringLiteral(
    "SELECT ABMultiValueEntry.parent_id, ABMultiValueEntryKey.value, ABMultiValueEntry.value"
    " FROM ABMultiValueEntry LEFT OUTER JOIN ABMultiValueEntryKey ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid"
    " ORDER BY ABMultiValueEntry.parent_id, ABMultiValueEntry.rowid");
// One multi-value's entries.
const QString kOneQuery = QStringLiteral(
    "SELECT ABMultiValueEntry.parent_id, ABMultiValueEntryKey.value, ABMultiValueEntry.value"
    " FROM ABMultiValueEntry LEFT OUTER JOIN ABMultiValueEntryKey ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid"
    " WHERE ABMultiValueEntry.parent_id=? ORDER BY ABMultiValueEntry.rowid");
enum EntryColumn { kParent, kKey, kValue };

} // namespace

MultiValueEntries::MultiValueEntries(const SqliteConnection& book)
    : mPass(book, kPassQuery), mOne(book, kOneQuery), mElement(IphoneAddressBookExport::elementForEntryKey(QString()))
{
    if (!mPass.isPrepared() || !mOne.isPrepared()) {
        traceValue("SQL Prepare Error", mPass.isPrepared() ? mOne.errorText() : mPass.errorText());
        return;
    }
    mActive = mPass.exec();
    if (!mActive) {
        traceValue("Owned rows query error", mPass.errorText());
        return;
    }
    advance();
}

bool MultiValueEntries::endedWithError() const
{
    return mActive && (mOneFailed || (!mOnRow && mPass.endedWithError(mPassRows)));
}

void MultiValueEntries::advance()
{
    mOnRow = mPass.next();
    if (mOnRow)
        ++mPassRows;
}

MultiValueEntries::Position MultiValueEntries::passAgainst(qint64 uid) const
{
    // SQLite sorts NULL first, numbers by value, then text and blobs, which
    // equal no integer UID.
    switch (mPass.type(kParent)) {
    case SQLITE_NULL:
        return Below;
    case SQLITE_INTEGER: {
        const qint64 parent = mPass.integer(kParent);
        return parent < uid ? Below : parent == uid ? At : Above;
    }
    case SQLITE_FLOAT: {
        const double parent = mPass.real(kParent);
        return parent < double(uid) ? Below : parent == double(uid) ? At : Above;
    }
    default:
        return Above;
    }
}

void MultiValueEntries::append(const SqliteRows& rows, QList<QPair<QString, QString>>& children)
{
    if (rows.textInto(kKey, mKey))
        mElement = IphoneAddressBookExport::elementForEntryKey(mKey.value_or(QString()));
    children.append({mElement, rows.text(kValue).value_or(QString())});
}

void MultiValueEntries::read(const SqliteRows& row, int column, QList<QPair<QString, QString>>& children)
{
    if (!mActive)
        return;
    const bool inOrder = row.type(column) == SQLITE_INTEGER && (!mLastUid || row.integer(column) > *mLastUid);
    if (!inOrder) {
        if (mOneFailed)
            return;
        mOne.bind(1, row, column);
        if (!mOne.exec()) {
            traceValue("Query ended with an error", mOne.errorText());
            mOneFailed = true;
            return;
        }
        while (mOne.next()) {
            ++mOneRows;
            append(mOne, children);
        }
        mOneFailed = mOne.endedWithError(mOneRows);
        return;
    }
    const qint64 uid = row.integer(column);
    mLastUid = uid;
    while (mOnRow && passAgainst(uid) == Below)
        advance();
    while (mOnRow && passAgainst(uid) == At) {
        append(mPass, children);
        advance();
    }
}
