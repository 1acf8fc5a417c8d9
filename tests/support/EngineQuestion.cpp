// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/EngineQuestion.h"

#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SyncController.h"

#include "support/SyncTestLibrary.h"

#include <QSemaphore>

#include <memory>

bool waitUntilEngineAsksAboutSpace(MusicSync& engine, SyncController& controller, SyncTestLibrary& library,
                                   int timeoutMs)
{
    // Slots run in the order they were connected and the controller's blocks,
    // so the marker goes in front of it: the controller's connection is made
    // again behind it, as the controller makes it.
    auto asked = std::make_shared<QSemaphore>();
    QObject::disconnect(&engine, &MusicSync::notEnoughSpace, &controller, &SyncController::notEnoughSpace);
    QObject::connect(
        &engine, &MusicSync::notEnoughSpace, &engine, [asked](qint64) { asked->release(); }, Qt::DirectConnection);
    QObject::connect(&engine, &MusicSync::notEnoughSpace, &controller, &SyncController::notEnoughSpace,
                     Qt::BlockingQueuedConnection);
    library.openScanning();
    if (!asked->tryAcquire(1, timeoutMs))
        return false;
    // The marker runs just before the question is posted: the thread must
    // still be there, waiting, a moment later.
    constexpr unsigned long kSettleMs = 50;
    return !engine.thread()->wait(kSettleMs);
}
