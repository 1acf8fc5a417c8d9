// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/DeviceBackupPage.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "settings/SyncSettings.h"
#include "transfer/iphone/BackupPasswords.h"
#include "ui/BackupPasswordDialog.h"
#include "ui/IphoneBackupDialog.h"
#include "ui/WizardSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const int kBackupListMaxHeight = 90;

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
    mBackupsFolder = BackupLocator::blackBerryBackupFolder();
    mSearchFolders = BackupLocator::standardFolders(QString());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(newRichTextLabel(
        QStringLiteral("<p>") + Constants::applicationTitle()
            + QStringLiteral(" copies the contacts, messages and more of your old phone's backup (a BlackBerry or an "
                             "iPhone) to your Android phone.</p><p>Select a backup from the list below. Make a "
                             "BlackBerry backup with BlackBerry Desktop Software (click ")
            + helpLink(createBackupHelpPath())
            + QStringLiteral(" to see how), or an iPhone backup with Finder, iTunes or \"Back Up an iPhone "
                             "Now\".</p>"),
        this));

    mBackupList = new QListWidget(this);
    mBackupList->setObjectName(QStringLiteral("backupList"));
    mBackupList->setMaximumHeight(kBackupListMaxHeight);
    // The reason a backup is damaged or encrypted must not run off the list's edge.
    mBackupList->setWordWrap(true);
    layout->addWidget(mBackupList);
    mEncryptedNote = new QLabel(this);
    mEncryptedNote->setObjectName(QStringLiteral("encryptedNote"));
    mEncryptedNote->setWordWrap(true);
    mEncryptedNote->hide();
    layout->addWidget(mEncryptedNote);
    auto* buttons = new QHBoxLayout;
    auto* browseButton = new QPushButton(QStringLiteral("Browse for Backups"), this);
    browseButton->setObjectName(QStringLiteral("browseBackups"));
    auto* browseFileButton = new QPushButton(QStringLiteral("Choose a Backup File"), this);
    browseFileButton->setObjectName(QStringLiteral("browseBackupFile"));
    buttons->addWidget(browseButton);
    buttons->addWidget(browseFileButton);
    auto* iphoneButton = new QPushButton(QStringLiteral("Back Up an iPhone Now"), this);
    iphoneButton->setObjectName(QStringLiteral("backUpIphone"));
    buttons->addWidget(iphoneButton);
    buttons->addStretch();
    layout->addLayout(buttons);
    mWithoutBackupBox =
        new QCheckBox(QStringLiteral("Continue without a backup (copy only photos from a folder and music)"), this);
    mWithoutBackupBox->setObjectName(QStringLiteral("withoutBackup"));
    layout->addWidget(mWithoutBackupBox);
    layout->addWidget(newRichTextLabel(QStringLiteral("<p>Select one or more of the options below:"), this));

    mTextMessagesBox = new QCheckBox(QStringLiteral("Copy Text Messages"), this);
    mTextMessagesBox->setObjectName(QStringLiteral("copyTextMessages"));
    mAddressBookBox = new QCheckBox(QStringLiteral("Copy Address Book"), this);
    mAddressBookBox->setObjectName(QStringLiteral("copyAddressBook"));
    mCalendarBox = new QCheckBox(QStringLiteral("Copy Calendar"), this);
    mCalendarBox->setObjectName(QStringLiteral("copyCalendar"));
    mCalendarBox->hide();
    mPhotosBox = new QCheckBox(QStringLiteral("Copy Camera Roll Photos"), this);
    mPhotosBox->setObjectName(QStringLiteral("copyPhotos"));
    mPhotosBox->hide();
    layout->addWidget(mTextMessagesBox);
    layout->addWidget(mAddressBookBox);
    layout->addWidget(mCalendarBox);
    layout->addWidget(mPhotosBox);
    mCallHistoryBox = new QCheckBox(QStringLiteral("Copy Call History"), this);
    mCallHistoryBox->setObjectName(QStringLiteral("copyCallHistory"));
    mCallHistoryBox->hide();
    mNotesBox = new QCheckBox(QStringLiteral("Copy Notes"), this);
    mNotesBox->setObjectName(QStringLiteral("copyNotes"));
    mNotesBox->hide();
    layout->addWidget(mCallHistoryBox);
    mBookmarksBox = new QCheckBox(QStringLiteral("Copy Safari Bookmarks"), this);
    mBookmarksBox->setObjectName(QStringLiteral("copyBookmarks"));
    mBookmarksBox->hide();
    layout->addWidget(mNotesBox);
    layout->addWidget(mBookmarksBox);
    mVoicemailBox = new QCheckBox(QStringLiteral("Copy Voicemail"), this);
    mVoicemailBox->setObjectName(QStringLiteral("copyVoicemail"));
    mVoicemailBox->hide();
    mRecordingsBox = new QCheckBox(QStringLiteral("Copy Voice Memos"), this);
    mRecordingsBox->setObjectName(QStringLiteral("copyRecordings"));
    mRecordingsBox->hide();
    layout->addWidget(mVoicemailBox);
    layout->addWidget(mRecordingsBox);
    layout->addStretch();

    connect(browseButton, &QPushButton::clicked, this, &DeviceBackupPage::browseButtonClicked);
    connect(browseFileButton, &QPushButton::clicked, this, &DeviceBackupPage::browseFileButtonClicked);
    connect(iphoneButton, &QPushButton::clicked, this, &DeviceBackupPage::backUpIphoneClicked);
    connect(mBackupList, &QListWidget::itemSelectionChanged, this, &DeviceBackupPage::selectionChanged);
    connect(mWithoutBackupBox, &QCheckBox::toggled, this, &DeviceBackupPage::selectionChanged);
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

