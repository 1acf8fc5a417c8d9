// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

struct IphoneBackupEntry;

// The work of the "extract" program: reads an unencrypted iPhone backup folder
// (Manifest.db or Manifest.mbdb), copies out only the files Velmora reads (the
// message, address book and calendar databases with their -wal and -shm
// companions, and the camera roll) to EXTRACTION/<domain>/<relativePath>, and
// writes the two-line "backup_file_list" that AppleExtractor reads. The backup
// folder is only ever read.
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
    };

    int run(const QString& backupFolder, const QString& extractionFolder);

    int filesCopied() const { return mFilesCopied; }
    int blobsMissing() const { return mBlobsMissing; }
    int pathsRejected() const { return mPathsRejected; }
    // Stored files that are links leading out of the backup folder: not followed.
    int linksRefused() const { return mLinksRefused; }
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
    int mFilesCopied = 0;
    int mBlobsMissing = 0;
    int mPathsRejected = 0;
    int mLinksRefused = 0;
    QString mProductVersion;
};
