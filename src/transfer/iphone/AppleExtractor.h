// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include "transfer/iphone/PhotoPath.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Turns an iPhone backup folder into plain files: runs the extractor program,
// reads the backup file list it writes, and keeps the paths of the four
// databases and the camera-roll files; then writes the address book, calendar
// and messages XML files from the extracted databases.
class AppleExtractor
{
public:
    static constexpr int kErrorUnreadableBackup = DataResult::IphoneBackupUnreadable;

    // 0, or why the extractor wrote no backup file list, read from its exit
    // status: DataResult::IphoneBackupEncrypted (no password given),
    // IphoneWrongPassword, IphoneExtractorMissing, IphoneExtractorCrashed,
    // IphoneExtractorTimedOut, FileCannotWrite, or kErrorUnreadableBackup
    // for a backup that cannot be read at all.
    int extractFromManifest(const QString& backupFolder, const QString& extractionFolder);

    int generateAddressBookXML(const QString& extractionFolder, const QString& outputPath);
    int generateCalendarXML(const QString& extractionFolder, const QString& outputPath);
    int generateMessagesXML(const QString& extractionFolder, const QString& outputPath);

    QString smsDatabasePath() const { return mSmsDatabasePath; }
    QString addressBookPath() const { return mAddressBookPath; }
    QString addressBookImagesPath() const { return mAddressBookImagesPath; }
    QString calendarPath() const { return mCalendarPath; }
    const QList<PhotoPath>& photos() const { return mPhotos; }

    // For converting databases that did not come out of an extraction.
    void setSmsDatabasePath(const QString& path) { mSmsDatabasePath = path; }
    void setAddressBookPath(const QString& path) { mAddressBookPath = path; }
    void setAddressBookImagesPath(const QString& path) { mAddressBookImagesPath = path; }
    void setCalendarPath(const QString& path) { mCalendarPath = path; }

    // The extractor program; found beside the application when not set.
    void setExtractorProgram(const QString& program) { mExtractorProgram = program; }
    // An encrypted backup's password: handed to the extractor on its standard
    // input, never on its command line or in its environment.
    void setPassword(const QByteArray& password) { mPassword = password; }
    // The longest wait for the extractor; by default it grows with the backup's size.
    void setTimeLimit(int milliseconds) { mTimeLimitMs = milliseconds; }
    // The time allowed for extracting a backup of this many bytes.
    static qint64 timeLimitFor(qint64 backupBytes);

private:
    int runExtractor(const QString& backupFolder, const QString& extractionFolder);
    void readBackupFileList(const QString& listPath);
    void applySupportOverride();

    QString mSmsDatabasePath;
    QString mAddressBookPath;
    QString mAddressBookImagesPath;
    QString mCalendarPath;
    QList<PhotoPath> mPhotos;
    QString mExtractorProgram;
    QByteArray mPassword;
    int mTimeLimitMs = -1;
};
