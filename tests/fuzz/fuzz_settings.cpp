// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Feeds arbitrary bytes to the settings reader as "korva.xml", then reads every
// kind of value of the phones it names, reconfigures one and saves the result.
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir home;
    if (!home.isValid())
        return 0;
    static const bool homeSet = qputenv("HOME", home.path().toUtf8());
    if (!homeSet)
        return 0;
    QDir().mkpath(home.path() + QStringLiteral("/KORVA"));
    {
        QFile file(SyncSettings::filePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    SyncSettings settings;
    settings.load();
    settings.musicFolder();
    QStringList ids;
    const QDomElement root = settings.document().documentElement();
    for (QDomElement device = root.firstChildElement(QStringLiteral("device")); !device.isNull();
         device = device.nextSiblingElement(QStringLiteral("device")))
        ids.append(device.firstChildElement(QStringLiteral("id")).text());
    ids.append(QString());

    for (const QString& id : ids) {
        QString cache;
        settings.getCacheFilename(id, cache);
        settings.deviceOrder(id);
        bool wholeLibrary = false;
        int podcastSetting = 0;
        QStringList playlists, podcasts;
        settings.getConfig(id, wholeLibrary, podcastSetting, playlists, podcasts);
        settings.numberOfEpisodesToSync(id);
        settings.forceArtworkSync(id);
        settings.selectedBackupPath(id);
        settings.getSettingsList(id, SettingsKeys::photoFoldersList());
    }
    QString next;
    settings.generateUniqueCacheFilename(next);
    settings.skipUpdateMessage();

    const QString id = ids.first();
    bool wholeLibrary = false;
    int podcastSetting = 0;
    QStringList playlists, podcasts;
    settings.getConfig(id, wholeLibrary, podcastSetting, playlists, podcasts);
    settings.setConfig(id, wholeLibrary, podcastSetting, playlists, podcasts, QStringLiteral("phone"));
    settings.addToSettingsList(id, SettingsKeys::photoFoldersList(), QString(), QStringLiteral("/photos"));
    settings.save();
    return 0;
}
