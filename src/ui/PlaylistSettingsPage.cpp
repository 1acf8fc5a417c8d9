// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/PlaylistSettingsPage.h"

#include "app/TraceLog.h"
#include "model/library/MusicFolderLibrary.h"
#include "ui/MusicFolderWidget.h"
#include "ui/SpaceGauge.h"
#include "ui/WizardSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

PlaylistSettingsPage::PlaylistSettingsPage(bool podcastMode, QWidget* parent)
    : QWizardPage(parent), mPodcastMode(podcastMode)
{
    TraceScope trace("PlaylistSettingsPage::PlaylistSettingsPage");
    setTitle(QStringLiteral("Phone Setup"));
    applyWizardWatermark(this);

    if (podcastMode) {
        mAllButton = new QRadioButton(QStringLiteral("Copy all podcasts to the phone"), this);
        mSelectedButton = new QRadioButton(QStringLiteral("Copy selected podcasts to the phone"), this);
        mNoneButton = new QRadioButton(QStringLiteral("Do not copy podcasts to phone"), this);
    } else {
        mAllButton = new QRadioButton(QStringLiteral("Copy the complete music library to the phone"), this);
        mSelectedButton =
            new QRadioButton(QStringLiteral("Copy the contents of playlists of your music library to the phone"), this);
        mNoneButton = new QRadioButton(QStringLiteral("Do not copy music to the phone"), this);
    }
    mAllButton->setObjectName(QStringLiteral("allButton"));
    mSelectedButton->setObjectName(QStringLiteral("selectedButton"));
    mNoneButton->setObjectName(QStringLiteral("noneButton"));
    mAllButton->setChecked(true);
    mNameList = new QListWidget(this);
    mNameList->setObjectName(QStringLiteral("nameList"));

    auto* layout = new QVBoxLayout(this);
    if (!podcastMode) {
        mMusicFolder = new MusicFolderWidget(this);
        mMusicFolder->setObjectName(QStringLiteral("musicFolder"));
        mMusicFolder->hide();
        layout->addWidget(mMusicFolder);
    }
    layout->addWidget(mAllButton);
    layout->addWidget(mSelectedButton);
    layout->addWidget(mNameList);
    layout->addWidget(mNoneButton);
    if (podcastMode) {
        mEpisodeBox = new QComboBox(this);
        mEpisodeBox->setObjectName(QStringLiteral("episodeBox"));
        mEpisodeBox->addItem(QStringLiteral("Sync all episodes"));
        mEpisodeBox->addItem(QStringLiteral("Sync most recent episode only"));
        for (int count = 2; count <= kMaxEpisodeChoice; ++count)
            mEpisodeBox->addItem(QStringLiteral("Sync most recent ") + QString::number(count)
                                 + QStringLiteral(" episodes only"));
        layout->addWidget(new QLabel(QStringLiteral("Episode options:"), this));
        layout->addWidget(mEpisodeBox);
    }
    const auto userChanged = [this] { mChangedByUser = true; };
    for (QRadioButton* button : {mAllButton, mSelectedButton, mNoneButton})
        connect(button, &QRadioButton::clicked, this, userChanged);
    connect(mNameList, &QListWidget::itemChanged, this, [this] {
        if (!mFilling)
            mChangedByUser = true;
    });
    if (mEpisodeBox)
        connect(mEpisodeBox, &QComboBox::activated, this, userChanged);
    layout->addWidget(new QLabel(QStringLiteral("Used and available space on your phone:"), this));
    mSpaceGauge = new SpaceGauge(true, this);
    layout->addWidget(mSpaceGauge);
}

void PlaylistSettingsPage::showPhoneSpace(qint64 usedBytes, qint64 freeBytes)
{
    mSpaceGauge->enable();
    mSpaceGauge->update(usedBytes, freeBytes);
}

int PlaylistSettingsPage::nextId() const
{
    TraceScope trace("PlaylistSettingsPage::nextId");
    return mPodcastMode ? WizardPageId::kConnectDevice : WizardPageId::kPodcasts;
}

void PlaylistSettingsPage::setLibrary(LocalMusicLibrary* library)
{
    TraceScope trace("PlaylistSettingsPage::setLibrary");
    mLibrary = library;
    if (!library)
        return;
    setAvailableNames(mPodcastMode ? library->podcastNames() : library->playlistNames());
    auto* folderLibrary = qobject_cast<MusicFolderLibrary*>(library);
    if (!folderLibrary)
        return;
    connect(folderLibrary, &MusicFolderLibrary::scanFinished, this, &PlaylistSettingsPage::refreshNames);
    if (mMusicFolder) {
        mMusicFolder->setFolder(folderLibrary->musicFolder());
        mMusicFolder->show();
        connect(mMusicFolder, &MusicFolderWidget::folderChosen, folderLibrary, &MusicFolderLibrary::setMusicFolder);
    }
}

