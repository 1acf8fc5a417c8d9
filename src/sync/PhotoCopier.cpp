// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/PhotoCopier.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "sync/SyncState.h"
#include "sync/VideoConverter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

PhotoCopier::PhotoCopier(Device& device, Observer& observer) : mDevice(device), mObserver(observer) {}

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

QString PhotoCopier::numberedName(const QString& relativePath, int number)
{
    const qsizetype slash = relativePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = relativePath.lastIndexOf(QLatin1Char('.'));
    // A dot that starts the file name or sits in a folder name is no extension.
    const bool hasExtension = dot > slash + 1;
    const qsizetype insertAt = hasExtension ? dot : relativePath.size();
    return relativePath.left(insertAt) + QLatin1Char('_') + QString::number(number) + relativePath.mid(insertAt);
}

void PhotoCopier::walkFolder(const QString& sourceFolder, const QString& destination, QSet<QString>& visitedFolders,
                             const std::function<void(const QFileInfo&, const QString&)>& visit)
{
    TraceScope trace("MusicSync::copyPhotos");
    traceValue("sourceFolder", sourceFolder);
    traceValue("destination", destination);
    const QString canonical = QFileInfo(sourceFolder).canonicalFilePath();
    if (canonical.isEmpty() || visitedFolders.contains(canonical))
        return;
    visitedFolders.insert(canonical);

    const QFileInfoList entries = QDir(sourceFolder).entryInfoList();
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(QLatin1Char('.')))
            continue;
        const QString target = destination + QLatin1Char('/') + name;
        if (entry.isDir())
            walkFolder(entry.filePath(), target, visitedFolders, visit);
        else
            visit(entry, target);
    }
}

void PhotoCopier::copyFolder(const QString& sourceFolder, const QString& destination)
{
    TraceScope trace("MusicSync::copyPhotos");
    QSet<QString> visited;
    walkFolder(sourceFolder, destination, visited, [this](const QFileInfo& file, const QString& target) {
        mObserver.photoProgress(file.fileName(), ++mStarted, mTotal);
        copyOrRecord(file.filePath(), target, file.filePath());
    });
}

int PhotoCopier::folderFileCount(const QString& sourceFolder)
{
    int files = 0;
    QSet<QString> visited;
    walkFolder(sourceFolder, QString(), visited, [&files](const QFileInfo&, const QString&) { ++files; });
    return files;
}

qint64 PhotoCopier::folderBytes(const QString& sourceFolder)
{
    qint64 bytes = 0;
    QSet<QString> visited;
    walkFolder(sourceFolder, QString(), visited,
               [&bytes](const QFileInfo& file, const QString&) { bytes += file.size(); });
    return bytes;
}

int PhotoCopier::copyKeepingOthers(const QString& localPath, const QString& destination, bool& sent)
{
    sent = false;
    TraceScope trace("PhotoCopier::copyKeepingOthers");
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        const QString candidate = number == 1 ? destination : numberedName(destination, number);
        switch (mDevice.compareWithPhoneFile(localPath, candidate)) {
        case Device::FileMatch::Same:
            traceValue("Already on the phone", candidate);
            return 0;
        case Device::FileMatch::Different:
            continue;
        case Device::FileMatch::Absent: {
            const int result = mDevice.copyFile(localPath, candidate, false);
            sent = result == 0;
            return result;
        }
        }
    }
    return PhoneResult::NoFreeName;
}

void PhotoCopier::copyOrRecord(const QString& localPath, const QString& destination, const QString& sourcePath)
{
    bool sent = false;
    const int result = mPhoneLost ? int(PhoneResult::Disconnected) : copyKeepingOthers(localPath, destination, sent);
    if (sent)
        mObserver.photoCopied();
    if (result == 0)
        return;
    traceValue("Photo not copied", sourcePath);
    traceValue("result", result);
    if (result == PhoneResult::Disconnected)
        mPhoneLost = true;
    mNotCopied.append({sourcePath, result});
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
    const int number = ++mStarted;
    mObserver.photoProgress(fileName, number, mTotal);
    if (mPhoneLost) {
        mNotCopied.append({sourceName, PhoneResult::Disconnected});
        return;
    }

    QString fileToSend = sourceName;
    if (VideoConverter::isQuickTimeVideo(destination)) {
        mObserver.photoStateChanged(SyncState::StateConvertingVideo);
        mObserver.photoProgress(fileName, number, mTotal);
        destination = VideoConverter::mp4Name(destination);
        fileToSend = convertedVideoPath();
        QDir().mkpath(Constants::programFolderPath());
        const int converted = VideoConverter::convert(sourceName, fileToSend, screenPixels);
        mObserver.photoStateChanged(SyncState::StatePhotos);
        mObserver.photoProgress(fileName, number, mTotal);
        // A failed conversion leaves no output: nothing else may be sent in
        // the video's place.
        if (converted != 0 || !QFileInfo::exists(fileToSend)) {
            traceValue("Video not converted", sourceName);
            mNotCopied.append({sourceName, converted != 0 ? converted : int(MediaResult::ConverterCrashed)});
            return;
        }
    }
    copyOrRecord(fileToSend, destination, sourceName);
}
