// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ModalAnswerer.h"
#include "app/Constants.h"
#include "devices/DeviceList.h"
#include "devices/mtp/MtpPhoneSource.h"
#include "settings/SyncSettings.h"
#include "support/FakeMusicLibrary.h"
#include "support/FakeUsbMachine.h"
#include "support/FakeUsbPhoneMachine.h"
#include "support/IphoneBackupBuilder.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SyncState.h"
#include "ui/DeviceWizard.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncUi.h"
#include "ui/WizardSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QtTest>

using namespace SyncState;

namespace {
QString screenshotFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
}

// Every text a person can read in the widget: labels, buttons, list entries, the title.
QStringList visibleTexts(QWidget* widget)
{
    QStringList texts{widget->windowTitle()};
    if (auto* page = qobject_cast<QWizardPage*>(widget))
        texts.append(page->title());
    for (const QLabel* label : widget->findChildren<QLabel*>())
        if (label->isVisibleTo(widget))
            texts.append(label->text());
    for (const QAbstractButton* button : widget->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(widget))
            texts.append(button->text());
    for (const QListWidget* list : widget->findChildren<QListWidget*>())
        for (int row = 0; row < list->count(); ++row)
            texts.append(list->item(row)->text());
    return texts;
}

// Saves the picture and checks that each expected text is on it.
void shoot(QWidget* widget, const QString& name, const QStringList& expected)
{
    QApplication::processEvents();
    const QPixmap picture = widget->grab();
    QVERIFY(!picture.isNull());
    QVERIFY(QDir().mkpath(screenshotFolder()));
    const QString path = screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    QVERIFY(picture.save(path));
    QVERIFY(QFileInfo(path).size() > 0);
    const QString all = visibleTexts(widget).join(QLatin1Char('\n'));
    for (const QString& text : expected)
        QVERIFY2(all.contains(text),
                 qPrintable(name + QStringLiteral(": no \"") + text + QStringLiteral("\" in ") + all));
}
} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void wizardPages();
    void mainWindowStates();
    void mainWindowAfterARun();
};

void TestScreenshots::wizardPages()
{
    FakeUsbMachine machine;
    QVERIFY(machine.isValid());
    const QString documents = machine.home() + QStringLiteral("/Documents/Blackberry/Backup");
    QVERIFY(QDir().mkpath(documents));
    QFile bb(documents + QStringLiteral("/Bold 9900.ipd"));
    QVERIFY(bb.open(QIODevice::WriteOnly));
    bb.write("x");
    bb.close();
    IphoneBackupBuilder builder;
    QVERIFY(builder.write(Constants::iphoneBackupFolderPath() + QStringLiteral("/00008030-0001"),
                          IphoneBackupBuilder::Manifest::Database));
    const QString broken = Constants::iphoneBackupFolderPath() + QStringLiteral("/00008030-0002");
    QVERIFY(builder.write(broken, IphoneBackupBuilder::Manifest::Database));
    QFile(broken + QStringLiteral("/Manifest.db")).resize(1000);
    machine.plugUsbPhone(QStringLiteral("Galaxy"));
    auto list = machine.makeDeviceList();
    // A library with AAC tracks and album art puts both questions on the path.
    FakeMusicLibrary library;
    library.setTrackCounts(10, 2, 3);
    DeviceWizard wizard(&library, list.get(), nullptr, DeviceWizard::kModeFirstRun);
    wizard.show();
    auto next = [&wizard] { wizard.button(QWizard::NextButton)->click(); };
    shoot(&wizard, QStringLiteral("wizard-1-intro"), {QStringLiteral("This wizard will help you set up a phone")});
    next();
    shoot(&wizard, QStringLiteral("wizard-2-license"),
          {QStringLiteral("License Agreement"), QStringLiteral("I accept the above license agreement")});
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("acceptBox"))->setChecked(true);
    next();
    QCOMPARE(wizard.currentId(), WizardPageId::kDeviceBackup);
    auto* backups = wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("backupList"));
    backups->setCurrentRow(0);
    shoot(&wizard, QStringLiteral("wizard-3-backup-blackberry"),
          {QStringLiteral("Bold 9900  (BlackBerry backup"), QStringLiteral("Copy Text Messages"),
           QStringLiteral("Back Up an iPhone Now"), QStringLiteral("Continue without a backup")});
    backups->setCurrentRow(1);
    shoot(&wizard, QStringLiteral("wizard-3-backup-iphone"),
          {QStringLiteral("00008030-0001  (iPhone backup, iOS 12.5.7"), QStringLiteral("Copy Calendar"),
           QStringLiteral("Copy Camera Roll Photos")});
    shoot(&wizard, QStringLiteral("wizard-3-backup-damaged"),
          {QStringLiteral("00008030-0002  (iPhone backup, iOS 12.5.7"),
           QStringLiteral("damaged: its Manifest.db is cut short")});
    backups->setCurrentRow(1);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyCalendar"))->setChecked(true);
    wizard.currentPage()->findChild<QCheckBox*>(QStringLiteral("copyPhotos"))->setChecked(true);
    next();
    QCOMPARE(wizard.currentId(), WizardPageId::kCopyPhotos);
    // The camera roll ticked on the page before is what this page starts from.
    shoot(&wizard, QStringLiteral("wizard-4-photos"),
          {QStringLiteral("The camera roll of the iPhone backup is copied"), QStringLiteral("Also copy photos from:")});
    next();
    shoot(&wizard, QStringLiteral("wizard-5-music"), {wizard.currentPage()->title()});
    // The plugged-in phone's space, not an empty gauge.
    QVERIFY(!wizard.currentPage()->findChild<SpaceGauge*>()->figuresText().isEmpty());
    next();
    shoot(&wizard, QStringLiteral("wizard-6-podcasts"), {wizard.currentPage()->title()});
    next();
    QCOMPARE(wizard.currentId(), WizardPageId::kConvertToMp3);
    shoot(&wizard, QStringLiteral("wizard-6a-aac"), {wizard.currentPage()->title()});
    next();
    QCOMPARE(wizard.currentId(), WizardPageId::kConclusion);
    shoot(&wizard, QStringLiteral("wizard-6b-album-art"), {wizard.currentPage()->title()});
    next();
    QCOMPARE(wizard.currentId(), WizardPageId::kConnectDevice);
    shoot(&wizard, QStringLiteral("wizard-7-phone"), {QStringLiteral("Acme Galaxy")});
}

