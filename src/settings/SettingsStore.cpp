// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "settings/SettingsStore.h"

#include "app/TraceLog.h"

int SettingsStore::reload()
{
    TraceScope trace("SettingsStore::reload");
    QMutexLocker locker(&mLock);
    mLoadResult = mSettings.load();
    traceReturns(mLoadResult);
    return mLoadResult;
}

int SettingsStore::loadResult() const
{
    QMutexLocker locker(&mLock);
    return mLoadResult;
}

SyncPlan SettingsStore::plan(const QString& id) const
{
    TraceScope trace("SettingsStore::plan");
    QMutexLocker locker(&mLock);
    return SyncPlan::read(mSettings, id);
}

int SettingsStore::change(const std::function<void(SyncSettings&)>& edit)
{
    TraceScope trace("SettingsStore::change");
    QMutexLocker locker(&mLock);
    edit(mSettings);
    const int result = mSettings.save();
    if (result == 0)
        mLoadResult = 0;
    traceReturns(result);
    return result;
}

int SettingsStore::replaceWith(const SyncSettings& edited)
{
    TraceScope trace("SettingsStore::replaceWith");
    QMutexLocker locker(&mLock);
    mSettings.copyFrom(edited);
    const int result = mSettings.save();
    // What was saved is what there is now, as if it had been read.
    if (result == 0)
        mLoadResult = 0;
    traceReturns(result);
    return result;
}
