// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncMedia.h"

#include <QFileInfo>
#include <QProcess>

namespace SyncMedia {

bool runFfmpeg(const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y")} + arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool makeSilence(const QString& path, const QString& title)
{
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("lavfi"),
                          QStringLiteral("-i"), QStringLiteral("anullsrc=r=22050:cl=mono"),
                          QStringLiteral("-t"), QStringLiteral("1")};
    if (!title.isEmpty())
        arguments << QStringLiteral("-metadata") << (QStringLiteral("title=") + title);
    if (path.endsWith(QLatin1String("m4a")))
        arguments << QStringLiteral("-c:a") << QStringLiteral("aac");
    arguments << path;
    return runFfmpeg(arguments);
}

bool makeQuickTimeVideo(const QString& path)
{
    return runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                      QStringLiteral("color=c=blue:s=64x48:d=0.5"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                      QStringLiteral("-i"), QStringLiteral("anullsrc=r=22050:cl=mono"), QStringLiteral("-t"),
                      QStringLiteral("0.5"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                      QStringLiteral("aac"), QStringLiteral("-f"), QStringLiteral("mov"), path});
}

QString probe(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=codec_name,width,height:format=format_name:format_tags=title"), path});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

Track track(const QString& path, const QString& name, const QString& album, const QString& artist, int number)
{
    Track result;
    result.setPath(path);
    result.setTrackName(name);
    result.setAlbumName(album);
    result.setArtistName(artist);
    result.setTrackNumberOnAlbum(number);
    result.setSizeOnPc(QFileInfo(path).size());
    result.setMp3Bitrate(128);
    result.setDuration(1);
    return result;
}

} // namespace SyncMedia
