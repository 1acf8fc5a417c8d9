// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/Track.h"

#include <QString>
#include <QStringList>

// Tiny real media files for the sync tests, made with the installed ffmpeg.
namespace SyncMedia {

// Runs ffmpeg quietly with these arguments (after -nostdin -y); true when it succeeded.
bool runFfmpeg(const QStringList& arguments);

// One second of silence; the format follows the file's ending (mp3, m4a).
bool makeSilence(const QString& path, const QString& title = QString());
// Half a second of a small QuickTime video with an AAC sound track.
bool makeQuickTimeVideo(const QString& path);
// What ffprobe says of the file's streams and tags ("codec_name=..." lines).
QString probe(const QString& path);

// A library track for an existing file.
Track track(const QString& path, const QString& name, const QString& album, const QString& artist, int number);

} // namespace SyncMedia
