// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QWizardPage>

class QCheckBox;
class QRadioButton;

// Album-art choices and whether to sync at once. No page of the wizard leads
// to it, so its defaults are what the wizard saves.
class ConculsionStartSyncPage : public QWizardPage
{
    Q_OBJECT
public:
    explicit ConculsionStartSyncPage(QWidget* parent = nullptr);

    bool syncNow() const;
    bool syncArtworkForNewTracks() const;
    bool syncArtworkForOldTracks() const;
    void setArtworkChoices(bool newTracks, bool oldTracks);
    bool changedByUser() const { return mChangedByUser; }
    void setCurrent(bool current) { mCurrent = current; }
    bool isCurrent() const { return mCurrent; }

private:
    QCheckBox* mNewTracksArtBox = nullptr;
    QCheckBox* mOldTracksArtBox = nullptr;
    QRadioButton* mSyncNowButton = nullptr;
    QRadioButton* mSyncLaterButton = nullptr;
    bool mCurrent = false;
    bool mChangedByUser = false;
};
