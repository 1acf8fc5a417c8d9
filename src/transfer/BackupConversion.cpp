// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/BackupConversion.h"

#include "transfer/android/DatedFileCopier.h"
#include "transfer/android/StandardFileSet.h"
#include "transfer/iphone/IphoneBookmarksExport.h"
#include "transfer/iphone/IphoneExtractedFiles.h"
#include "transfer/iphone/IphoneRecordingsExport.h"
#include "transfer/iphone/IphoneVoicemailExport.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/iphone/IphoneConversion.h"

#include <QDir>

int BackupConversionResult::firstFailure() const
{
    if (code != 0)
        return code;
    for (const ConvertedFile* file : {&addressBook, &messages, &calendar, &contactsVcard, &smsBackup, &calendarIcs,
                                      &callLog, &notes, &bookmarks, &voicemail, &recordings}) {
        if (file->code != 0)
            return file->code;
    }
    return 0;
}

BackupConversionResult::Kind BackupConversion::kindOf(const QString& backupPath)
{
    if (BlackberryBackup::isBackupPath(backupPath))
        return BackupConversionResult::Kind::BlackBerry;
    if (IphoneConversion::isBackupFolder(backupPath))
        return BackupConversionResult::Kind::Iphone;
    return BackupConversionResult::Kind::Unknown;
}

namespace {

bool writesKorva(const BackupChoices& choices)
{
    return choices.format != BackupChoices::Format::Android;
}

bool writesStandard(const BackupChoices& choices)
{
    return choices.format != BackupChoices::Format::Korva;
}

ConvertedFile convertedFile(const StandardFileSet::Written& written)
{
    ConvertedFile file{written.path, written.code, written.count};
    file.multimedia = written.multimedia;
    file.attachments = written.attachments;
    file.missingAttachments = written.missingAttachments;
    file.leftOut = written.leftOut;
    file.files = written.files;
    return file;
}

StandardFileSet::Wanted wantedFiles(const BackupChoices& choices, bool calendar)
{
    const bool standard = writesStandard(choices);
    return {standard && choices.addressBook, standard && choices.messages, standard && calendar && choices.calendar,
            standard && choices.calls, standard && choices.notes};
}

void convertBlackberry(const QString& backupPath, const QString& workFolder, const QString& outputFolder,
                       const BackupChoices& choices, BackupConversionResult& result)
{
    StandardFileSet standard(outputFolder, wantedFiles(choices, true), choices.conversionTime);
    const BlackberryConversionResult converted =
        BlackberryConversion::convert(backupPath, outputFolder, choices.messages, choices.addressBook,
                                      standard.sinks(writesKorva(choices)), workFolder, choices.calendar);
    result.code = converted.code;
    result.databases = converted.databases;
    if (writesKorva(choices)) {
        result.addressBook = {converted.addressBookPath, 0, converted.contacts};
        result.messages = {converted.messagesPath, 0, converted.messages};
        if (converted.calendarFound)
            result.calendar = {converted.calendarPath, 0, converted.calendarEntries};
    }
    if (converted.code == 0) {
        result.contactsVcard = convertedFile(standard.finishContacts(0));
        result.smsBackup = convertedFile(standard.finishMessages(0));
        if (converted.callLogFound)
            result.callLog = convertedFile(standard.finishCalls(0));
        if (converted.memosFound)
            result.notes = convertedFile(standard.finishNotes(0));
        if (converted.calendarFound)
            result.calendarIcs = convertedFile(standard.finishCalendar(0));
    }
}

// Safari's bookmarks, when the backup has them, into outputFolder's bookmarks.html.
ConvertedFile convertBookmarks(const QString& extractionFolder, const QString& outputFolder)
{
    ConvertedFile file;
    const QString database = IphoneExtractedFiles::path(extractionFolder, IphoneExtractedFiles::kHomeDomain,
                                                        IphoneExtractedFiles::kSafariBookmarks);
    if (database.isEmpty())
        return file;
    QList<BookmarksHtmlWriter::Node> bookmarks;
    file.code = IphoneBookmarksExport::read(database, bookmarks);
    if (!DataResult::keepsWhatWasRead(file.code))
        return file;
    const QString path = QDir(outputFolder).filePath(Constants::bookmarksFileName());
    const int written = BookmarksHtmlWriter::write(path, bookmarks);
    file.count = BookmarksHtmlWriter::countBookmarks(bookmarks);
    if (written != 0)
        file.code = written;
    else
        file.path = path;
    return file;
}

ConvertedFile copiedFiles(const DatedFileCopier& files, int readCode, int missingAudio)
{
    ConvertedFile file;
    file.code = files.code() != 0 ? files.code() : readCode;
    file.count = int(files.written().size());
    file.leftOut = missingAudio;
    file.files = files.written();
    if (!file.files.isEmpty())
        file.path = files.folder();
    return file;
}

// The voicemails' audio, when the backup has their database, into outputFolder's "Voicemail".
ConvertedFile convertVoicemail(const QString& extractionFolder, const QString& outputFolder)
{
    using namespace IphoneExtractedFiles;
    const QString database = path(extractionFolder, kHomeDomain, kVoicemailDatabase);
    if (database.isEmpty())
        return {};
    DatedFileCopier files(QDir(outputFolder).filePath(Constants::voicemailFolderName()));
    int missing = 0;
    const int code = IphoneVoicemailExport::copy(
        database, QDir(extractionFolder).filePath(kHomeDomain + QLatin1Char('/') + kVoicemailFolder), files, missing);
    return copiedFiles(files, code, missing);
}

// The voice memos, when the backup has any, into outputFolder's "Recordings".
ConvertedFile convertRecordings(const QString& extractionFolder, const QString& outputFolder)
{
    using namespace IphoneExtractedFiles;
    const QString folder = QDir(extractionFolder).filePath(kMediaDomain + QLatin1Char('/') + kRecordingsFolder);
    const QString cloud = path(extractionFolder, kMediaDomain, kCloudRecordings);
    const QString database = cloud.isEmpty() ? path(extractionFolder, kMediaDomain, kLegacyRecordings) : cloud;
    if (database.isEmpty() && QDir(folder).entryList({QStringLiteral("*.m4a")}, QDir::Files).isEmpty())
        return {};
    DatedFileCopier files(QDir(outputFolder).filePath(Constants::recordingsFolderName()));
    int missing = 0;
    const int code = IphoneRecordingsExport::copy(folder, database, files, missing);
    return copiedFiles(files, code, missing);
}

void convertIphone(const QString& backupPath, const QString& workFolder, const QString& outputFolder,
                   const BackupChoices& choices, BackupConversionResult& result)
{
    IphoneConversionChoices iphoneChoices;
    iphoneChoices.addressBook = choices.addressBook;
    iphoneChoices.messages = choices.messages;
    iphoneChoices.calendar = choices.calendar;
    iphoneChoices.password = choices.password;
    iphoneChoices.calls = choices.calls;
    iphoneChoices.notes = choices.notes;
    StandardFileSet standard(outputFolder, wantedFiles(choices, true), choices.conversionTime);
    const IphoneConversionResult converted = IphoneConversion::convert(
        backupPath, workFolder, outputFolder, iphoneChoices, standard.sinks(writesKorva(choices)));
    result.code = converted.code;
    result.addressBook = {converted.addressBookPath, converted.addressBookCode, converted.addressBookCount};
    result.messages = {converted.messagesPath, converted.messagesCode, converted.messagesCount};
    result.calendar = {converted.calendarPath, converted.calendarCode, converted.calendarCount};
    if (!writesKorva(choices))
        result.addressBook = result.messages = result.calendar = {};
    result.photos = converted.photos;
    if (converted.code == 0) {
        result.contactsVcard = convertedFile(standard.finishContacts(converted.addressBookCode));
        result.smsBackup = convertedFile(standard.finishMessages(converted.messagesCode));
        result.calendarIcs = convertedFile(standard.finishCalendar(converted.calendarCode));
        if (converted.callsFound) {
            result.callLog = convertedFile(standard.finishCalls(converted.callsCode));
            result.callLog.leftOut = converted.callsLeftOut;
        }
        if (writesStandard(choices) && choices.bookmarks)
            result.bookmarks = convertBookmarks(workFolder, outputFolder);
        if (writesStandard(choices) && choices.voicemail)
            result.voicemail = convertVoicemail(workFolder, outputFolder);
        if (writesStandard(choices) && choices.recordings)
            result.recordings = convertRecordings(workFolder, outputFolder);
        if (converted.notesFound) {
            result.notes = convertedFile(standard.finishNotes(converted.notesCode));
            result.notes.leftOut = converted.notesLocked;
            result.notes.unreadable = converted.notesUnreadable;
        }
    }
}

} // namespace

