// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QMutex>
#include <QSet>
#include <QThread>

class Device;
class DeviceParent;
class MtpPhoneSource;
struct MtpRawPhone;

// Finds the MTP phones that appeared or went away, on its own thread, because
// listing and opening phones can take seconds. The device list starts a pass
// at each refresh and, once the pass is no longer active, takes over the
// added parents and deletes the removed ones. The refresher lock keeps the
// enumeration away from a phone that a sync or the wizard is working on.
class MtpMacDeviceRefresher : public QThread
{
    Q_OBJECT
public:
    // The source is not owned; null means there are no MTP phones.
    explicit MtpMacDeviceRefresher(MtpPhoneSource* source, QObject* parent = nullptr);
    ~MtpMacDeviceRefresher() override;

    // Returns holding the refresher lock; waits timeoutMs, traces a stall,
    // then waits without limit.
    void lock(int timeoutMs);
    void unlock();
    bool isActive();
    // Begins a pass unless one is running. Only the MTP parents (type 1) are
    // remembered as known; neither list is owned.
    void start(const QList<Device*>& devices, const QList<DeviceParent*>& parents);
    void setComplete();

    // Read only while isActive() is false. The caller owns the added parents
    // (and their children) once it takes them.
    const QList<DeviceParent*>& added() const { return mAdded; }
    const QList<DeviceParent*>& removed() const { return mRemoved; }
    // Forgets both lists once the caller has taken them over.
    void clearResults();

signals:
    void unableToOpenDevice();

protected:
    void run() override;

private:
    void enumerate();
    DeviceParent* findKnown(const MtpRawPhone& phone, const QSet<DeviceParent*>& seen) const;

    MtpPhoneSource* mSource;
    QList<DeviceParent*> mAdded;
    QList<DeviceParent*> mRemoved;
    QList<DeviceParent*> mKnown;
    bool mActive = false;
    QMutex mStateLock;
    QMutex mRefresherLock;
};
