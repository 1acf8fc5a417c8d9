// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/FailureText.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"

QString FailureText::of(int code)
{
    TraceScope trace("FailureText::of");
    switch (code) {
    case DataResult::SourceCannotOpen:
        return QStringLiteral("the database cannot be opened");
    case DataResult::SourceInvalid:
        return QStringLiteral("the database is not one Velmora reads");
    case DataResult::QueryFailed:
        return QStringLiteral("the database is missing or does not hold the expected tables");
    case DataResult::SourceDamaged:
        return QStringLiteral("the database is damaged: only what came before the damage was read");
    case DataResult::FileCannotWrite:
        return QStringLiteral("the file cannot be written (folder missing, read-only or full?)");
    case DataResult::ArchiveTooLarge:
        return QStringLiteral("the archive would unpack to far more than any backup holds; refused");
    case DataResult::ArchiveUnsafeEntry:
        return QStringLiteral("the archive holds an entry outside its folder or a link; refused");
    case DataResult::BackupCannotOpen:
        return QStringLiteral("cannot read the backup file");
    case DataResult::BackupHoldsNoDatabase:
        return QStringLiteral("no BlackBerry databases found in the backup");
    case DataResult::ArchiverMissing:
        return QStringLiteral("the archive cannot be opened: the 7-Zip archiver (7z) is not installed");
    case DataResult::ArchiveUnreadable:
        return QStringLiteral("the archive cannot be read: it is damaged or not an archive");
    case DataResult::ArchiveEncrypted:
        return QStringLiteral("the archive is protected by a password; make the backup again without encryption");
    case DataResult::ArchiveCannotUnpack:
        return QStringLiteral("the archive cannot be unpacked: the temporary folder is full or read-only");
    case DataResult::ArchiveWithoutManifest:
        return QStringLiteral("the archive holds no Manifest.xml: it is not a BlackBerry backup archive");
    case DataResult::IphoneBackupUnreadable:
        return QStringLiteral("cannot read the iPhone backup; is it encrypted?");
    case DataResult::IphoneBackupEncrypted:
        return QStringLiteral("the iPhone backup is encrypted: its password is needed");
    case DataResult::IphoneWrongPassword:
        return QStringLiteral("The password does not open this backup");
    case DataResult::IphoneExtractorMissing:
        return QStringLiteral("the iPhone backup extractor program is missing; reinstall Velmora");
    case DataResult::IphoneExtractorCrashed:
        return QStringLiteral("the iPhone backup extractor crashed on this backup");
    case DataResult::IphoneManifestDamaged:
        return QStringLiteral("the backup's Manifest.db is damaged or cut short: make a new backup of the iPhone");
    case DataResult::IphoneExtractorTimedOut:
        return QStringLiteral("the iPhone backup extractor took far too long and was stopped");
    default:
        return QStringLiteral("error %1").arg(code);
    }
}
