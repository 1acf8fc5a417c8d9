// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneConversion.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/iphone/AppleExtractor.h"

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

IphoneConversionResult IphoneConversion::convert(const QString& backupFolder, const QString& extractionFolder,
                                                 const QString& outputFolder,
                                                 const IphoneConversionChoices& choices)
{
    TraceScope trace("IphoneConversion::convert");
    IphoneConversionResult result;
    AppleExtractor extractor;
    extractor.setSettleDelay(choices.settleDelayMs);
    result.code = extractor.extractFromManifest(backupFolder, extractionFolder);
    if (result.code != 0) {
        traceReturns(result.code);
        return result;
    }
    result.photos = extractor.photos();
    QDir().mkpath(outputFolder);
    const QDir output(outputFolder);
    if (choices.addressBook) {
        result.addressBookPath = output.filePath(Constants::addressBookFileName());
        result.addressBookCode = extractor.generateAddressBookXML(extractionFolder, result.addressBookPath);
    }
    if (choices.messages) {
        result.messagesPath = output.filePath(Constants::messagesFileName());
        result.messagesCode = extractor.generateMessagesXML(extractionFolder, result.messagesPath);
    }
    if (choices.calendar) {
        result.calendarPath = output.filePath(Constants::calendarFileName());
        result.calendarCode = extractor.generateCalendarXML(extractionFolder, result.calendarPath);
    }
    traceReturns(result.code);
    return result;
}
