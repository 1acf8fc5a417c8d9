// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QColor>
#include <QString>

#include <utility>

// Small tagged audio files for the library tests, made with the installed
// ffmpeg: tags through -metadata, an optional cover attached to the stream.
namespace LibraryMedia {

struct Tags
{
    Tags(QString title_ = {}, QString album_ = {}, QString artist_ = {}, QString albumArtist_ = {}, int track_ = 0,
         QString date_ = {}, bool compilation_ = false)
        : title(std::move(title_)), album(std::move(album_)), artist(std::move(artist_)),
          albumArtist(std::move(albumArtist_)), track(track_), date(std::move(date_)), compilation(compilation_)
    {
    }

    QString title;
    QString album;
    QString artist;
    QString albumArtist;
    int track = 0;
    QString date;
    bool compilation = false;
};

// One and a half seconds of a tone in the format of the file's ending (mp3, m4a, flac,
// ogg, opus); cover is a picture file attached as the front cover (mp3, m4a, flac).
bool makeTrack(const QString& path, const Tags& tags, const QString& cover = QString());
// A copy of an existing track with other tags, without encoding again.
bool copyWithTags(const QString& source, const QString& path, const Tags& tags);
// A small one-coloured picture (the format follows the ending).
bool makeCover(const QString& path, const QColor& colour, int size = 64);
// A file of the given text, folders made on the way.
bool writeText(const QString& path, const QByteArray& text);

} // namespace LibraryMedia
