// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDBusConnection>

// Keeps the computer from going to sleep or idling while a sync runs: holds a
// systemd-logind inhibitor lock from construction to destruction. Without a
// system bus or without logind the sync simply goes on unprotected.
class SleepInhibitor
{
public:
    // Takes the lock on the system bus.
    SleepInhibitor();
    // Takes the lock on the given bus (tests use a private one).
    explicit SleepInhibitor(const QDBusConnection& bus);
    ~SleepInhibitor();
    Q_DISABLE_COPY_MOVE(SleepInhibitor)

    bool isHeld() const { return mFd >= 0; }
    // Gives the lock back now rather than at destruction.
    void release();

private:
    void acquire(const QDBusConnection& bus);

    int mFd = -1;
};
