// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/DeviceWizard.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "model/LocalMusicLibrary.h"
#include "settings/SettingsStore.h"
#include "sync/SpaceCalculator.h"
#include "ui/ConculsionStartSyncPage.h"
#include "ui/ConnectDevicePage.h"
#include "ui/ConvertToMp3Page.h"
#include "ui/CopyPhotosPage.h"
#include "ui/DeviceBackupPage.h"
#include "ui/EULAPage.h"
#include "ui/IntroPage.h"
#include "ui/PlaylistSettingsPage.h"
#include "ui/WizardSupport.h"

#include <QMessageBox>
#include <QPixmap>

DeviceWizard::DeviceWizard(LocalMusicLibrary* library, DeviceList* deviceList, QWidget* parent, int mode)
    : QWizard(parent), mSettings(std::make_unique<SyncSettings>()), mLibrary(library), mDeviceList(deviceList)
{
    TraceScope trace("DeviceWizard::DeviceWizard");
    traceValue("mode", mode);
    // The wizard edits a copy, so that Cancel leaves the settings as they were.
    SettingsStore& store = settingsStore();
    // Without a readable settings file this is a first run: the licence must be accepted.
    const bool firstRun = store.reload() != 0;
    store.read([this](const SyncSettings& settings) { mSettings->copyFrom(settings); });

    mIntroPage = new IntroPage(mode, firstRun, this);
    setPage(WizardPageId::kIntro, mIntroPage);
    if (firstRun) {
        mEulaPage = new EULAPage(this);
        setPage(WizardPageId::kEula, mEulaPage);
    }
    mConnectDevicePage = new ConnectDevicePage(deviceList, this);
    setPage(WizardPageId::kConnectDevice, mConnectDevicePage);
    mMusicPage = new PlaylistSettingsPage(false, this);
    setPage(WizardPageId::kMusic, mMusicPage);
    mPodcastPage = new PlaylistSettingsPage(true, this);
    setPage(WizardPageId::kPodcasts, mPodcastPage);
    mDeviceBackupPage = new DeviceBackupPage(this);
    setPage(WizardPageId::kDeviceBackup, mDeviceBackupPage);
    mCopyPhotosPage = new CopyPhotosPage(this);
    setPage(WizardPageId::kCopyPhotos, mCopyPhotosPage);
    mConvertToMp3Page = new ConvertToMp3Page(this);
    setPage(WizardPageId::kConvertToMp3, mConvertToMp3Page);
    mConclusionPage = new ConculsionStartSyncPage(this);
    setPage(WizardPageId::kConclusion, mConclusionPage);

    mMusicPage->setLibrary(mLibrary);
    mPodcastPage->setLibrary(mLibrary);

    setStartId(WizardPageId::kIntro);
    setWizardStyle(QWizard::ModernStyle);
    setWindowTitle(Constants::applicationTitle());
    setOption(QWizard::HaveHelpButton, false);

    connect(this, &QWizard::helpRequested, this, &DeviceWizard::showHelp);
    connect(this, &QDialog::finished, this, &DeviceWizard::saveSettings);
    connect(this, &QWizard::currentIdChanged, this, &DeviceWizard::pageChanged);
    connect(this, &QWizard::helpRequested, this, &DeviceWizard::onHelpRequested);
    // The phone is chosen on the last page, after the last page change: its
    // stored music choices must reach the pages before they are saved back.
    connect(mConnectDevicePage, &ConnectDevicePage::deviceSelected, this, &DeviceWizard::loadSelectedDeviceConfig);
    keepOneHeight();
}

namespace {
// More than a page title and subtitle take: a picture a little too tall only
// makes the window taller, one too short leaves white under it.
const int kTitleAllowance = 90;
} // namespace

