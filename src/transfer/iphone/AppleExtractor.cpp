// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/AppleExtractor.h"

#include "app/Constants.h"
#include "app/ExternalProgram.h"
#include "app/TraceLog.h"
#include "transfer/iphone/BackupFileList.h"
#include "transfer/iphone/ExtractionListing.h"
#include "transfer/iphone/ExtractorExitCode.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"
#include "transfer/iphone/IphoneMessagesExport.h"
#include "transfer/iphone/RegularFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <climits>

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

int resultOfExit(int exitCode)
{
    switch (exitCode) {
    case ExtractorExitCode::Success:
        return 0;
    case ExtractorExitCode::Encrypted:
        return DataResult::IphoneBackupEncrypted;
    case ExtractorExitCode::WrongPassword:
        return DataResult::IphoneWrongPassword;
    case ExtractorExitCode::OutputFailed:
        return DataResult::FileCannotWrite;
    case ExtractorExitCode::ManifestDamaged:
        return DataResult::IphoneManifestDamaged;
    case ExtractorExitCode::NoManifest:
    default:
        return DataResult::IphoneBackupUnreadable;
    }
}

qint64 bytesBelow(const QString& folder)
{
    qint64 total = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        total += files.fileInfo().size();
    }
    return total;
}

} // namespace

qint64 AppleExtractor::timeLimitFor(qint64 backupBytes)
{
    // Two minutes for making the key and reading the manifest, then one
    // second for each 4 MB: ten times slower than the slowest disk copies.
    static constexpr qint64 kBaseMs = 120'000;
    static constexpr qint64 kBytesPerMs = qint64(4) * 1024;
    return kBaseMs + qMax<qint64>(0, backupBytes) / kBytesPerMs;
}

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
    QFile::setPermissions(extractionFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const int extracted = runExtractor(backupFolder, extractionFolder);

    const QDir backup(backupFolder);
    for (const QString& name :
         {QStringLiteral("Info.plist"), QStringLiteral("Manifest.mbdb"), QStringLiteral("Manifest.plist")}) {
        // A FIFO would hold the copy for ever.
        if (RegularFile::isRegular(backup.filePath(name)))
            traceCopyToLogFolder(backup.filePath(name), name);
    }
    if (TraceLog::global().isOn())
        ExtractionListing::trace(extractionFolder);

    const QString listPath = QDir(extractionFolder).filePath(Constants::backupFileListName());
    if (extracted != 0) {
        result = extracted;
        // Whatever a failed extractor left (half a decryption, a list) is
        // neither trusted nor kept.
        QDir(extractionFolder).removeRecursively();
        QDir().mkpath(extractionFolder);
        QFile::setPermissions(extractionFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else if (!QFileInfo::exists(listPath)) {
        traceValue("backup file list not created", listPath);
        result = kErrorUnreadableBackup;
    }
    traceCopyToLogFolder(listPath, QStringLiteral("backupfiles"));

    readBackupFileList(listPath);

    // Decrypted databases stay in the extraction folder: the trace folder
    // outlives the run.
    if (mPassword.isEmpty()) {
        traceCopyToLogFolder(mCalendarPath, QStringLiteral("calendar.db"));
        traceCopyToLogFolder(mAddressBookImagesPath, QStringLiteral("addressbookimages.db"));
    }

    applySupportOverride();
    traceReturns(result);
    return result;
}

int AppleExtractor::runExtractor(const QString& backupFolder, const QString& extractionFolder)
{
    TraceScope trace("AppleExtractor::runExtractor");
    const QString program = mExtractorProgram.isEmpty()
                                ? findExternalProgram(Constants::extractorRelativePath(), QString())
                                : mExtractorProgram;
    traceValue("extractor", program);
    if (program.isEmpty()) {
        traceMessage("Extractor program not found");
        traceReturns(DataResult::IphoneExtractorMissing);
        return DataResult::IphoneExtractorMissing;
    }
    QStringList arguments{backupFolder, extractionFolder};
    if (!mPassword.isEmpty())
        arguments.prepend(QStringLiteral("--password-stdin"));
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithThisProcess(process);
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1)) {
        traceValue("Extractor did not start", process.errorString());
        traceReturns(DataResult::IphoneExtractorMissing);
        return DataResult::IphoneExtractorMissing;
    }
    if (!mPassword.isEmpty())
        process.write(mPassword);
    process.closeWriteChannel();
    const qint64 limit = mTimeLimitMs >= 0 ? mTimeLimitMs : timeLimitFor(bytesBelow(backupFolder));
    traceValue("time limit ms", QString::number(limit));
    if (!process.waitForFinished(int(qMin<qint64>(limit, INT_MAX)))) {
        traceMessage("Extractor ran past its time limit; stopped");
        process.kill();
        process.waitForFinished(-1);
        traceReturns(DataResult::IphoneExtractorTimedOut);
        return DataResult::IphoneExtractorTimedOut;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        traceMessage("Extractor crashed");
        traceReturns(DataResult::IphoneExtractorCrashed);
        return DataResult::IphoneExtractorCrashed;
    }
    traceValue("extractor exit code", process.exitCode());
    const int result = resultOfExit(process.exitCode());
    traceReturns(result);
    return result;
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
