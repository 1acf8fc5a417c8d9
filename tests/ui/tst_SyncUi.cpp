// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncUi.h"

#include "app/Constants.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "model/PodcastRamCache.h"
#include "model/library/MusicFolderLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/AutoRefresher.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"

#include "support/EngineQuestion.h"
#include "support/FakeUsbPhoneMachine.h"
#include "support/IphoneBackupBuilder.h"
#include "support/LibraryMedia.h"
#include "support/SyncMedia.h"
#include "support/SyncTestHome.h"
#include "support/SyncTestLibrary.h"
#include "support/UrlRecorder.h"
#include "ui/ModalAnswerer.h"
#include "ui/SpaceGauge.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

const QString kPhoneName = QStringLiteral("SAMSUNG Galaxy");
constexpr int kRunTimeoutMs = 60000;

// The fake machine with its USB phone, a test library, and the window on them.
class Rig
{
public:
    using Phone = FakeUsbPhoneMachine::Phone;

    explicit Rig(Phone phone = Phone::Mounted, bool holdStartUp = true) : mMachine(phone)
    {
        auto library = std::make_unique<SyncTestLibrary>();
        mLibrary = library.get();
        mWindow = std::make_unique<SyncUi>(mMachine.environment(std::move(library)));
        if (holdStartUp)
            mWindow->findChild<QTimer*>(QStringLiteral("startTimer"))->stop();
    }

    SyncUi& window() { return *mWindow; }
    SyncTestHome& home() { return mMachine.home(); }
    SyncTestLibrary& library() { return *mLibrary; }
    QString phoneId() const { return QString::fromLatin1(SyncTestHome::kPhoneId); }

    // Refreshes until the mounted checker has answered for the phone.
    bool phoneListed(bool mounted)
    {
        DeviceList* list = mWindow->deviceList();
        list->RefreshDevices();
        return list->DeviceIsConnected() && list->ConnectedDevice()->IsMounted() == mounted;
    }

    QString status() const { return label("statusLabel"); }
    QString detail() const { return label("detailLabel"); }
    template <typename T> T* widget(const char* name) const
    {
        return mWindow->findChild<T*>(QString::fromLatin1(name));
    }

    void addTrack(qint64 size) { mMachine.addTrack(*mLibrary, size); }

    // A file where the phone's music folder belongs: no track can be copied.
    void blockMusicFolder()
    {
        QFile blocker(home().phoneFile(Constants::phoneMusicFolder()));
        if (blocker.open(QIODevice::WriteOnly))
            blocker.write("not a folder");
    }

    bool runEnded() const
    {
        MusicSync* engine = mWindow->musicSync();
        return engine && engine->thread()->isFinished() && mWindow->state() < 7;
    }

private:
    QString label(const char* name) const { return widget<QLabel>(name)->text(); }

    FakeUsbPhoneMachine mMachine;
    SyncTestLibrary* mLibrary = nullptr;
    std::unique_ptr<SyncUi> mWindow;
};

SyncSettings loadedSettings()
{
    SyncSettings settings;
    settings.load();
    return settings;
}

QString textOf(QWidget* dialog)
{
    const auto labels = dialog->findChildren<QLabel*>();
    QString text;
    for (const QLabel* label : labels)
        text += label->text();
    return text;
}

} // namespace

class SyncUiTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowStartsWithTheStartUpText();
    void stateTable_data();
    void stateTable();
    void warningKindForUploadError_data();
    void warningKindForUploadError();
    void notEnoughSpaceShowsWholeMegabytes_data();
    void notEnoughSpaceShowsWholeMegabytes();
    void startUpOpensTheFirstRunWizard();
    void setUpPhoneStartsWithoutTheWizardAndSyncsWithOneClick();
    void syncRunsToCompletionOnUsbPhone();
    void endOfRunIsOneBox();
    void notEnoughSpaceAnswerReachesTheEngine_data();
    void notEnoughSpaceAnswerReachesTheEngine();
    void notCopiedWarningStoredPerPhone();
    void drmWarningStoredPerPhone();
    void unmountedPhoneIsNotSynced();
    void unconfiguredPhoneOpensTheWizard();
    void closeWhileSyncingCancelsAndClosesLater();
    void closeWhenIdleClosesAtOnce();
    void destroyingTheWindowReleasesAWaitingEngine();
    void unableToConnectShownOnce();
    void iTunesNoticeAfterManyFailures();
    void helpButtonAndLinks();
    void helpWithoutBrowserShowsTheAddress();
    void libraryScanShowsItsProgress();
};

