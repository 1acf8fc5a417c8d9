// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/DataTransfer.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "settings/SettingsStore.h"
#include "sync/SyncState.h"
#include "transfer/ConversionProgress.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/iphone/BackupPasswords.h"

#include <QDir>
#include <QFileInfo>

DataTransfer::DataTransfer(Device& device, DeviceParent* parentDevice, PhotoCopier::Observer& observer)
    : mDevice(device), mParentDevice(parentDevice), mObserver(observer)
{
}

QString DataTransfer::extractionFolder()
{
    return Constants::programFolderPath() + QLatin1Char('/') + Constants::extractionFolderName() + QLatin1Char('/');
}

BackupConversionResult DataTransfer::run(const SyncPlan& plan, SettingsStore& settings)
{
    TraceScope trace("DataTransfer::run");
    QDir(extractionFolder()).removeRecursively();
    BackupConversionResult result = transfer(plan, settings);
    // The folder holds copies of the user's messages, contacts, calendar
    // and photos: it goes whatever the outcome, unless support's trace is
    // on, since support asks for these copies.
    if (!TraceLog::global().isOn())
        QDir(extractionFolder()).removeRecursively();
    return result;
}

BackupConversionResult DataTransfer::transfer(const SyncPlan& plan, SettingsStore& settings)
{
    TraceScope trace("DataTransfer::transfer");
    const QString extraction = extractionFolder();
    const QString& id = plan.deviceId;

    const QString& backupPath = plan.backupPath;
    traceValue("backupPath", backupPath);
    if (backupPath.isEmpty()) {
        // Photos from a folder need no backup: a user without one still gets them.
        if (plan.copy.photos) {
            if (!spaceForTransfer(plan.photoFolders, {}, {}))
                return {};
            copyPhotos(plan.photoFolders, {});
            if (!mPhoneLost)
                settings.change([&id](SyncSettings& s) { s.setCopyPhotos(id, false); });
        }
        return {};
    }

    const SyncPlan::Copy& choices = plan.copy;

    BackupChoices conversionChoices;
    conversionChoices.messages = choices.messages;
    conversionChoices.addressBook = choices.addressBook;
    conversionChoices.calendar = choices.calendar;
    conversionChoices.password = BackupPasswords::passwordFor(backupPath);
    conversionChoices.calls = choices.calls;
    conversionChoices.notes = choices.notes;
    conversionChoices.bookmarks = choices.bookmarks;
    conversionChoices.voicemail = choices.voicemail;
    conversionChoices.recordings = choices.recordings;
    // The standard files go to every phone; the XML files only where the
    // companion app may read them (an MTP phone without its device
    // information has no companion app).
    conversionChoices.format = mDevice.isHidden() ? BackupChoices::Format::Android : BackupChoices::Format::All;
    // A BlackBerry backup holds no photos: its photos come from the chosen folders.
    const bool blackBerry = BackupConversion::kindOf(backupPath) == BackupConversionResult::Kind::BlackBerry;
    // The readers report from their own threads; the observer only passes the counts on.
    ConversionProgress::setListener(
        [this](const QString& kind, qint64 done, qint64 total) { mObserver.conversionProgress(kind, done, total); });
    BackupConversionResult result = BackupConversion::convert(backupPath, extraction, extraction, conversionChoices);
    ConversionProgress::setListener({});
    traceValue("conversionResult", result.firstFailure());

    // Everything is counted before anything is sent, so that the user is
    // asked while nothing has been copied yet.
    const QStringList photoFolders = blackBerry && choices.photos ? plan.photoFolders : QStringList();
    const bool cameraRoll = !blackBerry && result.code == 0 && choices.photos;
    QStringList dataFiles;
    const QList<QPair<QString, bool>> wantedFiles = {{Constants::messagesFileName(), choices.messages},
                                                     {Constants::addressBookFileName(), choices.addressBook},
                                                     {Constants::calendarFileName(), choices.calendar}};
    for (const auto& file : wantedFiles) {
        if (file.second && QFileInfo::exists(extraction + file.first))
            dataFiles.append(extraction + file.first);
    }
    for (const ConvertedFile* file : {&result.callLog, &result.bookmarks}) {
        if (!file->path.isEmpty())
            dataFiles.append(file->path);
    }
    for (const ConvertedFile* folder : {&result.notes, &result.voicemail, &result.recordings}) {
        for (const QString& file : std::as_const(folder->files))
            dataFiles.append(QDir(folder->path).filePath(file));
    }
    // "Don't Sync": nothing is sent and the choices stay for the next sync.
    if (!spaceForTransfer(photoFolders, cameraRoll ? result.photos : QList<PhotoPath>(), dataFiles))
        return result;
    copyPhotos(photoFolders, cameraRoll ? result.photos : QList<PhotoPath>());
    // The phone went away: the choices stay, and the next sync does the
    // transfer again (what already arrived is recognised and kept).
    if (mPhoneLost)
        return result;

    mObserver.photoStateChanged(SyncState::StatePreparing);
    traceCopyToLogFolder(extraction + Constants::messagesFileName(), Constants::messagesFileName());
    const bool messagesSent = copyToPhone(Constants::messagesFileName(), choices.messages, result.messages);
    traceCopyToLogFolder(extraction + Constants::addressBookFileName(), Constants::addressBookLogFileName());
    const bool contactsSent = copyToPhone(Constants::addressBookFileName(), choices.addressBook, result.addressBook);
    const bool calendarSent = copyToPhone(Constants::calendarFileName(), choices.calendar, result.calendar);
    const bool vcardSent = copyStandardFile(result.contactsVcard);
    const bool smsSent = copyStandardFile(result.smsBackup);
    const bool icsSent = copyStandardFile(result.calendarIcs);
    const bool callsSent = copyStandardFile(result.callLog);
    const bool notesSent = copyFolderFiles(result.notes, Constants::notesFolderName());
    const bool bookmarksSent = copyStandardFile(result.bookmarks);
    const bool voicemailSent = copyFolderFiles(result.voicemail, Constants::voicemailFolderName());
    const bool recordingsSent = copyFolderFiles(result.recordings, Constants::recordingsFolderName());
    if (smsSent && !result.smsBackup.path.isEmpty())
        removeEarlierMessageFiles(QFileInfo(result.smsBackup.path).fileName());

    // A kind whose file the phone did not take stays chosen, so that the
    // next sync sends it again instead of the user believing it arrived; so
    // do all of them when the backup could not be read (an archive whose
    // unpacking was cut short, a disk that was full).
    const bool unread = result.code != 0;
    // What reached the phone is remembered with its day, so that the wizard
    // can say so instead of showing the box as if it had never been ticked.
    const auto written = [](const ConvertedFile& companion, const ConvertedFile& standard) {
        return !companion.path.isEmpty() || !standard.path.isEmpty();
    };
    const QList<QPair<QString, bool>> arrived = {
        {SettingsKeys::copyAddressBook(),
         choices.addressBook && contactsSent && vcardSent && written(result.addressBook, result.contactsVcard)},
        {SettingsKeys::copyTextMessages(),
         choices.messages && messagesSent && smsSent && written(result.messages, result.smsBackup)},
        {SettingsKeys::copyCalendar(),
         choices.calendar && calendarSent && icsSent && written(result.calendar, result.calendarIcs)},
        {SettingsKeys::copyCallHistory(), choices.calls && callsSent && written({}, result.callLog)},
        {SettingsKeys::copyNotes(), choices.notes && notesSent && written({}, result.notes)},
        {SettingsKeys::copyBookmarks(), choices.bookmarks && bookmarksSent && written({}, result.bookmarks)},
        {SettingsKeys::copyVoicemail(), choices.voicemail && voicemailSent && written({}, result.voicemail)},
        {SettingsKeys::copyRecordings(), choices.recordings && recordingsSent && written({}, result.recordings)},
        {SettingsKeys::copyPhotos(),
         choices.photos && (cameraRoll || !photoFolders.isEmpty()) && mNotCopiedPhotos.isEmpty()}};
    settings.change([&](SyncSettings& s) {
        s.setCopyAddressBook(id, choices.addressBook && (unread || !(contactsSent && vcardSent)));
        s.setCopyTextMessages(id, choices.messages && (unread || !(messagesSent && smsSent)));
        s.setCopyCalendar(id, choices.calendar && (unread || !(calendarSent && icsSent)));
        // Only a phone whose choice was made gets the key: others keep their file as it was.
        if (choices.calls)
            s.setCopyCallHistory(id, unread || !callsSent);
        if (choices.notes)
            s.setCopyNotes(id, unread || !notesSent);
        if (choices.bookmarks)
            s.setCopyBookmarks(id, unread || !bookmarksSent);
        if (choices.voicemail)
            s.setCopyVoicemail(id, unread || !voicemailSent);
        if (choices.recordings)
            s.setCopyRecordings(id, unread || !recordingsSent);
        for (const auto& kind : arrived) {
            if (!unread && kind.second)
                s.setCopiedOn(id, kind.first, QDate::currentDate());
        }
        // An iPhone's photos come out of its backup: one that could not be
        // read copied none of them, so the choice stays for the next sync.
        s.setCopyPhotos(id, choices.photos && !blackBerry && unread);
    });
    result.filesReadBack = mFilesReadBack;
    return result;
}

