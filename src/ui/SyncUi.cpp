// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncUi.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "model/LocalMusicLibrary.h"
#include "model/PodcastRamCache.h"
#include "model/library/MusicFolderLibrary.h"
#include "settings/SettingsStore.h"
#include "sync/AutoRefresher.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SyncReport.h"
#include "sync/SyncState.h"
#include "ui/ConnectDevicePage.h"
#include "ui/DeviceWizard.h"
#include "ui/EndOfRunText.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncQuestions.h"
#include "ui/SyncStatePresenter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

using namespace SyncState;

namespace {

constexpr int kStartDelayMs = 500;
constexpr int kWindowWidth = 400;
// The notice appears once this many further failures have been counted.
constexpr int kITunesFailuresBeforeNotice = 60;

QString helpLink(const QString& page)
{
    return QStringLiteral("<a href=\"%1%2\">").arg(Constants::helpBaseUrl(), page) + QObject::tr("here")
           + QStringLiteral("</a>");
}

} // namespace

SyncUi::SyncUi(Environment environment, QWidget* parent)
    : QWidget(parent), mController(std::move(environment)),
      mQuestions(std::make_unique<SyncQuestions>(mController, this))
{
    TraceScope trace("SyncUi::SyncUi");
    // A child, so that tests can hold the start-up sequence back.
    mStartTimer = new QTimer(this);
    mStartTimer->setObjectName(QStringLiteral("startTimer"));
    mITunesStoppedBox = new QMessageBox(this);
    mITunesStoppedBox->setWindowTitle(Constants::applicationTitle());
    mITunesStoppedBox->setWindowModality(Qt::NonModal);

    setWindowTitle(Constants::applicationTitle());
    setMinimumWidth(kWindowWidth);
    setMaximumWidth(kWindowWidth);

    buildLayout();

    connect(mStatusLabel, &QLabel::linkActivated, this, &SyncUi::helpLinkClicked);
    connect(mDetailLabel, &QLabel::linkActivated, this, &SyncUi::helpLinkClicked);
    connect(mSyncButton, &QPushButton::clicked, this, &SyncUi::startSync);
    connect(mNewSyncButton, &QPushButton::clicked, this, qOverload<>(&SyncUi::changeSettings));
    connect(mHelpButton, &QPushButton::clicked, this, &SyncUi::onHelpClicked);
    LocalMusicLibrary* library = mController.library();
    connect(library, &LocalMusicLibrary::initialisationComplete, this, &SyncUi::iTunesStarted);
    connect(library, &LocalMusicLibrary::iTunesFailure, this, &SyncUi::iTunesFailure);
    connect(library, &LocalMusicLibrary::iTunesOkay, this, &SyncUi::iTunesOkay);
    // The library's scan shows below the status while no sync has the label.
    if (auto* folderLibrary = qobject_cast<MusicFolderLibrary*>(library))
        connect(folderLibrary, &MusicFolderLibrary::scanProgress, this, [this](int done, int total) {
            if (!musicSync() || !musicSync()->thread()->isRunning())
                mDetailLabel->setText(done < total ? MusicFolderLibrary::progressText(done, total) : QString());
        });
    connect(mStartTimer, &QTimer::timeout, this, &SyncUi::waitExpired);
    connect(autoRefresher(), &AutoRefresher::connectedDeviceStateChanged, this,
            qOverload<int, int>(&SyncUi::UpdateProgress));
    connect(autoRefresher(), &AutoRefresher::freeSpaceUpdate, mSpaceGauge, &SpaceGauge::update);
    connect(deviceList(), &DeviceList::unableToOpenDevice, this, &SyncUi::unableToOpenDevice);
    // The engine's reports, relayed by the controller on this thread; the
    // questions arrive while the engine's thread waits for the answer.
    connect(&mController, &SyncController::progress, this, qOverload<int, int>(&SyncUi::UpdateProgress));
    connect(&mController, &SyncController::trackProgress, this,
            qOverload<int, int, const QString&>(&SyncUi::UpdateProgress));
    connect(&mController, &SyncController::deleteQuestion, this, &SyncUi::ConfirmDeleteTracks);
    connect(&mController, &SyncController::drmTracksFound, this, &SyncUi::displayDrmTracksWarning);
    connect(&mController, &SyncController::notEnoughSpace, this, &SyncUi::notEnoughSpace);
    connect(&PodcastRamCache::instance(), &PodcastRamCache::updated, this, &SyncUi::podcastNamesUpdated);

    setProgressBusy();
    SetSyncingButtons();
    mStartTimer->setSingleShot(true);
    mStartTimer->start(kStartDelayMs);
}

