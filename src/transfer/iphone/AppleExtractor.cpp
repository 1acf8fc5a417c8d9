// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/AppleExtractor.h"

#include "app/Constants.h"
#include "app/ExternalProgram.h"
#include "app/TraceLog.h"
#include "transfer/iphone/BackupFileList.h"
#include "transfer/iphone/ExtractionListing.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"
#include "transfer/iphone/IphoneMessagesExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

// Emptying the extraction folder removes everything below it; refuse the
// folders whose loss would be a disaster if a caller passed a wrong path.
bool isDisposableFolder(const QString& folder)
{
    if (folder.trimmed().isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    return clean != QLatin1String("/") && clean != QDir::cleanPath(QDir::homePath())
           && clean != QDir::cleanPath(QDir::currentPath());
}

} // namespace

int AppleExtractor::extractFromManifest(const QString& backupFolder, const QString& extractionFolder)
{
    TraceScope trace("AppleExtractor::extractFromManifest");
    traceValue("backupFolder", backupFolder);
    traceValue("extractionFolder", extractionFolder);
    int result = 0;
    mSmsDatabasePath.clear();
    mAddressBookPath.clear();
    mAddressBookImagesPath.clear();
    mCalendarPath.clear();
    mPhotos.clear();

    if (!isDisposableFolder(extractionFolder)) {
        traceMessage("Refusing to empty the extraction folder");
        traceReturns(kErrorUnreadableBackup);
        return kErrorUnreadableBackup;
    }
    QDir(extractionFolder).removeRecursively();
    QDir().mkpath(extractionFolder);

    runExtractor(backupFolder, extractionFolder);

    const QDir backup(backupFolder);
    for (const QString& name :
         {QStringLiteral("Info.plist"), QStringLiteral("Manifest.mbdb"), QStringLiteral("Manifest.plist")}) {
        traceCopyToLogFolder(backup.filePath(name), name);
    }
    if (TraceLog::global().isOn())
        ExtractionListing::trace(extractionFolder);

    const QString listPath = QDir(extractionFolder).filePath(Constants::backupFileListName());
    if (!QFileInfo::exists(listPath)) {
        traceValue("backup file list not created", listPath);
        traceMessage("Is the backup encrypted?");
        result = kErrorUnreadableBackup;
    }
    traceCopyToLogFolder(listPath, QStringLiteral("backupfiles"));

    readBackupFileList(listPath);

    traceCopyToLogFolder(mCalendarPath, QStringLiteral("calendar.db"));
    traceCopyToLogFolder(mAddressBookImagesPath, QStringLiteral("addressbookimages.db"));

    applySupportOverride();
    traceReturns(result);
    return result;
}

void AppleExtractor::runExtractor(const QString& backupFolder, const QString& extractionFolder)
{
    TraceScope trace("AppleExtractor::runExtractor");
    const QString program = mExtractorProgram.isEmpty()
                                ? findExternalProgram(Constants::extractorRelativePath(), QString())
                                : mExtractorProgram;
    traceValue("extractor", program);
    if (program.isEmpty()) {
        traceMessage("Extractor program not found");
        return;
    }
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {backupFolder, extractionFolder}, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1)) {
        traceValue("Extractor did not start", process.errorString());
        return;
    }
    process.waitForFinished(-1);
    traceValue("extractor exit code", process.exitCode());
}

void AppleExtractor::readBackupFileList(const QString& listPath)
{
    TraceScope trace("AppleExtractor::readBackupFileList");
    QFile list(listPath);
    if (!list.open(QIODevice::ReadOnly))
        return;
    BackupFileList::read(list, [this](const QString& source, const QString& place) {
        const BackupFileList::Match match = BackupFileList::classify(place);
        switch (match.mKind) {
        case BackupFileList::Photo:
            traceValue("Adding photo sourceFileName", source);
            traceValue("Adding photo destPhotoPath", match.mDestination);
            mPhotos.append({source, match.mDestination});
            break;
        case BackupFileList::AddressBook:
            mAddressBookPath = source;
            break;
        case BackupFileList::AddressBookImages:
            mAddressBookImagesPath = source;
            break;
        case BackupFileList::Messages:
            mSmsDatabasePath = source;
            break;
        case BackupFileList::Calendar:
            mCalendarPath = source;
            break;
        case BackupFileList::Ignored:
            break;
        }
    });
    list.close();
}

void AppleExtractor::applySupportOverride()
{
    TraceScope trace("AppleExtractor::applySupportOverride");
    if (!TraceLog::global().isOn())
        return;
    const QDir testFolder(TraceLog::global().folder() + QStringLiteral("/test"));
    const QString sms = testFolder.filePath(QStringLiteral("sms.db"));
    const QString addressBook = testFolder.filePath(QStringLiteral("addressbook.db"));
    if (QFileInfo::exists(sms)) {
        traceValue("Support override", sms);
        mSmsDatabasePath = sms;
    }
    if (QFileInfo::exists(addressBook)) {
        traceValue("Support override", addressBook);
        mAddressBookPath = addressBook;
    }
}

int AppleExtractor::generateAddressBookXML(const QString& extractionFolder, const QString& outputPath)
{
    TraceScope trace("AppleExtractor::generateAddressBookXML");
    Q_UNUSED(extractionFolder);
    const int result = IphoneAddressBookExport::write(mAddressBookPath, mAddressBookImagesPath, outputPath);
    traceReturns(result);
    return result;
}

int AppleExtractor::generateCalendarXML(const QString& extractionFolder, const QString& outputPath)
{
    TraceScope trace("AppleExtractor::generateCalendarXML");
    Q_UNUSED(extractionFolder);
    const int result = IphoneCalendarExport::write(mCalendarPath, outputPath);
    traceReturns(result);
    return result;
}

int AppleExtractor::generateMessagesXML(const QString& extractionFolder, const QString& outputPath)
{
    TraceScope trace("AppleExtractor::generateMessagesXML");
    Q_UNUSED(extractionFolder);
    const int result = IphoneMessagesExport::write(mSmsDatabasePath, outputPath);
    traceReturns(result);
    return result;
}