bool DataTransfer::copyFolderFiles(ConvertedFile& files, const QString& folderName)
{
    TraceScope trace("DataTransfer::copyFolderFiles");
    bool sent = true;
    for (const QString& file : std::as_const(files.files)) {
        const QString remote =
            Constants::phoneStandardFilesFolder() + QLatin1Char('/') + folderName + QLatin1Char('/') + file;
        sent = sendFile(QDir(files.path).filePath(file), remote, files) && sent;
        if (mPhoneLost)
            return false;
    }
    return sent;
}

bool DataTransfer::copyToPhone(const QString& fileName, bool wanted, ConvertedFile& file)
{
    TraceScope trace("DataTransfer::copyToPhone");
    if (!wanted)
        return true;
    const QString local = extractionFolder() + fileName;
    // Replacing the phone's file with nothing would lose what an earlier
    // transfer put there: only a file that was really produced is sent.
    if (!QFileInfo::exists(local)) {
        traceValue("Not produced", local);
        return true;
    }
    return sendFile(local, Constants::phoneDataFolder() + QLatin1Char('/') + fileName, file);
}

bool DataTransfer::copyStandardFile(ConvertedFile& file)
{
    TraceScope trace("DataTransfer::copyStandardFile");
    if (file.path.isEmpty() || !QFileInfo::exists(file.path))
        return true;
    // Both kinds of device send to a temporary name and rename it, so an
    // earlier file of the same name stays whole until the new one is there.
    return sendFile(file.path,
                    Constants::phoneStandardFilesFolder() + QLatin1Char('/') + QFileInfo(file.path).fileName(), file);
}

