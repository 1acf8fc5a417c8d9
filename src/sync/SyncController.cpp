// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SyncController.h"

#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "devices/mtp/MtpPhoneSource.h"
#include "model/LocalMusicLibrary.h"
#include "settings/SettingsStore.h"
#include "sync/AutoRefresher.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SpaceCalculator.h"
#include "sync/SyncState.h"

#include <QCoreApplication>

using namespace SyncState;

namespace {
// Poll interval while waiting for a sync thread that may still post to us.
constexpr unsigned long kThreadPollMs = 50;
} // namespace

SyncController::Environment::Environment() : procRoot(QStringLiteral("/proc")), sysRoot(QStringLiteral("/sys")) {}

SyncController::Environment::~Environment() = default;
SyncController::Environment::Environment(Environment&&) noexcept = default;
SyncController::Environment& SyncController::Environment::operator=(Environment&&) noexcept = default;

SyncController::SyncController(Environment environment, QObject* parent)
    : QObject(parent), mOwnSettings(environment.settings ? nullptr : std::make_unique<SettingsStore>()),
      mSettings(environment.settings ? environment.settings : mOwnSettings.get()),
      mDeviceList(std::make_unique<DeviceList>(mSettings, std::move(environment.mtpSource), environment.procRoot,
                                               environment.sysRoot)),
      mLibrary(environment.library ? std::move(environment.library) : std::make_unique<LocalMusicLibrary>()),
      mAutoRefresher(std::make_unique<AutoRefresher>(mLibrary.get(), mDeviceList.get()))
{
    TraceScope trace("SyncController::SyncController");
    if (!environment.settings)
        mSettings->reload();
}

SyncController::~SyncController()
{
    TraceScope trace("SyncController::~SyncController");
    retireEngine();
}

SyncController::StartResult SyncController::start(bool forceFullResync)
{
    TraceScope trace("SyncController::start");
    mAutoRefresher->stop();
    if (mDeviceList->DeviceIsConnected() && !mDeviceList->ConnectedDevice()->IsMounted()) {
        traceMessage("Device is not mounted");
        return StartResult::NotMounted;
    }

    mDeviceList->RefreshDevices();
    if (mDeviceList->DeviceIsConnected())
        spaceCheck(*mDeviceList->ConnectedDevice());

    retireEngine();

    // The one reading of the settings file for this run: the plan the engine
    // takes from here is what it does, whatever is edited meanwhile.
    mSettings->reload();
    mDeviceList->RefreshDevices();
    if (!mDeviceList->DeviceIsConnected()) {
        traceMessage("Device not connected - unexpected");
        return StartResult::NoPhone;
    }
    Device* device = mDeviceList->ConnectedDevice();
    if (!device->IsConfigured(*mSettings)) {
        traceMessage("Device is not configured");
        return StartResult::NotConfigured;
    }

    mMusicSync = std::make_unique<MusicSync>(mLibrary.get(), mDeviceList->handleOf(device));
    mMusicSync->useSettings(mSettings);
    MusicSync* engine = mMusicSync.get();
    mEngineState = StateStarting;
    connect(engine, qOverload<int, int>(&MusicSync::ProgressUpdate), this, &SyncController::engineProgress,
            Qt::QueuedConnection);
    connect(
        engine, qOverload<int, int, QString>(&MusicSync::ProgressUpdate), this,
        [this](int state, int percent, const QString& name) {
            mEngineState = state;
            emit trackProgress(state, percent, name);
        },
        Qt::QueuedConnection);
    connect(engine, &MusicSync::ConfirmDeleteTracks, this, &SyncController::deleteQuestion,
            Qt::BlockingQueuedConnection);
    connect(engine, &MusicSync::DrmTracksFound, this, &SyncController::drmTracksFound, Qt::BlockingQueuedConnection);
    connect(engine, &MusicSync::notEnoughSpace, this, &SyncController::notEnoughSpace, Qt::BlockingQueuedConnection);
    // Arrives after every progress report of the run, so a run that ended
    // without an end state can be told.
    connect(engine->thread(), &QThread::finished, this, &SyncController::engineFinished, Qt::QueuedConnection);
    engine->StartInNewThread(forceFullResync);
    return StartResult::Started;
}

void SyncController::engineProgress(int state, int percentComplete)
{
    mEngineState = state;
    emit progress(state, percentComplete);
}

void SyncController::engineFinished()
{
    TraceScope trace("SyncController::engineFinished");
    traceValue("mEngineState", mEngineState);
    if (mEngineState >= kFirstBusyState) {
        traceMessage("Sync ended without a final state");
        mEngineState = StateCompleteWithErrors;
        emit progress(StateCompleteWithErrors, 0);
    }
}

void SyncController::cancel()
{
    TraceScope trace("SyncController::cancel");
    if (mMusicSync)
        mMusicSync->Cancel();
}

void SyncController::waitForRunEnd()
{
    if (mMusicSync && mMusicSync->thread()->isRunning()) {
        traceMessage("Waiting for the sync thread to end");
        mMusicSync->thread()->wait();
    }
}

void SyncController::retireEngine()
{
    TraceScope trace("SyncController::retireEngine");
    if (!mMusicSync)
        return;
    mMusicSync->Cancel();
    disconnect(mMusicSync.get(), nullptr, this, nullptr);
    disconnect(mMusicSync->thread(), nullptr, this, nullptr);
    // A worker blocked on one of its questions waits for an event that will
    // never be handled now: dropping the event releases the worker.
    while (!mMusicSync->thread()->wait(kThreadPollMs))
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    mMusicSync.reset();
    mEngineState = -1;
}

QString SyncController::connectedDeviceId() const
{
    if (!mDeviceList->DeviceIsConnected())
        return QString();
    Device* device = mDeviceList->ConnectedDevice();
    return device ? device->UniqueDeviceId() : QString();
}

bool SyncController::asks(PhoneQuestion question, const QString& deviceId)
{
    return mSettings->read([question, &deviceId](const SyncSettings& settings) {
        switch (question) {
        case PhoneQuestion::DeleteTracks:
            return !settings.deleteWithoutWarning(deviceId);
        case PhoneQuestion::DrmTracks:
            return !settings.skipDrmWarning(deviceId);
        case PhoneQuestion::NotCopiedTracks:
            return !settings.skipNotCopiedWarning(deviceId);
        case PhoneQuestion::UsbEject:
            return !settings.skipUsbEjectWarning(deviceId);
        }
        return true;
    });
}

void SyncController::stopAsking(PhoneQuestion question, const QString& deviceId)
{
    mSettings->change([question, &deviceId](SyncSettings& settings) {
        switch (question) {
        case PhoneQuestion::DeleteTracks:
            settings.setDeleteWithoutWarning(deviceId);
            break;
        case PhoneQuestion::DrmTracks:
            settings.setSkipDrmWarning(deviceId);
            break;
        case PhoneQuestion::NotCopiedTracks:
            settings.setSkipNotCopiedWarning(deviceId);
            break;
        case PhoneQuestion::UsbEject:
            settings.setSkipUsbEjectWarning(deviceId);
            break;
        }
    });
}
