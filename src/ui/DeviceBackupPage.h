// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QStringList>
#include <QWizardPage>

class QCheckBox;
class QListWidget;
class QTimer;

// The user picks a BlackBerry device backup and the kinds of data to take from
// it. The list follows the backups folder: new backups appear within a timer
// tick; listed ones stay even when their file goes.
class DeviceBackupPage : public QWizardPage
{
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 3000;

    explicit DeviceBackupPage(QWidget* parent = nullptr);

    int nextId() const override;
    bool isComplete() const override;
    bool validatePage() override;

    QString selectedBackupPath() const;
    QString backupsFolder() const { return mBackupsFolder; }
    bool copyTextMessages() const;
    bool copyAddressBook() const;
    bool copyCalendar() const;
    // Makes folder the backups folder when it holds a backup; otherwise tells
    // the user and keeps the old one. Either way the list is brought up to date.
    void useBackupFolder(const QString& folder);

public slots:
    void checkForNewBackups();
    void browseButtonClicked();

private:
    QString mBackupsFolder;
    QStringList mListedNames;
    QStringList mListedPaths;
    QListWidget* mBackupList = nullptr;
    QCheckBox* mTextMessagesBox = nullptr;
    QCheckBox* mAddressBookBox = nullptr;
    QCheckBox* mCalendarBox = nullptr;
    QCheckBox* mPhotosBox = nullptr;
    QTimer* mTimer = nullptr;
};
