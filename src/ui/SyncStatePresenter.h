// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// What the main window shows for a state of the engine or the phone: the
// texts, whether the run is idle or busy, and which of the gauge and the
// progress bar is up. Holds no widgets, so that it is tested without a display.
struct SyncStateView
{
    enum class Mode {
        Unchanged,  // the state shows nothing of its own
        Idle,       // regular buttons, an empty bar, the phone watched again
        Busy,       // buttons off, a bar that only says "working"
        Copying,    // buttons off, a bar with the percentage
        OpenWizard, // the phone needs setting up first
    };
    enum class Panel {
        Unchanged,
        IdleGauge,   // the gauge, greyed: no phone to measure
        PhoneGauge,  // the phone's gauge, and a full resync may be chosen
        ProgressBar, // the run's progress
    };

    Mode mode = Mode::Unchanged;
    Panel panel = Panel::Unchanged;
    QString status;
    QString detail;
    // An end of a run: its summary is shown and the checks that follow it run.
    bool endOfRun = false;
    // A new run starts: the last run's summary goes.
    bool clearsSummary = false;
};

class SyncStatePresenter
{
public:
    // The view of state, entered from previousState. readyDetail is the
    // detail a ready phone shows: its name, or what is shown when none is listed.
    static SyncStateView present(int state, int previousState, const QString& readyDetail);
    // Whether state ends a run (the engine may still be using the phone).
    static bool isEndOfRun(int state);
    // Whether the tracks that were not copied are told when entering state.
    static bool tellsNotCopiedTracks(int state);
    // Whether a set-up phone that is connected may be synced again with its
    // saved choices in this state (one click, no wizard).
    static bool offersSync(int state);
};
