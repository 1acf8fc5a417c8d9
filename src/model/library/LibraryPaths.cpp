// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/LibraryPaths.h"

#include "app/Constants.h"

#include <QDir>
#include <QFileInfo>

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

QString coverFileBeside(const QString& trackPath)
{
    // In the order they are preferred; the name filters match without regard to case.
    static const QStringList names{QStringLiteral("cover.jpg"), QStringLiteral("folder.jpg"),
                                   QStringLiteral("cover.png"), QStringLiteral("folder.png")};
    const QDir folder = QFileInfo(trackPath).absoluteDir();
    const QStringList found = folder.entryList(names, QDir::Files);
    for (const QString& wanted : names) {
        for (const QString& name : found) {
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return folder.filePath(name);
        }
    }
    return QString();
}

QString allMusicPlaylistName()
{
    return QStringLiteral("All music");
}

bool isAudioSuffix(const QByteArray& lowerSuffix)
{
    static const QByteArrayList suffixes{"mp3", "m4a", "m4p", "mp4", "aac", "flac", "ogg", "oga", "opus", "wma", "wav"};
    return suffixes.contains(lowerSuffix);
}

bool isPlaylistSuffix(const QByteArray& lowerSuffix)
{
    return lowerSuffix == "m3u" || lowerSuffix == "m3u8" || lowerSuffix == "pls";
}

bool isDrmSuffix(const QByteArray& lowerSuffix)
{
    return lowerSuffix == "m4p";
}

} // namespace LibraryPaths
