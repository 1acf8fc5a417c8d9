// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class AutoRefresher;
class DeviceList;
class LocalMusicLibrary;
class MtpPhoneSource;
class MusicSync;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTimer;
class SpaceGauge;
class SyncSettings;

// The main window: which phone is connected, what the sync engine is doing and
// how much space the phone has. It starts syncs, answers the engine's
// questions while the engine's thread waits, and shows the warnings that
// follow a sync, remembering per phone the ones the user no longer wants.
class SyncUi : public QWidget
{
    Q_OBJECT
public:
    // Where the window finds phones and music. The defaults are the running
    // system's; tests point the drive roots at a fake tree.
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
    };

    explicit SyncUi(QWidget* parent = nullptr);
    explicit SyncUi(Environment environment, QWidget* parent = nullptr);
    ~SyncUi() override;

    // Which not-copied warning fits the code of the last failed upload.
    static int warningKindForUploadError(int uploadError);
    // Whole mebibytes of a shortfall, rounded toward zero.
    static qint64 shortfallInMegabytes(qint64 bytes);

    int state() const { return mState; }
    DeviceList* deviceList() const { return mDeviceList.get(); }
    AutoRefresher* autoRefresher() const { return mAutoRefresher.get(); }
    MusicSync* musicSync() const { return mMusicSync.get(); }

public slots:
    void startSync();
    void changeSettings();
    void UpdateProgress(int a_state, int a_percent_complete);
    void UpdateProgress(int a_state, int a_percent_complete, QString aTrackName);
    void iTunesStarted();
    void podcastNamesUpdated();
    void waitExpired();
    void ConfirmDeleteTracks();
    void onHelpClicked();
    void helpLinkClicked(QString aLink);
    void displayDrmTracksWarning();
    void notEnoughSpace(qint64 aAdditionalSpaceRequired);
    void iTunesFailure();
    void iTunesOkay();
    void unableToOpenDevice();

public:
    void changeSettings(int mode);
    void SetRegularButtons();
    void SetSyncingButtons();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void syncThreadFinished();

private:
    void buildLayout();
    void setProgressIdle();
    void setProgressBusy();
    void applyStateWidgets(int state);
    void applyStateTexts(int state, int previousState, bool changed, int percentComplete);
    void showNotCopiedWarning();
    void postSyncChecks();
    void retireMusicSync();
    QString connectedDeviceId() const;
    void showWarningBox(const QString& title, const QString& text);

    std::unique_ptr<SyncSettings> mSettings;
    std::unique_ptr<DeviceList> mDeviceList;
    std::unique_ptr<LocalMusicLibrary> mLibrary;
    std::unique_ptr<AutoRefresher> mAutoRefresher;
    QMessageBox* mITunesStoppedBox = nullptr;
    std::unique_ptr<MusicSync> mMusicSync;

    QTimer* mStartTimer = nullptr;
    QProgressBar* mProgressBar = nullptr;
    SpaceGauge* mSpaceGauge = nullptr;
    QLabel* mStatusLabel = nullptr;
    QLabel* mDetailLabel = nullptr;
    QPushButton* mNewSyncButton = nullptr;
    QPushButton* mHelpButton = nullptr;
    QCheckBox* mForceFullCheckBox = nullptr;

    int mState = -1;
    bool mShutdownRequested = false;
    int mITunesFailureCount = 0;
    bool mUnableToOpenShown = false;
};
