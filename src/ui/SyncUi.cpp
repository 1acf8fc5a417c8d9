// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncUi.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "sync/AutoRefresher.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "devices/mtp/MtpPhoneSource.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
#include "model/LocalMusicLibrary.h"
#include "model/PodcastRamCache.h"
#include "settings/SyncSettings.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SpaceCalculator.h"
#include "sync/SyncState.h"
#include "ui/ConnectDevicePage.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/DeviceWizard.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncWarningDialog.h"
#include "ui/UsbEjectWarning.h"

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
// Poll interval while waiting for a sync thread that may still post to us.
constexpr unsigned long kThreadPollMs = 50;

QString helpLink(const QString& page)
{
    return QStringLiteral("<a href=\"%1%2\">").arg(Constants::helpBaseUrl(), page) + QObject::tr("here") +
           QStringLiteral("</a>");
}

bool isEndOfRun(int state)
{
    return state == StateComplete || state == StateCompleteWithErrors || state == StateNotConfigured ||
           state == StateSettingsError || state == StateCancelled;
}

} // namespace

SyncUi::Environment::Environment() : procRoot(QStringLiteral("/proc")), sysRoot(QStringLiteral("/sys")) {}

SyncUi::Environment::~Environment() = default;
SyncUi::Environment::Environment(Environment&&) noexcept = default;
SyncUi::Environment& SyncUi::Environment::operator=(Environment&&) noexcept = default;

// The real machine: phones over MTP through libmtp, USB drives from /proc and
// /sys. Tests build their own environment, so they never touch a USB bus.
static SyncUi::Environment machineEnvironment()
{
    SyncUi::Environment environment;
    environment.mtpSource = std::make_unique<PortableDevicePhoneSource>();
    return environment;
}

SyncUi::SyncUi(QWidget* parent) : SyncUi(machineEnvironment(), parent) {}

SyncUi::SyncUi(Environment environment, QWidget* parent) : QWidget(parent)
{
    TraceScope trace("SyncUi::SyncUi");
    // A child, so that tests can hold the start-up sequence back.
    mStartTimer = new QTimer(this);
    mStartTimer->setObjectName(QStringLiteral("startTimer"));
    mSettings = std::make_unique<SyncSettings>();
    mDeviceList = std::make_unique<DeviceList>(mSettings.get(), std::move(environment.mtpSource),
                                               environment.procRoot, environment.sysRoot);
    mLibrary = environment.library ? std::move(environment.library) : std::make_unique<LocalMusicLibrary>();
    mAutoRefresher = std::make_unique<AutoRefresher>(mLibrary.get(), mDeviceList.get());
    mITunesStoppedBox = new QMessageBox(this);
    mITunesStoppedBox->setWindowTitle(Constants::applicationTitle());
    mITunesStoppedBox->setWindowModality(Qt::NonModal);

    setWindowTitle(Constants::applicationTitle());
    setMinimumWidth(kWindowWidth);
    setMaximumWidth(kWindowWidth);
    mSettings->load();

    buildLayout();

    connect(mStatusLabel, &QLabel::linkActivated, this, &SyncUi::helpLinkClicked);
    connect(mDetailLabel, &QLabel::linkActivated, this, &SyncUi::helpLinkClicked);
    connect(mNewSyncButton, &QPushButton::clicked, this, qOverload<>(&SyncUi::changeSettings));
    connect(mHelpButton, &QPushButton::clicked, this, &SyncUi::onHelpClicked);
    connect(mLibrary.get(), &LocalMusicLibrary::initialisationComplete, this, &SyncUi::iTunesStarted);
    connect(mLibrary.get(), &LocalMusicLibrary::iTunesFailure, this, &SyncUi::iTunesFailure);
    connect(mLibrary.get(), &LocalMusicLibrary::iTunesOkay, this, &SyncUi::iTunesOkay);
    connect(mStartTimer, &QTimer::timeout, this, &SyncUi::waitExpired);
    connect(mAutoRefresher.get(), &AutoRefresher::connectedDeviceStateChanged, this,
            qOverload<int, int>(&SyncUi::UpdateProgress));
    connect(mAutoRefresher.get(), &AutoRefresher::freeSpaceUpdate, mSpaceGauge, &SpaceGauge::update);
    connect(mDeviceList.get(), &DeviceList::unableToOpenDevice, this, &SyncUi::unableToOpenDevice);
    connect(&PodcastRamCache::instance(), &PodcastRamCache::updated, this, &SyncUi::podcastNamesUpdated);

    setProgressBusy();
    SetSyncingButtons();
    mStartTimer->setSingleShot(true);
    mStartTimer->start(kStartDelayMs);
}