SyncUi::~SyncUi()
{
    TraceScope trace("SyncUi::~SyncUi");
    // The engine reports to this window: it must be gone before the widgets.
    mController.retireEngine();
}

void SyncUi::buildLayout()
{
    TraceScope trace("SyncUi::buildLayout");
    auto* layout = new QVBoxLayout(this);

    mStatusLabel = new QLabel(tr("Please wait while Velmora is started"), this);
    mStatusLabel->setObjectName(QStringLiteral("statusLabel"));
    mStatusLabel->setAlignment(Qt::AlignHCenter);
    mStatusLabel->setWordWrap(true);
    mStatusLabel->setOpenExternalLinks(false);
    layout->addWidget(mStatusLabel);

    mDetailLabel = new QLabel(this);
    mDetailLabel->setObjectName(QStringLiteral("detailLabel"));
    mDetailLabel->setAlignment(Qt::AlignHCenter);
    mDetailLabel->setWordWrap(true);
    mDetailLabel->setOpenExternalLinks(true);
    layout->addWidget(mDetailLabel);
    mSummaryLabel = new QLabel(this);
    mSummaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    mSummaryLabel->setAlignment(Qt::AlignHCenter);
    mSummaryLabel->setWordWrap(true);
    layout->addWidget(mSummaryLabel);

    mProgressBar = new QProgressBar(this);
    mProgressBar->setObjectName(QStringLiteral("progressBar"));
    mProgressBar->setTextVisible(false);
    layout->addWidget(mProgressBar);

    mSpaceGauge = new SpaceGauge(false, this);
    mSpaceGauge->setObjectName(QStringLiteral("spaceGauge"));
    mSpaceGauge->disable();
    mSpaceGauge->hide();
    layout->addWidget(mSpaceGauge);

    auto* buttons = new QHBoxLayout;
    mSyncButton = new QPushButton(tr("Sync"), this);
    mSyncButton->setObjectName(QStringLiteral("syncButton"));
    mSyncButton->setToolTip(tr("Synchronize the connected phone with the choices saved for it"));
    mSyncButton->hide();
    buttons->addWidget(mSyncButton);
    mNewSyncButton = new QPushButton(tr("New Sync"), this);
    mNewSyncButton->setObjectName(QStringLiteral("newSyncButton"));
    mHelpButton = new QPushButton(tr("Help"), this);
    mHelpButton->setObjectName(QStringLiteral("helpButton"));
    buttons->addWidget(mNewSyncButton);
    buttons->addWidget(mHelpButton);
    layout->addLayout(buttons);

    mForceFullCheckBox = new QCheckBox(tr("Force full resynchronization"), this);
    mForceFullCheckBox->setObjectName(QStringLiteral("forceFullCheckBox"));
    mForceFullCheckBox->setEnabled(false);
    layout->addWidget(mForceFullCheckBox, 0, Qt::AlignCenter);
}

int SyncUi::warningKindForUploadError(int uploadError)
{
    return SyncQuestions::warningKindForUploadError(uploadError);
}

qint64 SyncUi::shortfallInMegabytes(qint64 bytes)
{
    return SyncQuestions::shortfallInMegabytes(bytes);
}

void SyncUi::setProgressIdle()
{
    TraceScope trace("SyncUi::setProgressIdle");
    mProgressBar->setRange(0, 100);
    mProgressBar->reset();
}