void DeviceBackupPage::addBackup(const LocatedBackup& backup)
{
    traceValue("new backup", backup.path);
    mListed.append(backup);
    auto* item = new QListWidgetItem(mBackupList);
    item->setData(Qt::UserRole, backup.path);
    showBackupInRow(mBackupList->count() - 1);
}

void DeviceBackupPage::showBackupInRow(int row)
{
    const LocatedBackup& backup = mListed.at(row);
    QListWidgetItem* item = mBackupList->item(row);
    item->setText(backup.description());
    const Qt::ItemFlags choosable = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    item->setFlags(backup.isDamaged() ? item->flags() & ~choosable : item->flags() | choosable);
    item->setToolTip(backup.isDamaged() ? QStringLiteral("This backup cannot be used: ") + backup.damage
                                        : backup.encryptionNote());
}

bool DeviceBackupPage::chooseListed(const QString& path)
{
    for (int row = 0; row < mListed.size(); ++row) {
        if (mListed.at(row).path != path)
            continue;
        if (mListed.at(row).isDamaged())
            return false;
        mBackupList->setCurrentRow(row);
        return true;
    }
    return false;
}

void DeviceBackupPage::checkForNewBackups()
{
    TraceScope trace("DeviceBackupPage::checkForNewBackups");
    for (const LocatedBackup& backup : BackupLocator::findInAll(mSearchFolders)) {
        const auto known = std::find_if(mListed.begin(), mListed.end(),
                                        [&](const LocatedBackup& listed) { return listed.path == backup.path; });
        if (known == mListed.end()) {
            if (!backup.deviceName.isEmpty())
                addBackup(backup);
        } else if (known->damage != backup.damage) {
            // A backup still being written looks damaged until it is finished.
            *known = backup;
            showBackupInRow(int(known - mListed.begin()));
        }
    }
    if (!mBackupList->selectedItems().isEmpty())
        return;
    // The backup chosen last time, else the only one there is, is chosen
    // for the user: a lone entry must not merely look selected.
    if (chooseListed(mLastBackupPath))
        return;
    const auto choosable = [](const LocatedBackup& backup) { return !backup.isDamaged(); };
    if (std::count_if(mListed.cbegin(), mListed.cend(), choosable) == 1)
        chooseListed(std::find_if(mListed.cbegin(), mListed.cend(), choosable)->path);
}

void DeviceBackupPage::setLastBackupPath(const QString& path)
{
    TraceScope trace("DeviceBackupPage::setLastBackupPath");
    if (path.isEmpty() || path == mLastBackupPath)
        return;
    mLastBackupPath = QDir::cleanPath(path);
    for (const QString& folder : BackupLocator::standardFolders(mLastBackupPath)) {
        if (!mSearchFolders.contains(folder))
            mSearchFolders.append(folder);
    }
    checkForNewBackups();
    chooseListed(mLastBackupPath);
}

