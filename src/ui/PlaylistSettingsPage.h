// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QStringList>
#include <QWizardPage>

class LocalMusicLibrary;
class MusicFolderWidget;
class QComboBox;
class QListWidget;
class QRadioButton;
class SpaceGauge;

// Which music or which podcasts go to the phone, filled from the phone's
// settings and read when saving. The music page also shows the folder the
// library reads, when the library reads one.
class PlaylistSettingsPage : public QWizardPage
{
    Q_OBJECT
public:
    // Podcast mode lists podcasts and offers the episode choice.
    explicit PlaylistSettingsPage(bool podcastMode, QWidget* parent = nullptr);

    int nextId() const override;

    // Music mode: the whole library is copied.
    bool syncWholeLibrary() const;
    // Podcast mode: 1 all podcasts, 2 the selected ones, 0 none.
    int podcastSyncSettings() const;
    // The checked names, only when the "selected" choice is made.
    QStringList playlistNames() const;
    // Episodes to keep per podcast, 0 for all; 0 in music mode.
    int numberOfEpisodes() const;

    // Offers the library's playlists or podcasts, again after each scan of
    // the library; the music page shows and changes the library's folder.
    void setLibrary(LocalMusicLibrary* library);
    // The folder shown on the music page; empty when the library reads none.
    QString musicFolder() const;

    // Offers these names, checking those in selected.
    void setAvailableNames(const QStringList& names);
    void setWholeLibrary(bool wholeLibrary, const QStringList& playlists);
    void setPodcastSettings(int podcastSetting, const QStringList& podcasts, int numberOfEpisodes);
    // Back to the first choice, nothing checked, all episodes.
    void chooseFirstOption();
    // Whether the user changed a choice on the page: a phone's stored
    // choices then no longer replace what the user set.
    bool changedByUser() const { return mChangedByUser; }
    void setCurrent(bool current) { mCurrent = current; }
    // The phone's used and free space in the page's gauge.
    void showPhoneSpace(qint64 usedBytes, qint64 freeBytes);
    bool isCurrent() const { return mCurrent; }

    static constexpr int kMaxEpisodeChoice = 10;

private:
    void checkNames(const QStringList& names);
    // The library's names anew, keeping what is checked.
    void refreshNames();

    bool mPodcastMode;
    bool mCurrent = false;
    bool mChangedByUser = false;
    // Set while the page itself fills the list, whose item signals cannot tell who changed them.
    bool mFilling = false;
    QRadioButton* mAllButton = nullptr;
    QRadioButton* mSelectedButton = nullptr;
    QRadioButton* mNoneButton = nullptr;
    QListWidget* mNameList = nullptr;
    QComboBox* mEpisodeBox = nullptr;
    SpaceGauge* mSpaceGauge = nullptr;
    MusicFolderWidget* mMusicFolder = nullptr;
    LocalMusicLibrary* mLibrary = nullptr;
};
