// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncRun.h"

#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"

#include <QDeadlineTimer>
#include <QTest>

SyncRun::SyncRun(MusicSync& engine)
    : mEngine(engine),
      mStateSpy(std::make_unique<QSignalSpy>(&engine, qOverload<int, int>(&MusicSync::ProgressUpdate))),
      mProgressSpy(std::make_unique<QSignalSpy>(&engine, qOverload<int, int, QString>(&MusicSync::ProgressUpdate)))
{
    connect(&engine, &MusicSync::notEnoughSpace, this, &SyncRun::onNotEnoughSpace, Qt::BlockingQueuedConnection);
    connect(&engine, &MusicSync::DrmTracksFound, this, &SyncRun::onDrmTracksFound, Qt::BlockingQueuedConnection);
    connect(&engine, &MusicSync::ConfirmDeleteTracks, this, &SyncRun::onConfirmDeleteTracks,
            Qt::BlockingQueuedConnection);
}

SyncRun::~SyncRun() = default;

bool SyncRun::run(bool forceFullResync)
{
    mEngine.StartInNewThread(forceFullResync);
    // The questions are answered by this thread's event loop, as in the window.
    const QDeadlineTimer deadline(120000);
    while (!mEngine.thread()->isFinished() && !deadline.hasExpired())
        QTest::qWait(10);
    // isFinished is true already while the thread still runs its finish;
    // only wait tells that it has ended.
    return mEngine.thread()->wait(deadline);
}

QList<int> SyncRun::states() const
{
    QList<int> result;
    for (const QList<QVariant>& arguments : *mStateSpy) {
        const int state = arguments.at(0).toInt();
        if (result.isEmpty() || result.last() != state)
            result.append(state);
    }
    return result;
}

int SyncRun::stateCount(int state) const
{
    int count = 0;
    for (const QList<QVariant>& arguments : *mStateSpy)
        count += arguments.at(0).toInt() == state ? 1 : 0;
    return count;
}

QList<int> SyncRun::percents(int state) const
{
    QList<int> result;
    for (const QList<QVariant>& arguments : *mProgressSpy)
        if (arguments.at(0).toInt() == state)
            result.append(arguments.at(1).toInt());
    return result;
}

QStringList SyncRun::names(int state) const
{
    QStringList result;
    for (const QList<QVariant>& arguments : *mProgressSpy)
        if (arguments.at(0).toInt() == state)
            result.append(arguments.at(2).toString());
    return result;
}

void SyncRun::onNotEnoughSpace(qint64 aAdditionalSpaceRequired)
{
    mShortfalls.append(aAdditionalSpaceRequired);
    if (mCancelOnNotEnoughSpace)
        mEngine.Cancel();
}

void SyncRun::onDrmTracksFound()
{
    ++mDrmQuestions;
}

void SyncRun::onConfirmDeleteTracks()
{
    ++mDeleteQuestions;
    if (mConfirmDelete)
        mEngine.answerDeleteQuestion(true);
}
