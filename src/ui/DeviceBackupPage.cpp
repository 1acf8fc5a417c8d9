// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/DeviceBackupPage.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "ui/BackupFinder.h"
#include "ui/WizardSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const int kBackupListMaxHeight = 75;

QString createBackupHelpPath()
{
    return QStringLiteral("/blog/files/create_blackberry_backup.html");
}
} // namespace

DeviceBackupPage::DeviceBackupPage(QWidget* parent) : QWizardPage(parent)
{
    TraceScope trace("DeviceBackupPage::DeviceBackupPage");
    setTitle(QStringLiteral("Copy Data from Another Device"));
    applyWizardWatermark(this);
    mBackupsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QDir::separator() +
                     QStringLiteral("Blackberry") + QDir::separator() + QStringLiteral("Backup");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(newRichTextLabel(
        QStringLiteral("<p>") + Constants::applicationTitle() +
            QStringLiteral(
                " can copy information from Blackberry device backups to an Android phone.</p><p>Create a "
                "new device backup using Blackberry Desktop then select it from the list below. Click ") +
            helpLink(createBackupHelpPath()) +
            QStringLiteral(" for more information on how to create a Blackberry device backup.</p>"),
        this));

    mBackupList = new QListWidget(this);
    mBackupList->setObjectName(QStringLiteral("backupList"));
    mBackupList->setMaximumHeight(kBackupListMaxHeight);
    layout->addWidget(mBackupList);
    auto* browseButton = new QPushButton(QStringLiteral("Browse for Backups"), this);
    browseButton->setObjectName(QStringLiteral("browseBackups"));
    layout->addWidget(browseButton);
    layout->addWidget(newRichTextLabel(QStringLiteral("<p>Select one or more of the options below:"), this));

    mTextMessagesBox = new QCheckBox(QStringLiteral("Copy Text Messages"), this);
    mTextMessagesBox->setObjectName(QStringLiteral("copyTextMessages"));
    mAddressBookBox = new QCheckBox(QStringLiteral("Copy Address Book"), this);
    mAddressBookBox->setObjectName(QStringLiteral("copyAddressBook"));
    mCalendarBox = new QCheckBox(QStringLiteral("Copy Calendar"), this);
    mCalendarBox->setObjectName(QStringLiteral("copyCalendar"));
    mCalendarBox->hide();
    mPhotosBox = new QCheckBox(QStringLiteral("Copy Photos"), this);
    mPhotosBox->setObjectName(QStringLiteral("copyPhotos"));
    mPhotosBox->hide();
    layout->addWidget(mTextMessagesBox);
    layout->addWidget(mAddressBookBox);
    layout->addWidget(mCalendarBox);
    layout->addWidget(mPhotosBox);
    layout->addStretch();

    connect(browseButton, &QPushButton::clicked, this, &DeviceBackupPage::browseButtonClicked);
    checkForNewBackups();
    mTimer = new QTimer(this);
    connect(mTimer, &QTimer::timeout, this, &DeviceBackupPage::checkForNewBackups);
    mTimer->start(kCheckIntervalMs);
}

int DeviceBackupPage::nextId() const
{
    TraceScope trace("DeviceBackupPage::nextId");
    return WizardPageId::kCopyPhotos;
}

bool DeviceBackupPage::isComplete() const
{
    TraceScope trace("DeviceBackupPage::isComplete");
    return true;
}

void DeviceBackupPage::checkForNewBackups()
{
    TraceScope trace("DeviceBackupPage::checkForNewBackups");
    const QList<BackupEntry> entries = BackupFinder::findBackups(mBackupsFolder);
    for (const BackupEntry& entry : entries) {
        if (entry.displayName.isEmpty() || mListedPaths.contains(entry.filePath))
            continue;
        traceValue("new backup", entry.filePath);
        mListedNames.append(entry.displayName);
        mListedPaths.append(entry.filePath);
        mBackupList->addItem(entry.displayName);
    }
}

void DeviceBackupPage::browseButtonClicked()
{
    TraceScope trace("DeviceBackupPage::browseButtonClicked");
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select Backup Folder"),
                                                             QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    useBackupFolder(folder);
}

void DeviceBackupPage::useBackupFolder(const QString& folder)
{
    TraceScope trace("DeviceBackupPage::useBackupFolder");
    traceValue("folder", folder);
    if (!BackupFinder::findBackups(folder).isEmpty())
        mBackupsFolder = folder;
    else
        showCriticalMessage(this,
                            QStringLiteral("No Blackberry backups were found at this location. Try again and "
                                           "select the folder where the backups are stored."));
    checkForNewBackups();
}

bool DeviceBackupPage::validatePage()
{
    TraceScope trace("DeviceBackupPage::validatePage");
    if (selectedBackupPath().isEmpty()) {
        showCriticalMessage(
            this, QStringLiteral("You must select a backup from the list to continue. If there are no "
                                 "device backups displayed in the list then you can use Blackberry "
                                 "Desktop to create one.  Click ") +
                      helpLink(createBackupHelpPath()) +
                      QStringLiteral(" for more information on how to create a Blackberry backup."));
        return false;
    }
    if (!mTextMessagesBox->isChecked() && !mAddressBookBox->isChecked() && !mCalendarBox->isChecked() &&
        !mPhotosBox->isChecked()) {
        showCriticalMessage(
            this, QStringLiteral("You have selected a backup but you have not selected which data to "
                                 "transfer. Select one or more of the checkboxes to continue."));
        return false;
    }
    return true;
}

QString DeviceBackupPage::selectedBackupPath() const
{
    TraceScope trace("DeviceBackupPage::selectedBackupPath");
    const QList<QListWidgetItem*> selected = mBackupList->selectedItems();
    traceValue("Selected item count", int(selected.size()));
    const int row = selected.isEmpty() ? -1 : mBackupList->row(selected.first());
    traceValue("indexSelected", row);
    const QString path = row >= 0 && row < mListedPaths.size() ? mListedPaths.at(row) : QString();
    traceValue("Selected backup path", path);
    return path;
}

bool DeviceBackupPage::copyTextMessages() const
{
    TraceScope trace("DeviceBackupPage::copyTextMessages");
    return mTextMessagesBox->isChecked();
}

bool DeviceBackupPage::copyAddressBook() const
{
    TraceScope trace("DeviceBackupPage::copyAddressBook");
    return mAddressBookBox->isChecked();
}

bool DeviceBackupPage::copyCalendar() const
{
    TraceScope trace("DeviceBackupPage::copyCalendar");
    return mCalendarBox->isChecked();
}
