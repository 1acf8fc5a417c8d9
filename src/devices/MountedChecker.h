// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QHash>
#include <QObject>
#include <QSemaphore>
#include <QString>
#include <QThread>

class DeviceList;

// Asks a drive for its free space. The query can hang on a drive that has
// gone away, so the checker lives on its own thread and only answers through
// a queued signal: 1 when the drive answered, 2 when it did not.
class MountedChecker : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMounted = 1;
    static constexpr int kNotMounted = 2;

    explicit MountedChecker(QObject* parent = nullptr);

signals:
    void mountedStatusUpdate(int aMountedState, QString aRootPath);

public slots:
    void startMountedCheck(QString aRootPath);
};

// The thread of the device list's MountedChecker, and the answers it gave.
// The status map is written and read only on the device list's thread.
class MountedCheckerThread : public QThread
{
    Q_OBJECT
public:
    explicit MountedCheckerThread(DeviceList* owner);
    ~MountedCheckerThread() override;

    // Starts the thread and returns once its checker takes requests.
    void startAndWaitUntilReady();
    // Quits the event loop and waits for the thread; a no-op when not running.
    void stopAndWait();

    // The last answer for a root path: 1 mounted, 2 not, 0 when none came yet.
    int status(const QString& rootPath) const;
    void setStatus(const QString& rootPath, int state);

protected:
    void run() override;

private:
    DeviceList* mOwner;
    QHash<QString, int> mMountedStatus;
    QSemaphore mReady;
};
