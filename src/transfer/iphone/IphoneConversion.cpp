// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneConversion.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/iphone/AppleExtractor.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"
#include "transfer/iphone/IphoneCallHistoryExport.h"
#include "transfer/iphone/IphoneExtractedFiles.h"
#include "transfer/iphone/IphoneMessagesExport.h"
#include "transfer/iphone/IphoneNotesExport.h"

#include <QDir>
#include <QFileInfo>

bool IphoneConversion::isBackupFolder(const QString& path)
{
    TraceScope trace("IphoneConversion::isBackupFolder");
    const QDir folder(path);
    return QFileInfo(path).isDir()
           && (QFileInfo(folder.filePath(QStringLiteral("Manifest.db"))).isFile()
               || QFileInfo(folder.filePath(QStringLiteral("Manifest.mbdb"))).isFile());
}

namespace {

// iOS 8 and later keep the calls in Core Data stores; older versions in call_history.db.
void readCalls(const QString& extractionFolder, CallSink& sink, IphoneConversionResult& result)
{
    using namespace IphoneExtractedFiles;
    QStringList stores;
    for (const QString& store : {kCallHistoryStore, kCallHistoryTempStore}) {
        const QString file = path(extractionFolder, kHomeDomain, store);
        if (!file.isEmpty())
            stores << file;
    }
    const QString legacy = path(extractionFolder, kWirelessDomain, kLegacyCallHistory);
    result.callsFound = !stores.isEmpty() || !legacy.isEmpty();
    if (!stores.isEmpty())
        result.callsCode = IphoneCallHistoryExport::readStores(stores, sink, result.callsLeftOut);
    else if (!legacy.isEmpty())
        result.callsCode = IphoneCallHistoryExport::readLegacy(legacy, sink);
}

void readNotes(const QString& extractionFolder, NoteSink& sink, IphoneConversionResult& result)
{
    using namespace IphoneExtractedFiles;
    const QString noteStore = path(extractionFolder, kNotesDomain, kNoteStore);
    const QString legacy = path(extractionFolder, kHomeDomain, kLegacyNotes);
    result.notesFound = !noteStore.isEmpty() || !legacy.isEmpty();
    if (!noteStore.isEmpty()) {
        IphoneNotesExport::Skipped skipped;
        result.notesCode = IphoneNotesExport::readNoteStore(noteStore, sink, skipped);
        result.notesLocked = skipped.locked;
        result.notesUnreadable = skipped.unreadable;
    } else if (!legacy.isEmpty()) {
        result.notesCode = IphoneNotesExport::readLegacy(legacy, sink);
    }
}

} // namespace

IphoneConversionResult IphoneConversion::convert(const QString& backupFolder, const QString& extractionFolder,
                                                 const QString& outputFolder, const IphoneConversionChoices& choices,
                                                 const StandardSinks& standard)
{
    TraceScope trace("IphoneConversion::convert");
    IphoneConversionResult result;
    AppleExtractor extractor;
    extractor.setPassword(choices.password);
    result.code = extractor.extractFromManifest(backupFolder, extractionFolder);
    if (result.code != 0) {
        traceReturns(result.code);
        return result;
    }
    result.photos = extractor.photos();
    QDir().mkpath(outputFolder);
    const QDir output(outputFolder);
    standard.announceOutputReady();
    // Each database is read once: into its XML file where that is wanted,
    // and into the standard sinks alongside.
    const bool korva = standard.korvaFiles;
    CountingSink<ContactRecord> contacts(standard.contacts);
    CountingSink<MessageEntry> messages(standard.messages);
    CountingSink<CalendarRecord> calendar(standard.calendar);
    if (choices.addressBook && korva) {
        result.addressBookPath = output.filePath(Constants::addressBookFileName());
        result.addressBookCode = IphoneAddressBookExport::write(
            extractor.addressBookPath(), extractor.addressBookImagesPath(), result.addressBookPath, &contacts);
    } else if (standard.contacts) {
        const int code =
            IphoneAddressBookExport::read(extractor.addressBookPath(), extractor.addressBookImagesPath(), contacts);
        if (choices.addressBook)
            result.addressBookCode = code;
    }
    // The extractor puts each file under its domain: the messages'
    // attachments ("~/Library/SMS/...") are MediaDomain's.
    const QString attachments = QDir(extractionFolder).filePath(QStringLiteral("MediaDomain"));
    if (choices.messages && korva) {
        result.messagesPath = output.filePath(Constants::messagesFileName());
        result.messagesCode =
            IphoneMessagesExport::write(extractor.smsDatabasePath(), result.messagesPath, &messages, attachments);
    } else if (choices.messages && standard.messages) {
        result.messagesCode = IphoneMessagesExport::read(extractor.smsDatabasePath(), messages, attachments);
    }
    if (choices.calendar && korva) {
        result.calendarPath = output.filePath(Constants::calendarFileName());
        result.calendarCode = IphoneCalendarExport::write(extractor.calendarPath(), result.calendarPath, &calendar);
    } else if (choices.calendar && standard.calendar) {
        result.calendarCode = IphoneCalendarExport::read(extractor.calendarPath(), calendar);
    }
    if (choices.calls && standard.calls)
        readCalls(extractionFolder, *standard.calls, result);
    if (choices.notes && standard.notes)
        readNotes(extractionFolder, *standard.notes, result);
    result.addressBookCount = contacts.count();
    result.messagesCount = messages.count();
    result.calendarCount = calendar.count();
    traceReturns(result.code);
    return result;
}