void SyncUiTest::init()
{
    // A start-up of an earlier case must not report into this one.
    PodcastRamCache::instance().wait();
}

void SyncUiTest::cleanup()
{
    PodcastRamCache::instance().wait();
    QCoreApplication::processEvents();
}

void SyncUiTest::windowStartsWithTheStartUpText()
{
    Rig rig(Rig::Phone::None);
    SyncUi& window = rig.window();
    QCOMPARE(window.windowTitle(), QStringLiteral("Velmora"));
    QCOMPARE(window.minimumWidth(), 400);
    QCOMPARE(window.maximumWidth(), 400);
    QCOMPARE(rig.status(), QStringLiteral("Please wait while Velmora is started"));
    QVERIFY(rig.detail().isEmpty());
    QCOMPARE(window.state(), -1);
    QVERIFY(!rig.widget<QPushButton>("newSyncButton")->isEnabled());
    QVERIFY(!rig.widget<QPushButton>("helpButton")->isEnabled());
    QVERIFY(!rig.widget<QCheckBox>("forceFullCheckBox")->isEnabled());
    QVERIFY(rig.widget<QWidget>("spaceGauge")->isHidden());
    auto* bar = rig.widget<QProgressBar>("progressBar");
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->maximum(), 0);
    QVERIFY(!bar->isTextVisible());
}

void SyncUiTest::stateTable_data()
{
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<bool>("buttons");
    QTest::addColumn<bool>("barShown");
    QTest::addColumn<int>("barMaximum");
    QTest::addColumn<int>("barValue");
    QTest::addColumn<bool>("forceFull");
    QTest::addColumn<int>("wizards");

    const QString noPhone = QStringLiteral("Connect your phone to the PC");
    const QString clickHelp = QStringLiteral("If your phone is already connected then click Help");
    const QString ready = QStringLiteral("A phone is connected and is ready to be synchronized");
    const QString complete = QStringLiteral("Phone synchronization is complete");
    const QString preparing = QStringLiteral("Preparing to synchronize");
    const QString wait = QStringLiteral("Please Wait");
    // Idle bars are reset: the value is one below the minimum.
    QTest::newRow("0 no phone") << -1 << 0 << 0 << noPhone << clickHelp << true << false << 100 << -1 << false << 0;
    QTest::newRow("1 after 0") << 0 << 1 << 0 << ready << clickHelp << true << false << 100 << -1 << true << 0;
    QTest::newRow("1 after 2 keeps the result")
        << 2 << 1 << 0 << complete << QString() << true << false << 100 << -1 << true << 0;
    QTest::newRow("1 after 6 keeps the result")
        << 6 << 1 << 0 << "Phone synchronization was cancelled" << QString() << true << false << 100 << -1 << true << 0;
    QTest::newRow("1 after a closed wizard")
        << 4 << 1 << 0 << ready << QString() << true << false << 100 << -1 << true << 1;
    QTest::newRow("2 complete") << 13 << 2 << 0 << complete << QString() << true << false << 100 << -1 << true << 0;
    QTest::newRow("3 with errors") << 15 << 3 << 0 << complete << "Errors detected" << true << false << 100 << -1
                                   << true << 0;
    QTest::newRow("4 not configured") << 9 << 4 << 0 << preparing << QString() << false << false << 0 << 0 << true << 1;
    QTest::newRow("5 settings error") << 9 << 5 << 0 << preparing << QString() << false << false << 0 << 0 << false
                                      << 1;
    QTest::newRow("6 cancelled") << 14 << 6 << 0 << "Phone synchronization was cancelled" << QString() << true << false
                                 << 100 << -1 << true << 0;
    QTest::newRow("7 changes nothing") << 9 << 7 << 0 << preparing << QString() << false << true << 0 << 0 << false
                                       << 0;
    QTest::newRow("8 starting") << 0 << 8 << 0 << "Starting Velmora" << wait << false << true << 0 << 0 << false << 0;
    QTest::newRow("9 preparing") << 0 << 9 << 0 << preparing << QString() << false << true << 0 << 0 << false << 0;
    QTest::newRow("10 preparing delete") << 0 << 10 << 0 << "Preparing to delete tracks" << QString() << false << true
                                         << 0 << 0 << false << 0;
    QTest::newRow("11 album art") << 0 << 11 << 0 << "Checking for album art" << QString() << false << true << 0 << 0
                                  << false << 0;
    QTest::newRow("12 deleting") << 0 << 12 << 0 << "Deleting tracks from the phone" << QString() << false << true << 0
                                 << 0 << false << 0;
    QTest::newRow("13 copying 40%") << 0 << 13 << 40 << "Copying tracks to the phone" << QString() << false << true
                                    << 100 << 40 << false << 0;
    QTest::newRow("13 copying 0%") << 9 << 13 << 0 << "Copying tracks to the phone" << QString() << false << true << 100
                                   << -1 << false << 0;
    QTest::newRow("14 cancelling") << 0 << 14 << 0 << "Cancelling" << wait << false << true << 0 << 0 << false << 0;
    QTest::newRow("15 playlists") << 0 << 15 << 0 << "Updating playlists" << QString() << false << true << 0 << 0
                                  << false << 0;
    QTest::newRow("16 photos 25%") << 0 << 16 << 25 << "Copying photos to the phone" << QString() << false << true
                                   << 100 << 25 << false << 0;
    QTest::newRow("17 video") << 0 << 17 << 0 << "Converting video" << QString() << false << true << 0 << 0 << false
                              << 0;
    QTest::newRow("18 is ignored") << 0 << 18 << 0 << noPhone << clickHelp << true << false << 100 << -1 << false << 0;
    QTest::newRow("-2 is ignored") << 9 << -2 << 0 << preparing << QString() << false << true << 0 << 0 << false << 0;
}