void DataTransfer::removeEarlierMessageFiles(const QString& keptName)
{
    TraceScope trace("DataTransfer::removeEarlierMessageFiles");
    const QString folder = Constants::phoneStandardFilesFolder();
    for (const QString& name : mDevice.fileNamesIn(folder)) {
        if (!SmsBackupWriter::isEarlierFileName(name, keptName))
            continue;
        // A file left behind costs a duplicate import, not data: the sync goes on.
        if (mDevice.removeFile(folder + QLatin1Char('/') + name) != 0)
            traceValue("Could not remove earlier messages file", name);
    }
}

bool DataTransfer::sendFile(const QString& local, const QString& remote, ConvertedFile& file)
{
    int code = mDevice.copyFile(local, remote, true);
    // A copy the phone acknowledged can still hold other bytes (a card that
    // is full or failing, a dropped MTP packet): what it stored is read back.
    if (code == 0 && mDevice.compareWithPhoneFile(local, remote) != Device::FileMatch::Same) {
        traceValue("Read back differs", remote);
        code = PhoneResult::ReadBackDiffers;
    }
    if (code == 0) {
        ++mFilesReadBack;
        return true;
    }
    traceValue("Not sent", remote);
    traceValue("code", code);
    if (file.code == 0)
        file.code = code;
    mPhoneLost = mPhoneLost || code == PhoneResult::Disconnected;
    return false;
}

bool DataTransfer::spaceForTransfer(const QStringList& photoFolders, const QList<PhotoPath>& cameraRoll,
                                    const QStringList& dataFiles)
{
    TraceScope trace("DataTransfer::spaceForTransfer");
    SpaceNeeds needs;
    for (const QString& folder : photoFolders)
        needs.photoBytes += PhotoCopier::folderBytes(folder);
    for (const PhotoPath& photo : cameraRoll)
        needs.photoBytes += QFileInfo(photo.mSourceName).size();
    for (const QString& file : dataFiles)
        needs.dataFileBytes += QFileInfo(file).size();
    mBytesPlanned = needs.neededBytes();
    const bool freeKnown = mBytesPlanned > 0 && mDevice.GetFreeStorageSpace(needs.freeBytes) == 0;
    mSpacePlanned = needs;
    if (!freeKnown)
        return true;
    traceValue("needed", QString::number(mBytesPlanned));
    traceValue("free", QString::number(needs.freeBytes));
    return needs.shortfall() <= 0 || mObserver.continueWithoutSpace(needs);
}

void DataTransfer::copyPhotos(const QStringList& folders, const QList<PhotoPath>& cameraRoll)
{
    TraceScope trace("DataTransfer::copyPhotos");
    if (folders.isEmpty() && cameraRoll.isEmpty())
        return;
    mObserver.photoStateChanged(SyncState::StatePhotos);
    PhotoCopier copier(mDevice, mObserver);
    int total = int(cameraRoll.size());
    for (const QString& folder : folders)
        total += PhotoCopier::folderFileCount(folder);
    copier.setTotal(total);
    for (const QString& folder : folders)
        copier.copyFolder(folder, Constants::phoneBlackberryPhotoFolder());
    const int screenPixels = cameraRoll.isEmpty() ? 0 : PhotoCopier::screenPixelsOf(mParentDevice);
    for (const PhotoPath& photo : cameraRoll)
        copier.copyCameraRollFile(photo.mSourceName, photo.mDestName, screenPixels);
    mNotCopiedPhotos += copier.notCopied();
    mPhoneLost = mPhoneLost || copier.phoneLost();
}
