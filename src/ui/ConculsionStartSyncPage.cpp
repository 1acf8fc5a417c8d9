// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/ConculsionStartSyncPage.h"

#include "app/TraceLog.h"
#include "ui/WizardSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

ConculsionStartSyncPage::ConculsionStartSyncPage(QWidget* parent) : QWizardPage(parent)
{
    TraceScope trace("ConculsionStartSyncPage::ConculsionStartSyncPage");
    setTitle(QStringLiteral("Phone Setup"));
    applyWizardWatermark(this);
    // The phone is chosen after this page: Finish comes there.
    setFinalPage(false);

    auto* artGroup = new QGroupBox(QStringLiteral("Album Art"), this);
    mNewTracksArtBox = new QCheckBox(QStringLiteral("Synchronize album art for newly added tracks"), artGroup);
    mNewTracksArtBox->setObjectName(QStringLiteral("artNewTracks"));
    mOldTracksArtBox = new QCheckBox(QStringLiteral("Synchronize album art for previously added tracks"), artGroup);
    mOldTracksArtBox->setObjectName(QStringLiteral("artOldTracks"));
    auto* artLayout = new QVBoxLayout(artGroup);
    artLayout->addWidget(mNewTracksArtBox);
    artLayout->addWidget(mOldTracksArtBox);

    auto* syncGroup = new QGroupBox(QStringLiteral("Synchronization Options"), this);
    mSyncNowButton = new QRadioButton(QStringLiteral("Sync now"), syncGroup);
    mSyncNowButton->setObjectName(QStringLiteral("syncNow"));
    mSyncNowButton->setChecked(true);
    mSyncLaterButton = new QRadioButton(QStringLiteral("Sync later"), syncGroup);
    mSyncLaterButton->setObjectName(QStringLiteral("syncLater"));
    auto* syncLayout = new QVBoxLayout(syncGroup);
    syncLayout->addWidget(mSyncNowButton);
    syncLayout->addWidget(mSyncLaterButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(artGroup);
    layout->addWidget(syncGroup);
    layout->addStretch();
    for (QCheckBox* box : {mNewTracksArtBox, mOldTracksArtBox})
        connect(box, &QCheckBox::clicked, this, [this] { mChangedByUser = true; });
}

void ConculsionStartSyncPage::setArtworkChoices(bool newTracks, bool oldTracks)
{
    mNewTracksArtBox->setChecked(newTracks);
    mOldTracksArtBox->setChecked(oldTracks);
}

bool ConculsionStartSyncPage::syncNow() const
{
    TraceScope trace("ConculsionStartSyncPage::syncNow");
    return mSyncNowButton->isChecked();
}

bool ConculsionStartSyncPage::syncArtworkForNewTracks() const
{
    TraceScope trace("ConculsionStartSyncPage::syncArtworkForNewTracks");
    return mNewTracksArtBox->isChecked();
}

bool ConculsionStartSyncPage::syncArtworkForOldTracks() const
{
    TraceScope trace("ConculsionStartSyncPage::syncArtworkForOldTracks");
    return mOldTracksArtBox->isChecked();
}
