// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class AutoRefresher;
class DeviceList;
class LocalMusicLibrary;
class MtpPhoneSource;
class MusicSync;
class SettingsStore;

// What the main window needs below its widgets: the phones, the library, the
// refresher that watches them between syncs, and the life cycle of the sync
// engine. Everything a person sees stays in the window, so that this runs,
// and is tested, without a display.
class SyncController : public QObject
{
    Q_OBJECT
public:
    // Where phones and music are found. The entry point fills in the real
    // machine's MTP backend; tests point the drive roots at a fake tree.
    struct Environment
    {
        Environment();
        ~Environment();
        Environment(Environment&&) noexcept;
        Environment& operator=(Environment&&) noexcept;

        std::unique_ptr<MtpPhoneSource> mtpSource;  // null: no MTP phones are listed
        std::unique_ptr<LocalMusicLibrary> library; // null: the plain library
        QString procRoot;
        QString sysRoot;
        // The program's settings, kept by the caller for the controller's
        // whole life; null: the controller reads the settings file itself.
        SettingsStore* settings = nullptr;
    };

    enum class StartResult { Started, NoPhone, NotMounted, NotConfigured };

    // The questions a person can turn off for one phone.
    enum class PhoneQuestion { DeleteTracks, DrmTracks, NotCopiedTracks, UsbEject };

    explicit SyncController(Environment environment, QObject* parent = nullptr);
    // Stops a running engine first: it borrows the library.
    ~SyncController() override;

    SettingsStore& settings() { return *mSettings; }
    DeviceList* deviceList() const { return mDeviceList.get(); }
    LocalMusicLibrary* library() const { return mLibrary.get(); }
    AutoRefresher* autoRefresher() const { return mAutoRefresher.get(); }
    // The engine of the running or the last run, kept after its end for the
    // lists of tracks its warnings show; null before the first run.
    MusicSync* musicSync() const { return mMusicSync.get(); }

    // Stops the refresher and, when the connected phone can be synced, starts
    // a run on it. The caller starts the refresher again where it wants the
    // phone watched, such as after telling the user to mount it.
    StartResult start(bool forceFullResync);
    void cancel();
    // The engine reports its end state as one of its last acts and may still
    // be using the phone: this waits until its thread has ended.
    void waitForRunEnd();
    // Cancels the engine, releases it from a question nobody will answer now,
    // and drops it.
    void retireEngine();

    QString connectedDeviceId() const;
    // The engine's run writes the same store, so these answers are current.
    bool asks(PhoneQuestion question, const QString& deviceId);
    void stopAsking(PhoneQuestion question, const QString& deviceId);

signals:
    void progress(int state, int percentComplete);
    void trackProgress(int state, int percentComplete, QString trackName);
    // Emitted while the engine's thread waits for the answer.
    void deleteQuestion();
    void drmTracksFound();
    void notEnoughSpace(qint64 additionalSpaceRequired);

private:
    void engineFinished();
    void engineProgress(int state, int percentComplete);

    std::unique_ptr<SettingsStore> mOwnSettings;
    SettingsStore* mSettings;
    std::unique_ptr<DeviceList> mDeviceList;
    std::unique_ptr<LocalMusicLibrary> mLibrary;
    std::unique_ptr<AutoRefresher> mAutoRefresher;
    std::unique_ptr<MusicSync> mMusicSync;
    int mEngineState = -1;
};