void SyncUiTest::stateTable()
{
    QFETCH(int, previous);
    QFETCH(int, state);
    QFETCH(int, percent);
    QFETCH(QString, status);
    QFETCH(QString, detail);
    QFETCH(bool, buttons);
    QFETCH(bool, barShown);
    QFETCH(int, barMaximum);
    QFETCH(int, barValue);
    QFETCH(bool, forceFull);
    QFETCH(int, wizards);

    Rig rig(Rig::Phone::None);
    SyncUi& window = rig.window();
    // Only the reports of this table reach the window.
    QObject::disconnect(window.autoRefresher(), nullptr, &window, nullptr);
    ModalAnswerer answerer;
    for (int i = 0; i < wizards; ++i)
        answerer.expect(ModalAnswerer::rejecting());

    if (previous >= 0)
        window.UpdateProgress(previous, 0);
    window.UpdateProgress(state, percent);

    QCOMPARE(window.state(), state);
    QCOMPARE(rig.status(), status);
    QCOMPARE(rig.detail(), detail);
    QCOMPARE(rig.widget<QPushButton>("newSyncButton")->isEnabled(), buttons);
    QCOMPARE(rig.widget<QPushButton>("helpButton")->isEnabled(), buttons);
    auto* bar = rig.widget<QProgressBar>("progressBar");
    QCOMPARE(!bar->isHidden(), barShown);
    QCOMPARE(rig.widget<QWidget>("spaceGauge")->isHidden(), barShown);
    QCOMPARE(bar->maximum(), barMaximum);
    QCOMPARE(bar->value(), barValue);
    QCOMPARE(rig.widget<QCheckBox>("forceFullCheckBox")->isEnabled(), forceFull);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
}

void SyncUiTest::warningKindForUploadError_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("kind");
    QTest::newRow("no space") << -6009 << 2;
    QTest::newRow("folder not made") << -6008 << 0;
    QTest::newRow("copy failed") << -6005 << 1;
    QTest::newRow("other") << -6000 << 1;
    QTest::newRow("none") << 0 << 1;
}

