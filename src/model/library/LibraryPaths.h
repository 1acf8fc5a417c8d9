// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

// Where the music library lives on this computer, and the names it gives.
namespace LibraryPaths {

// The index of the library: a SQLite file in the program folder.
QString indexFilePath();
// gPodder's download folder: one sub-folder of episodes per podcast.
QString podcastFolder();
// The file an embedded cover is exported to for the album-art step, which removes it.
QString artworkExportPath(const QString& suffix);
// The album's picture in the track's folder (cover.jpg, folder.png, in any case), or empty.
QString coverFileBeside(const QString& trackPath);
// The playlist that holds the whole library.
QString allMusicPlaylistName();

// File endings (lower case, without the dot) the library reads as audio and as playlists.
bool isAudioSuffix(const QByteArray& lowerSuffix);
bool isPlaylistSuffix(const QByteArray& lowerSuffix);
// Protected tracks: they are listed, never copied.
bool isDrmSuffix(const QByteArray& lowerSuffix);

} // namespace LibraryPaths
