// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The set-up wizard driven offscreen with clicks: page order with and without
// a settings file, the backup and photo pages' checks, the phone page on a
// fake drive tree, and what Finish writes into the settings file.
#include "support/FakeMtpPhoneSource.h"
#include "support/FakeMusicLibrary.h"
#include "support/FakeUsbMachine.h"

#include "app/Constants.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "devices/mtp/MtpPhoneSource.h"
#include "model/library/MusicFolderLibrary.h"
#include "settings/SyncSettings.h"
#include "support/IphoneBackupBuilder.h"
#include "transfer/BackupLocator.h"
#include "ui/ConnectDevicePage.h"
#include "ui/CopyPhotosPage.h"
#include "ui/DeviceBackupPage.h"
#include "ui/DeviceWizard.h"
#include "ui/EULAPage.h"
#include "ui/IntroPage.h"
#include "ui/MusicFolderWidget.h"
#include "ui/WizardSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

namespace {

const QString kPhoneId = QStringLiteral("PHONE-ID-1");

void writeFile(const QString& path, const QByteArray& contents = QByteArray("x"))
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

// Closes every message box that opens while it lives, noting its title and text.
class MessageBoxCloser : public QObject
{
public:
    MessageBoxCloser()
    {
        connect(&mTimer, &QTimer::timeout, this, &MessageBoxCloser::poll);
        mTimer.start(5);
    }
    QStringList titles;
    QStringList texts;
    QList<Qt::TextFormat> formats;

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        titles.append(box->windowTitle());
        texts.append(box->text());
        formats.append(box->textFormat());
        box->done(QMessageBox::Ok);
    }
    QTimer mTimer;
};

// The fake machine with the wizard's backup folder and settings file.
class Machine : public FakeUsbMachine
{
public:
    QString backupsFolder() const { return home() + QStringLiteral("/Documents/Blackberry/Backup"); }

    // A settings file exists: the wizard treats this as a later run.
    void writeSettings(const QString& id = QString())
    {
        SyncSettings settings;
        settings.load();
        if (!id.isEmpty()) {
            settings.setConfig(id, false, 2, {QStringLiteral("Road trip"), QStringLiteral("Gone")},
                               {QStringLiteral("News")}, QStringLiteral("Acme Old name"));
            settings.setNumberOfEpisodesToSync(id, 3);
            settings.setConvertAacToMp3(id, true);
            settings.setEnableArtworkSync(id, true);
        }
        QCOMPARE(settings.save(), 0);
    }
};

void clickNext(QWizard& wizard)
{
    wizard.button(QWizard::NextButton)->click();
}

// From the intro to the phone page: a backup with text messages, photos not copied.
void walkToConnectPage(QWizard& wizard)
{
    clickNext(wizard);
    if (wizard.currentId() == WizardPageId::kEula) {
        wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("acceptBox"))->setChecked(true);
        clickNext(wizard);
    }
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    auto* list = wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("backupList"));
    QVERIFY(list->count() > 0);
    list->setCurrentRow(0);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyTextMessages"))->setChecked(true);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kCopyPhotos);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kMusic);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kPodcasts);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kConnectDevice);
}

QListWidget* phoneList(QWizard& wizard)
{
    return wizard.page(WizardPageId::kConnectDevice)->findChild<QListWidget*>(QStringLiteral("deviceList"));
}

} // namespace

class TestDeviceWizard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void findsBackups_data();
    void findsBackups();
    void pageOrderDependsOnSettingsFile_data();
    void pageOrderDependsOnSettingsFile();
    void licenseMustBeAccepted();
    void backupPageRefusesIncompleteChoices();
    void backupListGrowsAndKeepsEntries();
    void folderWithoutBackupsKeepsTheOldOne();
    void iphoneBackupOffersCalendarAndCameraRoll();
    void encryptedIphoneBackupIsChosenAndTellsOfItsPassword();
    void damagedIphoneBackupCannotBeChosen();
    void copiedKindsSayWhen();
    void backupOffersOnlyTheKindsItHolds_data();
    void backupOffersOnlyTheKindsItHolds();
    void withoutBackupGoesOnPlainly();
    void photoFolderMustExist_data();
    void photoFolderMustExist();
    void finishWritesTheSettings();
    void finishKeepsStoredMusicChoices();
    void finishKeepsWhatTheUserSet_data();
    void finishKeepsWhatTheUserSet();
    void aacAndAlbumArtAreAskedWhenTheLibraryHoldsSuchTracks_data();
    void aacAndAlbumArtAreAskedWhenTheLibraryHoldsSuchTracks();
    void musicPageShowsAndChangesTheMusicFolder();
    void cancelWritesNothing();
    void failedSaveIsReportedAndStopsTheSync();
    void unpluggedPhoneDisablesFinish();
    void unmountedPhoneIsRefused();
    void phoneWithoutCompanionAppIsAcceptedWithImportHelp();
    void unableToOpenWarningOnceAndOnlyOnPhonePage();
    void deletedWizardIsNoLongerObserved();
    void keepsOneHeightWithAFullSidePicture();

private:
    std::unique_ptr<Machine> mMachine;
};

void TestDeviceWizard::init()
{
    // The old machine puts HOME back before the new one replaces it.
    mMachine.reset();
    mMachine = std::make_unique<Machine>();
    QVERIFY(mMachine->isValid());
    writeFile(mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
}

void TestDeviceWizard::findsBackups_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("endings") << QStringList{QStringLiteral("Backup.ipd"), QStringLiteral("x.bbb"),
                                            QStringLiteral("a.IPD"), QStringLiteral("ipd")}
                             << QStringList{QStringLiteral("Backup"), QStringLiteral("x")};
    QTest::newRow("too short") << QStringList{QStringLiteral(".ipd"), QStringLiteral("xbbb")} << QStringList();
    QTest::newRow("no dot") << QStringList{QStringLiteral("abcipd")} << QStringList{QStringLiteral("ab")};
    QTest::newRow("other files") << QStringList{QStringLiteral("notes.txt"), QStringLiteral("photo.jpg")}
                                 << QStringList();
    QTest::newRow("blanks and dots") << QStringList{QStringLiteral("My Phone 2.0.ipd")}
                                     << QStringList{QStringLiteral("My Phone 2.0")};
}

