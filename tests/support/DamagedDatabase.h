// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// Damages an SQLite database file the way a bad sector or a cut copy does:
// one whole page overwritten with bytes that are no b-tree page.
namespace DamagedDatabase {

// Overwrites the page holding the first occurrence of needle; false when the
// file cannot be read or written or holds no needle.
bool overwritePageHolding(const QString& path, const QByteArray& needle);

// Rows of text for a table's INSERT: "WITH RECURSIVE" over 1..rows, giving
// each row "row-<n>" followed by filler, so that a page holding one of them
// can be found. selectColumns uses i (the row number) and label (the text).
QString insertRows(const QString& table, const QString& columns, const QString& selectColumns, int rows);

} // namespace DamagedDatabase
