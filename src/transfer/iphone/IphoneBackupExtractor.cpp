// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneBackupExtractor.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/iphone/BackupCipher.h"
#include "transfer/iphone/BackupFileList.h"
#include "transfer/iphone/EncryptedBackup.h"
#include "transfer/iphone/IphoneBackupEntry.h"
#include "transfer/iphone/IphoneBackupPlist.h"
#include "transfer/iphone/IphoneBlobCopier.h"
#include "transfer/iphone/IphoneExtractedFiles.h"
#include "transfer/iphone/IphoneManifestDbReader.h"
#include "transfer/iphone/IphoneMbdbReader.h"
#include "transfer/iphone/ManifestCheck.h"
#include "transfer/iphone/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSaveFile>
#include <QSet>

namespace {

// The mbdb of a phone with hundreds of thousands of files is tens of megabytes.
constexpr qint64 kMaximumMbdbSize = qint64(1024) * 1024 * 1024;

using IphoneExtractedFiles::kHomeDomain;
using IphoneExtractedFiles::kMediaDomain;
const QString kCameraRollDomain = QStringLiteral("CameraRollDomain");
const QString kCameraRollPrefix = QStringLiteral("Media/DCIM/");
// Files sent in messages: Attachments from iOS 6 on, Parts before.
const QString kMessageAttachmentsPrefix = QStringLiteral("Library/SMS/Attachments/");
const QString kMessagePartsPrefix = QStringLiteral("Library/SMS/Parts/");

const QSet<QString>& wantedHomeFiles()
{
    static const QSet<QString> files = [] {
        QSet<QString> set;
        const QStringList databases = {
            QStringLiteral("Library/SMS/sms.db"),
            QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
            QStringLiteral("Library/AddressBook/AddressBookImages.sqlitedb"),
            QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
            IphoneExtractedFiles::kCallHistoryStore,
            IphoneExtractedFiles::kCallHistoryTempStore,
            IphoneExtractedFiles::kLegacyNotes,
            IphoneExtractedFiles::kSafariBookmarks,
            IphoneExtractedFiles::kVoicemailDatabase,
        };
        // SQLite keeps the newest rows in the -wal file until a checkpoint;
        // without it beside the database under the same base name they are lost.
        for (const QString& database : databases) {
            set.insert(database);
            set.insert(database + QStringLiteral("-wal"));
            set.insert(database + QStringLiteral("-shm"));
        }
        return set;
    }();
    return files;
}

// The databases of the domains that hold only one Velmora reads.
const QStringList* wantedDatabasesOfDomain(const QString& domain)
{
    static const QHash<QString, QStringList> databases{
        {IphoneExtractedFiles::kWirelessDomain, {IphoneExtractedFiles::kLegacyCallHistory}},
        {IphoneExtractedFiles::kNotesDomain, {IphoneExtractedFiles::kNoteStore}}};
    const auto found = databases.constFind(domain);
    return found == databases.constEnd() ? nullptr : &*found;
}

// The voice memos' titles: CloudRecordings.db, or Recordings.db on older phones.
const QStringList& recordingDatabases()
{
    static const QStringList databases{IphoneExtractedFiles::kCloudRecordings, IphoneExtractedFiles::kLegacyRecordings};
    return databases;
}

bool isDatabaseOrCompanion(const QString& path, const QStringList& databases)
{
    for (const QString& database : databases) {
        if (path == database || path == database + QStringLiteral("-wal") || path == database + QStringLiteral("-shm"))
            return true;
    }
    return false;
}

// A blob name is 40 hex digits; anything else could name a path.
bool isPlainFileId(const QString& fileId)
{
    if (fileId.size() != 40)
        return false;
    for (const QChar c : fileId) {
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                         || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                         || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hex)
            return false;
    }
    return true;
}

} // namespace

bool IphoneBackupExtractor::isWanted(const IphoneBackupEntry& entry)
{
    if (!entry.mIsFile)
        return false;
    if (entry.mDomain == kHomeDomain)
        return wantedHomeFiles().contains(entry.mRelativePath)
               || IphoneExtractedFiles::isVoicemailAudio(entry.mRelativePath);
    if (const QStringList* files = wantedDatabasesOfDomain(entry.mDomain))
        return isDatabaseOrCompanion(entry.mRelativePath, *files);
    if (entry.mDomain == kCameraRollDomain)
        return entry.mRelativePath.startsWith(kCameraRollPrefix);
    if (entry.mDomain == kMediaDomain)
        return entry.mRelativePath.startsWith(kMessageAttachmentsPrefix)
               || entry.mRelativePath.startsWith(kMessagePartsPrefix)
               || IphoneExtractedFiles::isRecording(entry.mRelativePath)
               || isDatabaseOrCompanion(entry.mRelativePath, recordingDatabases());
    return false;
}

bool IphoneBackupExtractor::isSafeRelativePath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return false;
    for (const QChar c : path) {
        if (c.unicode() < 32 || c == QLatin1Char('\\') || c.unicode() == 0x7F)
            return false;
    }
    const QStringList components = path.split(QLatin1Char('/'));
    for (const QString& component : components) {
        if (component.isEmpty() || component == QLatin1String(".") || component == QLatin1String(".."))
            return false;
    }
    return true;
}

