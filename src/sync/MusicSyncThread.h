// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QThread>

class MusicSync;

// The worker thread of one sync run. It keeps the computer awake while it
// runs, and runs the engine inside a guarded region: a fault in the run is
// reported in the trace log and ends the run with StateCompleteWithErrors,
// while the program carries on.
class MusicSyncThread : public QThread
{
    Q_OBJECT

public:
    explicit MusicSyncThread(MusicSync* engine);

protected:
    void run() override;

private:
    MusicSync* mEngine;
};
