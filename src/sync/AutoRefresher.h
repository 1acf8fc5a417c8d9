// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/MDeviceListObserver.h"

#include <QObject>
#include <QPointer>

class DeviceList;
class LocalMusicLibrary;

// Keeps the main window told, while no sync runs, whether a phone is attached
// and how much space it has. The device list's timer and the library's
// events drive it; it has no timer of its own.
class AutoRefresher : public QObject, public MDeviceListObserver
{
    Q_OBJECT
public:
    AutoRefresher(LocalMusicLibrary* library, DeviceList* deviceList, QObject* parent = nullptr);
    ~AutoRefresher() override;

    void start();
    void stop();
    void DeviceListChanged() override;

signals:
    void connectedDeviceStateChanged(int aState, int aPercentComplete);
    void freeSpaceUpdate(qint64 aUsedSpaceAfterSync, qint64 aFreeSpaceAfterSync);

public slots:
    void timeout();

private:
    LocalMusicLibrary* mLibrary;
    // Guarded: the list may be destroyed before this refresher stops.
    QPointer<DeviceList> mDeviceList;
};
