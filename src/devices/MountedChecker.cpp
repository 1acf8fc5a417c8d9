// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/MountedChecker.h"

#include "app/TraceLog.h"
#include "devices/DeviceList.h"
#include "devices/DiskSpace.h"

MountedChecker::MountedChecker(QObject* parent) : QObject(parent)
{
    TraceScope trace("MountedChecker::MountedChecker");
}

void MountedChecker::startMountedCheck(QString aRootPath)
{
    TraceScope trace("MountedChecker::startMountedCheck");
    traceValue("aRootPath", aRootPath);
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
    const int state = queryDiskSpace(aRootPath, freeBytes, totalBytes) ? kMounted : kNotMounted;
    traceValue("mountedState", state);
    emit mountedStatusUpdate(state, aRootPath);
}

MountedCheckerThread::MountedCheckerThread(DeviceList* owner) : mOwner(owner)
{
    TraceScope trace("MountedCheckerThread::MountedCheckerThread");
}

MountedCheckerThread::~MountedCheckerThread()
{
    TraceScope trace("MountedCheckerThread::~MountedCheckerThread");
    stopAndWait();
}

void MountedCheckerThread::startAndWaitUntilReady()
{
    TraceScope trace("MountedCheckerThread::startAndWaitUntilReady");
    start(QThread::InheritPriority);
    // A request sent before run() has connected the checker would be lost.
    mReady.acquire();
}

void MountedCheckerThread::stopAndWait()
{
    TraceScope trace("MountedCheckerThread::stopAndWait");
    quit();
    wait();
}

int MountedCheckerThread::status(const QString& rootPath) const
{
    return mMountedStatus.value(rootPath, 0);
}

void MountedCheckerThread::setStatus(const QString& rootPath, int state)
{
    mMountedStatus.insert(rootPath, state);
}

void MountedCheckerThread::run()
{
    TraceScope trace("MountedCheckerThread::run");
    MountedChecker checker;
    // Both connections cross threads, so every request and answer is queued
    // to its receiver's thread.
    connect(mOwner, &DeviceList::checkMountedStatus, &checker, &MountedChecker::startMountedCheck,
            Qt::QueuedConnection);
    connect(&checker, &MountedChecker::mountedStatusUpdate, mOwner, &DeviceList::mountedStatusChange,
            Qt::QueuedConnection);
    mReady.release();
    exec();
}
