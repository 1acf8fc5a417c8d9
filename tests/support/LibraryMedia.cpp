// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/LibraryMedia.h"

#include "support/SyncMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace LibraryMedia {

namespace {

void addTags(QStringList& arguments, const Tags& tags)
{
    const auto tag = [&arguments](const char* key, const QString& value) {
        if (!value.isEmpty())
            arguments << QStringLiteral("-metadata") << (QLatin1String(key) + QLatin1Char('=') + value);
    };
    tag("title", tags.title);
    tag("album", tags.album);
    tag("artist", tags.artist);
    tag("album_artist", tags.albumArtist);
    tag("track", tags.track > 0 ? QString::number(tags.track) : QString());
    tag("date", tags.date);
    tag("compilation", tags.compilation ? QStringLiteral("1") : QString());
}

} // namespace

bool copyWithTags(const QString& source, const QString& path, const Tags& tags)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList arguments{QStringLiteral("-i"),
                          source,
                          QStringLiteral("-map"),
                          QStringLiteral("0"),
                          QStringLiteral("-c"),
                          QStringLiteral("copy"),
                          QStringLiteral("-map_metadata"),
                          QStringLiteral("-1")};
    addTags(arguments, tags);
    arguments << path;
    return SyncMedia::runFfmpeg(arguments);
}

bool makeTrack(const QString& path, const Tags& tags, const QString& cover)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString suffix = QFileInfo(path).suffix().toLower();
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("sine=frequency=440:sample_rate=44100:duration=1.5")};
    const bool withCover = !cover.isEmpty();
    if (withCover)
        arguments << QStringLiteral("-i") << cover << QStringLiteral("-map") << QStringLiteral("0:a")
                  << QStringLiteral("-map") << QStringLiteral("1:v") << QStringLiteral("-disposition:v")
                  << QStringLiteral("attached_pic");
    if (suffix == QLatin1String("mp3"))
        arguments << QStringLiteral("-c:a") << QStringLiteral("libmp3lame") << QStringLiteral("-id3v2_version")
                  << QStringLiteral("3");
    else if (suffix == QLatin1String("m4a"))
        arguments << QStringLiteral("-c:a") << QStringLiteral("aac");
    else if (suffix == QLatin1String("flac"))
        arguments << QStringLiteral("-c:a") << QStringLiteral("flac");
    else if (suffix == QLatin1String("ogg"))
        arguments << QStringLiteral("-c:a") << QStringLiteral("libvorbis");
    else if (suffix == QLatin1String("opus"))
        arguments << QStringLiteral("-c:a") << QStringLiteral("libopus");
    if (withCover)
        arguments << QStringLiteral("-c:v") << QStringLiteral("copy");
    addTags(arguments, tags);
    arguments << path;
    return SyncMedia::runFfmpeg(arguments);
}

bool makeCover(const QString& path, const QColor& colour, int size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

bool writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace LibraryMedia