BackupConversionResult BackupConversion::convert(const QString& backupPath, const QString& workFolder,
                                                 const QString& outputFolder, const BackupChoices& choices)
{
    TraceScope trace("BackupConversion::convert");
    traceValue("backupPath", backupPath);
    BackupConversionResult result;
    result.kind = kindOf(backupPath);
    switch (result.kind) {
    case BackupConversionResult::Kind::BlackBerry:
        convertBlackberry(backupPath, workFolder, outputFolder, choices, result);
        break;
    case BackupConversionResult::Kind::Iphone:
        convertIphone(backupPath, workFolder, outputFolder, choices, result);
        break;
    case BackupConversionResult::Kind::Unknown:
        break;
    }
    traceReturns(result.firstFailure());
    return result;
}

QString ConvertedFile::attachmentSummary() const
{
    if (multimedia == 0 && missingAttachments == 0)
        return QString();
    QString text = QStringLiteral(", of which %1 with %2 attachment%3")
                       .arg(multimedia)
                       .arg(attachments)
                       .arg(attachments == 1 ? QString() : QStringLiteral("s"));
    if (missingAttachments > 0)
        text += QStringLiteral("; %1 attachment%2 not in the backup or too large")
                    .arg(missingAttachments)
                    .arg(missingAttachments == 1 ? QString() : QStringLiteral("s"));
    return text;
}
