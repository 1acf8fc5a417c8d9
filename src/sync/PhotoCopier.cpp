// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/PhotoCopier.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "sync/SyncState.h"
#include "sync/VideoConverter.h"

#include <QDir>
#include <QFileInfo>

PhotoCopier::PhotoCopier(Device& device, Observer& observer)
    : mDevice(device)
    , mObserver(observer)
{
}

QString PhotoCopier::convertedVideoPath()
{
    return Constants::programFolderPath() + QLatin1Char('/') + Constants::convertedVideoFileName();
}

int PhotoCopier::screenPixelsOf(DeviceParent* parent)
{
    TraceScope trace("PhotoCopier::screenPixelsOf");
    int screenPixels = -1;
    if (parent)
        parent->highestAndroidVersion(screenPixels);
    if (screenPixels < 0)
        screenPixels = VideoConverter::kDefaultScreenPixels;
    traceReturns(screenPixels);
    return screenPixels;
}

void PhotoCopier::copyFolder(const QString& sourceFolder, const QString& destination)
{
    TraceScope trace("MusicSync::copyPhotos");
    mVisitedFolders.clear();
    copyFolderRecursive(sourceFolder, destination);
}

void PhotoCopier::copyFolderRecursive(const QString& sourceFolder, const QString& destination)
{
    TraceScope trace("MusicSync::copyPhotos");
    traceValue("sourceFolder", sourceFolder);
    traceValue("destination", destination);
    const QString canonical = QFileInfo(sourceFolder).canonicalFilePath();
    if (canonical.isEmpty() || mVisitedFolders.contains(canonical))
        return;
    mVisitedFolders.insert(canonical);

    const QFileInfoList entries = QDir(sourceFolder).entryInfoList();
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(QLatin1Char('.')))
            continue;
        const QString target = destination + QLatin1Char('/') + name;
        if (entry.isDir()) {
            copyFolderRecursive(entry.filePath(), target);
        } else {
            mObserver.photoProgress(name);
            if (mDevice.copyFile(entry.filePath(), target, false) != 0)
                traceValue("Photo not copied", entry.filePath());
        }
    }
}

void PhotoCopier::copyCameraRollFile(const QString& sourceName, const QString& destName, int screenPixels)
{
    TraceScope trace("MusicSync::copyPhotos");
    // destName begins with a separator already; do not double it.
    QString destination = Constants::phonePhotoFolder();
    if (!destName.startsWith(QLatin1Char('/')))
        destination += QLatin1Char('/');
    destination += destName;
    traceValue("photoPath.mSourceName", sourceName);
    traceValue("destinationOnDevice", destination);
    const QString fileName = destination.section(QLatin1Char('/'), -1);
    mObserver.photoProgress(fileName);

    QString fileToSend = sourceName;
    if (VideoConverter::isQuickTimeVideo(destination)) {
        mObserver.photoStateChanged(SyncState::StateConvertingVideo);
        mObserver.photoProgress(fileName);
        destination = VideoConverter::mp4Name(destination);
        fileToSend = convertedVideoPath();
        QDir().mkpath(Constants::programFolderPath());
        VideoConverter::convert(sourceName, fileToSend, screenPixels);
        mObserver.photoStateChanged(SyncState::StatePhotos);
        mObserver.photoProgress(fileName);
    }
    // A failed conversion left no output, so the copy finds nothing to send and
    // the video is skipped.
    if (QFileInfo::exists(fileToSend) && mDevice.copyFile(fileToSend, destination, false) != 0)
        traceValue("Photo not copied", sourceName);
    else
        traceValue("Nothing to copy", fileToSend);
}