SyncUi::~SyncUi()
{
    TraceScope trace("SyncUi::~SyncUi");
    // The engine borrows the device list and the library: it must be gone first.
    retireMusicSync();
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
    TraceScope trace("SyncUi::warningKindForUploadError");
    traceValue("uploadError", uploadError);
    switch (uploadError) {
    case PhoneResult::NoSpace:
        return SyncWarningDialog::kKindNoSpace;
    case PhoneResult::FolderNotCreated:
        return SyncWarningDialog::kKindFolderNotCreated;
    case PhoneResult::CopyFailed:
    default:
        return SyncWarningDialog::kKindCopyFailed;
    }
}

qint64 SyncUi::shortfallInMegabytes(qint64 bytes)
{
    TraceScope trace("SyncUi::shortfallInMegabytes");
    // Integer division truncates toward zero, as the message wants.
    return bytes / 1024 / 1024;
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
    mHelpButton->setEnabled(true);
}

void SyncUi::SetSyncingButtons()
{
    TraceScope trace("SyncUi::SetSyncingButtons");
    mNewSyncButton->setEnabled(false);
    mHelpButton->setEnabled(false);
}

QString SyncUi::connectedDeviceId() const
{
    TraceScope trace("SyncUi::connectedDeviceId");
    if (!mDeviceList->DeviceIsConnected())
        return QString();
    Device* device = mDeviceList->ConnectedDevice();
    return device ? device->UniqueDeviceId() : QString();
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
    mLibrary->markInitialised();
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
    mSettings->load();
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
        DeviceWizard wizard(mLibrary.get(), mDeviceList.get(), this, mode);
        if (wizard.exec() == QDialog::Accepted)
            syncNow = wizard.syncNow();
    }
    mAutoRefresher->stop();
    mDeviceList->RefreshDevices();
    if (syncNow) {
        traceMessage("Sync now...");
        startSync();
    } else {
        mAutoRefresher->start();
    }
}

void SyncUi::startSync()
{
    TraceScope trace("SyncUi::startSync");
    mAutoRefresher->stop();
    if (mDeviceList->DeviceIsConnected()) {
        traceMessage("Device is connected");
        if (!mDeviceList->ConnectedDevice()->IsMounted()) {
            traceMessage("Device is not mounted");
            showWarningBox(Constants::applicationTitle(),
                           tr("<p>It is necessary to enable the USB connection on your phone before "
                              "synchronizing. Click ") +
                               helpLink(QStringLiteral("/blog/files/enable_usb.html")) +
                               tr(" for instructions on how to do this.<p>"));
            // Keep watching the phone, so the window notices once the user has
            // switched its USB connection on.
            mAutoRefresher->start();
            return;
        }
    }

    mDeviceList->RefreshDevices();
    if (mDeviceList->DeviceIsConnected()) {
        traceMessage("Device is connected");
        spaceCheck(*mDeviceList->ConnectedDevice());
    }

    retireMusicSync();

    mDeviceList->RefreshDevices();
    if (!mDeviceList->DeviceIsConnected()) {
        traceMessage("Device not connected - unexpected");
        return;
    }
    traceMessage("Device is connected");
    Device* device = mDeviceList->ConnectedDevice();
    if (!device->IsConfigured()) {
        traceMessage("Device is not configured");
        changeSettings(DeviceWizard::kModeNewPhone);
        return;
    }

    mMusicSync = std::make_unique<MusicSync>(mLibrary.get(), device, mDeviceList->ParentOf(device));
    MusicSync* engine = mMusicSync.get();
    connect(engine, qOverload<int, int>(&MusicSync::ProgressUpdate), this,
            qOverload<int, int>(&SyncUi::UpdateProgress), Qt::QueuedConnection);
    connect(engine, qOverload<int, int, QString>(&MusicSync::ProgressUpdate), this,
            qOverload<int, int, QString>(&SyncUi::UpdateProgress), Qt::QueuedConnection);
    connect(engine, &MusicSync::ConfirmDeleteTracks, this, &SyncUi::ConfirmDeleteTracks,
            Qt::BlockingQueuedConnection);
    connect(engine, &MusicSync::DrmTracksFound, this, &SyncUi::displayDrmTracksWarning,
            Qt::BlockingQueuedConnection);
    connect(engine, &MusicSync::notEnoughSpace, this, &SyncUi::notEnoughSpace, Qt::BlockingQueuedConnection);
    // Arrives after every progress report of the run, so the window can tell
    // a run that ended without an end state.
    connect(engine->thread(), &QThread::finished, this, &SyncUi::syncThreadFinished, Qt::QueuedConnection);
    engine->StartInNewThread(mForceFullCheckBox->isChecked());
}

