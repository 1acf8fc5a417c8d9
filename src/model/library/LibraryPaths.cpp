// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/LibraryPaths.h"

#include "app/Constants.h"

#include <QDir>

namespace LibraryPaths {

QString indexFilePath()
{
    return Constants::programFolderPath() + QStringLiteral("/library.db");
}

QString podcastFolder()
{
    // gPodder's own variables move its downloads; without them it uses ~/gPodder/Downloads.
    const QString downloads = qEnvironmentVariable("GPODDER_DOWNLOAD_DIR");
    if (!downloads.isEmpty())
        return QDir::cleanPath(downloads);
    const QString home = qEnvironmentVariable("GPODDER_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home) + QStringLiteral("/Downloads");
    return QDir::homePath() + QStringLiteral("/gPodder/Downloads");
}

QString artworkExportPath(const QString& suffix)
{
    return Constants::programFolderPath() + QStringLiteral("/LibraryArtwork.") + suffix;
}

QString allMusicPlaylistName()
{
    return QStringLiteral("All music");
}

const QStringList& audioSuffixes()
{
    static const QStringList suffixes{QStringLiteral("mp3"),  QStringLiteral("m4a"), QStringLiteral("m4p"),
                                      QStringLiteral("mp4"),  QStringLiteral("aac"), QStringLiteral("flac"),
                                      QStringLiteral("ogg"),  QStringLiteral("oga"), QStringLiteral("opus"),
                                      QStringLiteral("wma"),  QStringLiteral("wav")};
    return suffixes;
}

const QStringList& playlistSuffixes()
{
    static const QStringList suffixes{QStringLiteral("m3u"), QStringLiteral("m3u8"), QStringLiteral("pls")};
    return suffixes;
}

bool isDrmSuffix(const QString& lowerSuffix)
{
    return lowerSuffix == QLatin1String("m4p");
}

} // namespace LibraryPaths