void SyncUi::setProgressBusy()
{
    TraceScope trace("SyncUi::setProgressBusy");
    mProgressBar->setMinimum(0);
    mProgressBar->setMaximum(0);
    mProgressBar->setValue(0);
}

void SyncUi::SetRegularButtons()
{
    TraceScope trace("SyncUi::SetRegularButtons");
    mNewSyncButton->setEnabled(true);
    const bool offered = SyncStatePresenter::offersSync(mState) && deviceList()->DeviceIsConnected();
    mSyncButton->setVisible(offered);
    mSyncButton->setEnabled(offered);
    mSyncButton->setDefault(offered);
    mHelpButton->setEnabled(true);
}

void SyncUi::SetSyncingButtons()
{
    TraceScope trace("SyncUi::SetSyncingButtons");
    mNewSyncButton->setEnabled(false);
    mSyncButton->setEnabled(false);
    mHelpButton->setEnabled(false);
}

void SyncUi::showWarningBox(const QString& title, const QString& text)
{
    TraceScope trace("SyncUi::showWarningBox");
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box.exec();
}

void SyncUi::waitExpired()
{
    TraceScope trace("SyncUi::waitExpired");
    // The window may take the foreground by itself; nothing to grant on Linux.
    setProgressBusy();
    mProgressBar->reset();
    mController.library()->markInitialised();
}

void SyncUi::iTunesStarted()
{
    TraceScope trace("SyncUi::iTunesStarted");
    UpdateProgress(StateStarting, 0);
    // To the front, without staying on top of other windows.
    show();
    raise();
    activateWindow();
    PodcastRamCache::instance().start();
}

void SyncUi::podcastNamesUpdated()
{
    TraceScope trace("SyncUi::podcastNamesUpdated");
    UpdateProgress(StateNoPhone, 0);
    mController.settings().reload();
    // A user with a phone set up came to sync it, not to be asked again.
    if (mController.settings().read([](const SyncSettings& settings) { return settings.hasAnyPhone(); })) {
        deviceList()->RefreshDevices();
        autoRefresher()->start();
        return;
    }
    traceMessage("Config not found - go to setup wizard");
    changeSettings(DeviceWizard::kModeFirstRun);
}

void SyncUi::changeSettings()
{
    TraceScope trace("SyncUi::changeSettings");
    changeSettings(DeviceWizard::kModeChangeSettings);
}

void SyncUi::changeSettings(int mode)
{
    TraceScope trace("SyncUi::changeSettings");
    traceValue("mode", mode);
    bool syncNow = false;
    {
        DeviceWizard wizard(mController.library(), deviceList(), this, mode);
        if (wizard.exec() == QDialog::Accepted)
            syncNow = wizard.syncNow();
    }
    autoRefresher()->stop();
    deviceList()->RefreshDevices();
    if (syncNow) {
        traceMessage("Sync now...");
        startSync();
    } else {
        autoRefresher()->start();
    }
}

void SyncUi::startSync()
{
    TraceScope trace("SyncUi::startSync");
    switch (mController.start(mForceFullCheckBox->isChecked())) {
    case SyncController::StartResult::NotMounted:
        showWarningBox(Constants::applicationTitle(),
                       tr("<p>It is necessary to enable the USB connection on your phone before "
                          "synchronizing. Click ")
                           + helpLink(QStringLiteral("/blog/files/enable_usb.html"))
                           + tr(" for instructions on how to do this.<p>"));
        // Keep watching the phone, so the window notices once the user has
        // switched its USB connection on.
        autoRefresher()->start();
        break;
    case SyncController::StartResult::NotConfigured:
        changeSettings(DeviceWizard::kModeNewPhone);
        break;
    case SyncController::StartResult::NoPhone:
    case SyncController::StartResult::Started:
        break;
    }
}