void DeviceWizard::keepOneHeight()
{
    TraceScope trace("DeviceWizard::keepOneHeight");
    // Every page as tall as the tallest, so the window does not jump between
    // pages; the side picture is stretched to that height and cropped to its
    // width, so no white block shows under it.
    int tallest = 0;
    for (const int id : pageIds())
        tallest = qMax(tallest, page(id)->sizeHint().height());
    for (const int id : pageIds()) {
        QWizardPage* wizardPage = page(id);
        wizardPage->setMinimumHeight(tallest);
        const QPixmap side = wizardPage->pixmap(QWizard::WatermarkPixmap);
        // The picture's column also spans the page's title above the page.
        const int columnHeight = tallest + kTitleAllowance;
        if (side.isNull() || side.height() >= columnHeight)
            continue;
        const QPixmap tall = side.scaledToHeight(columnHeight, Qt::SmoothTransformation);
        wizardPage->setPixmap(QWizard::WatermarkPixmap,
                              tall.copy((tall.width() - side.width()) / 2, 0, side.width(), columnHeight));
    }
}

DeviceWizard::~DeviceWizard()
{
    TraceScope trace("DeviceWizard::~DeviceWizard");
    // The connect page must not stay the list's observer once it is gone.
    if (mDeviceList && currentId() == WizardPageId::kConnectDevice)
        mDeviceList->DisableAutoRefresh();
}

int DeviceWizard::nextId() const
{
    TraceScope trace("DeviceWizard::nextId");
    // After the photos come the music and the podcasts, the AAC question and
    // the album art where the library holds such tracks, then the phone.
    const int afterAac = holds(MusicTracks::WithAlbumArt) ? WizardPageId::kConclusion : WizardPageId::kConnectDevice;
    switch (currentId()) {
    case WizardPageId::kCopyPhotos:
        return WizardPageId::kMusic;
    case WizardPageId::kPodcasts:
        return holds(MusicTracks::Aac) ? WizardPageId::kConvertToMp3 : afterAac;
    case WizardPageId::kConvertToMp3:
        return afterAac;
    case WizardPageId::kConclusion:
        return WizardPageId::kConnectDevice;
    default:
        return QWizard::nextId();
    }
}

bool DeviceWizard::holds(MusicTracks which) const
{
    return mLibrary && mLibrary->musicTrackCount(which) > 0;
}

bool DeviceWizard::syncNow()
{
    TraceScope trace("DeviceWizard::syncNow");
    // A sync would run on a phone whose settings were not written.
    if (mSaveResult != 0) {
        traceMessage("Settings were not saved: no sync");
        return false;
    }
    return mConclusionPage->syncNow();
}

void DeviceWizard::showHelp()
{
    TraceScope trace("DeviceWizard::showHelp");
}

void DeviceWizard::onHelpRequested()
{
    TraceScope trace("DeviceWizard::onHelpRequested");
}

void DeviceWizard::pageChanged(int aNewPageId)
{
    TraceScope trace("DeviceWizard::pageChanged");
    doPageChanged(aNewPageId);
}

Device* DeviceWizard::phoneMeant()
{
    // The phone is chosen on the last page; before that, the one plugged in is the one meant.
    if (!mDeviceList->DeviceIsSelected() && !mDeviceList->DeviceIsConnected())
        mDeviceList->RefreshDevices();
    return mDeviceList->DeviceIsSelected()    ? mDeviceList->SelectedDevice()
           : mDeviceList->DeviceIsConnected() ? mDeviceList->ConnectedDevice()
                                              : nullptr;
}

void DeviceWizard::loadStoredAnswers(const QString& id)
{
    // What the user answered on these pages stays, whichever phone is chosen after.
    if (!mConvertToMp3Page->changedByUser())
        mConvertToMp3Page->setConvertToMp3(mSettings->convertAacToMp3(id));
    if (!mConclusionPage->changedByUser())
        mConclusionPage->setArtworkChoices(mSettings->enableArtworkSync(id), mSettings->forceArtworkSync(id));
}

void DeviceWizard::showPhoneSpace(PlaylistSettingsPage* page)
{
    Device* phone = phoneMeant();
    qint64 used = 0;
    qint64 free = 0;
    if (phone && SpaceCalculator(*phone, used, free) == 0)
        page->showPhoneSpace(used, free);
}

