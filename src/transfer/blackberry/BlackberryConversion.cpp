// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryConversion.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryContactConverter.h"
#include "transfer/blackberry/BlackberrySmsConverter.h"
#include "transfer/xml/AddressBookXmlWriter.h"
#include "transfer/xml/MessagesXmlWriter.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

int BlackberryConversion::writeAddressBook(const BackupDatabase& database, const QString& path, int& count)
{
    TraceScope trace("BlackberryConversion::writeAddressBook");
    AddressBookXmlWriter writer;
    int result = writer.open(path);
    if (result != 0)
        return result;
    for (const BackupRecord& record : database.records)
        writer.writePerson(BlackberryContactConverter::entriesOfRecord(record));
    count = writer.personsWritten();
    result = writer.finish();
    traceReturns(result);
    return result;
}

int BlackberryConversion::writeMessages(const BackupDatabase& database, const QString& path, int& count)
{
    TraceScope trace("BlackberryConversion::writeMessages");
    MessagesXmlWriter writer;
    int result = writer.open(path);
    if (result != 0)
        return result;
    for (const BackupRecord& record : database.records) {
        if (const auto message = BlackberrySmsConverter::messageOfRecord(record))
            writer.writeMessage(*message);
    }
    count = writer.messagesWritten();
    result = writer.finish();
    traceReturns(result);
    return result;
}

BlackberryConversionResult BlackberryConversion::convert(const QString& backupPath, const QString& outputFolder,
                                                         bool copyTextMessages, bool copyAddressBook)
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

    // An archive is unpacked into a private folder, so that files of an
    // earlier run can never be taken for this backup's databases.
    std::unique_ptr<QTemporaryDir> unpacked;
    if (BlackberryBackup::isArchivePath(backupPath)) {
        unpacked = std::make_unique<QTemporaryDir>(outputFolder + QStringLiteral("/unpacked-XXXXXX"));
        if (unpacked->isValid())
            BlackberryBackup::unpackArchive(backupPath, unpacked->path());
    }

    BackupDatabaseTable table;
    result.code = BlackberryBackup::read(backupPath, unpacked && unpacked->isValid() ? unpacked->path() : QString(),
                                         table);
    result.databases = BlackberryBackup::realDatabaseCount(table);
    if (result.code != 0) {
        traceReturns(result.code);
        return result;
    }

    const QString folder = outputFolder + QDir::separator();
    if (copyTextMessages) {
        if (const BackupDatabase* sms = table.findByName(QStringLiteral("SMS Messages"))) {
            const QString path = folder + Constants::messagesFileName();
            const int code = writeMessages(*sms, path, result.messages);
            if (code == 0)
                result.messagesPath = path;
            else
                result.code = code;
        }
    }
    if (copyAddressBook) {
        if (const BackupDatabase* contacts = table.findByName(QStringLiteral("Address Book - All"))) {
            const QString path = folder + Constants::addressBookFileName();
            const int code = writeAddressBook(*contacts, path, result.contacts);
            if (code == 0)
                result.addressBookPath = path;
            else
                result.code = code;
        }
    }
    traceReturns(result.code);
    return result;
}
