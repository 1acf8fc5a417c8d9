// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

// Which of the library's music tracks (podcast episodes aside) a count is of:
// the set-up wizard asks the AAC question and offers the album art only where
// the library holds such tracks.
enum class MusicTracks { All, Aac, WithAlbumArt };
