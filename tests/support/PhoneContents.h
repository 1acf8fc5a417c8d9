// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a test phone (and the computer's side of it) holds after a run.
namespace PhoneContents {

// Writes content to path, making its folders; false when that failed.
bool writeFile(const QString& path, const QByteArray& content);
// Empty when the file cannot be read.
QByteArray readFile(const QString& path);
// Every file below folder, hidden ones included, as sorted paths relative to it.
QStringList filesBelow(const QString& folder);
// The phone paths ("/Music/...") of the tracks that the phone's track cache
// holds as being on the phone, sorted; one "cache error N" line when the
// cache cannot be read.
QStringList cachedOnPhone(const QString& phoneId);
// The track cache file the settings file names for the phone; empty without an entry.
QString cacheFileOf(const QString& phoneId);

} // namespace PhoneContents