void TestDeviceWizard::findsBackups()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, names);
    QTemporaryDir folder;
    for (const QString& file : files)
        writeFile(folder.filePath(file));
    // A folder whose name ends like a backup is not a backup.
    QDir().mkpath(folder.filePath(QStringLiteral("folder.ipd")));

    QStringList found;
    QStringList paths;
    for (const LocatedBackup& backup : BackupLocator::findIn(folder.path())) {
        QVERIFY(backup.kind == LocatedBackup::Kind::BlackBerry);
        found.append(backup.deviceName);
        paths.append(backup.path);
    }
    found.sort();
    QCOMPARE(found, names);
    for (const QString& path : paths)
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));

    QVERIFY(BackupLocator::findIn(folder.filePath(QStringLiteral("missing"))).isEmpty());
    // An empty folder name is not the working folder.
    QVERIFY(BackupLocator::findIn(QString()).isEmpty());
}

void TestDeviceWizard::pageOrderDependsOnSettingsFile_data()
{
    QTest::addColumn<bool>("settingsFile");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("introText");
    QTest::newRow("first run") << false << 3
                               << "This wizard will help you set up a phone so that it can be synchronized.";
    QTest::newRow("new phone") << true << 1
                               << "A new phone has been detected. This wizard will help you set it up so that it "
                                  "can be synchronized.";
    QTest::newRow("change settings") << true << 0 << "This wizard will help you change your synchronization settings.";
    QTest::newRow("file unreadable") << false << 0 << "This wizard will help you change your synchronization settings.";
}

void TestDeviceWizard::pageOrderDependsOnSettingsFile()
{
    QFETCH(bool, settingsFile);
    QFETCH(int, mode);
    QFETCH(QString, introText);
    if (settingsFile)
        mMachine->writeSettings();
    else if (QByteArray(QTest::currentDataTag()) == "file unreadable")
        QDir().mkpath(SyncSettings::filePath()); // a folder where the file should be

    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, mode);
    QCOMPARE(wizard.windowTitle(), QStringLiteral("Velmora"));
    QCOMPARE(wizard.hasLicensePage(), !settingsFile);
    QCOMPARE(wizard.page(WizardPageId::kEula) != nullptr, !settingsFile);
    QCOMPARE(wizard.pageIds(),
             settingsFile ? (QList<int>{0, 2, 3, 4, 5, 6, 7, 9}) : (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 9}));
    QVERIFY(!wizard.testOption(QWizard::HaveHelpButton));
    wizard.show();
    QCOMPARE(wizard.currentId(), WizardPageId::kIntro);
    QCOMPARE(wizard.currentPage()->findChild<QLabel*>(QStringLiteral("introLabel"))->text(), introText);
    QCOMPARE(wizard.currentPage()->nextId(), settingsFile ? WizardPageId::kDeviceBackup : WizardPageId::kEula);
    QCOMPARE(wizard.page(WizardPageId::kDeviceBackup)->nextId(), WizardPageId::kCopyPhotos);
    QCOMPARE(wizard.page(WizardPageId::kConnectDevice)->nextId(), -1);
    QVERIFY(wizard.page(WizardPageId::kConnectDevice)->isFinalPage());
    // After the photos the path goes through the music and podcast pages to the phone.
    QCOMPARE(wizard.page(WizardPageId::kMusic)->nextId(), WizardPageId::kPodcasts);
    QCOMPARE(wizard.page(WizardPageId::kPodcasts)->nextId(), WizardPageId::kConnectDevice);
    QCOMPARE(wizard.page(WizardPageId::kPodcasts)->findChild<QComboBox*>()->count(), 11);
    QCOMPARE(wizard.page(WizardPageId::kPodcasts)->findChild<QComboBox*>()->itemText(10),
             QStringLiteral("Sync most recent 10 episodes only"));
    QVERIFY(!wizard.page(WizardPageId::kIntro)->pixmap(QWizard::WatermarkPixmap).isNull());
}

void TestDeviceWizard::licenseMustBeAccepted()
{
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeFirstRun);
    wizard.show();
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kEula);
    const QString licenseText = wizard.currentPage()->findChild<QTextBrowser*>()->toPlainText();
    QVERIFY(licenseText.contains(QStringLiteral("GNU")));
    // One spelling, the page title's, wherever a person reads it.
    QCOMPARE(wizard.currentPage()->title(), QStringLiteral("License Agreement"));
    QVERIFY(licenseText.contains(QStringLiteral("License Agreement")));
    QVERIFY(!licenseText.contains(QStringLiteral("licence"), Qt::CaseInsensitive));
    {
        MessageBoxCloser closer;
        clickNext(wizard);
        QCOMPARE(closer.texts, QStringList{QStringLiteral("You must accept the license agreement to continue.")});
        QCOMPARE(closer.titles, QStringList{QStringLiteral("Velmora")});
    }
    QCOMPARE(wizard.currentId(), WizardPageId::kEula);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("acceptBox"))->setChecked(true);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
}