void SyncUi::retireMusicSync()
{
    TraceScope trace("SyncUi::retireMusicSync");
    if (!mMusicSync)
        return;
    mMusicSync->Cancel();
    disconnect(mMusicSync.get(), nullptr, this, nullptr);
    // A worker blocked on one of its questions waits for an event that this
    // window will never handle now: dropping the event releases the worker.
    while (!mMusicSync->thread()->wait(kThreadPollMs))
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    mMusicSync.reset();
}

void SyncUi::syncThreadFinished()
{
    TraceScope trace("SyncUi::syncThreadFinished");
    traceValue("mState", mState);
    if (mState >= kFirstBusyState) {
        traceMessage("Sync ended without a final state");
        UpdateProgress(StateCompleteWithErrors, 0);
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

    // The engine reports its end state as one of its last acts; it may still
    // be using the phone, which the device list would delete at its next
    // refresh or the wizard would open.
    if (isEndOfRun(a_state) && mMusicSync && mMusicSync->thread()->isRunning()) {
        traceMessage("Waiting for the sync thread to end");
        mMusicSync->thread()->wait();
    }

    if (changed && (a_state == StateComplete || a_state == StateCancelled))
        showNotCopiedWarning();

    if (a_state < StateNoPhone || a_state > StateConvertingVideo)
        return;
    applyStateWidgets(a_state);
    applyStateTexts(a_state, previousState, changed, a_percent_complete);
}

void SyncUi::UpdateProgress(int a_state, int a_percent_complete, QString aTrackName)
{
    TraceScope trace("SyncUi::UpdateProgress");
    traceValue("a_state", a_state);
    traceValue("a_percent_complete", a_percent_complete);
    traceValue("aTrackName", aTrackName);
    UpdateProgress(a_state, a_percent_complete);
    mDetailLabel->setText(aTrackName);
}

void SyncUi::showNotCopiedWarning()
{
    TraceScope trace("SyncUi::showNotCopiedWarning");
    if (!mMusicSync || mMusicSync->GetNonCopiedTracks().isEmpty())
        return;
    const int kind = warningKindForUploadError(mMusicSync->outcome().lastUploadError);
    const QString id = connectedDeviceId();
    mSettings->load();
    if (mSettings->skipNotCopiedWarning(id))
        return;
    SyncWarningDialog dialog(this, mMusicSync->GetNonCopiedTracks(), kind);
    dialog.exec();
    if (dialog.dontShowAgain()) {
        // Read again: the sync may have changed the file meanwhile.
        mSettings->load();
        mSettings->setSkipNotCopiedWarning(id);
        mSettings->save();
    }
}

void SyncUi::applyStateWidgets(int state)
{
    TraceScope trace("SyncUi::applyStateWidgets");
    switch (state) {
    case StateNoPhone:
    case StateSettingsError:
        mSpaceGauge->disable();
        mProgressBar->hide();
        mSpaceGauge->show();
        break;
    case StateReady:
    case StateComplete:
    case StateCompleteWithErrors:
    case StateNotConfigured:
    case StateCancelled:
        mSpaceGauge->enable();
        mProgressBar->hide();
        mSpaceGauge->show();
        mForceFullCheckBox->setEnabled(true);
        break;
    case StateUnused:
        break;
    default:
        mForceFullCheckBox->setEnabled(false);
        mSpaceGauge->hide();
        mProgressBar->show();
        break;
    }
}

void SyncUi::applyStateTexts(int state, int previousState, bool changed, int percentComplete)
{
    TraceScope trace("SyncUi::applyStateTexts");
    // The idle states: regular buttons, an empty bar, and the refresher
    // watching the phone again once the state has changed.
    auto showIdle = [&](const QString& status, const QString& detail) {
        SetRegularButtons();
        mStatusLabel->setText(status);
        mDetailLabel->setText(detail);
        setProgressIdle();
        if (changed)
            mAutoRefresher->start();
    };
    auto showBusy = [&](const QString& status, const QString& detail) {
        SetSyncingButtons();
        mStatusLabel->setText(status);
        mDetailLabel->setText(detail);
        setProgressBusy();
    };

    switch (state) {
    case StateNoPhone:
        mState = StateNoPhone;
        showIdle(tr("Connect your phone to the PC"),
                 tr("If your phone is already connected then click Help"));
        break;
    case StateReady: {
        // The result of a finished run stays on screen until the phone
        // changes. After a closed wizard (states 4 and 5 show nothing of
        // their own) the window must come back, or its buttons stay disabled.
        if (previousState == StateComplete || previousState == StateCompleteWithErrors ||
            previousState == StateCancelled || previousState >= kFirstBusyState)
            break;
        QString detail = mDetailLabel->text();
        if (mDeviceList->DeviceIsConnected())
            detail = mDeviceList->ConnectedDevice()->FriendlyName();
        showIdle(tr("A phone is connected and is ready to be synchronized"), detail);
        break;
    }
    case StateComplete:
        showIdle(tr("Phone synchronization is complete"), QString());
        postSyncChecks();
        break;
    case StateCompleteWithErrors:
        showIdle(tr("Phone synchronization is complete"), tr("Errors detected"));
        postSyncChecks();
        break;
    case StateNotConfigured:
    case StateSettingsError:
        changeSettings(DeviceWizard::kModeNewPhone);
        break;
    case StateCancelled:
        showIdle(tr("Phone synchronization was cancelled"), QString());
        break;
    case StateUnused:
        break;
    case StateStarting:
        showBusy(tr("Starting Velmora"), tr("Please Wait"));
        break;
    case StatePreparing:
        showBusy(tr("Preparing to synchronize"), QString());
        break;
    case StatePreparingDelete:
        showBusy(tr("Preparing to delete tracks"), QString());
        break;
    case StateAlbumArt:
        showBusy(tr("Checking for album art"), QString());
        break;
    case StateDeleting:
        showBusy(tr("Deleting tracks from the phone"), QString());
        break;
    case StateCopying:
        SetSyncingButtons();
        mStatusLabel->setText(tr("Copying tracks to the phone"));
        mDetailLabel->setText(QString());
        mProgressBar->setRange(0, 100);
        mProgressBar->setValue(percentComplete);
        if (percentComplete == 0)
            mProgressBar->reset();
        break;
    case StateCancelling:
        showBusy(tr("Cancelling"), tr("Please Wait"));
        break;
    case StatePlaylists:
        showBusy(tr("Updating playlists"), QString());
        break;
    case StatePhotos:
        showBusy(tr("Copying photos to the phone"), QString());
        break;
    case StateConvertingVideo:
        showBusy(tr("Converting video"), QString());
        break;
    default:
        break;
    }
}

void SyncUi::postSyncChecks()
{
    TraceScope trace("SyncUi::postSyncChecks");
    if (mMusicSync && mMusicSync->outcome().dataTransferFailed()) {
        showWarningBox(
            Constants::applicationTitle(),
            tr("<p>It has not been possible to transfer data from the selected backup. If the backup "
               "is encrypted then please create a non-encrypted backup using iTunes.</p>"));
    } else if (mMusicSync && mMusicSync->outcome().dataTransfer.firstFailure() == 0
               && !(mMusicSync->outcome().dataTransfer.contactsVcard.path.isEmpty()
                    && mMusicSync->outcome().dataTransfer.smsBackup.path.isEmpty()
                    && mMusicSync->outcome().dataTransfer.calendarIcs.path.isEmpty())) {
        // Where the standard files went; shown without waiting, so the checks below go on.
        auto* box = new QMessageBox(QMessageBox::Information, Constants::applicationTitle(),
                                    tr("<p>Your contacts, messages and calendar are also in the phone's "
                                       "<b>%1</b> folder, for the phone's own apps.</p>")
                                            .arg(Constants::phoneStandardFilesFolder())
                                        + ConnectDevicePage::importInstructions(),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("standardFilesBox"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    if (!mDeviceList->DeviceIsConnected())
        return;
    Device* device = mDeviceList->ConnectedDevice();
    if (device->GetDeviceType() != Device::kTypeUsbMassStorage)
        return;
    // Only the id is kept: the device list may rebuild its devices while the
    // reminder is open.
    const QString id = device->UniqueDeviceId();
    mSettings->load();
    if (mSettings->skipUsbEjectWarning(id))
        return;
    UsbEjectWarning reminder;
    if (reminder.exec() == 1) {
        mSettings->load();
        mSettings->setSkipUsbEjectWarning(id);
        mSettings->save();
    }
}

void SyncUi::ConfirmDeleteTracks()
{
    TraceScope trace("SyncUi::ConfirmDeleteTracks");
    if (!mMusicSync)
        return;
    const QString id = connectedDeviceId();
    mSettings->load();
    if (mSettings->deleteWithoutWarning(id)) {
        traceMessage("Skipping warning");
        mMusicSync->answerDeleteQuestion(true);
        return;
    }
    traceMessage("Displaying warning");
    DeleteTracksConfirm dialog(mMusicSync->TracksToDelete());
    const int answer = dialog.exec();
    traceValue("answer", answer);
    if (answer == DeleteTracksConfirm::kYes || answer == DeleteTracksConfirm::kYesAlways)
        mMusicSync->answerDeleteQuestion(true);
    if (answer == DeleteTracksConfirm::kYesAlways) {
        mSettings->load();
        mSettings->setDeleteWithoutWarning(id);
        mSettings->save();
    }
}

void SyncUi::displayDrmTracksWarning()
{
    TraceScope trace("SyncUi::displayDrmTracksWarning");
    if (!mMusicSync)
        return;
    const QString id = connectedDeviceId();
    mSettings->load();
    if (mSettings->skipDrmWarning(id))
        return;
    traceMessage("Displaying warning");
    SyncWarningDialog dialog(this, mMusicSync->GetDrmTracks(), SyncWarningDialog::kKindDrm);
    dialog.exec();
    if (dialog.dontShowAgain()) {
        mSettings->load();
        mSettings->setSkipDrmWarning(id);
        mSettings->save();
    }
}

void SyncUi::notEnoughSpace(qint64 aAdditionalSpaceRequired)
{
    TraceScope trace("SyncUi::notEnoughSpace");
    traceValue("aAdditionalSpaceRequired", QString::number(aAdditionalSpaceRequired));
    const qint64 megabytes = shortfallInMegabytes(aAdditionalSpaceRequired);
    QMessageBox box(
        QMessageBox::Warning, tr("Not Enough Space"),
        tr("You do not have enough space on your phone to complete the synchronization.  You need to "
           "free up %1 MB. Do you want to continue with the sync anyway? Note that if you do this then "
           "some tracks will not be copied.")
            .arg(megabytes),
        QMessageBox::NoButton, this);
    QPushButton* dontSync = box.addButton(tr("Don't Sync"), QMessageBox::RejectRole);
    box.addButton(tr("Sync Anyway"), QMessageBox::AcceptRole);
    box.exec();
    // Escape and the close button count as the reject role's button.
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked || clicked == dontSync) {
        traceMessage("Don't Sync");
        if (mMusicSync)
            mMusicSync->Cancel();
    }
}

void SyncUi::helpLinkClicked(QString aLink)
{
    TraceScope trace("SyncUi::helpLinkClicked");
    traceValue("aLink", aLink);
    if (aLink != Constants::helpLinkName())
        return;
    const QString product = Constants::applicationTitle();
    QMessageBox box(
        QMessageBox::Information, tr("iTunes Information"),
        tr("iTunes must be running for ") + product +
            tr(" to work correctly. It is important that iTunes is not closed while ") + product +
            tr(" is running.\n\nIf iTunes is displaying any message boxes then please cancel them "
               "before continuing."),
        QMessageBox::Ok, this);
    box.exec();
}

void SyncUi::onHelpClicked()
{
    TraceScope trace("SyncUi::onHelpClicked");
    QDesktopServices::openUrl(QUrl(Constants::helpBaseUrl() + QStringLiteral("/help/help.html")));
}

void SyncUi::iTunesFailure()
{
    TraceScope trace("SyncUi::iTunesFailure");
    if (mITunesFailureCount > kITunesFailuresBeforeNotice) {
        mITunesStoppedBox->setText(
            tr("iTunes has stopped responding. If iTunes is displaying any messages or "
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
    showWarningBox(
        tr("Unable to Connect to The Device"),
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
    if (mMusicSync)
        mMusicSync->Cancel();
}