QString PlaylistSettingsPage::musicFolder() const
{
    return mMusicFolder && mMusicFolder->isVisibleTo(this) ? QDir::fromNativeSeparators(mMusicFolder->folder())
                                                           : QString();
}

void PlaylistSettingsPage::refreshNames()
{
    TraceScope trace("PlaylistSettingsPage::refreshNames");
    if (!mLibrary)
        return;
    QStringList checked;
    for (int row = 0; row < mNameList->count(); ++row) {
        if (mNameList->item(row)->checkState() == Qt::Checked)
            checked.append(mNameList->item(row)->text());
    }
    setAvailableNames(mPodcastMode ? mLibrary->podcastNames() : mLibrary->playlistNames());
    checkNames(checked);
}

bool PlaylistSettingsPage::syncWholeLibrary() const
{
    TraceScope trace("PlaylistSettingsPage::syncWholeLibrary");
    return mAllButton->isChecked();
}

int PlaylistSettingsPage::podcastSyncSettings() const
{
    TraceScope trace("PlaylistSettingsPage::podcastSyncSettings");
    if (mAllButton->isChecked())
        return 1;
    if (mSelectedButton->isChecked())
        return 2;
    return 0;
}

QStringList PlaylistSettingsPage::playlistNames() const
{
    TraceScope trace("PlaylistSettingsPage::playlistNames");
    QStringList names;
    if (!mSelectedButton->isChecked())
        return names;
    for (int row = 0; row < mNameList->count(); ++row) {
        const QListWidgetItem* item = mNameList->item(row);
        if (item->checkState() == Qt::Checked)
            names.append(item->text());
    }
    return names;
}

int PlaylistSettingsPage::numberOfEpisodes() const
{
    TraceScope trace("PlaylistSettingsPage::numberOfEpisodes");
    return mEpisodeBox ? mEpisodeBox->currentIndex() : 0;
}

void PlaylistSettingsPage::setAvailableNames(const QStringList& names)
{
    TraceScope trace("PlaylistSettingsPage::setAvailableNames");
    const QScopedValueRollback filling(mFilling, true);
    mNameList->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, mNameList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void PlaylistSettingsPage::checkNames(const QStringList& names)
{
    TraceScope trace("PlaylistSettingsPage::checkNames");
    const QScopedValueRollback filling(mFilling, true);
    // A name from the settings that the library no longer offers is still
    // listed, so that saving does not drop it silently.
    // The settings answer an empty first name when nothing is selected.
    for (const QString& name : names) {
        if (!name.isEmpty() && mNameList->findItems(name, Qt::MatchExactly).isEmpty()) {
            auto* item = new QListWidgetItem(name, mNameList);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
    }
    for (int row = 0; row < mNameList->count(); ++row) {
        QListWidgetItem* item = mNameList->item(row);
        item->setCheckState(names.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
}

void PlaylistSettingsPage::setWholeLibrary(bool wholeLibrary, const QStringList& playlists)
{
    TraceScope trace("PlaylistSettingsPage::setWholeLibrary");
    checkNames(playlists);
    if (wholeLibrary)
        mAllButton->setChecked(true);
    else if (!playlists.isEmpty() && !playlists.first().isEmpty())
        mSelectedButton->setChecked(true);
    else
        mNoneButton->setChecked(true);
}

void PlaylistSettingsPage::setPodcastSettings(int podcastSetting, const QStringList& podcasts, int numberOfEpisodes)
{
    TraceScope trace("PlaylistSettingsPage::setPodcastSettings");
    checkNames(podcasts);
    if (podcastSetting == 1)
        mAllButton->setChecked(true);
    else if (podcastSetting == 2)
        mSelectedButton->setChecked(true);
    else
        mNoneButton->setChecked(true);
    if (mEpisodeBox)
        mEpisodeBox->setCurrentIndex(numberOfEpisodes >= 0 && numberOfEpisodes <= kMaxEpisodeChoice ? numberOfEpisodes
                                                                                                    : 0);
}

void PlaylistSettingsPage::chooseFirstOption()
{
    TraceScope trace("PlaylistSettingsPage::chooseFirstOption");
    mAllButton->setChecked(true);
    checkNames(QStringList());
    if (mEpisodeBox)
        mEpisodeBox->setCurrentIndex(0);
}
