// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// extract [--password-stdin] BACKUP_FOLDER EXTRACTION_FOLDER
// Copies what Velmora reads out of an iPhone backup and writes the backup file
// list. An encrypted backup's password comes on standard input, never on the
// command line. Exit code 0 on success; otherwise no list is written.
#include "app/TraceLog.h"
#include "transfer/iphone/BackupCipher.h"
#include "transfer/iphone/ExtractorExitCode.h"
#include "transfer/iphone/IphoneBackupExtractor.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

// Longer than any password a person types.
constexpr qint64 kMaximumPasswordLength = 4096;

int exitCodeFor(int result)
{
    switch (result) {
    case IphoneBackupExtractor::Success:
        return ExtractorExitCode::Success;
    case IphoneBackupExtractor::Encrypted:
        return ExtractorExitCode::Encrypted;
    case IphoneBackupExtractor::NoManifest:
        return ExtractorExitCode::NoManifest;
    case IphoneBackupExtractor::OutputFailed:
        return ExtractorExitCode::OutputFailed;
    case IphoneBackupExtractor::WrongPassword:
        return ExtractorExitCode::WrongPassword;
    case IphoneBackupExtractor::ManifestDamaged:
        return ExtractorExitCode::ManifestDamaged;
    default:
        return ExtractorExitCode::Unreadable;
    }
}

const char* messageFor(int result)
{
    switch (result) {
    case IphoneBackupExtractor::Encrypted:
        return "the backup is encrypted";
    case IphoneBackupExtractor::NoManifest:
        return "no Manifest.db or Manifest.mbdb in the backup folder";
    case IphoneBackupExtractor::OutputFailed:
        return "cannot write to the extraction folder";
    case IphoneBackupExtractor::LinkOutsideBackup:
        return "the backup's manifest is a link to a file outside the backup folder";
    case IphoneBackupExtractor::WrongPassword:
        return "the password does not open this backup";
    case IphoneBackupExtractor::ManifestDamaged:
        return "the backup's manifest is cut short or damaged";
    case IphoneBackupExtractor::ManifestPlistUnsafe:
        return "the backup's Manifest.plist is damaged or not a regular file";
    default:
        return "the backup's manifest cannot be read";
    }
}

} // namespace

VELMORA_PROGRAM_WITHOUT_TRACE_LOG();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TraceScope trace("extract::main");
    QStringList arguments = QCoreApplication::arguments();
    QByteArray password;
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--password-stdin")) {
        arguments.removeAt(1);
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            std::fprintf(stderr, "extract: cannot read the password\n");
            return ExtractorExitCode::Usage;
        }
        password = input.read(kMaximumPasswordLength);
    }
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: extract [--password-stdin] BACKUP_FOLDER EXTRACTION_FOLDER\n");
        return ExtractorExitCode::Usage;
    }
    IphoneBackupExtractor extractor;
    const int result = extractor.run(arguments.at(1), arguments.at(2), password);
    BackupCipher::wipe(password);
    if (result != IphoneBackupExtractor::Success) {
        std::fprintf(stderr, "extract: %s\n", messageFor(result));
        return exitCodeFor(result);
    }
    if (!extractor.productVersion().isEmpty())
        std::fprintf(stdout, "extract: backup of iOS %s\n", qPrintable(extractor.productVersion()));
    std::fprintf(stdout, "extract: %d files copied, %d missing in the backup, %d unsafe paths skipped\n",
                 extractor.filesCopied(), extractor.blobsMissing(), extractor.pathsRejected());
    if (extractor.filesUnreadable() > 0)
        std::fprintf(stderr, "extract: %d files could not be decrypted (key missing or damaged) and were left out\n",
                     extractor.filesUnreadable());
    if (extractor.linksRefused() > 0)
        std::fprintf(stderr, "extract: %d files are links out of the backup folder and were not followed\n",
                     extractor.linksRefused());
    return ExtractorExitCode::Success;
}
