// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/MusicTracks.h"

#include <QString>
#include <QWizard>

#include <memory>

class ConculsionStartSyncPage;
class ConnectDevicePage;
class ConvertToMp3Page;
class CopyPhotosPage;
class Device;
class DeviceBackupPage;
class DeviceList;
class EULAPage;
class IntroPage;
class LocalMusicLibrary;
class PlaylistSettingsPage;
class SettingsStore;
class SyncSettings;

// The modal set-up wizard: the user picks a BlackBerry or iPhone backup and the data to
// take from it, a photo folder, the music and podcasts and the connected phone; Finish writes all of it
// into that phone's settings entry and saves the settings file.
class DeviceWizard : public QWizard
{
    Q_OBJECT
public:
    // Why the wizard is opened; decides the intro text.
    static constexpr int kModeChangeSettings = 0;
    static constexpr int kModeNewPhone = 1;
    static constexpr int kModeFirstRun = 3;

    // The library and the device list stay owned by the caller and must outlive the wizard.
    DeviceWizard(LocalMusicLibrary* library, DeviceList* deviceList, QWidget* parent, int mode);
    ~DeviceWizard() override;

    // Whether the caller should start a sync now that the wizard has finished.
    // False when the settings could not be written, since a sync would then run
    // on a phone that is not configured.
    bool syncNow();
    // Result of the last saveSettings: 0, or the negative code of the failure.
    int saveResult() const { return mSaveResult; }
    // The licence page exists only when no settings file could be read.
    bool hasLicensePage() const { return mEulaPage != nullptr; }
    // The path: intro, licence (when present), backup, photos, music, podcasts, phone.
    int nextId() const override;

public slots:
    void showHelp();
    void onHelpRequested();
    void saveSettings(int aExitReason);
    void pageChanged(int aNewPageId);

private:
    void doPageChanged(int aNewPageId);
    void showPhoneSpace(PlaylistSettingsPage* page);
    Device* phoneMeant();
    void loadStoredAnswers(const QString& id);
    void keepOneHeight();
    // Whether the library holds any such track (none without a library).
    bool holds(MusicTracks which) const;
    // Fills the pages from the selected phone's settings unless they already hold them.
    void loadSelectedDeviceConfig();
    void loadDeviceConfig(const QString& id);
    int writeDeviceSettings();

    // The program's store, the device list's; one of the wizard's own without a list.
    SettingsStore& settingsStore();
    std::unique_ptr<SettingsStore> mOwnStore;
    std::unique_ptr<SyncSettings> mSettings;
    LocalMusicLibrary* mLibrary = nullptr;
    DeviceList* mDeviceList = nullptr;
    IntroPage* mIntroPage = nullptr;
    EULAPage* mEulaPage = nullptr;
    ConnectDevicePage* mConnectDevicePage = nullptr;
    PlaylistSettingsPage* mMusicPage = nullptr;
    PlaylistSettingsPage* mPodcastPage = nullptr;
    DeviceBackupPage* mDeviceBackupPage = nullptr;
    CopyPhotosPage* mCopyPhotosPage = nullptr;
    ConvertToMp3Page* mConvertToMp3Page = nullptr;
    ConculsionStartSyncPage* mConclusionPage = nullptr;
    QString mLoadedDeviceId;
    int mSaveResult = 0;
};