void SyncUi::UpdateProgress(int a_state, int a_percent_complete)
{
    TraceScope trace("SyncUi::UpdateProgress");
    traceValue("a_state", a_state);
    traceValue("a_percent_complete", a_percent_complete);

    if (mState < kFirstBusyState && mShutdownRequested) {
        traceMessage("Shutting down due to earlier shutdown request");
        close();
    }

    const int previousState = mState;
    const bool changed = a_state != mState;
    mState = a_state;

    // The wizard or the next refresh must not meet a phone the engine still uses.
    if (SyncStatePresenter::isEndOfRun(a_state))
        mController.waitForRunEnd();

    if (changed && SyncStatePresenter::tellsNotCopiedTracks(a_state))
        mQuestions->notCopiedTracks();

    if (a_state < StateNoPhone || a_state > StateConvertingVideo)
        return;
    QString readyDetail;
    if (a_state == StateReady)
        readyDetail =
            deviceList()->DeviceIsConnected() ? deviceList()->ConnectedDevice()->FriendlyName() : mDetailLabel->text();
    applyView(SyncStatePresenter::present(a_state, previousState, readyDetail), changed, a_percent_complete);
}

void SyncUi::UpdateProgress(int a_state, int a_percent_complete, const QString& aTrackName)
{
    TraceScope trace("SyncUi::UpdateProgress");
    traceValue("a_state", a_state);
    traceValue("a_percent_complete", a_percent_complete);
    traceValue("aTrackName", aTrackName);
    UpdateProgress(a_state, a_percent_complete);
    mDetailLabel->setText(aTrackName);
}

void SyncUi::applyPanel(SyncStateView::Panel panel)
{
    TraceScope trace("SyncUi::applyStateWidgets");
    switch (panel) {
    case SyncStateView::Panel::IdleGauge:
    case SyncStateView::Panel::PhoneGauge:
        if (panel == SyncStateView::Panel::IdleGauge)
            mSpaceGauge->disable();
        else
            mSpaceGauge->enable();
        mProgressBar->hide();
        mSpaceGauge->show();
        if (panel == SyncStateView::Panel::PhoneGauge)
            mForceFullCheckBox->setEnabled(true);
        break;
    case SyncStateView::Panel::ProgressBar:
        mForceFullCheckBox->setEnabled(false);
        mSpaceGauge->hide();
        mProgressBar->show();
        break;
    case SyncStateView::Panel::Unchanged:
        break;
    }
}

void SyncUi::applyView(const SyncStateView& view, bool changed, int percentComplete)
{
    applyPanel(view.panel);
    TraceScope trace("SyncUi::applyStateTexts");
    if (view.clearsSummary)
        mSummaryLabel->clear();
    switch (view.mode) {
    case SyncStateView::Mode::Idle:
        SetRegularButtons();
        setProgressIdle();
        // The phone is watched again once the state has changed.
        if (changed)
            autoRefresher()->start();
        break;
    case SyncStateView::Mode::Busy:
        SetSyncingButtons();
        setProgressBusy();
        break;
    case SyncStateView::Mode::Copying:
        SetSyncingButtons();
        mProgressBar->setRange(0, 100);
        mProgressBar->setValue(percentComplete);
        if (percentComplete == 0)
            mProgressBar->reset();
        break;
    case SyncStateView::Mode::OpenWizard:
        changeSettings(DeviceWizard::kModeNewPhone);
        return;
    case SyncStateView::Mode::Unchanged:
        return;
    }
    mStatusLabel->setText(view.status);
    mDetailLabel->setText(view.detail);
    if (view.endOfRun)
        showSummary();
    growToFitText();
    if (view.endOfRun)
        postSyncChecks();
}

void SyncUi::growToFitText()
{
    // Wrapped lines take more height than the window had, and a window does
    // not grow by itself: without this the gauge's figures are cut off.
    QLayout* box = layout();
    const int needed = box->hasHeightForWidth() ? box->totalHeightForWidth(width()) : box->totalSizeHint().height();
    if (needed > height())
        resize(width(), needed);
}

void SyncUi::showSummary()
{
    MusicSync* engine = musicSync();
    if (!engine)
        return;
    mSummaryLabel->setText(SyncReport(engine->outcome(), engine->notCopiedTrackNames()).summaryText());
}