void TestDeviceWizard::backupPageRefusesIncompleteChoices()
{
    mMachine->writeSettings();
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    clickNext(wizard);
    QWizardPage* page = wizard.currentPage();
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    QVERIFY(page->isComplete());
    QVERIFY(!page->findChild<QCheckBox*>(QStringLiteral("copyCalendar"))->isVisible());
    QVERIFY(!page->findChild<QCheckBox*>(QStringLiteral("copyPhotos"))->isVisible());
    QVERIFY(page->findChild<QCheckBox*>(QStringLiteral("copyAddressBook"))->isVisible());

    // The only backup listed is really the chosen one.
    auto* backups = page->findChild<QListWidget*>(QStringLiteral("backupList"));
    QCOMPARE(backups->selectedItems().size(), 1);
    QCOMPARE(static_cast<DeviceBackupPage*>(page)->selectedBackupPath(),
             mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
    backups->clearSelection();

    MessageBoxCloser closer;
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    backups->setCurrentRow(0);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    page->findChild<QCheckBox*>(QStringLiteral("copyAddressBook"))->setChecked(true);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kCopyPhotos);

    QCOMPARE(closer.texts.size(), 2);
    QVERIFY(closer.texts.at(0).startsWith(
        QStringLiteral("You must select a backup from the list to continue. If there are no device backups "
                       "displayed in the list "
                       "then you can use Blackberry Desktop to create one.  Click <a href=\"")));
    QVERIFY(closer.texts.at(0).contains(Constants::helpBaseUrl()
                                        + QStringLiteral("/blog/files/create_blackberry_backup.html\">here</a>")));
    // The link sits mid-line, where plain text would be assumed.
    QCOMPARE(closer.formats.at(0), Qt::RichText);
    QCOMPARE(closer.texts.at(1), QStringLiteral("You have selected a backup but you have not selected which data to "
                                                "transfer. Select one or more of the checkboxes to continue."));
}

