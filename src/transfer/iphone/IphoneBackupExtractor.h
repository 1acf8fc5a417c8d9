// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class EncryptedBackup;
class QDir;
struct IphoneBackupEntry;

// The work of the "extract" program: reads an iPhone backup folder (Manifest.db
// or Manifest.mbdb, encrypted or not), copies out only the files Velmora reads (the
// message, address book and calendar databases with their -wal and -shm
// companions, the camera roll, voicemail and voice memos) to EXTRACTION/<domain>/<relativePath>, and
// writes the two-line "backup_file_list" that AppleExtractor reads. The backup
// folder is only ever read. Of an encrypted backup only those files are
// decrypted, and only into the extraction folder (mode 0700).
class IphoneBackupExtractor
{
public:
    enum Result {
        Success = 0,
        Encrypted = -13001,
        NoManifest = -13002,
        ManifestUnreadable = -13003,
        OutputFailed = -13004,
        // The manifest is a link to a file outside the backup folder.
        LinkOutsideBackup = -13005,
        WrongPassword = -13006,
        // Manifest.plist is nested too deep, not a regular file, or its
        // keybag or manifest key is damaged.
        ManifestPlistUnsafe = -13007,
        // The manifest is a database (or mbdb file) that was cut short or is damaged.
        ManifestDamaged = -13008,
    };

    // password: for an encrypted backup; an encrypted backup without one is
    // refused as Encrypted.
    IphoneBackupExtractor();
    ~IphoneBackupExtractor();
    Q_DISABLE_COPY_MOVE(IphoneBackupExtractor)

    int run(const QString& backupFolder, const QString& extractionFolder, const QByteArray& password = {});

    int filesCopied() const { return mFilesCopied; }
    int blobsMissing() const { return mBlobsMissing; }
    int pathsRejected() const { return mPathsRejected; }
    // Stored files that are links leading out of the backup folder: not followed.
    int linksRefused() const { return mLinksRefused; }
    // Files of an encrypted backup whose key is missing or damaged, or whose
    // stored bytes do not decrypt: left out, the rest is extracted.
    int filesUnreadable() const { return mFilesUnreadable; }
    // The iOS version from Info.plist, when it names one.
    QString productVersion() const { return mProductVersion; }

    // Whether Velmora reads this entry at all.
    static bool isWanted(const IphoneBackupEntry& entry);
    // A relative path that stays inside its folder: not absolute, no empty,
    // "." or ".." components, no backslash and no line break (either would
    // corrupt the list's second line).
    static bool isSafeRelativePath(const QString& path);
    // path, with every link in it resolved, lies inside the folder whose
    // resolved path is canonicalRoot.
    static bool staysInside(const QString& canonicalRoot, const QString& path);

private:
    int readManifest(const QDir& backup, const QDir& target, QList<IphoneBackupEntry>& entries,
                     bool& blobsInSubfolders);
    int unlock(const QString& manifestPlist, const QByteArray& password);
    bool copyOut(const QString& blob, const QString& destination, const IphoneBackupEntry& entry);

    std::unique_ptr<EncryptedBackup> mEncryption;
    int mFilesCopied = 0;
    int mFilesUnreadable = 0;
    int mBlobsMissing = 0;
    int mPathsRejected = 0;
    int mLinksRefused = 0;
    QString mProductVersion;
};
