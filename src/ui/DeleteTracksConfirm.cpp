// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/DeleteTracksConfirm.h"

#include "app/TraceLog.h"
#include "model/TrackList.h"
#include "ui/TrackNames.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

DeleteTracksConfirm::DeleteTracksConfirm(const TrackList& tracks, QWidget* parent) : QDialog(parent), mTracks(tracks)
{
    TraceScope trace("DeleteTracksConfirm::DeleteTracksConfirm");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("The following tracks will be removed from your device. Do you want to continue?"), this));
    layout->addWidget(makeTrackNameList(trackNames(mTracks), this));
    mAlwaysDeleteCheckBox = new QCheckBox(tr("Always delete tracks without warning"), this);
    layout->addWidget(mAlwaysDeleteCheckBox);

    auto* buttons = new QHBoxLayout;
    auto* noButton = new QPushButton(tr("No"), this);
    auto* yesButton = new QPushButton(tr("Yes"), this);
    // Neither button may act on Enter by accident: deleting is not undone.
    noButton->setAutoDefault(false);
    yesButton->setAutoDefault(false);
    buttons->addWidget(noButton);
    buttons->addWidget(yesButton);
    layout->addLayout(buttons);
    connect(noButton, &QPushButton::clicked, this, &DeleteTracksConfirm::userClicksCancel);
    connect(yesButton, &QPushButton::clicked, this, &DeleteTracksConfirm::userClicksDone);
}

void DeleteTracksConfirm::userClicksDone()
{
    TraceScope trace("DeleteTracksConfirm::userClicksDone");
    done(mAlwaysDeleteCheckBox->isChecked() ? kYesAlways : kYes);
}

void DeleteTracksConfirm::userClicksCancel()
{
    TraceScope trace("DeleteTracksConfirm::userClicksCancel");
    done(kNo);
}