void DeviceBackupPage::showCopiedDates(const SyncSettings& settings, const QString& id)
{
    const QList<QPair<QCheckBox*, QString>> boxes{
        {mTextMessagesBox, SettingsKeys::copyTextMessages()}, {mAddressBookBox, SettingsKeys::copyAddressBook()},
        {mCalendarBox, SettingsKeys::copyCalendar()},         {mPhotosBox, SettingsKeys::copyPhotos()},
        {mCallHistoryBox, SettingsKeys::copyCallHistory()},   {mNotesBox, SettingsKeys::copyNotes()},
        {mBookmarksBox, SettingsKeys::copyBookmarks()},       {mVoicemailBox, SettingsKeys::copyVoicemail()},
        {mRecordingsBox, SettingsKeys::copyRecordings()}};
    for (const auto& box : boxes) {
        // The box's own words come first; a date from another phone must not stay on it.
        QString text = box.first->text().section(QStringLiteral(" (already copied"), 0, 0);
        const QDate copied = settings.copiedOn(id, box.second);
        if (copied.isValid())
            text += QStringLiteral(" (already copied on %1; tick to copy again)")
                        .arg(QLocale().toString(copied, QLocale::ShortFormat));
        box.first->setText(text);
    }
}

void DeviceBackupPage::selectionChanged()
{
    TraceScope trace("DeviceBackupPage::selectionChanged");
    const bool without = mWithoutBackupBox->isChecked();
    mBackupList->setEnabled(!without);
    const LocatedBackup* backup = without ? nullptr : selectedBackup();
    const bool iphone = backup && backup->kind == LocatedBackup::Kind::Iphone;
    mEncryptedNote->setText(backup ? backup->encryptionNote() : QString());
    mEncryptedNote->setVisible(backup && backup->encrypted);
    for (QCheckBox* box : {mTextMessagesBox, mAddressBookBox})
        box->setEnabled(!without);
    // Only an iPhone backup holds a camera roll.
    mPhotosBox->setVisible(iphone);
    if (!iphone)
        mPhotosBox->setChecked(false);
    BackupContents contents;
    if (backup) {
        if (!mContents.contains(backup->path))
            mContents.insert(backup->path, BackupContents::of(backup->path));
        contents = mContents.value(backup->path);
    }
    const QList<QPair<QCheckBox*, bool>> offered{
        {mCallHistoryBox, contents.calls},   {mNotesBox, contents.notes},
        {mCalendarBox, contents.calendar},   {mBookmarksBox, contents.bookmarks},
        {mVoicemailBox, contents.voicemail}, {mRecordingsBox, contents.recordings}};
    for (const auto& box : offered) {
        box.first->setVisible(box.second);
        if (!box.second)
            box.first->setChecked(false);
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

void DeviceBackupPage::browseFileButtonClicked()
{
    TraceScope trace("DeviceBackupPage::browseFileButtonClicked");
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("Select Blackberry Backup File"), mBackupsFolder,
                                     QStringLiteral("Blackberry backups (*.ipd *.bbb)"));
    if (file.isEmpty())
        return;
    useBackupFolder(file);
}

void DeviceBackupPage::backUpIphoneClicked()
{
    TraceScope trace("DeviceBackupPage::backUpIphoneClicked");
    IphoneBackupDialog dialog(this);
    dialog.startBackup(Constants::iphoneBackupFolderPath());
    dialog.exec();
    if (dialog.backupFolder().isEmpty())
        return;
    useBackupFolder(dialog.backupFolder());
    // A phone with encryption on makes an encrypted backup: its password now.
    const LocatedBackup* made = selectedBackup();
    if (made && made->encrypted)
        askPassword(*made);
}

void DeviceBackupPage::useBackupFolder(const QString& folder)
{
    TraceScope trace("DeviceBackupPage::useBackupFolder");
    traceValue("folder", folder);
    const QList<LocatedBackup> found = BackupLocator::findIn(folder);
    if (!found.isEmpty()) {
        mBackupsFolder = folder;
        if (!mSearchFolders.contains(folder))
            mSearchFolders.append(folder);
    } else {
        showCriticalMessage(this, QStringLiteral("No Blackberry or iPhone backups were found at this location. Try "
                                                 "again and select the folder where the backups are stored, an "
                                                 "iPhone backup folder or a Blackberry backup file."));
    }
    checkForNewBackups();
    // What the user just pointed at is what they mean to use.
    if (found.size() != 1)
        return;
    if (found.first().isDamaged())
        showCriticalMessage(this, QStringLiteral("This backup cannot be used: %1. Make a new backup of the phone and "
                                                 "choose that one.")
                                      .arg(found.first().damage));
    else
        chooseListed(found.first().path);
}

bool DeviceBackupPage::validatePage()
{
    TraceScope trace("DeviceBackupPage::validatePage");
    if (mWithoutBackupBox->isChecked())
        return true;
    if (selectedBackupPath().isEmpty()) {
        showCriticalMessage(this,
                            QStringLiteral("You must select a backup from the list to continue. If there are no "
                                           "device backups displayed in the list then you can use Blackberry "
                                           "Desktop to create one.  Click ")
                                + helpLink(createBackupHelpPath())
                                + QStringLiteral(" for more information on how to create a Blackberry backup. To go on "
                                                 "without a backup, tick \"Continue without a backup\"."));
        return false;
    }
    if (!mTextMessagesBox->isChecked() && !mAddressBookBox->isChecked() && !mCalendarBox->isChecked()
        && !mPhotosBox->isChecked() && !mCallHistoryBox->isChecked() && !mNotesBox->isChecked()
        && !mBookmarksBox->isChecked() && !mVoicemailBox->isChecked() && !mRecordingsBox->isChecked()) {
        showCriticalMessage(this, QStringLiteral("You have selected a backup but you have not selected which data to "
                                                 "transfer. Select one or more of the checkboxes to continue."));
        return false;
    }
    const LocatedBackup* backup = selectedBackup();
    return !backup->encrypted || askPassword(*backup);
}

bool DeviceBackupPage::askPassword(const LocatedBackup& backup)
{
    TraceScope trace("DeviceBackupPage::askPassword");
    // Asked once per session: going back and forth does not ask again.
    if (!BackupPasswords::passwordFor(backup.path).isEmpty())
        return true;
    BackupPasswordDialog dialog(backup.path, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    BackupPasswords::remember(backup.path, dialog.password());
    return true;
}

const LocatedBackup* DeviceBackupPage::selectedBackup() const
{
    const QList<QListWidgetItem*> selected = mBackupList->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const int row = mBackupList->row(selected.first());
    return row >= 0 && row < mListed.size() ? &mListed.at(row) : nullptr;
}

QString DeviceBackupPage::selectedBackupPath() const
{
    TraceScope trace("DeviceBackupPage::selectedBackupPath");
    const LocatedBackup* backup = withoutBackup() ? nullptr : selectedBackup();
    QString path = backup ? backup->path : QString();
    traceValue("Selected backup path", path);
    return path;
}

bool DeviceBackupPage::withoutBackup() const
{
    return mWithoutBackupBox->isChecked();
}

bool DeviceBackupPage::copyTextMessages() const
{
    TraceScope trace("DeviceBackupPage::copyTextMessages");
    return !withoutBackup() && mTextMessagesBox->isChecked();
}

bool DeviceBackupPage::copyAddressBook() const
{
    TraceScope trace("DeviceBackupPage::copyAddressBook");
    return !withoutBackup() && mAddressBookBox->isChecked();
}

bool DeviceBackupPage::copyCalendar() const
{
    TraceScope trace("DeviceBackupPage::copyCalendar");
    return !withoutBackup() && mCalendarBox->isChecked();
}

bool DeviceBackupPage::copyCameraRoll() const
{
    return !withoutBackup() && mPhotosBox->isChecked();
}

bool DeviceBackupPage::copyCallHistory() const
{
    return !withoutBackup() && mCallHistoryBox->isChecked();
}

bool DeviceBackupPage::copyNotes() const
{
    return !withoutBackup() && mNotesBox->isChecked();
}

bool DeviceBackupPage::copyBookmarks() const
{
    return !withoutBackup() && mBookmarksBox->isChecked();
}

bool DeviceBackupPage::copyVoicemail() const
{
    return !withoutBackup() && mVoicemailBox->isChecked();
}

bool DeviceBackupPage::copyRecordings() const
{
    return !withoutBackup() && mRecordingsBox->isChecked();
}