void TestScreenshots::mainWindowStates()
{
    FakeUsbPhoneMachine machine(FakeUsbPhoneMachine::Phone::None);
    SyncUi window(machine.environment(std::make_unique<SyncTestLibrary>()));
    window.findChild<QTimer*>(QStringLiteral("startTimer"))->stop();
    window.show();
    window.UpdateProgress(StateNoPhone, 0);
    shoot(&window, QStringLiteral("window-1-no-phone"), {QStringLiteral("Connect your phone to the PC")});
    window.UpdateProgress(
        StatePhotos, 25,
        MusicSync::progressText(QStringLiteral("Copying photos"), 120, 480, QStringLiteral("IMG_0001.jpg")));
    shoot(&window, QStringLiteral("window-2-photos"),
          {QStringLiteral("Copying photos to the phone"), QStringLiteral("Copying photos: 120 of 480 - IMG_0001.jpg")});
}

// The end of a real run to a USB phone: the summary is the one the window writes.
void TestScreenshots::mainWindowAfterARun()
{
    FakeUsbPhoneMachine machine;
    auto library = std::make_unique<SyncTestLibrary>();
    machine.addTrack(*library, 1000);
    const QString backup = machine.home().inputFolder() + QStringLiteral("/iphone");
    IphoneBackupBuilder builder;
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    machine.home().editSettings(
        [&](SyncSettings& settings, const QString& id) { settings.setSelectedBackupPath(id, backup); });
    SyncUi window(machine.environment(std::move(library)));
    window.findChild<QTimer*>(QStringLiteral("startTimer"))->stop();
    window.show();
    ModalAnswerer answerer;
    answerer.expect([](QWidget* box) { // the end box with the eject reminder
        shoot(box, QStringLiteral("window-4-end-box"),
              {QStringLiteral("turn off iMessage and FaceTime"), QStringLiteral("report of this run"),
               QStringLiteral("Please eject your phone")});
        ModalAnswerer::clickButton(box, QStringLiteral("OK"));
    });
    window.startSync();
    QTRY_VERIFY_WITH_TIMEOUT(window.musicSync()->thread()->isFinished() && answerer.pending() == 0, 60000);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
    shoot(&window, QStringLiteral("window-3-complete"),
          {QStringLiteral("Phone synchronization is complete"), QStringLiteral("Copied to the phone: Tracks: 1."),
           QStringLiteral("Sync"), QStringLiteral("New Sync")});
}

QTEST_MAIN(TestScreenshots)
#include "tst_Screenshots.moc"
