// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncUi.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "model/LocalMusicLibrary.h"
#include "model/PodcastRamCache.h"
#include "model/library/MusicFolderLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/AutoRefresher.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SyncReport.h"
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

QString helpLink(const QString& page)
{
    return QStringLiteral("<a href=\"%1%2\">").arg(Constants::helpBaseUrl(), page) + QObject::tr("here")
           + QStringLiteral("</a>");
}

bool isEndOfRun(int state)
{
    return state == StateComplete || state == StateCompleteWithErrors || state == StateNotConfigured
           || state == StateSettingsError || state == StateCancelled;
}

} // namespace

SyncUi::SyncUi(Environment environment, QWidget* parent) : QWidget(parent), mController(std::move(environment))
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
    connect(&mController, &SyncController::trackProgress, this, qOverload<int, int, QString>(&SyncUi::UpdateProgress));
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

template <typename Ask> bool SyncUi::askPerPhone(SyncController::PhoneQuestion question, Ask ask)
{
    const QString id = mController.connectedDeviceId();
    if (!mController.asks(question, id))
        return false;
    if (ask())
        mController.stopAsking(question, id);
    return true;
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
    mController.settings().load();
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
    if (isEndOfRun(a_state))
        mController.waitForRunEnd();

    // A run with photos missing ends with errors; its tracks not copied are still told.
    if (changed && (a_state == StateComplete || a_state == StateCompleteWithErrors || a_state == StateCancelled))
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
    MusicSync* engine = musicSync();
    if (!engine || engine->GetNonCopiedTracks().isEmpty())
        return;
    const int kind = warningKindForUploadError(engine->outcome().lastUploadError);
    askPerPhone(SyncController::PhoneQuestion::NotCopiedTracks, [&] {
        SyncWarningDialog dialog(this, engine->GetNonCopiedTracks(), kind);
        dialog.exec();
        return dialog.dontShowAgain();
    });
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
            autoRefresher()->start();
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
        showIdle(tr("Connect your phone to the PC"), tr("If your phone is already connected then click Help"));
        break;
    case StateReady: {
        // The result of a finished run stays on screen until the phone
        // changes. After a closed wizard (states 4 and 5 show nothing of
        // their own) the window must come back, or its buttons stay disabled.
        if (previousState == StateComplete || previousState == StateCompleteWithErrors
            || previousState == StateCancelled || previousState >= kFirstBusyState)
            break;
        QString detail = mDetailLabel->text();
        if (deviceList()->DeviceIsConnected())
            detail = deviceList()->ConnectedDevice()->FriendlyName();
        showIdle(tr("A phone is connected and is ready to be synchronized"), detail);
        break;
    }
    case StateComplete:
        showIdle(tr("Phone synchronization is complete"), QString());
        showSummary();
        postSyncChecks();
        break;
    case StateCompleteWithErrors:
        showIdle(tr("Phone synchronization is complete"), tr("Errors detected"));
        showSummary();
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
        mSummaryLabel->clear();
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

void SyncUi::showSummary()
{
    MusicSync* engine = musicSync();
    if (!engine)
        return;
    QStringList failedTracks;
    for (const Track& track : engine->GetNonCopiedTracks())
        failedTracks.append(track.trackName());
    mSummaryLabel->setText(SyncReport(engine->outcome(), failedTracks).summaryText());
}

void SyncUi::postSyncChecks()
{
    TraceScope trace("SyncUi::postSyncChecks");
    // What did not reach the phone, and why: never only in the trace.
    const MusicSync* engine = musicSync();
    if (engine) {
        const QString notCopied = SyncReport(engine->outcome()).warningHtml();
        if (!notCopied.isEmpty())
            showWarningBox(Constants::applicationTitle(), notCopied);
    }
    const BackupConversionResult* transfer = engine ? &engine->outcome().dataTransfer : nullptr;
    if (transfer && engine->outcome().dataTransferFailed()) {
        showWarningBox(Constants::applicationTitle(),
                       tr("<p>It has not been possible to transfer data from the selected backup. If the backup "
                          "is encrypted then please create a non-encrypted backup using iTunes.</p>"));
    } else if (transfer && transfer->firstFailure() == 0
               && !(transfer->contactsVcard.path.isEmpty() && transfer->smsBackup.path.isEmpty()
                    && transfer->calendarIcs.path.isEmpty() && transfer->callLog.path.isEmpty()
                    && transfer->notes.path.isEmpty() && transfer->bookmarks.path.isEmpty())) {
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
    if (!deviceList()->DeviceIsConnected()
        || deviceList()->ConnectedDevice()->GetDeviceType() != Device::kTypeUsbMassStorage)
        return;
    askPerPhone(SyncController::PhoneQuestion::UsbEject, [] {
        UsbEjectWarning reminder;
        return reminder.exec() == 1;
    });
}

void SyncUi::ConfirmDeleteTracks()
{
    TraceScope trace("SyncUi::ConfirmDeleteTracks");
    MusicSync* engine = musicSync();
    if (!engine)
        return;
    const bool asked = askPerPhone(SyncController::PhoneQuestion::DeleteTracks, [&] {
        traceMessage("Displaying warning");
        DeleteTracksConfirm dialog(engine->TracksToDelete());
        const int answer = dialog.exec();
        traceValue("answer", answer);
        if (answer == DeleteTracksConfirm::kYes || answer == DeleteTracksConfirm::kYesAlways)
            engine->answerDeleteQuestion(true);
        return answer == DeleteTracksConfirm::kYesAlways;
    });
    if (!asked) {
        traceMessage("Skipping warning");
        engine->answerDeleteQuestion(true);
    }
}

void SyncUi::displayDrmTracksWarning()
{
    TraceScope trace("SyncUi::displayDrmTracksWarning");
    MusicSync* engine = musicSync();
    if (!engine)
        return;
    askPerPhone(SyncController::PhoneQuestion::DrmTracks, [&] {
        traceMessage("Displaying warning");
        SyncWarningDialog dialog(this, engine->GetDrmTracks(), SyncWarningDialog::kKindDrm);
        dialog.exec();
        return dialog.dontShowAgain();
    });
}

void SyncUi::notEnoughSpace(qint64 aAdditionalSpaceRequired)
{
    TraceScope trace("SyncUi::notEnoughSpace");
    traceValue("aAdditionalSpaceRequired", QString::number(aAdditionalSpaceRequired));
    const qint64 megabytes = shortfallInMegabytes(aAdditionalSpaceRequired);
    QMessageBox box(QMessageBox::Warning, tr("Not Enough Space"),
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
        mController.cancel();
    }
}

void SyncUi::helpLinkClicked(QString aLink)
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
