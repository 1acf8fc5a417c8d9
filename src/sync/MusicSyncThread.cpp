// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/MusicSyncThread.h"

#include "app/ExceptionReport.h"
#include "app/TraceLog.h"
#include "sync/MusicSync.h"
#include "sync/SleepInhibitor.h"
#include "sync/SyncState.h"

MusicSyncThread::MusicSyncThread(MusicSync* engine) : mEngine(engine) {}

void MusicSyncThread::run()
{
    TraceScope trace("MusicSyncThread::run");
    // Held for the whole run, whatever way the run ends.
    SleepInhibitor keepAwake;
    const bool completed = ExceptionReporter::instance().runGuarded([this] { mEngine->Start(); });
    if (!completed)
        mEngine->ChangeState(SyncState::StateCompleteWithErrors);
}
