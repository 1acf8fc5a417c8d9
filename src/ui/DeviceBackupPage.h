// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/BackupContents.h"
#include "transfer/BackupLocator.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QWizardPage>

class QCheckBox;
class SyncSettings;
class QLabel;
class QListWidget;
class QTimer;

// The user picks a BlackBerry or iPhone backup and the kinds of data to take
// from it, or goes on without one. The list follows the backup folders: new
// backups appear within a timer tick; listed ones stay even when their file goes.
class DeviceBackupPage : public QWizardPage
{
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 3000;

    explicit DeviceBackupPage(QWidget* parent = nullptr);

    int nextId() const override;
    bool isComplete() const override;
    bool validatePage() override;

    // Empty when nothing is chosen or the user goes on without a backup.
    QString selectedBackupPath() const;
    QString backupsFolder() const { return mBackupsFolder; }
    QStringList searchedFolders() const { return mSearchFolders; }
    bool copyTextMessages() const;
    bool copyAddressBook() const;
    bool copyCalendar() const;
    // Offered only when the chosen backup holds them.
    bool copyCallHistory() const;
    bool copyNotes() const;
    bool copyBookmarks() const;
    bool copyVoicemail() const;
    bool copyRecordings() const;
    // Camera-roll photos, which only an iPhone backup holds.
    bool copyCameraRoll() const;
    bool withoutBackup() const;
    // Makes folder (or a single backup file) one more place to look when it
    // holds a backup; otherwise tells the user. Either way the list is brought up to date.
    void useBackupFolder(const QString& folder);
    // The backup chosen last time: its folder is searched and it is selected.
    void setLastBackupPath(const QString& path);
    // Marks the boxes of the kinds that already reached the phone with their
    // day, so that an unticked box does not look as if it never was ticked.
    void showCopiedDates(const SyncSettings& settings, const QString& id);

public slots:
    void checkForNewBackups();
    void browseButtonClicked();
    void browseFileButtonClicked();
    // Makes a new iPhone backup in Velmora's folder and chooses it.
    void backUpIphoneClicked();

private:
    void addBackup(const LocatedBackup& backup);
    // Shows the backup in its row as it is now: a damaged one cannot be chosen.
    void showBackupInRow(int row);
    // Chooses the listed backup at path unless it is damaged; false when it is not chosen.
    bool chooseListed(const QString& path);
    // Asks for an encrypted backup's password until it opens the backup or the user gives up.
    bool askPassword(const LocatedBackup& backup);
    void selectionChanged();
    const LocatedBackup* selectedBackup() const;

    QString mBackupsFolder;
    QString mLastBackupPath;
    QStringList mSearchFolders;
    QList<LocatedBackup> mListed;
    QListWidget* mBackupList = nullptr;
    QLabel* mEncryptedNote = nullptr;
    QCheckBox* mWithoutBackupBox = nullptr;
    QCheckBox* mTextMessagesBox = nullptr;
    QCheckBox* mAddressBookBox = nullptr;
    QCheckBox* mCalendarBox = nullptr;
    QCheckBox* mPhotosBox = nullptr;
    QCheckBox* mCallHistoryBox = nullptr;
    QCheckBox* mNotesBox = nullptr;
    QCheckBox* mBookmarksBox = nullptr;
    QCheckBox* mVoicemailBox = nullptr;
    QCheckBox* mRecordingsBox = nullptr;
    QHash<QString, BackupContents> mContents; // by backup path: each manifest is read once
    QTimer* mTimer = nullptr;
};
