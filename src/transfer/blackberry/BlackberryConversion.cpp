// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryConversion.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryCalendarConverter.h"
#include "transfer/blackberry/BlackberryCallsAndMemos.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberryKindStream.h"
#include "transfer/blackberry/BlackberryRecordRouter.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

ContactRecord BlackberryConversion::contactOfRecord(const BackupRecord& record)
{
    ContactRecord contact;
    contact.entries = BlackberryContactConverter::entriesOfRecord(record);
    contact.identity = QStringLiteral("blackberry-") + QString::number(record.uniqueId);
    return contact;
}

BlackberryConversionResult BlackberryConversion::convert(const QString& backupPath, const QString& outputFolder,
                                                         bool copyTextMessages, bool copyAddressBook,
                                                         const StandardSinks& standard, const QString& workFolder,
                                                         bool copyCalendar)
{
    TraceScope trace("BlackberryConversion::convert");
    traceValue("backupPath", backupPath);
    traceValue("outputFolder", outputFolder);
    traceCopyToLogFolder(backupPath, QStringLiteral("blackberry_database_file"));
    BlackberryConversionResult result;
    if (!QDir().mkpath(outputFolder)) {
        traceMessage("Could not create the output folder");
        result.code = XmlDataFile::kErrorCannotOpenFile;
        return result;
    }
    standard.announceOutputReady();

    // An archive is unpacked into a private folder, so that files of an
    // earlier run can never be taken for this backup's databases; an archive
    // that cannot be unpacked is told as such, never read as a raw backup.
    std::unique_ptr<QTemporaryDir> unpacked;
    if (BlackberryBackup::isArchivePath(backupPath)) {
        if (workFolder.isEmpty()) {
            unpacked = std::make_unique<QTemporaryDir>();
        } else {
            QDir().mkpath(workFolder);
            unpacked = std::make_unique<QTemporaryDir>(workFolder + QStringLiteral("/unpacked-XXXXXX"));
        }
        result.code = unpacked->isValid() ? BlackberryBackup::unpack(backupPath, unpacked->path())
                                          : int(DataResult::ArchiveCannotUnpack);
        if (result.code != 0) {
            traceReturns(result.code);
            return result;
        }
    }

    const QString unpackFolder = unpacked ? unpacked->path() : QString();
    const QString folder = outputFolder + QDir::separator();
    const bool korvaMessages = copyTextMessages && standard.korvaFiles;
    const bool korvaContacts = copyAddressBook && standard.korvaFiles;
    const bool korvaCalendar = copyCalendar && standard.korvaFiles;

    // The records' headers alone first, so that the progress lines know
    // their totals; the fields are stepped over, which costs next to nothing.
    // It also tells which calendar database to take before any record is read.
    BlackberryRecordCounter counter;
    BackupDatabaseTable counted;
    (void)BlackberryBackup::read(backupPath, unpackFolder, counted, &counter);
    BlackberryRecordRouter router(counter.counts());

    KorvaStreamFile<MessagesXmlWriter, MessagesXmlSink, MessageEntry> messagesFile(
        korvaMessages ? folder + Constants::messagesFileName() : QString());
    BlackberryKindStream<MessageEntry> messages(BlackberrySmsConverter::messageOfRecord,
                                                {&messagesFile, standard.messages}, ConversionProgress::Kind::Messages,
                                                [&messagesFile] { messagesFile.open(); });
    if (korvaMessages || standard.messages)
        router.route(QStringLiteral("SMS Messages"), &messages);

    KorvaStreamFile<AddressBookXmlWriter, AddressBookXmlSink, ContactRecord> contactsFile(
        korvaContacts ? folder + Constants::addressBookFileName() : QString());
    BlackberryKindStream<ContactRecord> contacts(
        [](const BackupRecord& record) { return std::optional<ContactRecord>(contactOfRecord(record)); },
        {&contactsFile, standard.contacts}, ConversionProgress::Kind::Contacts,
        [&contactsFile] { contactsFile.open(); });
    if (korvaContacts || standard.contacts)
        router.route(QStringLiteral("Address Book - All"), &contacts);

    // Found whether or not they are wanted: the report tells what the backup holds.
    BlackberryKindStream<CallRecord> calls(BlackberryCallsAndMemos::callOfRecord, {standard.calls}, std::nullopt);
    router.route(QString::fromLatin1(BlackberryCallsAndMemos::kCallLogDatabase), &calls);
    BlackberryKindStream<NoteRecord> memos(BlackberryCallsAndMemos::memoOfRecord, {standard.notes}, std::nullopt);
    router.route(QString::fromLatin1(BlackberryCallsAndMemos::kMemoDatabase), &memos);

    KorvaStreamFile<CalendarXmlWriter, CalendarXmlSink, CalendarRecord> calendarFile(
        korvaCalendar ? folder + Constants::calendarFileName() : QString());
    BlackberryKindStream<CalendarRecord> calendar(
        [](const BackupRecord& record) {
            return std::optional<CalendarRecord>(BlackberryCalendarConverter::entryOfRecord(record));
        },
        {&calendarFile, standard.calendar}, ConversionProgress::Kind::Calendar,
        [&calendarFile] { calendarFile.open(); });
    const QString calendarName = QString::fromLatin1(
        counted.names().contains(QString::fromLatin1(BlackberryCalendarConverter::kCalendarDatabase))
            ? BlackberryCalendarConverter::kCalendarDatabase
            : BlackberryCalendarConverter::kOlderCalendarDatabase);
    if (korvaCalendar || standard.calendar)
        router.route(calendarName, &calendar);

    BackupDatabaseTable table;
    result.code = BlackberryBackup::read(backupPath, unpackFolder, table, &router);
    result.databases = BlackberryBackup::realDatabaseCount(table);
    messages.end();
    contacts.end();
    calendar.end();
    if (result.code != 0) {
        traceReturns(result.code);
        return result;
    }
    result.callLogFound = calls.wasFound();
    result.memosFound = memos.wasFound();
    result.calendarFound = calendar.wasFound();
    // The address book first, as it always was: a failure of the messages
    // file then stands as the run's last.
    if (const int code =
            contactsFile.finish(result.addressBookPath, result.contacts, &AddressBookXmlWriter::personsWritten))
        result.code = code;
    if (const int code =
            calendarFile.finish(result.calendarPath, result.calendarEntries, &CalendarXmlWriter::entriesWritten))
        result.code = code;
    if (const int code = messagesFile.finish(result.messagesPath, result.messages, &MessagesXmlWriter::messagesWritten))
        result.code = code;
    traceReturns(result.code);
    return result;
}