void TestDeviceWizard::backupListGrowsAndKeepsEntries()
{
    DeviceBackupPage page;
    QCOMPARE(page.backupsFolder(), mMachine->backupsFolder());
    auto* list = page.findChild<QListWidget*>(QStringLiteral("backupList"));
    QCOMPARE(list->count(), 1);

    writeFile(mMachine->backupsFolder() + QStringLiteral("/Later.bbb"));
    QFile::remove(mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
    page.checkForNewBackups();
    page.checkForNewBackups();
    QCOMPARE(list->count(), 2);
    QVERIFY(list->item(0)->text().startsWith(QStringLiteral("Backup  (BlackBerry backup, ")));
    QVERIFY(list->item(1)->text().startsWith(QStringLiteral("Later  (BlackBerry backup, ")));

    // The path belongs to the row the user picked, including the one whose file went.
    list->setCurrentRow(1);
    QCOMPARE(page.selectedBackupPath(), mMachine->backupsFolder() + QStringLiteral("/Later.bbb"));
    list->setCurrentRow(0);
    QCOMPARE(page.selectedBackupPath(), mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
    list->clearSelection();
    QCOMPARE(page.selectedBackupPath(), QString());
}

void TestDeviceWizard::folderWithoutBackupsKeepsTheOldOne()
{
    DeviceBackupPage page;
    QTemporaryDir empty;
    writeFile(empty.filePath(QStringLiteral("readme.txt")));
    {
        MessageBoxCloser closer;
        page.useBackupFolder(empty.path());
        QCOMPARE(closer.texts,
                 QStringList{QStringLiteral("No Blackberry or iPhone backups were found at this location. Try "
                                            "again and select the folder where the backups are "
                                            "stored, an iPhone backup folder or a Blackberry backup file.")});
    }
    QCOMPARE(page.backupsFolder(), mMachine->backupsFolder());

    QTemporaryDir other;
    writeFile(other.filePath(QStringLiteral("Old.ipd")));
    MessageBoxCloser closer;
    page.useBackupFolder(other.path());
    QVERIFY(closer.texts.isEmpty());
    QCOMPARE(page.backupsFolder(), other.path());
    // Backups of the earlier folder stay listed beside the new ones.
    auto* list = page.findChild<QListWidget*>(QStringLiteral("backupList"));
    QCOMPARE(list->count(), 2);
    QVERIFY(list->item(1)->text().startsWith(QStringLiteral("Old  (")));
    // The backup the user pointed at is the one chosen.
    QCOMPARE(page.selectedBackupPath(), other.filePath(QStringLiteral("Old.ipd")));
}

void TestDeviceWizard::iphoneBackupOffersCalendarAndCameraRoll()
{
    mMachine->writeSettings();
    const QString folder = Constants::iphoneBackupFolderPath() + QStringLiteral("/00008030-0001");
    IphoneBackupBuilder builder;
    QVERIFY(builder.write(folder, IphoneBackupBuilder::Manifest::Database));
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    clickNext(wizard);
    auto* page = static_cast<DeviceBackupPage*>(wizard.currentPage());
    auto* backups = page->findChild<QListWidget*>(QStringLiteral("backupList"));
    QCOMPARE(backups->count(), 2);
    // Two backups: none is chosen for the user.
    QVERIFY(backups->selectedItems().isEmpty());
    QVERIFY(backups->item(1)->text().startsWith(QStringLiteral("00008030-0001  (iPhone backup, iOS 12.5.7, ")));
    auto* calendar = page->findChild<QCheckBox*>(QStringLiteral("copyCalendar"));
    auto* cameraRoll = page->findChild<QCheckBox*>(QStringLiteral("copyPhotos"));
    backups->setCurrentRow(1);
    QCOMPARE(page->selectedBackupPath(), folder);
    QVERIFY(calendar->isVisible());
    QVERIFY(cameraRoll->isVisible());
    cameraRoll->setChecked(true);
    QVERIFY(page->copyCameraRoll());
    // Back to the BlackBerry backup: its boxes only, and nothing hidden stays ticked.
    backups->setCurrentRow(0);
    QVERIFY(!calendar->isVisible());
    QVERIFY(!cameraRoll->isVisible());
    QVERIFY(!page->copyCameraRoll());
    backups->setCurrentRow(1);
    calendar->setChecked(true);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kCopyPhotos);
}

void TestDeviceWizard::backupOffersOnlyTheKindsItHolds_data()
{
    QTest::addColumn<IphoneBackupBuilder::Manifest>("manifest");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("calls");
    QTest::addColumn<bool>("notes");
    QTest::newRow("iOS 9+ notes") << IphoneBackupBuilder::Manifest::Database << "AppDomainGroup-group.com.apple.notes"
                                  << "NoteStore.sqlite" << false << true;
    QTest::newRow("iOS 8+ calls") << IphoneBackupBuilder::Manifest::Database << "HomeDomain"
                                  << "Library/CallHistoryDB/CallHistory.storedata" << true << false;
    QTest::newRow("iOS 7 calls, mbdb") << IphoneBackupBuilder::Manifest::Mbdb << "WirelessDomain"
                                       << "Library/CallHistory/call_history.db" << true << false;
    QTest::newRow("old notes, mbdb") << IphoneBackupBuilder::Manifest::Mbdb << "HomeDomain"
                                     << "Library/Notes/notes.sqlite" << false << true;
    QTest::newRow("neither") << IphoneBackupBuilder::Manifest::Database << "HomeDomain"
                             << "Library/SMS/sms.db" << false << false;
}

void TestDeviceWizard::backupOffersOnlyTheKindsItHolds()
{
    QFETCH(IphoneBackupBuilder::Manifest, manifest);
    QFETCH(QString, domain);
    QFETCH(QString, file);
    QFETCH(bool, calls);
    QFETCH(bool, notes);
    mMachine->writeSettings();
    const QString folder = Constants::iphoneBackupFolderPath() + QStringLiteral("/00008030-0002");
    IphoneBackupBuilder builder;
    builder.addFile(domain, file, "db");
    QVERIFY(builder.write(folder, manifest));
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    clickNext(wizard);
    auto* page = static_cast<DeviceBackupPage*>(wizard.currentPage());
    auto* backups = page->findChild<QListWidget*>(QStringLiteral("backupList"));
    auto* callBox = page->findChild<QCheckBox*>(QStringLiteral("copyCallHistory"));
    auto* notesBox = page->findChild<QCheckBox*>(QStringLiteral("copyNotes"));
    backups->setCurrentRow(1);
    QCOMPARE(callBox->isVisible(), calls);
    QCOMPARE(notesBox->isVisible(), notes);
    if (!calls && !notes)
        return;
    (calls ? callBox : notesBox)->setChecked(true);
    QCOMPARE(page->copyCallHistory(), calls);
    QCOMPARE(page->copyNotes(), notes);
    // The BlackBerry backup holds neither: the boxes go, and unticked.
    backups->setCurrentRow(0);
    QVERIFY(!callBox->isVisible() && !notesBox->isVisible());
    QVERIFY(!page->copyCallHistory() && !page->copyNotes());
}

void TestDeviceWizard::encryptedIphoneBackupIsChosenAndTellsOfItsPassword()
{
    QFile::remove(mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
    const QString folder = mMachine->home() + QStringLiteral("/MobileSync/Backup/locked");
    IphoneBackupBuilder builder;
    builder.setEncrypted(true);
    QVERIFY(builder.write(folder, IphoneBackupBuilder::Manifest::Mbdb));
    DeviceBackupPage page;
    auto* backups = page.findChild<QListWidget*>(QStringLiteral("backupList"));
    QCOMPARE(backups->count(), 1);
    QVERIFY(backups->item(0)->text().contains(QStringLiteral("encrypted: asks for its password")));
    backups->setCurrentRow(0);
    QCOMPARE(page.selectedBackupPath(), folder);
    auto* note = page.findChild<QLabel*>(QStringLiteral("encryptedNote"));
    QVERIFY(!note->isHidden());
    QVERIFY(note->text().contains(QStringLiteral("asked for its password")));
}

void TestDeviceWizard::damagedIphoneBackupCannotBeChosen()
{
    QFile::remove(mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
    const QString backups = mMachine->home() + QStringLiteral("/MobileSync/Backup");
    IphoneBackupBuilder builder;
    QVERIFY(builder.write(backups + QStringLiteral("/a-broken"), IphoneBackupBuilder::Manifest::Database));
    QVERIFY(builder.write(backups + QStringLiteral("/b-good"), IphoneBackupBuilder::Manifest::Database));
    QFile manifest(backups + QStringLiteral("/a-broken/Manifest.db"));
    QVERIFY(manifest.resize(manifest.size() / 2));

    DeviceBackupPage page;
    auto* list = page.findChild<QListWidget*>(QStringLiteral("backupList"));
    QCOMPARE(list->count(), 2);
    QListWidgetItem* broken = list->item(0);
    QVERIFY(broken->text().contains(QStringLiteral("damaged: its Manifest.db is cut short")));
    QVERIFY(broken->toolTip().contains(QStringLiteral("cannot be used")));
    QVERIFY(!(broken->flags() & Qt::ItemIsSelectable));
    // The good one is the only one there is to choose, so it is chosen.
    QCOMPARE(page.selectedBackupPath(), backups + QStringLiteral("/b-good"));
    page.show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(broken).center());
    QCOMPARE(page.selectedBackupPath(), backups + QStringLiteral("/b-good"));

    MessageBoxCloser closer;
    page.useBackupFolder(backups + QStringLiteral("/a-broken"));
    QCOMPARE(closer.texts.size(), 1);
    QVERIFY(closer.texts.first().contains(QStringLiteral("cannot be used: its Manifest.db is cut short")));
    QCOMPARE(page.selectedBackupPath(), backups + QStringLiteral("/b-good"));

    // Once it is whole (a backup still being written), it can be chosen.
    QVERIFY(QFile::remove(manifest.fileName()));
    QVERIFY(QFile::copy(backups + QStringLiteral("/b-good/Manifest.db"), manifest.fileName()));
    page.checkForNewBackups();
    QVERIFY(!list->item(0)->text().contains(QStringLiteral("damaged")));
    list->setCurrentRow(0);
    QCOMPARE(page.selectedBackupPath(), backups + QStringLiteral("/a-broken"));
}

void TestDeviceWizard::copiedKindsSayWhen()
{
    mMachine->writeSettings(kPhoneId);
    {
        SyncSettings settings;
        settings.load();
        settings.setCopiedOn(kPhoneId, SettingsKeys::copyTextMessages(), QDate(2026, 3, 4));
        QCOMPARE(settings.save(), 0);
    }
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    auto* messages = wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyTextMessages"));
    QCOMPARE(messages->text(), QStringLiteral("Copy Text Messages (already copied on %1; tick to copy again)")
                                   .arg(QLocale().toString(QDate(2026, 3, 4), QLocale::ShortFormat)));
    QVERIFY(!messages->isChecked());
    QCOMPARE(wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyAddressBook"))->text(),
             QStringLiteral("Copy Address Book"));
}

void TestDeviceWizard::withoutBackupGoesOnPlainly()
{
    mMachine->writeSettings();
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    clickNext(wizard);
    auto* page = static_cast<DeviceBackupPage*>(wizard.currentPage());
    page->findChild<QCheckBox*>(QStringLiteral("copyAddressBook"))->setChecked(true);
    page->findChild<QCheckBox*>(QStringLiteral("withoutBackup"))->setChecked(true);
    QVERIFY(!page->findChild<QListWidget*>(QStringLiteral("backupList"))->isEnabled());
    MessageBoxCloser closer;
    clickNext(wizard);
    QVERIFY(closer.texts.isEmpty());
    QCOMPARE(wizard.currentId(), WizardPageId::kCopyPhotos);
    QCOMPARE(page->selectedBackupPath(), QString());
    QVERIFY(!page->copyAddressBook());
}

void TestDeviceWizard::photoFolderMustExist_data()
{
    QTest::addColumn<bool>("copy");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("complete");
    QTest::newRow("not copying, folder missing") << false << "missing" << true;
    QTest::newRow("copying, folder missing") << true << "missing" << false;
    QTest::newRow("copying, folder exists") << true << "Pictures" << true;
    QTest::newRow("copying, a file") << true << "Pictures/photo.jpg" << false;
    QTest::newRow("copying, no folder given") << true << "" << false;
}

void TestDeviceWizard::photoFolderMustExist()
{
    QFETCH(bool, copy);
    QFETCH(QString, folder);
    QFETCH(bool, complete);
    writeFile(mMachine->home() + QStringLiteral("/Pictures/photo.jpg"));
    CopyPhotosPage page;
    QCOMPARE(page.selectedPhotosPath(), mMachine->home() + QStringLiteral("/Pictures/Blackberry"));
    // The default folder is missing, but nothing is copied yet.
    QVERIFY(page.isComplete());

    QSignalSpy completeChanged(&page, &QWizardPage::completeChanged);
    if (copy)
        page.findChild<QRadioButton*>(QStringLiteral("copyPhotosFrom"))->click();
    const QString path = folder.isEmpty() ? QString() : mMachine->home() + QLatin1Char('/') + folder;
    page.findChild<QLineEdit*>(QStringLiteral("photoFolder"))->setText(path);
    QVERIFY(!completeChanged.isEmpty());
    QCOMPARE(page.isComplete(), complete);
    QCOMPARE(page.copyPhotos(), copy);
    QCOMPARE(page.selectedPhotosPath(), path);
    // A long path shows its end, and all of it in the tooltip.
    auto* edit = page.findChild<QLineEdit*>(QStringLiteral("photoFolder"));
    QCOMPARE(edit->toolTip(), path);
    QCOMPARE(edit->cursorPosition(), int(path.size()));
    const QString status = page.findChild<QLabel*>(QStringLiteral("photoStatus"))->text();
    QCOMPARE(status.startsWith(QStringLiteral("The above folder cannot be found.")), !complete);
    if (!complete)
        QVERIFY(status.endsWith(QStringLiteral(" for more information on how to transfer Blackberry photos to your "
                                               "PC.")));
}

void TestDeviceWizard::finishWritesTheSettings()
{
    mMachine->writeSettings();
    const QString phone = mMachine->plugUsbPhone(QStringLiteral("Galaxy"));
    writeFile(mMachine->home() + QStringLiteral("/Pictures/Blackberry/a.jpg"));
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeNewPhone);
    wizard.show();
    clickNext(wizard);
    auto* backups = wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("backupList"));
    backups->setCurrentRow(0);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyTextMessages"))->setChecked(true);
    clickNext(wizard);
    wizard.currentPage()->findChild<QRadioButton*>(QStringLiteral("copyPhotosFrom"))->click();
    QVERIFY(wizard.button(QWizard::NextButton)->isEnabled());
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kMusic);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kPodcasts);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kConnectDevice);

    QListWidget* phones = phoneList(wizard);
    QCOMPARE(phones->count(), 1);
    QCOMPARE(phones->item(0)->text(), QStringLiteral("Acme Galaxy"));
    QVERIFY(!wizard.button(QWizard::FinishButton)->isEnabled());
    phones->setCurrentRow(0);
    QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());
    QSignalSpy finished(&wizard, &QDialog::finished);
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
    QCOMPARE(wizard.saveResult(), 0);
    QVERIFY(wizard.syncNow());

    // The phone now carries its id, and the settings file an entry for it.
    QFile idFile(phone + QLatin1Char('/') + Constants::phoneUniqueIdFile());
    QVERIFY(idFile.open(QIODevice::ReadOnly));
    const QString id = QString::fromLatin1(idFile.readAll());
    QVERIFY(!id.isEmpty());
    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    QVERIFY(!saved.findDeviceElement(id).isNull());
    QCOMPARE(saved.getStringValue(id, QStringLiteral("name")), QStringLiteral("Acme Galaxy"));
    bool wholeLibrary = false;
    int podcastSetting = -1;
    QStringList playlists;
    QStringList podcasts;
    QCOMPARE(saved.getConfig(id, wholeLibrary, podcastSetting, playlists, podcasts), 0);
    QVERIFY(wholeLibrary);
    QCOMPARE(podcastSetting, 1);
    QVERIFY(!saved.convertAacToMp3(id));
    QVERIFY(!saved.enableArtworkSync(id));
    QVERIFY(!saved.forceArtworkSync(id));
    QCOMPARE(saved.numberOfEpisodesToSync(id), 0);
    QCOMPARE(saved.selectedBackupPath(id), mMachine->backupsFolder() + QStringLiteral("/Backup.ipd"));
    QVERIFY(saved.copyTextMessages(id));
    QVERIFY(!saved.copyAddressBook(id));
    QVERIFY(!saved.copyCalendar(id));
    QVERIFY(saved.copyPhotos(id));
    const SyncSettings::SettingsList folders = saved.getSettingsList(id, SettingsKeys::photoFoldersList());
    QCOMPARE(folders.size(), 1);
    QCOMPARE(folders.first().first, QString());
    QCOMPARE(folders.first().second, mMachine->home() + QStringLiteral("/Pictures/Blackberry"));
}