bool IphoneBackupExtractor::staysInside(const QString& canonicalRoot, const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonicalRoot.isEmpty() && canonical.startsWith(canonicalRoot + QLatin1Char('/'));
}

IphoneBackupExtractor::IphoneBackupExtractor() = default;
IphoneBackupExtractor::~IphoneBackupExtractor() = default;

int IphoneBackupExtractor::unlock(const QString& manifestPlist, const QByteArray& password)
{
    TraceScope trace("IphoneBackupExtractor::unlock");
    const IphoneBackupPlist plist(manifestPlist);
    QByteArray keybag;
    if (plist.dataValue("BackupKeyBag", keybag) != IphoneBackupPlist::Success) {
        traceMessage("No keybag in Manifest.plist");
        return ManifestPlistUnsafe;
    }
    mEncryption = std::make_unique<EncryptedBackup>();
    switch (mEncryption->unlock(keybag, password)) {
    case EncryptedBackup::Success:
        return Success;
    case EncryptedBackup::WrongPassword:
        return WrongPassword;
    default:
        return ManifestPlistUnsafe;
    }
}

int IphoneBackupExtractor::readManifest(const QDir& backup, const QDir& target, QList<IphoneBackupEntry>& entries,
                                        bool& blobsInSubfolders)
{
    TraceScope trace("IphoneBackupExtractor::readManifest");
    const QString manifestDb = backup.filePath(QStringLiteral("Manifest.db"));
    const QString manifestMbdb = backup.filePath(QStringLiteral("Manifest.mbdb"));
    if (RegularFile::isRegular(manifestDb)) {
        blobsInSubfolders = true;
        QString readable = manifestDb;
        // From iOS 10.2 the manifest itself is encrypted, with ManifestKey.
        QByteArray manifestKeyRecord;
        const IphoneBackupPlist plist(backup.filePath(QStringLiteral("Manifest.plist")));
        if (mEncryption && plist.dataValue("ManifestKey", manifestKeyRecord) == IphoneBackupPlist::Success) {
            QByteArray key;
            if (mEncryption->keyFromRecord(manifestKeyRecord, key) != EncryptedBackup::Success)
                return ManifestPlistUnsafe;
            readable = target.filePath(QStringLiteral(".Manifest.db"));
            const int decrypted = BackupCipher::decryptFile(manifestDb, readable, key, -1);
            BackupCipher::wipe(key);
            if (decrypted == BackupCipher::SourceDamaged)
                return ManifestDamaged;
            if (decrypted != BackupCipher::Success)
                return decrypted == BackupCipher::TargetFailed ? OutputFailed : ManifestUnreadable;
        }
        // A manifest cut short may still answer queries, with its last rows gone.
        const ManifestCheck::SqliteState state = ManifestCheck::sqliteState(readable);
        int result = Success;
        if (state == ManifestCheck::SqliteState::CutShort || state == ManifestCheck::SqliteState::Damaged) {
            result = ManifestDamaged;
        } else if (IphoneManifestDbReader::read(readable, entries, &IphoneBackupExtractor::isWanted,
                                                mEncryption != nullptr)
                   != IphoneManifestDbReader::Success) {
            // An encrypted backup without Manifest.plist also fails here: its
            // Manifest.db is not an SQLite file, and may well be whole.
            result = state == ManifestCheck::SqliteState::NotSqlite ? ManifestUnreadable : ManifestDamaged;
        }
        if (readable != manifestDb)
            QFile::remove(readable);
        return result;
    }
    if (RegularFile::isRegular(manifestMbdb)) {
        QByteArray data;
        if (RegularFile::read(manifestMbdb, kMaximumMbdbSize, data) != RegularFile::Success)
            return ManifestUnreadable;
        QList<IphoneBackupEntry> all;
        if (IphoneMbdbReader::read(data, all) == IphoneMbdbReader::BadMagic)
            return ManifestDamaged;
        for (const IphoneBackupEntry& entry : qAsConst(all)) {
            if (isWanted(entry))
                entries.append(entry);
        }
        return Success;
    }
    traceMessage("No manifest in the backup folder");
    return NoManifest;
}

bool IphoneBackupExtractor::copyOut(const QString& blob, const QString& destination, const IphoneBackupEntry& entry)
{
    if (!mEncryption)
        return IphoneBlobCopier::copy(blob, destination) == IphoneBlobCopier::Success;
    QByteArray key;
    if (mEncryption->fileKey(entry.mProtectionClass, entry.mWrappedKey, key) != EncryptedBackup::Success) {
        traceValue("No usable key for", entry.mRelativePath);
        ++mFilesUnreadable;
        return false;
    }
    const int decrypted = BackupCipher::decryptFile(blob, destination, key, entry.mSize);
    BackupCipher::wipe(key);
    if (decrypted == BackupCipher::SourceDamaged || decrypted == BackupCipher::CipherFailed)
        ++mFilesUnreadable;
    return decrypted == BackupCipher::Success;
}