void DeviceWizard::doPageChanged(int aNewPageId)
{
    TraceScope trace("DeviceWizard::doPageChanged");
    traceValue("aNewPageId", aNewPageId);
    if (aNewPageId == WizardPageId::kConnectDevice) {
        mConnectDevicePage->setActive(true);
        mDeviceList->EnableAutoRefresh(mConnectDevicePage);
    } else {
        mDeviceList->DisableAutoRefresh();
        mConnectDevicePage->setActive(false);
    }
    mCopyPhotosPage->setVolumeCheck(aNewPageId == WizardPageId::kCopyPhotos);
    if (aNewPageId == WizardPageId::kCopyPhotos)
        mCopyPhotosPage->setCameraRollChosen(mDeviceBackupPage->copyCameraRoll());
    mMusicPage->setCurrent(aNewPageId == WizardPageId::kMusic);
    mPodcastPage->setCurrent(aNewPageId == WizardPageId::kPodcasts);
    if (aNewPageId == WizardPageId::kConclusion)
        mConclusionPage->setCurrent(true);
    if (aNewPageId == WizardPageId::kDeviceBackup) {
        if (Device* phone = phoneMeant())
            mDeviceBackupPage->showCopiedDates(*mSettings, phone->UniqueDeviceId());
    }
    if (aNewPageId == WizardPageId::kConvertToMp3 || aNewPageId == WizardPageId::kConclusion) {
        if (Device* phone = phoneMeant())
            loadStoredAnswers(phone->UniqueDeviceId());
    }
    if (aNewPageId == WizardPageId::kMusic || aNewPageId == WizardPageId::kPodcasts)
        showPhoneSpace(aNewPageId == WizardPageId::kMusic ? mMusicPage : mPodcastPage);
    loadSelectedDeviceConfig();
}

void DeviceWizard::loadSelectedDeviceConfig()
{
    TraceScope trace("DeviceWizard::loadSelectedDeviceConfig");
    QString id;
    if (mDeviceList->DeviceIsSelected()) {
        traceMessage("Device is connected");
        Device* device = mDeviceList->SelectedDevice();
        id = device->UniqueDeviceId();
        traceValue("deviceName", device->FriendlyName());
    }
    if (id != mLoadedDeviceId)
        loadDeviceConfig(id);
}

void DeviceWizard::loadDeviceConfig(const QString& id)
{
    TraceScope trace("DeviceWizard::loadDeviceConfig");
    traceValue("id", id);
    bool wholeLibrary = true;
    int podcastSetting = 0;
    QStringList playlists;
    QStringList podcasts;
    // The phone is chosen on the last page: what the user set on a page
    // before that stays, and only the pages left alone show the phone's
    // stored choices (or, for a new phone, the first choice rather than
    // those of the phone loaded before it).
    const bool stored = mSettings->getConfig(id, wholeLibrary, podcastSetting, playlists, podcasts) == 0;
    if (!mMusicPage->changedByUser()) {
        if (stored)
            mMusicPage->setWholeLibrary(wholeLibrary, playlists);
        else
            mMusicPage->chooseFirstOption();
    }
    if (!mPodcastPage->changedByUser()) {
        if (stored)
            mPodcastPage->setPodcastSettings(podcastSetting, podcasts, mSettings->numberOfEpisodesToSync(id));
        else
            mPodcastPage->chooseFirstOption();
    }
    loadStoredAnswers(id);
    mDeviceBackupPage->setLastBackupPath(mSettings->selectedBackupPath(id));
    mLoadedDeviceId = id;
}

void DeviceWizard::saveSettings(int aExitReason)
{
    TraceScope trace("DeviceWizard::saveSettings");
    mSaveResult = 0;
    if (aExitReason == QDialog::Rejected) {
        traceMessage("Wizard cancelled");
        return;
    }
    if (!mDeviceList->DeviceIsSelected())
        return;
    traceMessage("Device is selected");
    mSaveResult = writeDeviceSettings();
    traceValue("save result", mSaveResult);
    if (mSaveResult != 0)
        QMessageBox::critical(parentWidget(), Constants::applicationTitle(),
                              QStringLiteral("Your settings could not be saved, so the phone was not set up. Check "
                                             "that the folder ")
                                  + Constants::programFolderPath()
                                  + QStringLiteral(" in your home folder can be written and try again."));
}

