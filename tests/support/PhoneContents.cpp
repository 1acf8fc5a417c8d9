// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/PhoneContents.h"

#include "model/TrackCache.h"
#include "model/TrackList.h"
#include "settings/SyncSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace PhoneContents {

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    const QDir base(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(base.relativeFilePath(it.next()));
    files.sort();
    return files;
}

QStringList cachedOnPhone(const QString& phoneId)
{
    TrackCache cache;
    const int opened = cache.openFile(cacheFileOf(phoneId));
    if (opened != 0)
        return {QStringLiteral("cache error %1").arg(opened)};
    TrackList cached;
    const int read = cache.updateTrackList(cached, -1);
    cache.close();
    if (read != 0)
        return {QStringLiteral("cache error %1").arg(read)};
    QStringList ids;
    for (int i = 0; i < cached.count(); ++i) {
        if (cached.track(i).onRemoteDevice())
            ids.append(cached.track(i).deviceId());
    }
    ids.sort();
    return ids;
}

QString cacheFileOf(const QString& phoneId)
{
    SyncSettings settings;
    settings.load();
    QString path;
    settings.getCacheFilename(phoneId, path);
    return path;
}

} // namespace PhoneContents
