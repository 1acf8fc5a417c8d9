// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reads the playlist files people keep beside their music: M3U (and its UTF-8
// form M3U8) and PLS. Playlists come from other programs and other machines,
// so any bytes are read without harm: the result is the entries as clean
// absolute paths, in playlist order; whether they point anywhere is the
// library's business.
namespace PlaylistFileReader {

// A playlist file larger than this is not a playlist a person keeps.
constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;
// Entries beyond this many are dropped.
constexpr int kMaxEntries = 100000;

// Reads the file at path; its entries are resolved against its folder.
// 0, LibraryResult::PlaylistCannotOpen or LibraryResult::PlaylistTooLarge.
[[nodiscard]] int readFile(const QString& path, QStringList& entries);

// The entries of M3U text; relative entries are resolved against folder.
QStringList parseM3u(const QByteArray& bytes, const QString& folder, bool utf8Only);
// The entries of PLS text, in the order of their numbers.
QStringList parsePls(const QByteArray& bytes, const QString& folder);

// One entry as a clean absolute path: file URLs decoded, Windows separators of
// a relative entry turned round; empty when the entry names no local file.
QString resolveEntry(const QString& entry, const QString& folder);

} // namespace PlaylistFileReader
