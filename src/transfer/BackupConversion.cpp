// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/BackupConversion.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryConversion.h"
#include "transfer/iphone/IphoneConversion.h"

int BackupConversionResult::firstFailure() const
{
    if (code != 0)
        return code;
    for (const ConvertedFile* file : {&addressBook, &messages, &calendar}) {
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

void convertBlackberry(const QString& backupPath, const QString& outputFolder, const BackupChoices& choices,
                       BackupConversionResult& result)
{
    const BlackberryConversionResult converted =
        BlackberryConversion::convert(backupPath, outputFolder, choices.messages, choices.addressBook);
    result.code = converted.code;
    result.databases = converted.databases;
    result.addressBook = {converted.addressBookPath, 0, converted.contacts};
    result.messages = {converted.messagesPath, 0, converted.messages};
}

void convertIphone(const QString& backupPath, const QString& workFolder, const QString& outputFolder,
                   const BackupChoices& choices, BackupConversionResult& result)
{
    IphoneConversionChoices iphoneChoices;
    iphoneChoices.addressBook = choices.addressBook;
    iphoneChoices.messages = choices.messages;
    iphoneChoices.calendar = choices.calendar;
    iphoneChoices.settleDelayMs = choices.settleDelayMs;
    const IphoneConversionResult converted =
        IphoneConversion::convert(backupPath, workFolder, outputFolder, iphoneChoices);
    result.code = converted.code;
    result.addressBook = {converted.addressBookPath, converted.addressBookCode, -1};
    result.messages = {converted.messagesPath, converted.messagesCode, -1};
    result.calendar = {converted.calendarPath, converted.calendarCode, -1};
    result.photos = converted.photos;
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
        convertBlackberry(backupPath, outputFolder, choices, result);
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