void TestDeviceWizard::finishKeepsStoredMusicChoices()
{
    mMachine->writeSettings(kPhoneId);
    {
        // An earlier run copied photos from a folder this run does not copy from.
        SyncSettings settings;
        settings.load();
        settings.setCopyPhotos(kPhoneId, true);
        settings.addToSettingsList(kPhoneId, SettingsKeys::photoFoldersList(), QString(), QStringLiteral("/old"));
        QCOMPARE(settings.save(), 0);
    }
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    FakeMusicLibrary library;
    library.addPlaylist(QStringLiteral("Road trip"), {});
    library.addPlaylist(QStringLiteral("Party"), {});
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(&library, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    walkToConnectPage(wizard);
    phoneList(wizard)->setCurrentRow(0);
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.saveResult(), 0);

    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    bool wholeLibrary = true;
    int podcastSetting = -1;
    QStringList playlists;
    QStringList podcasts;
    QCOMPARE(saved.getConfig(kPhoneId, wholeLibrary, podcastSetting, playlists, podcasts), 0);
    // The pages that are never shown hand the stored choices back unchanged,
    // also a playlist the library no longer has.
    QVERIFY(!wholeLibrary);
    QCOMPARE(playlists, (QStringList{QStringLiteral("Road trip"), QStringLiteral("Gone")}));
    QCOMPARE(podcastSetting, 2);
    QCOMPARE(podcasts, QStringList{QStringLiteral("News")});
    QCOMPARE(saved.numberOfEpisodesToSync(kPhoneId), 3);
    QCOMPARE(saved.getStringValue(kPhoneId, QStringLiteral("name")), QStringLiteral("Acme Galaxy"));
    // Conversion and album art are always switched off by the wizard.
    QVERIFY(!saved.convertAacToMp3(kPhoneId));
    QVERIFY(!saved.enableArtworkSync(kPhoneId));
    QVERIFY(!saved.copyPhotos(kPhoneId));
    QVERIFY(saved.getSettingsList(kPhoneId, SettingsKeys::photoFoldersList()).isEmpty());
    QVERIFY(wizard.syncNow());
}

