// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/DataTransfer.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "settings/SyncSettings.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QFileInfo>

DataTransfer::DataTransfer(Device& device, DeviceParent* parentDevice, PhotoCopier::Observer& observer)
    : mDevice(device)
    , mParentDevice(parentDevice)
    , mObserver(observer)
{
}

QString DataTransfer::extractionFolder()
{
    return Constants::programFolderPath() + QLatin1Char('/') + Constants::extractionFolderName() + QLatin1Char('/');
}

BackupConversionResult DataTransfer::run(SyncSettings& settings, const QString& id)
{
    TraceScope trace("DataTransfer::run");
    const QString extraction = extractionFolder();
    QDir(extraction).removeRecursively();

    const QString backupPath = settings.selectedBackupPath(id);
    traceValue("backupPath", backupPath);
    if (backupPath.isEmpty()) {
        // Photos from a folder need no backup: a user without one still gets them.
        if (settings.copyPhotos(id)) {
            copyBlackBerryPhotoFolders(settings, id);
            settings.setCopyPhotos(id, false);
            settings.save();
        }
        return {};
    }

    Choices choices;
    choices.messages = settings.copyTextMessages(id);
    choices.addressBook = settings.copyAddressBook(id);
    choices.photos = settings.copyPhotos(id);
    choices.calendar = settings.copyCalendar(id);

    BackupChoices conversionChoices;
    conversionChoices.messages = choices.messages;
    conversionChoices.addressBook = choices.addressBook;
    conversionChoices.calendar = choices.calendar;
    // A BlackBerry backup holds no photos: its photos come from the chosen folders.
    const bool blackBerry = BackupConversion::kindOf(backupPath) == BackupConversionResult::Kind::BlackBerry;
    if (blackBerry && choices.photos)
        copyBlackBerryPhotoFolders(settings, id);
    const BackupConversionResult result =
        BackupConversion::convert(backupPath, extraction, extraction, conversionChoices);
    traceValue("conversionResult", result.firstFailure());
    if (!blackBerry && result.code == 0 && choices.photos)
        copyCameraRoll(result.photos);

    mObserver.photoStateChanged(SyncState::StatePreparing);
    traceCopyToLogFolder(extraction + Constants::messagesFileName(), Constants::messagesFileName());
    copyToPhone(Constants::messagesFileName(), choices.messages);
    traceCopyToLogFolder(extraction + Constants::addressBookFileName(), Constants::addressBookLogFileName());
    copyToPhone(Constants::addressBookFileName(), choices.addressBook);
    copyToPhone(Constants::calendarFileName(), choices.calendar);

    settings.setCopyAddressBook(id, false);
    settings.setCopyPhotos(id, false);
    settings.setCopyTextMessages(id, false);
    settings.setCopyCalendar(id, false);
    settings.save();
    return result;
}

void DataTransfer::copyToPhone(const QString& fileName, bool wanted)
{
    TraceScope trace("DataTransfer::copyToPhone");
    if (!wanted)
        return;
    const QString local = extractionFolder() + fileName;
    // Replacing the phone's file with nothing would lose what an earlier
    // transfer put there: only a file that was really produced is sent.
    if (!QFileInfo::exists(local)) {
        traceValue("Not produced", local);
        return;
    }
    if (mDevice.copyFile(local, Constants::phoneDataFolder() + QLatin1Char('/') + fileName, true) != 0)
        traceValue("Data file not sent", fileName);
}

void DataTransfer::copyBlackBerryPhotoFolders(const SyncSettings& settings, const QString& id)
{
    TraceScope trace("DataTransfer::copyBlackBerryPhotoFolders");
    mObserver.photoStateChanged(SyncState::StatePhotos);
    PhotoCopier copier(mDevice, mObserver);
    const SyncSettings::SettingsList folders = settings.getSettingsList(id, SettingsKeys::photoFoldersList());
    for (const auto& entry : folders) {
        if (!entry.second.isEmpty())
            copier.copyFolder(entry.second, Constants::phoneBlackberryPhotoFolder());
    }
}

void DataTransfer::copyCameraRoll(const QList<PhotoPath>& photos)
{
    TraceScope trace("DataTransfer::copyCameraRoll");
    mObserver.photoStateChanged(SyncState::StatePhotos);
    PhotoCopier copier(mDevice, mObserver);
    const int screenPixels = PhotoCopier::screenPixelsOf(mParentDevice);
    for (const PhotoPath& photo : photos)
        copier.copyCameraRollFile(photo.mSourceName, photo.mDestName, screenPixels);
}
