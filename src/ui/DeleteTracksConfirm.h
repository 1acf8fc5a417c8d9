// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDialog>

class QCheckBox;
class TrackList;

// Asks before tracks are removed from the phone. exec() answers kNo, kYes, or
// kYesAlways when the user also chose never to be asked again.
class DeleteTracksConfirm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kNo = 0;
    static constexpr int kYes = 1;
    static constexpr int kYesAlways = 2;

    explicit DeleteTracksConfirm(const TrackList& tracks, QWidget* parent = nullptr);

public slots:
    void userClicksDone();
    void userClicksCancel();

private:
    const TrackList& mTracks;
    QCheckBox* mAlwaysDeleteCheckBox = nullptr;
};