void TestDeviceWizard::finishKeepsWhatTheUserSet_data()
{
    QTest::addColumn<bool>("setUpBefore");
    QTest::newRow("new phone") << false;
    QTest::newRow("phone set up before") << true;
}

// The phone is chosen after the music pages: choosing it must not put its
// stored choices (or a new phone's defaults) over what the user set there,
// also after going back and forth.
void TestDeviceWizard::finishKeepsWhatTheUserSet()
{
    QFETCH(bool, setUpBefore);
    mMachine->writeSettings(setUpBefore ? kPhoneId : QString());
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), setUpBefore ? kPhoneId.toLatin1() : QByteArray());
    FakeMusicLibrary library;
    library.addPlaylist(QStringLiteral("Road trip"), {});
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(&library, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    walkToConnectPage(wizard);
    wizard.back();
    QCOMPARE(wizard.currentId(), WizardPageId::kPodcasts);
    wizard.back();
    wizard.currentPage()->findChild<QRadioButton*>(QStringLiteral("noneButton"))->click();
    clickNext(wizard);
    if (!setUpBefore) {
        auto* episodes = wizard.currentPage()->findChild<QComboBox*>(QStringLiteral("episodeBox"));
        QTest::keyClick(episodes, Qt::Key_Down);
        QTest::keyClick(episodes, Qt::Key_Down);
    }
    clickNext(wizard);
    phoneList(wizard)->setCurrentRow(0);
    wizard.back();
    clickNext(wizard);
    phoneList(wizard)->setCurrentRow(0);
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.saveResult(), 0);

    const QString id = setUpBefore ? kPhoneId : list->SelectedDevice()->UniqueDeviceId();
    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    bool wholeLibrary = true;
    int podcastSetting = -1;
    QStringList playlists;
    QStringList podcasts;
    QCOMPARE(saved.getConfig(id, wholeLibrary, podcastSetting, playlists, podcasts), 0);
    QVERIFY(!wholeLibrary);
    QVERIFY(playlists.isEmpty() || playlists == QStringList{QString()});
    // The podcast page the user left alone keeps the stored choice; the episode limit set stays.
    QCOMPARE(podcastSetting, setUpBefore ? 2 : 1);
    QCOMPARE(saved.numberOfEpisodesToSync(id), setUpBefore ? 3 : 2);
}

void TestDeviceWizard::aacAndAlbumArtAreAskedWhenTheLibraryHoldsSuchTracks_data()
{
    QTest::addColumn<int>("aacTracks");
    QTest::addColumn<int>("artTracks");
    QTest::newRow("some AAC, some art") << 2 << 3;
    QTest::newRow("no AAC, some art") << 0 << 3;
    // Music without any cover: nothing to offer on the album art page.
    QTest::newRow("some AAC, no art") << 2 << 0;
}

