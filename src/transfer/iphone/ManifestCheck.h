// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Tells a damaged iPhone backup from a good one before a run relies on it:
// a backup whose copy was cut short (a full disk, an unplugged phone) still
// has its Info.plist and looks whole in a list.
namespace ManifestCheck {

enum class SqliteState {
    Whole,
    NotSqlite, // no SQLite header: not a database, or still encrypted
    CutShort,  // the header counts more pages than the file holds
    Damaged,   // the header is sound but the Files table cannot be read
};

// The state of an SQLite manifest (read-only, without touching the file).
SqliteState sqliteState(const QString& path);

// Why the backup in folder cannot be read, in words for the user; empty when
// its manifest looks whole. encrypted: Manifest.plist says the backup is
// encrypted, so Manifest.db is ciphertext and only its length can be checked.
QString damageOf(const QString& folder, bool encrypted);

} // namespace ManifestCheck