void SyncUiTest::warningKindForUploadError()
{
    QFETCH(int, error);
    QFETCH(int, kind);
    QCOMPARE(SyncUi::warningKindForUploadError(error), kind);
}

void SyncUiTest::notEnoughSpaceShowsWholeMegabytes_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("megabytes"); // of 10^6 bytes, as "MB" says, rounded up
    QTest::newRow("one and a half") << qint64(1500000) << qint64(2);
    QTest::newRow("below one") << qint64(1) << qint64(1);
    QTest::newRow("exactly 300") << qint64(300) * 1000 * 1000 << qint64(300);
    // Beyond the 32-bit range of megabytes the figure must not wrap.
    QTest::newRow("five pebibytes") << (qint64(5) << 50) << qint64(5629499535);
}

void SyncUiTest::notEnoughSpaceShowsWholeMegabytes()
{
    QFETCH(qint64, bytes);
    QFETCH(qint64, megabytes);
    QCOMPARE(SyncUi::shortfallInMegabytes(bytes), megabytes);
    Rig rig(Rig::Phone::None);
    ModalAnswerer answerer;
    QStringList buttons;
    answerer.expect([&](QWidget* box) {
        for (QAbstractButton* button : qobject_cast<QMessageBox*>(box)->buttons())
            buttons.append(button->text());
        ModalAnswerer::clickButton(box, QStringLiteral("Sync Anyway"));
    });
    rig.window().notEnoughSpace(bytes);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first(),
             QStringLiteral("Not Enough Space|You do not have enough space on your phone to complete the "
                            "synchronization.  You need to free up %1 MB. Do you want to continue with the sync "
                            "anyway? Note that if you do this then some tracks will not be copied.")
                 .arg(QLocale().toString(megabytes)));
    buttons.sort();
    QCOMPARE(buttons, (QStringList{"Don't Sync", "Sync Anyway"}));
}

void SyncUiTest::startUpOpensTheFirstRunWizard()
{
    Rig rig(Rig::Phone::None, false);
    SyncUi& window = rig.window();
    ModalAnswerer answerer;
    QString wizardText;
    bool windowShownFirst = false;
    answerer.expect([&](QWidget* wizard) {
        wizardText = textOf(wizard);
        windowShownFirst = window.isVisible();
        ModalAnswerer::reject(wizard);
    });
    QTRY_VERIFY_WITH_TIMEOUT(answerer.pending() == 0, 20000);
    QVERIFY(windowShownFirst);
    QVERIFY2(wizardText.contains(QStringLiteral("This wizard will help you set up a phone so that it can be "
                                                "synchronized.")),
             qPrintable(wizardText));
    // The wizard was closed: the refresher reports that no phone is there.
    QTRY_COMPARE(rig.status(), QStringLiteral("Connect your phone to the PC"));
    QCOMPARE(window.state(), 0);
    QVERIFY(rig.widget<QPushButton>("newSyncButton")->isEnabled());
    QVERIFY(answerer.unexpected().isEmpty());
}

void SyncUiTest::setUpPhoneStartsWithoutTheWizardAndSyncsWithOneClick()
{
    Rig rig(Rig::Phone::Mounted, false);
    rig.home().configurePhone();
    ModalAnswerer answerer;
    QTRY_COMPARE_WITH_TIMEOUT(rig.status(), QStringLiteral("A phone is connected and is ready to be synchronized"),
                              20000);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
    auto* sync = rig.widget<QPushButton>("syncButton");
    QVERIFY(sync->isVisible() && sync->isEnabled());
    QVERIFY(rig.widget<QPushButton>("newSyncButton")->isEnabled());

    answerer.expect([](QWidget* reminder) { ModalAnswerer::clickButton(reminder, QStringLiteral("OK")); });
    sync->click();
    QVERIFY(rig.window().musicSync());
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0, kRunTimeoutMs);
    QTRY_COMPARE(rig.status(), QStringLiteral("Phone synchronization is complete"));
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
    // The phone is still there: it can be synced again at once.
    QVERIFY(sync->isVisible() && sync->isEnabled());
}

