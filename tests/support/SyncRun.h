// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QObject>
#include <QSignalSpy>
#include <QString>

#include <memory>

class MusicSync;

// Plays the main window for one sync run: listens to the engine's five
// signals as the window does (progress queued, questions blocking-queued),
// answers the questions as told, and waits for the worker thread to end.
class SyncRun : public QObject
{
    Q_OBJECT

public:
    explicit SyncRun(MusicSync& engine);
    ~SyncRun() override;

    // Starts the run and waits for its thread; false on time-out.
    bool run(bool forceFullResync = false);

    // States in the order reported, each repeat of the same state dropped.
    QList<int> states() const;
    // Percentages of the three-argument progress reports made in this state.
    QList<int> percents(int state) const;
    // Names of the three-argument progress reports made in this state.
    QStringList names(int state) const;
    int stateCount(int state) const;

    // Answers to the questions.
    bool mCancelOnNotEnoughSpace = false;
    bool mConfirmDelete = true;
    QList<qint64> mShortfalls;
    int mDrmQuestions = 0;
    int mDeleteQuestions = 0;

private slots:
    void onNotEnoughSpace(qint64 aAdditionalSpaceRequired);
    void onDrmTracksFound();
    void onConfirmDeleteTracks();

private:
    MusicSync& mEngine;
    std::unique_ptr<QSignalSpy> mStateSpy;
    std::unique_ptr<QSignalSpy> mProgressSpy;
};
