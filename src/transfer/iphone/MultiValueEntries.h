// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/SqliteRows.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

class SqliteConnection;

// The entries of an address book's multi-values (an address's street, city,
// ...) with their keys, for the multi-values as they come: by person, then by
// UID. Joining them to every multi-value would look each one up in the index
// of entries; most multi-values (numbers, e-mail addresses) have none. They
// are read instead in one pass sorted by their multi-value, beside the
// multi-values: as long as the UIDs rise, each one's entries are next in
// that pass. A multi-value out of that order (added to a person later) or of
// a UID that is no integer gets its entries by a query of its own.
class MultiValueEntries
{
public:
    explicit MultiValueEntries(const SqliteConnection& book);

    // Whether the entries can be read at all: both queries prepared and run.
    bool isActive() const { return mActive; }
    // Whether a query stopped on an error rather than at its end.
    bool endedWithError() const;

    // The (element, value) pairs of the multi-value whose UID is at column
    // of row, in the order the entries were stored.
    void read(const SqliteRows& row, int column, QList<QPair<QString, QString>>& children);

private:
    enum Position { Below, At, Above };
    // Where the pass stands against uid.
    Position passAgainst(qint64 uid) const;
    void advance();
    void append(const SqliteRows& rows, QList<QPair<QString, QString>>& children);

    SqliteRows mPass;
    SqliteRows mOne;
    // The last entry's key and the element it names.
    std::optional<QString> mKey;
    QString mElement;
    std::optional<qint64> mLastUid; // the highest UID the pass has been asked for
    int mPassRows = 0;
    int mOneRows = 0;
    bool mActive = false;
    bool mOnRow = false;
    bool mOneFailed = false;
};