void SyncUiTest::syncRunsToCompletionOnUsbPhone()
{
    Rig rig;
    rig.home().configurePhone();
    QTRY_VERIFY(rig.phoneListed(true));
    SyncUi& window = rig.window();

    ModalAnswerer answerer;
    answerer.expect([](QWidget* reminder) {
        reminder->findChild<QCheckBox*>()->setChecked(true);
        ModalAnswerer::clickButton(reminder, QStringLiteral("OK"));
    });
    window.startSync();
    QVERIFY(window.musicSync());
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0, kRunTimeoutMs);
    QTRY_COMPARE(rig.status(), QStringLiteral("Phone synchronization is complete"));
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
    QVERIFY(rig.widget<QPushButton>("newSyncButton")->isEnabled());
    QVERIFY(loadedSettings().skipUsbEjectWarning(rig.phoneId()));
    QVERIFY(!loadedSettings().skipUsbEjectWarning(QStringLiteral("ANOTHERPHONE")));

    // The next sync of the same phone does not remind again, and the phone's
    // entry in the device list is the one the window shows.
    window.startSync();
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded(), kRunTimeoutMs);
    QTRY_COMPARE(rig.status(), QStringLiteral("Phone synchronization is complete"));
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.unexpected().isEmpty());
}

// The eject reminder, the import help and, after an iPhone, the iMessage
// notice come in one box that links to the run's report.
void SyncUiTest::endOfRunIsOneBox()
{
    Rig rig;
    rig.home().configurePhone();
    const QString backup = rig.home().inputFolder() + QStringLiteral("/iphone");
    IphoneBackupBuilder builder;
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    // A backup without an address book, messages or calendar: only the iPhone's notice has something to say.
    rig.home().editSettings([&](SyncSettings& settings, const QString& id) {
        settings.setSelectedBackupPath(id, backup);
        settings.setCopyAddressBook(id, true);
    });
    QTRY_VERIFY(rig.phoneListed(true));
    SyncUi& window = rig.window();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    ModalAnswerer answerer;
    QString shown;
    answerer.expect([&](QWidget* box) {
        shown = textOf(box);
        ModalAnswerer::clickButton(box, QStringLiteral("OK"));
    });
    rig.window().startSync();
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0, kRunTimeoutMs);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
    QVERIFY2(shown.contains(QStringLiteral("turn off iMessage and FaceTime"))
                 && shown.contains(QStringLiteral("eject")),
             qPrintable(shown));
    const QString report = rig.window().musicSync()->outcome().reportPath;
    QVERIFY(QFileInfo(report).isFile());
    QVERIFY(shown.contains(QUrl::fromLocalFile(report).toString(QUrl::FullyEncoded).toHtmlEscaped()));

    // The summary's wrapped lines never squeeze the gauge's figures or the buttons.
    QApplication::processEvents();
    for (QWidget* child : {static_cast<QWidget*>(rig.widget<QLabel>("summaryLabel")),
                           static_cast<QWidget*>(window.findChild<SpaceGauge*>())}) {
        const int wanted =
            child->hasHeightForWidth() ? child->heightForWidth(child->width()) : child->minimumSizeHint().height();
        QVERIFY2(child->height() >= wanted, qPrintable(child->objectName()));
        QVERIFY(child->geometry().bottom() < window.height());
    }
}

void SyncUiTest::notEnoughSpaceAnswerReachesTheEngine_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("status");
    QTest::newRow("don't sync") << "Don't Sync"
                                << "Phone synchronization was cancelled";
    QTest::newRow("escape") << QString() << "Phone synchronization was cancelled";
    QTest::newRow("sync anyway") << "Sync Anyway"
                                 << "Phone synchronization is complete";
}