void TestDeviceWizard::aacAndAlbumArtAreAskedWhenTheLibraryHoldsSuchTracks()
{
    QFETCH(int, aacTracks);
    QFETCH(int, artTracks);
    mMachine->writeSettings(kPhoneId); // stored: convert, album art for new tracks
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    FakeMusicLibrary library;
    library.setTrackCounts(10, aacTracks, artTracks);
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(&library, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("withoutBackup"))->setChecked(true);
    while (wizard.currentId() != WizardPageId::kPodcasts)
        clickNext(wizard);
    clickNext(wizard);
    if (aacTracks > 0) {
        QCOMPARE(wizard.currentId(), WizardPageId::kConvertToMp3);
        QVERIFY(wizard.currentPage()->findChild<QRadioButton*>(QStringLiteral("aacNo"))->isChecked());
        wizard.currentPage()->findChild<QRadioButton*>(QStringLiteral("aacYes"))->click();
        clickNext(wizard);
    }
    bool oldTracksBefore = true;
    if (artTracks > 0) {
        QCOMPARE(wizard.currentId(), WizardPageId::kConclusion);
        auto* oldTracks = wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("artOldTracks"));
        QVERIFY(wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("artNewTracks"))->isChecked());
        oldTracksBefore = oldTracks->isChecked();
        oldTracks->click();
        clickNext(wizard);
    }
    QCOMPARE(wizard.currentId(), WizardPageId::kConnectDevice);
    // Choosing the phone does not put its stored answers back over the user's.
    phoneList(wizard)->setCurrentRow(0);
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.saveResult(), 0);

    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    QVERIFY(!saved.convertAacToMp3(kPhoneId)); // answered "Yes", or nothing to convert
    QCOMPARE(saved.enableArtworkSync(kPhoneId), artTracks > 0);
    QCOMPARE(saved.forceArtworkSync(kPhoneId), artTracks > 0 && !oldTracksBefore);
}

void TestDeviceWizard::musicPageShowsAndChangesTheMusicFolder()
{
    mMachine->writeSettings();
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"));
    const QString music = mMachine->home() + QStringLiteral("/Music");
    const QString other = mMachine->home() + QStringLiteral("/Other music");
    writeFile(music + QStringLiteral("/Road trip.m3u"), "song.mp3\n");
    writeFile(other + QStringLiteral("/Evening.pls"), "File1=song.mp3\n");
    MusicFolderLibrary library(music, mMachine->home() + QStringLiteral("/gPodder/Downloads"),
                               mMachine->home() + QStringLiteral("/KORVA/library.db"));
    QSignalSpy scanned(&library, &MusicFolderLibrary::scanFinished);
    library.rescan();
    QVERIFY(scanned.wait(20000));

    auto list = mMachine->makeDeviceList();
    library.keepFolderIn(list->settings());
    DeviceWizard wizard(&library, list.get(), nullptr, DeviceWizard::kModeNewPhone);
    wizard.show();
    clickNext(wizard);
    wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("backupList"))->setCurrentRow(0);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyTextMessages"))->setChecked(true);
    clickNext(wizard);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kMusic);
    auto* folder = wizard.currentPage()->findChild<MusicFolderWidget*>(QStringLiteral("musicFolder"));
    QVERIFY(folder && folder->isVisible());
    QCOMPARE(folder->folder(), music);
    auto* names = wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("nameList"));
    QCOMPARE(names->count(), 2);
    QCOMPARE(names->item(0)->text(), QStringLiteral("All music"));
    QCOMPARE(names->item(1)->text(), QStringLiteral("Road trip"));

    // Another folder: scanned at once, its playlists offered, kept in the settings.
    names->item(0)->setCheckState(Qt::Checked);
    folder->chooseFolder(other);
    QVERIFY(scanned.wait(20000));
    QCOMPARE(names->count(), 2);
    QCOMPARE(names->item(1)->text(), QStringLiteral("Evening"));
    QCOMPARE(names->item(0)->checkState(), Qt::Checked);
    SyncSettings stored;
    QCOMPARE(stored.load(), 0);
    QCOMPARE(stored.musicFolder(), other);

    clickNext(wizard);
    clickNext(wizard);
    QCOMPARE(wizard.currentId(), WizardPageId::kConnectDevice);
    phoneList(wizard)->setCurrentRow(0);
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.saveResult(), 0);
    // The wizard saves its own copy of the file: the new folder must survive it.
    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    QCOMPARE(saved.musicFolder(), other);
}

void TestDeviceWizard::cancelWritesNothing()
{
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"));
    auto list = mMachine->makeDeviceList();
    {
        DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeFirstRun);
        wizard.show();
        walkToConnectPage(wizard);
        phoneList(wizard)->setCurrentRow(0);
        wizard.button(QWizard::CancelButton)->click();
        QCOMPARE(wizard.result(), int(QDialog::Rejected));
    }
    QVERIFY(!QFile::exists(SyncSettings::filePath()));
    QVERIFY(list->DeviceIsSelected());
}

void TestDeviceWizard::failedSaveIsReportedAndStopsTheSync()
{
    // A folder stands where the settings file belongs: it can be neither read nor replaced.
    QDir().mkpath(SyncSettings::filePath());
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeFirstRun);
    wizard.show();
    walkToConnectPage(wizard);
    phoneList(wizard)->setCurrentRow(0);
    MessageBoxCloser closer;
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
    QCOMPARE(wizard.saveResult(), SyncSettings::kErrorCannotSaveFile);
    QVERIFY(!wizard.syncNow());
    QCOMPARE(closer.titles, QStringList{QStringLiteral("Velmora")});
    QVERIFY(closer.texts.first().startsWith(QStringLiteral("Your settings could not be saved")));
}

