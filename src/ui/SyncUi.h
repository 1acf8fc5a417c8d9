// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "sync/SyncController.h"
#include "ui/SyncStatePresenter.h"

#include <QString>
#include <QWidget>

#include <memory>

class AutoRefresher;
class DeviceList;
class MusicSync;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTimer;
class SpaceGauge;
class SyncQuestions;

// The main window: which phone is connected, what the sync engine is doing and
// how much space the phone has. It starts syncs through its controller,
// answers the engine's questions while the engine's thread waits, and shows
// the warnings that follow a sync.
class SyncUi : public QWidget
{
    Q_OBJECT
public:
    using Environment = SyncController::Environment;

    explicit SyncUi(Environment environment, QWidget* parent = nullptr);
    ~SyncUi() override;

    // Which not-copied warning fits the code of the last failed upload.
    static int warningKindForUploadError(int uploadError);
    // Whole mebibytes of a shortfall, rounded toward zero.
    static qint64 shortfallInMegabytes(qint64 bytes);

    int state() const { return mState; }
    SyncController& controller() { return mController; }
    DeviceList* deviceList() const { return mController.deviceList(); }
    AutoRefresher* autoRefresher() const { return mController.autoRefresher(); }
    MusicSync* musicSync() const { return mController.musicSync(); }

public slots:
    void startSync();
    void changeSettings();
    void UpdateProgress(int a_state, int a_percent_complete);
    void UpdateProgress(int a_state, int a_percent_complete, const QString& aTrackName);
    void iTunesStarted();
    void podcastNamesUpdated();
    void waitExpired();
    void ConfirmDeleteTracks();
    void onHelpClicked();
    void helpLinkClicked(const QString& aLink);
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

private:
    void buildLayout();
    void setProgressIdle();
    void setProgressBusy();
    void applyPanel(SyncStateView::Panel panel);
    void applyView(const SyncStateView& view, bool changed, int percentComplete);
    void postSyncChecks();
    // What the run moved and what failed, under the status.
    void showSummary();
    // Makes the window tall enough for the texts as they wrap now.
    void growToFitText();
    void showWarningBox(const QString& title, const QString& text);

    SyncController mController;
    std::unique_ptr<SyncQuestions> mQuestions;
    QMessageBox* mITunesStoppedBox = nullptr;

    QTimer* mStartTimer = nullptr;
    QProgressBar* mProgressBar = nullptr;
    SpaceGauge* mSpaceGauge = nullptr;
    QLabel* mStatusLabel = nullptr;
    QLabel* mDetailLabel = nullptr;
    QLabel* mSummaryLabel = nullptr;
    QPushButton* mSyncButton = nullptr;
    QPushButton* mNewSyncButton = nullptr;
    QPushButton* mHelpButton = nullptr;
    QCheckBox* mForceFullCheckBox = nullptr;

    int mState = -1;
    bool mShutdownRequested = false;
    int mITunesFailureCount = 0;
    bool mUnableToOpenShown = false;
};