void SyncUiTest::notEnoughSpaceAnswerReachesTheEngine()
{
    QFETCH(QString, answer);
    QFETCH(QString, status);
    Rig rig;
    // No phone has this much room.
    rig.addTrack(qint64(1) << 60);
    rig.blockMusicFolder();
    QTRY_VERIFY(rig.phoneListed(true));

    ModalAnswerer answerer;
    answerer.expect([&](QWidget* box) {
        if (answer.isEmpty())
            QTest::keyClick(box, Qt::Key_Escape);
        else
            ModalAnswerer::clickButton(box, answer);
    });
    const bool syncs = !answer.isEmpty() && answer != QLatin1String("Don't Sync");
    if (syncs) {
        // The phone has no room for the music folder, so the track is
        // reported as not copied; then the eject reminder follows.
        answerer.expect(ModalAnswerer::clicking(QStringLiteral("OK")));
        answerer.expect(ModalAnswerer::clicking(QStringLiteral("OK")));
    }
    rig.window().startSync();
    QTRY_VERIFY2_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0,
                              qPrintable(answerer.seen().join(QLatin1Char('\n')) + rig.status()), kRunTimeoutMs);
    QTRY_COMPARE(rig.status(), status);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(QLatin1Char('\n'))));
    QVERIFY(answerer.seen().first().startsWith(QStringLiteral("Not Enough Space|")));
    QCOMPARE(rig.window().musicSync()->GetNonCopiedTracks().size(), syncs ? 1 : 0);
}

void SyncUiTest::notCopiedWarningStoredPerPhone()
{
    Rig rig;
    rig.addTrack(1000);
    rig.blockMusicFolder();
    QTRY_VERIFY(rig.phoneListed(true));
    SyncUi& window = rig.window();

    ModalAnswerer answerer;
    QString warningText;
    answerer.expect([&](QWidget* dialog) {
        warningText = textOf(dialog);
        ModalAnswerer::clickButton(dialog, QStringLiteral("OK"));
    });
    answerer.expect([](QWidget* reminder) {
        reminder->findChild<QCheckBox*>()->setChecked(true);
        ModalAnswerer::clickButton(reminder, QStringLiteral("OK"));
    });
    window.startSync();
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0, kRunTimeoutMs);
    QVERIFY2(warningText.contains(QStringLiteral("It was not possible to copy the following tracks")),
             qPrintable(warningText));
    QCOMPARE(window.musicSync()->outcome().lastUploadError, -6008);
    QVERIFY(!loadedSettings().skipNotCopiedWarning(rig.phoneId()));
    // The refresher has reported the phone since.
    QCOMPARE(window.state(), 1);

    // A new end state shows the warning again; this time the box is ticked.
    answerer.expect([](QWidget* dialog) {
        dialog->findChild<QCheckBox*>()->setChecked(true);
        ModalAnswerer::clickButton(dialog, QStringLiteral("OK"));
    });
    window.UpdateProgress(2, 0);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(loadedSettings().skipNotCopiedWarning(rig.phoneId()));
    QVERIFY(!loadedSettings().skipNotCopiedWarning(QStringLiteral("ANOTHERPHONE")));

    // A repeated end state needs no warning, and a stored choice silences it.
    window.UpdateProgress(2, 0);
    window.UpdateProgress(6, 0);
    QTest::qWait(100);
    QCOMPARE(answerer.seen().size(), 3);
    QVERIFY(answerer.unexpected().isEmpty());
}

void SyncUiTest::drmWarningStoredPerPhone()
{
    Rig rig;
    rig.home().configurePhone({QStringLiteral("Mix")});
    rig.library().mDrmTracks.append(SyncMedia::track(rig.home().inputFolder() + QStringLiteral("/Locked.m4p"),
                                                     QStringLiteral("Locked"), QStringLiteral("Album"),
                                                     QStringLiteral("Artist"), 2));
    QTRY_VERIFY(rig.phoneListed(true));
    SyncUi& window = rig.window();
    rig.home().editSettings([](SyncSettings& settings, const QString& id) { settings.setSkipUsbEjectWarning(id); });

    ModalAnswerer answerer;
    QString warningText;
    QStringList listed;
    answerer.expect([&](QWidget* dialog) {
        warningText = textOf(dialog);
        dialog->findChild<QCheckBox*>()->setChecked(true);
        ModalAnswerer::clickButton(dialog, QStringLiteral("OK"));
    });
    window.startSync();
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0, kRunTimeoutMs);
    QVERIFY2(warningText.contains(QStringLiteral("copy protected")), qPrintable(warningText));
    QVERIFY(loadedSettings().skipDrmWarning(rig.phoneId()));
    QVERIFY(!loadedSettings().skipDrmWarning(QStringLiteral("ANOTHERPHONE")));

    window.startSync();
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded(), kRunTimeoutMs);
    QTRY_COMPARE(rig.status(), QStringLiteral("Phone synchronization is complete"));
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.unexpected().isEmpty());
}