void TestDeviceWizard::unpluggedPhoneDisablesFinish()
{
    mMachine->writeSettings();
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    walkToConnectPage(wizard);
    QListWidget* phones = phoneList(wizard);
    phones->setCurrentRow(0);
    QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());
    QVERIFY(list->DeviceIsSelected());

    mMachine->unplugAll();
    list->update(); // the auto-refresh timer's tick
    QCOMPARE(phones->count(), 0);
    QVERIFY(!wizard.button(QWizard::FinishButton)->isEnabled());
    QVERIFY(!list->DeviceIsSelected());

    mMachine->plugUsbPhone(QStringLiteral("Pixel"), "OTHER");
    list->update();
    QCOMPARE(phones->count(), 1);
    QCOMPARE(phones->item(0)->text(), QStringLiteral("Acme Pixel"));
    QVERIFY(!wizard.button(QWizard::FinishButton)->isEnabled());
    phones->setCurrentRow(0);
    QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());

    // Leaving the page switches the list's refreshing off again.
    wizard.back();
    mMachine->unplugAll();
    list->update();
    QCOMPARE(phones->count(), 1);
}

void TestDeviceWizard::unmountedPhoneIsRefused()
{
    mMachine->writeSettings();
    const QString phone = mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    walkToConnectPage(wizard);
    phoneList(wizard)->setCurrentRow(0);
    // The drive goes away under its mount point: the space query fails.
    QVERIFY(QDir(phone).removeRecursively());

    MessageBoxCloser closer;
    wizard.button(QWizard::FinishButton)->click();
    QCOMPARE(wizard.currentId(), WizardPageId::kConnectDevice);
    QVERIFY(wizard.isVisible());
    QCOMPARE(closer.texts.size(), 1);
    QVERIFY(closer.texts.first().startsWith(
        QStringLiteral("<p>It is necessary to enable the USB connection on your phone before synchronizing.")));
    QVERIFY(closer.texts.first().contains(QStringLiteral("/blog/files/enable_usb.html")));
    QVERIFY(!QFile::exists(phone + QLatin1Char('/') + Constants::phoneUniqueIdFile()));
}

void TestDeviceWizard::phoneWithoutCompanionAppIsAcceptedWithImportHelp()
{
    mMachine->writeSettings();
    auto source = std::make_unique<FakeMtpPhoneSource>();
    FakeMtpPhone phone =
        FakeMtpPhoneSource::phone(QStringLiteral("Acme"), QStringLiteral("Phone M"), QStringLiteral("Internal"));
    phone.storages.first().second.clear(); // no "android.xml": the app never ran on it
    source->setPhones({phone});
    auto list = mMachine->makeDeviceList(std::move(source));
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeNewPhone);
    wizard.show();
    walkToConnectPage(wizard);
    QListWidget* phones = phoneList(wizard);
    // MTP phones arrive from the enumeration thread on a later tick.
    QVERIFY(QTest::qWaitFor(
        [&] {
            list->update();
            return phones->count() == 1;
        },
        5000));
    phones->setCurrentRow(0);

    MessageBoxCloser closer;
    wizard.button(QWizard::FinishButton)->click();
    // Accepted: the user is told where the files go and how to import each.
    QCOMPARE(closer.texts.size(), 1);
    QVERIFY(closer.texts.first().contains(QStringLiteral("Velmora app is not on this phone")));
    for (const char* part : {"Download/Velmora", "contacts.vcf", "calendar.ics", "SMS Backup &amp; Restore"})
        QVERIFY2(closer.texts.first().contains(QLatin1String(part)), part);
    QVERIFY(!wizard.isVisible());
    SyncSettings saved;
    QCOMPARE(saved.load(), 0);
    QVERIFY(!saved.findDeviceElement(QStringLiteral("Internal")).isNull());
}

void TestDeviceWizard::unableToOpenWarningOnceAndOnlyOnPhonePage()
{
    mMachine->writeSettings();
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
    wizard.show();
    MessageBoxCloser closer;
    emit list->unableToOpenDevice();
    QVERIFY(closer.texts.isEmpty());
    walkToConnectPage(wizard);
    emit list->unableToOpenDevice();
    emit list->unableToOpenDevice();
    QCOMPARE(closer.titles, QStringList{QStringLiteral("Unable to Connect to The Device")});
    QCOMPARE(closer.texts, QStringList{QStringLiteral("It has not been possible to connect to the device. Try "
                                                      "restarting the device and your PC then try again.")});
}

void TestDeviceWizard::deletedWizardIsNoLongerObserved()
{
    mMachine->writeSettings();
    mMachine->plugUsbPhone(QStringLiteral("Galaxy"), kPhoneId.toLatin1());
    auto list = mMachine->makeDeviceList();
    {
        DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeChangeSettings);
        wizard.show();
        walkToConnectPage(wizard);
        phoneList(wizard)->setCurrentRow(0);
        wizard.button(QWizard::FinishButton)->click();
        QCOMPARE(wizard.saveResult(), 0);
    }
    // The page that observed the list went with the wizard: the list's timer
    // must neither refresh for it nor call it.
    mMachine->unplugAll();
    list->update();
    QCOMPARE(list->GetDevices().size(), 1);
}

void TestDeviceWizard::keepsOneHeightWithAFullSidePicture()
{
    auto list = mMachine->makeDeviceList();
    DeviceWizard wizard(nullptr, list.get(), nullptr, DeviceWizard::kModeFirstRun);
    wizard.show();
    const int height = wizard.height();
    QList<int> heights;
    for (const int id : wizard.pageIds()) {
        QWizardPage* page = wizard.page(id);
        // A side picture shorter than the page would leave white under it.
        const QPixmap side = page->pixmap(QWizard::WatermarkPixmap);
        if (!side.isNull())
            QVERIFY(side.height() >= page->minimumHeight());
    }
    clickNext(wizard);
    heights.append(wizard.height());
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("acceptBox"))->setChecked(true);
    clickNext(wizard);
    heights.append(wizard.height());
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("withoutBackup"))->setChecked(true);
    clickNext(wizard);
    heights.append(wizard.height());
    QCOMPARE(wizard.currentId(), WizardPageId::kCopyPhotos);
    for (const int pageHeight : heights)
        QCOMPARE(pageHeight, height);
}

QTEST_MAIN(TestDeviceWizard)
#include "tst_DeviceWizard.moc"