int DeviceWizard::writeDeviceSettings()
{
    TraceScope trace("DeviceWizard::writeDeviceSettings");
    Device* device = mDeviceList->SelectedDevice();
    device->SetConfigured();
    const QList<Device*>& devices = mDeviceList->GetDevices();
    for (int index = 0; index < devices.size(); ++index) {
        traceValue("device list index:", index);
        traceValue("device name:", devices.at(index)->FriendlyName());
    }
    const QString id = device->UniqueDeviceId();
    const QString name = device->FriendlyName();
    traceValue("id", id);
    traceValue("name", name);
    // A phone without its own id would share an entry with every other such
    // phone, and an empty id is never found again.
    if (id.isEmpty() || id == Constants::tempDeviceId()) {
        traceMessage("Phone has no unique id");
        return SyncSettings::kErrorNotConfigured;
    }
    // Setting the phone up may have given it its id only now.
    if (id != mLoadedDeviceId)
        loadDeviceConfig(id);

    mSettings->setConfig(id, mMusicPage->syncWholeLibrary(), mPodcastPage->podcastSyncSettings(),
                         mMusicPage->playlistNames(), mPodcastPage->playlistNames(), name);
    // The library stored a changed folder already; this document is saved over that file.
    if (const QString musicFolder = mMusicPage->musicFolder(); !musicFolder.isEmpty())
        mSettings->setMusicFolder(musicFolder);
    // Answered where the pages were on the path; switched off where there was nothing to ask about.
    const bool aacAsked = holds(MusicTracks::Aac);
    const bool artAsked = holds(MusicTracks::WithAlbumArt);
    mSettings->setConvertAacToMp3(id, aacAsked && mConvertToMp3Page->convertToMp3());
    mSettings->setEnableArtworkSync(id, artAsked && mConclusionPage->syncArtworkForNewTracks());
    mSettings->setForceArtworkSync(id, artAsked && mConclusionPage->syncArtworkForOldTracks());
    mSettings->setNumberOfEpisodesToSync(id, mPodcastPage->numberOfEpisodes());
    mSettings->setSelectedBackupPath(id, mDeviceBackupPage->selectedBackupPath());
    mSettings->setCopyTextMessages(id, mDeviceBackupPage->copyTextMessages());
    mSettings->setCopyAddressBook(id, mDeviceBackupPage->copyAddressBook());
    mSettings->removeSettingsList(id, SettingsKeys::photoFoldersList());
    mSettings->setCopyCalendar(id, mDeviceBackupPage->copyCalendar());
    // Written only once chosen, so that a phone's file gains no keys it never used.
    if (mDeviceBackupPage->copyCallHistory() || mSettings->copyCallHistory(id))
        mSettings->setCopyCallHistory(id, mDeviceBackupPage->copyCallHistory());
    if (mDeviceBackupPage->copyNotes() || mSettings->copyNotes(id))
        mSettings->setCopyNotes(id, mDeviceBackupPage->copyNotes());
    if (mDeviceBackupPage->copyBookmarks() || mSettings->copyBookmarks(id))
        mSettings->setCopyBookmarks(id, mDeviceBackupPage->copyBookmarks());
    if (mDeviceBackupPage->copyVoicemail() || mSettings->copyVoicemail(id))
        mSettings->setCopyVoicemail(id, mDeviceBackupPage->copyVoicemail());
    if (mDeviceBackupPage->copyRecordings() || mSettings->copyRecordings(id))
        mSettings->setCopyRecordings(id, mDeviceBackupPage->copyRecordings());
    // One setting covers both: the camera roll of an iPhone backup and a photo folder.
    const bool copyPhotos = mCopyPhotosPage->copyPhotos() || mDeviceBackupPage->copyCameraRoll();
    mSettings->setCopyPhotos(id, copyPhotos);
    if (mCopyPhotosPage->copyPhotos())
        mSettings->addToSettingsList(id, SettingsKeys::photoFoldersList(), QString(),
                                     mCopyPhotosPage->selectedPhotosPath());
    return settingsStore().replaceWith(*mSettings);
}

SettingsStore& DeviceWizard::settingsStore()
{
    if (mDeviceList)
        return mDeviceList->settings();
    if (!mOwnStore)
        mOwnStore = std::make_unique<SettingsStore>();
    return *mOwnStore;
}