void SyncUiTest::unmountedPhoneIsNotSynced()
{
    Rig rig(Rig::Phone::Unreachable);
    QTRY_VERIFY(rig.phoneListed(false));
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::clicking(QStringLiteral("OK")));
    rig.window().startSync();
    QCOMPARE(answerer.seen().size(), 1);
    const QString seen = answerer.seen().first();
    QVERIFY2(seen.startsWith(QStringLiteral("Velmora|<p>It is necessary to enable the USB connection")),
             qPrintable(seen));
    QVERIFY(seen.contains(Constants::helpBaseUrl() + QStringLiteral("/blog/files/enable_usb.html")));
    QVERIFY(!rig.window().musicSync());
    // The window goes on watching the phone: the refresher reports it again.
    QCOMPARE(rig.window().state(), 1);
}

void SyncUiTest::unconfiguredPhoneOpensTheWizard()
{
    Rig rig;
    QTRY_VERIFY(rig.phoneListed(true));
    ModalAnswerer answerer;
    QString wizardText;
    answerer.expect([&](QWidget* wizard) {
        wizardText = textOf(wizard);
        ModalAnswerer::reject(wizard);
    });
    rig.window().startSync();
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(wizardText.contains(QStringLiteral("A new phone has been detected.")), qPrintable(wizardText));
    QVERIFY(!rig.window().musicSync());
}

void SyncUiTest::closeWhileSyncingCancelsAndClosesLater()
{
    Rig rig;
    rig.addTrack(qint64(1) << 60);
    QTRY_VERIFY(rig.phoneListed(true));
    SyncUi& window = rig.window();
    window.show();

    ModalAnswerer answerer;
    bool stayedOpen = false;
    QString statusWhileClosing;
    QString detailWhileClosing;
    answerer.expect([&](QWidget* box) {
        // The engine waits for this answer, so the window is busy.
        window.close();
        stayedOpen = window.isVisible();
        statusWhileClosing = rig.status();
        detailWhileClosing = rig.detail();
        // Even "Sync Anyway" cannot resume a run that the close has cancelled.
        ModalAnswerer::clickButton(box, QStringLiteral("Sync Anyway"));
    });
    window.startSync();
    QTRY_VERIFY_WITH_TIMEOUT(rig.runEnded() && answerer.pending() == 0, kRunTimeoutMs);
    QVERIFY(stayedOpen);
    QCOMPARE(statusWhileClosing, QStringLiteral("Cancelling"));
    QCOMPARE(detailWhileClosing, QStringLiteral("Please Wait"));
    QVERIFY(window.musicSync()->GetNonCopiedTracks().isEmpty());
    // The first report after the cancelled state closes the window.
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(answerer.unexpected().isEmpty());
}

void SyncUiTest::closeWhenIdleClosesAtOnce()
{
    Rig rig(Rig::Phone::None);
    SyncUi& window = rig.window();
    QObject::disconnect(window.autoRefresher(), nullptr, &window, nullptr);
    window.show();
    window.UpdateProgress(0, 0);
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
}

void SyncUiTest::destroyingTheWindowReleasesAWaitingEngine()
{
    auto rig = std::make_unique<Rig>();
    rig->addTrack(qint64(1) << 60);
    QTRY_VERIFY(rig->phoneListed(true));
    rig->library().holdScanning();
    rig->window().startSync();
    QPointer<QThread> thread(rig->window().musicSync()->thread());
    // No events are handled meanwhile: the engine asks about the space and
    // waits for an answer that never comes, as when the program quits.
    QVERIFY(waitUntilEngineAsksAboutSpace(*rig->window().musicSync(), rig->window().controller(), rig->library(),
                                          kRunTimeoutMs));
    QVERIFY(thread && thread->isRunning());
    rig.reset();
    QVERIFY(thread.isNull());
}