int IphoneBackupExtractor::run(const QString& backupFolder, const QString& extractionFolder, const QByteArray& password)
{
    TraceScope trace("IphoneBackupExtractor::run");
    traceValue("backup", backupFolder);
    traceValue("extraction", extractionFolder);
    mFilesCopied = mBlobsMissing = mPathsRejected = mLinksRefused = mFilesUnreadable = 0;
    mEncryption.reset();

    const QDir backup(backupFolder);
    // A backup is only ever read inside its folder: a stored file that is a
    // link elsewhere could hand out any file of the user's.
    const QString backupRoot = QFileInfo(backupFolder).canonicalFilePath();
    for (const QString& name : {QStringLiteral("Manifest.db"), QStringLiteral("Manifest.mbdb"),
                                QStringLiteral("Manifest.plist"), QStringLiteral("Info.plist")}) {
        const QString path = backup.filePath(name);
        if (QFileInfo(path).isSymLink() && QFileInfo::exists(path) && !staysInside(backupRoot, path)) {
            traceValue("Link out of the backup", path);
            traceReturns(LinkOutsideBackup);
            return LinkOutsideBackup;
        }
    }
    mProductVersion.clear();
    const IphoneBackupPlist info(backup.filePath(QStringLiteral("Info.plist")));
    if (info.stringValue("Product Version", mProductVersion) == IphoneBackupPlist::Success)
        traceValue("Product Version", mProductVersion);
    const QString manifestPlist = backup.filePath(QStringLiteral("Manifest.plist"));
    if (QFileInfo::exists(manifestPlist)) {
        bool encrypted = false;
        const int status = IphoneBackupPlist::isEncrypted(manifestPlist, encrypted);
        if (status == IphoneBackupPlist::TooDeep || status == IphoneBackupPlist::NotRegularFile) {
            traceReturns(ManifestPlistUnsafe);
            return ManifestPlistUnsafe;
        }
        if (encrypted && password.isEmpty()) {
            traceMessage("Backup is encrypted");
            traceReturns(Encrypted);
            return Encrypted;
        }
        if (encrypted) {
            const int unlocked = unlock(manifestPlist, password);
            if (unlocked != Success) {
                traceReturns(unlocked);
                return unlocked;
            }
        }
    }

    const QDir target(extractionFolder);
    // Decrypted files are the user's private data: for the user's eyes only.
    if (!target.mkpath(QStringLiteral("."))
        || !QFile::setPermissions(extractionFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        traceReturns(OutputFailed);
        return OutputFailed;
    }
    QList<IphoneBackupEntry> entries;
    bool blobsInSubfolders = false;
    const int manifestRead = readManifest(backup, target, entries, blobsInSubfolders);
    if (manifestRead != Success) {
        traceReturns(manifestRead);
        return manifestRead;
    }
    QSaveFile list(target.filePath(Constants::backupFileListName()));
    if (!list.open(QIODevice::WriteOnly)) {
        traceReturns(OutputFailed);
        return OutputFailed;
    }

    // A manifest may name one file twice; it is copied and listed once, or
    // the phone would receive the photo twice.
    QSet<QString> written;
    for (const IphoneBackupEntry& entry : qAsConst(entries)) {
        if (!isSafeRelativePath(entry.mRelativePath) || !isPlainFileId(entry.mFileId)) {
            traceValue("Rejected path", entry.mRelativePath);
            ++mPathsRejected;
            continue;
        }
        const QString blob = blobsInSubfolders
                                 ? backup.filePath(entry.mFileId.left(2) + QLatin1Char('/') + entry.mFileId)
                                 : backup.filePath(entry.mFileId);
        const QString destination =
            QDir::cleanPath(target.absoluteFilePath(entry.mDomain + QLatin1Char('/') + entry.mRelativePath));
        if (written.contains(destination))
            continue;
        if (!QFileInfo(blob).isFile()) {
            ++mBlobsMissing;
            continue;
        }
        if (!staysInside(backupRoot, blob)) {
            traceValue("Link out of the backup", blob);
            ++mLinksRefused;
            continue;
        }
        if (!QDir().mkpath(QFileInfo(destination).path())) {
            traceValue("Cannot create folder for", destination);
            continue;
        }
        if (!copyOut(blob, destination, entry))
            continue;
        written.insert(destination);
        ++mFilesCopied;
        list.write(destination.toUtf8() + '\n' + entry.mDomain.toUtf8() + entry.mRelativePath.toUtf8() + '\n');
    }
    if (!list.commit()) {
        traceMessage("Cannot write the backup file list");
        traceReturns(OutputFailed);
        return OutputFailed;
    }
    traceValue("files copied", mFilesCopied);
    traceValue("blobs missing", mBlobsMissing);
    traceValue("paths rejected", mPathsRejected);
    traceValue("links refused", mLinksRefused);
    traceValue("files unreadable", mFilesUnreadable);
    traceReturns(Success);
    return Success;
}
