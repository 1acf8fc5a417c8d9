// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryConversion.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryCallsAndMemos.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"

#include <QDir>
#include <QTemporaryDir>

#include <future>
#include <memory>

void BlackberryConversion::readAddressBook(const BackupDatabase& database, ContactSink& sink)
{
    TraceScope trace("BlackberryConversion::readAddressBook");
    ConversionProgress::Counter progress(ConversionProgress::Kind::Contacts, database.records.size());
    for (const BackupRecord& record : database.records) {
        ContactRecord contact;
        contact.entries = BlackberryContactConverter::entriesOfRecord(record);
        contact.identity = QStringLiteral("blackberry-") + QString::number(record.uniqueId);
        sink.add(contact);
        progress.step();
    }
}

void BlackberryConversion::readMessages(const BackupDatabase& database, MessageSink& sink)
{
    TraceScope trace("BlackberryConversion::readMessages");
    ConversionProgress::Counter progress(ConversionProgress::Kind::Messages, database.records.size());
    for (const BackupRecord& record : database.records) {
        if (const auto message = BlackberrySmsConverter::messageOfRecord(record))
            sink.add(*message);
        progress.step();
    }
}

int BlackberryConversion::writeAddressBook(const BackupDatabase& database, const QString& path, int& count,
                                           ContactSink* alsoTo)
{
    TraceScope trace("BlackberryConversion::writeAddressBook");
    AddressBookXmlWriter writer;
    int result = writer.open(path);
    if (result != 0)
        return result;
    AddressBookXmlSink file(writer);
    FanOutSink<ContactRecord> sinks({&file, alsoTo});
    readAddressBook(database, sinks);
    count = writer.personsWritten();
    result = writer.finish();
    traceReturns(result);
    return result;
}

int BlackberryConversion::writeMessages(const BackupDatabase& database, const QString& path, int& count,
                                        MessageSink* alsoTo)
{
    TraceScope trace("BlackberryConversion::writeMessages");
    MessagesXmlWriter writer;
    int result = writer.open(path);
    if (result != 0)
        return result;
    MessagesXmlSink file(writer);
    FanOutSink<MessageEntry> sinks({&file, alsoTo});
    readMessages(database, sinks);
    count = writer.messagesWritten();
    result = writer.finish();
    traceReturns(result);
    return result;
}

BlackberryConversionResult BlackberryConversion::convert(const QString& backupPath, const QString& outputFolder,
                                                         bool copyTextMessages, bool copyAddressBook,
                                                         const StandardSinks& standard, const QString& workFolder)
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

    BackupDatabaseTable table;
    result.code = BlackberryBackup::read(backupPath, unpacked ? unpacked->path() : QString(), table);
    result.databases = BlackberryBackup::realDatabaseCount(table);
    if (result.code != 0) {
        traceReturns(result.code);
        return result;
    }

    const QString folder = outputFolder + QDir::separator();
    const bool korvaMessages = copyTextMessages && standard.korvaFiles;
    const bool korvaContacts = copyAddressBook && standard.korvaFiles;
    const BackupDatabase* sms =
        korvaMessages || standard.messages ? table.findByName(QStringLiteral("SMS Messages")) : nullptr;
    const BackupDatabase* contacts =
        korvaContacts || standard.contacts ? table.findByName(QStringLiteral("Address Book - All")) : nullptr;
    // The two kinds are independent and only read the table: the messages go
    // on a second thread while this one does the address book.
    const QString messagesPath = folder + Constants::messagesFileName();
    std::future<int> messagesDone;
    if (sms) {
        messagesDone = std::async(std::launch::async, [sms, messagesPath, korvaMessages, &standard, &result] {
            if (korvaMessages)
                return writeMessages(*sms, messagesPath, result.messages, standard.messages);
            readMessages(*sms, *standard.messages);
            return 0;
        });
    }
    if (contacts) {
        const QString path = folder + Constants::addressBookFileName();
        if (korvaContacts) {
            const int code = writeAddressBook(*contacts, path, result.contacts, standard.contacts);
            if (code == 0)
                result.addressBookPath = path;
            else
                result.code = code;
        } else {
            readAddressBook(*contacts, *standard.contacts);
        }
    }
    if (const BackupDatabase* calls =
            table.findByName(QString::fromLatin1(BlackberryCallsAndMemos::kCallLogDatabase))) {
        result.callLogFound = true;
        if (standard.calls)
            BlackberryCallsAndMemos::readCalls(*calls, *standard.calls);
    }
    if (const BackupDatabase* memos = table.findByName(QString::fromLatin1(BlackberryCallsAndMemos::kMemoDatabase))) {
        result.memosFound = true;
        if (standard.notes)
            BlackberryCallsAndMemos::readMemos(*memos, *standard.notes);
    }
    if (sms) {
        const int code = messagesDone.get();
        if (code != 0)
            result.code = code;
        else if (korvaMessages)
            result.messagesPath = messagesPath;
    }
    traceReturns(result.code);
    return result;
}