void SyncUiTest::unableToConnectShownOnce()
{
    Rig rig(Rig::Phone::None);
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::clicking(QStringLiteral("OK")));
    emit rig.window().deviceList()->unableToOpenDevice();
    emit rig.window().deviceList()->unableToOpenDevice();
    QTest::qWait(50);
    QCOMPARE(answerer.seen(),
             QStringList{QStringLiteral("Unable to Connect to The Device|It has not been possible to connect to the "
                                        "device. Try restarting the device and your PC then try again.")});
}

void SyncUiTest::iTunesNoticeAfterManyFailures()
{
    Rig rig(Rig::Phone::None);
    SyncUi& window = rig.window();
    window.show();
    auto* notice = window.findChild<QMessageBox*>();
    QVERIFY(notice);
    for (int i = 0; i < 61; ++i)
        window.iTunesFailure();
    QVERIFY(!notice->isVisible());
    window.iTunesFailure();
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), QStringLiteral("iTunes has stopped responding. If iTunes is displaying any messages "
                                            "or dialog boxes then close them."));
    QVERIFY(!notice->isModal());
    window.iTunesOkay();
    QVERIFY(!notice->isVisible());
    // The count starts again after an answer.
    for (int i = 0; i < 61; ++i)
        window.iTunesFailure();
    QVERIFY(!notice->isVisible());
}

void SyncUiTest::helpButtonAndLinks()
{
    Rig rig(Rig::Phone::None);
    SyncUi& window = rig.window();
    UrlRecorder recorder;
    window.onHelpClicked();
    QCOMPARE(recorder.mUrls, QList<QUrl>{QUrl(QStringLiteral("http://www.velmora.app/blackberry/help/help.html"))});

    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::clicking(QStringLiteral("OK")));
    window.helpLinkClicked(QStringLiteral("something else"));
    QVERIFY(answerer.seen().isEmpty());
    emit rig.widget<QLabel>("statusLabel")->linkActivated(QStringLiteral("ituneshelp"));
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.seen().first().startsWith(
        QStringLiteral("iTunes Information|iTunes must be running for Velmora to work correctly.")));
    QCOMPARE(recorder.mUrls.size(), 1);
}

void SyncUiTest::helpWithoutBrowserShowsTheAddress()
{
    Rig rig(Rig::Phone::None);
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::clicking(QStringLiteral("OK")));
    // No URL handler and no desktop: opening the page fails.
    rig.window().onHelpClicked();
    QCOMPARE(answerer.seen(), QStringList{QStringLiteral("Velmora|No web browser could be opened. The help is at "
                                                         "http://www.velmora.app/blackberry/help/help.html")});
}

void SyncUiTest::libraryScanShowsItsProgress()
{
    FakeUsbPhoneMachine machine(FakeUsbPhoneMachine::Phone::None);
    SyncTestHome& home = machine.home();
    const QString music = home.inputFolder() + QStringLiteral("/Music");
    QVERIFY(LibraryMedia::writeText(music + QStringLiteral("/Lists/Mix.m3u"), "a.mp3\n"));
    auto library = std::make_unique<MusicFolderLibrary>(music, home.inputFolder() + QStringLiteral("/gPodder"),
                                                        home.programFolder() + QStringLiteral("/library.db"));
    MusicFolderLibrary* folderLibrary = library.get();
    SyncUi window(machine.environment(std::move(library)));
    window.findChild<QTimer*>(QStringLiteral("startTimer"))->stop();
    auto* detail = window.findChild<QLabel*>(QStringLiteral("detailLabel"));
    QVERIFY(detail);

    emit folderLibrary->scanProgress(3, 10);
    QCOMPARE(detail->text(), QStringLiteral("Reading the music library: 3 of 10 files"));
    // A real scan ends with the text gone again.
    QSignalSpy finished(folderLibrary, &MusicFolderLibrary::scanFinished);
    folderLibrary->rescan();
    QVERIFY(finished.wait(20000));
    QCOMPARE(folderLibrary->lastScan().read, 1);
    QCOMPARE(detail->text(), QString());
}

QTEST_MAIN(SyncUiTest)
#include "tst_SyncUi.moc"
