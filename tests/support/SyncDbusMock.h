// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

// A private D-Bus daemon with python3-dbusmock's logind template on it, so
// that tests can watch inhibitor locks without touching the real system.
class SyncDbusMock
{
public:
    SyncDbusMock();
    ~SyncDbusMock();

    // False when dbus-daemon or dbusmock is not installed or did not come up.
    bool isRunning() const { return mRunning; }
    QString address() const { return mAddress; }
    QDBusConnection connection() const;
    // The inhibitors logind holds: "what|who|why|mode" each.
    QStringList inhibitors() const;

private:
    QProcess mDaemon;
    QProcess mMock;
    QString mAddress;
    QString mConnectionName;
    bool mRunning = false;
};
