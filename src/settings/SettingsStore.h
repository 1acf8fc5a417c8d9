// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "settings/SyncPlan.h"
#include "settings/SyncSettings.h"

#include <QMutex>
#include <QMutexLocker>

#include <functional>

// The one holder of the settings file within the program: it reads
// "korva.xml" when asked, hands out plans and answers, and is the only
// writer of the file. The window, its wizard and a run's worker thread share
// it, so nobody saves a copy that is older than somebody else's edit.
class SettingsStore
{
public:
    SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Reads the file again; 0, or SyncSettings' code (the store is then empty).
    int reload();
    // The code of the last reload.
    int loadResult() const;

    SyncPlan plan(const QString& id) const;

    // Calls reader with the settings under the store's lock.
    template <typename Reader> auto read(Reader&& reader) const
    {
        QMutexLocker locker(&mLock);
        return reader(static_cast<const SyncSettings&>(mSettings));
    }
    // Applies edit and writes the file: 0, or SyncSettings' save code.
    int change(const std::function<void(SyncSettings&)>& edit);
    // Takes a whole edited copy (the wizard's) as the settings and writes the file.
    int replaceWith(const SyncSettings& edited);

private:
    mutable QMutex mLock;
    SyncSettings mSettings;
    int mLoadResult = SyncSettings::kErrorCannotOpenFile;
};