void SyncUi::postSyncChecks()
{
    TraceScope trace("SyncUi::postSyncChecks");
    // What did not reach the phone and why, the import help and the eject
    // reminder: one box, never only the trace.
    const MusicSync* engine = musicSync();
    const QString endOfRun = engine ? EndOfRunText::html(engine->outcome()) : QString();
    const bool usbPhone = deviceList()->DeviceIsConnected()
                          && deviceList()->ConnectedDevice()->GetDeviceType() == Device::kTypeUsbMassStorage;
    if (usbPhone && mQuestions->usbEjectReminder(endOfRun))
        return;
    if (endOfRun.isEmpty())
        return;
    QMessageBox box(SyncReport(engine->outcome()).warningHtml().isEmpty() ? QMessageBox::Information
                                                                          : QMessageBox::Warning,
                    Constants::applicationTitle(), endOfRun, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("endOfRunBox"));
    box.exec();
}

void SyncUi::ConfirmDeleteTracks()
{
    mQuestions->confirmDeleteTracks();
}

void SyncUi::displayDrmTracksWarning()
{
    mQuestions->drmTracksFound();
}

void SyncUi::notEnoughSpace(qint64 aAdditionalSpaceRequired)
{
    mQuestions->notEnoughSpace(aAdditionalSpaceRequired);
}

void SyncUi::helpLinkClicked(const QString& aLink)
{
    TraceScope trace("SyncUi::helpLinkClicked");
    traceValue("aLink", aLink);
    if (aLink != Constants::helpLinkName())
        return;
    const QString product = Constants::applicationTitle();
    QMessageBox box(QMessageBox::Information, tr("iTunes Information"),
                    tr("iTunes must be running for ") + product
                        + tr(" to work correctly. It is important that iTunes is not closed while ") + product
                        + tr(" is running.\n\nIf iTunes is displaying any message boxes then please cancel them "
                             "before continuing."),
                    QMessageBox::Ok, this);
    box.exec();
}

void SyncUi::onHelpClicked()
{
    TraceScope trace("SyncUi::onHelpClicked");
    const QString address = Constants::helpBaseUrl() + QStringLiteral("/help/help.html");
    // Without a browser nothing would happen at all: the address lets the user open it elsewhere.
    if (!QDesktopServices::openUrl(QUrl(address)))
        QMessageBox::information(this, Constants::applicationTitle(),
                                 tr("No web browser could be opened. The help is at ") + address);
}

void SyncUi::iTunesFailure()
{
    TraceScope trace("SyncUi::iTunesFailure");
    if (mITunesFailureCount > kITunesFailuresBeforeNotice) {
        mITunesStoppedBox->setText(tr("iTunes has stopped responding. If iTunes is displaying any messages or "
                                      "dialog boxes then close them."));
        mITunesStoppedBox->show();
        mITunesFailureCount = 0;
    }
    ++mITunesFailureCount;
}

void SyncUi::iTunesOkay()
{
    TraceScope trace("SyncUi::iTunesOkay");
    mITunesFailureCount = 0;
    mITunesStoppedBox->hide();
}

void SyncUi::unableToOpenDevice()
{
    TraceScope trace("SyncUi::unableToOpenDevice");
    if (mUnableToOpenShown)
        return;
    mUnableToOpenShown = true;
    showWarningBox(tr("Unable to Connect to The Device"),
                   tr("It has not been possible to connect to the device. Try restarting the device and your PC "
                      "then try again."));
}

void SyncUi::closeEvent(QCloseEvent* event)
{
    TraceScope trace("SyncUi::closeEvent");
    mShutdownRequested = true;
    if (mState < kFirstBusyState) {
        traceMessage("App is not busy - exit now");
        event->accept();
    } else {
        traceMessage("App is busy - so don't shut down yet");
        UpdateProgress(StateCancelling, 0);
        event->ignore();
    }
    mController.cancel();
}
