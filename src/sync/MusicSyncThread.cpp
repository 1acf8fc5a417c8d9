// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/MusicSyncThread.h"

#include "app/ExceptionReport.h"
#include "app/TraceLog.h"
#include "sync/MusicSync.h"
#include "sync/SleepInhibitor.h"
#include "sync/SyncState.h"

#include <csignal>

MusicSyncThread::MusicSyncThread(MusicSync* engine)
    : mEngine(engine)
{
}

void MusicSyncThread::run()
{
    TraceScope trace("MusicSyncThread::run");
    // Held for the whole run, whatever way the run ends.
    SleepInhibitor keepAwake;
    // The guarded region puts in a signal stack of its own and leaves it in
    // place; the thread gets back the one it had (the sanitizers' runtime
    // frees that one when the thread ends and must find its own there).
    stack_t threadStack = {};
    const bool haveThreadStack = sigaltstack(nullptr, &threadStack) == 0;
    const bool completed = ExceptionReporter::instance().runGuarded([this] { mEngine->Start(); });
    if (haveThreadStack)
        sigaltstack(&threadStack, nullptr);
    if (!completed)
        mEngine->ChangeState(SyncState::StateCompleteWithErrors);
}
