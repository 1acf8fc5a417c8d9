// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/DataTransfer.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "settings/SyncSettings.h"
#include "sync/SyncState.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/iphone/AppleExtractor.h"

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

bool DataTransfer::isBlackBerryBackup(const QString& backupPath)
{
    return (backupPath.length() > 4 && backupPath.endsWith(QLatin1String("ipd")))
           || backupPath.endsWith(QLatin1String("bbb"));
}

bool DataTransfer::run(SyncSettings& settings, const QString& id)
{
    TraceScope trace("DataTransfer::run");
    const QString extraction = extractionFolder();
    QDir(extraction).removeRecursively();

    const QString backupPath = settings.selectedBackupPath(id);
    traceValue("backupPath", backupPath);
    if (backupPath.isEmpty())
        return false;

    Choices choices;
    choices.messages = settings.copyTextMessages(id);
    choices.addressBook = settings.copyAddressBook(id);
    choices.photos = settings.copyPhotos(id);
    choices.calendar = settings.copyCalendar(id);

    bool failed = false;
    if (isBlackBerryBackup(backupPath))
        transferBlackBerry(settings, id, backupPath, choices);
    else
        failed = !transferIphone(backupPath, choices);

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
    return failed;
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
    mDevice.copyFile(local, Constants::phoneDataFolder() + QLatin1Char('/') + fileName, true);
}

void DataTransfer::transferBlackBerry(const SyncSettings& settings, const QString& id, const QString& backupPath,
                                      const Choices& choices)
{
    TraceScope trace("DataTransfer::transferBlackBerry");
    int mask = 0;
    if (choices.messages)
        mask |= 1;
    if (choices.addressBook)
        mask |= 2;
    if (choices.photos) {
        PhotoCopier copier(mDevice, mObserver);
        const SyncSettings::SettingsList folders = settings.getSettingsList(id, SettingsKeys::photoFoldersList());
        for (const auto& entry : folders) {
            if (!entry.second.isEmpty())
                copier.copyFolder(entry.second, Constants::phoneBlackberryPhotoFolder());
        }
        mask |= 4;
    }
    traceValue("mask", mask);
    // Both databases are converted whatever the mask says; only the files the
    // user asked for go to the phone.
    const BlackberryConversionResult result = BlackberryConversion::convert(backupPath, extractionFolder());
    traceValue("conversionResult", result.code);
}

bool DataTransfer::transferIphone(const QString& backupPath, const Choices& choices)
{
    TraceScope trace("DataTransfer::transferIphone");
    const QString extraction = extractionFolder();
    AppleExtractor extractor;
    const int result = extractor.extractFromManifest(backupPath, extraction);
    traceValue("extractResult", result);
    if (result == AppleExtractor::kErrorUnreadableBackup)
        return false;
    if (result != 0)
        return true;

    if (choices.messages)
        extractor.generateMessagesXML(extraction, extraction + Constants::messagesFileName());
    if (choices.addressBook)
        extractor.generateAddressBookXML(extraction, extraction + Constants::addressBookFileName());
    if (choices.calendar)
        extractor.generateCalendarXML(extraction, extraction + Constants::calendarFileName());
    if (choices.photos) {
        mObserver.photoStateChanged(SyncState::StatePhotos);
        PhotoCopier copier(mDevice, mObserver);
        const int screenPixels = PhotoCopier::screenPixelsOf(mParentDevice);
        for (const PhotoPath& photo : extractor.photos())
            copier.copyCameraRollFile(photo.mSourceName, photo.mDestName, screenPixels);
    }
    return true;
}
