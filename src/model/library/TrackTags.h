// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What the library keeps of one audio file's tags and stream.
struct TrackTags
{
    QString title;
    QString album;
    QString artist;
    QString albumArtist;
    bool compilation = false;
    int trackNumber = 0;
    int durationSeconds = 0;
    int bitrateKbps = 0;
    // AAC in an MP4 container: the sound that a phone may need as MP3.
    bool aac = false;
    // The recording or release date of the tag, seconds since the epoch; 0 when
    // the tag gives none more precise than a year.
    qint64 taggedDate = 0;
    // A picture embedded in the file or a cover image beside it: the album art step has something to send.
    bool hasCover = false;
};

// An embedded cover picture and the ending its format goes by ("jpg", "png").
struct CoverPicture
{
    QByteArray data;
    QString suffix;
};

namespace TrackTagReader {

// Reads the tags of an audio file with TagLib. LibraryResult::TagsUnreadable
// when TagLib does not know the file or finds no audio stream in it.
[[nodiscard]] int read(const QString& path, TrackTags& tags);
// The front cover embedded in the file (else its first picture); empty data when none.
CoverPicture embeddedCover(const QString& path);
// A date tag as the taggers write it ("2024-03-05", "2024-03-05T18:30:00Z");
// 0 for a bare year or anything unreadable.
qint64 parseTaggedDate(const QString& text);

} // namespace TrackTagReader
