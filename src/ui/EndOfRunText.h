// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

struct MusicSyncOutcome;

// The one box at the end of a run, worded without widgets: what did not
// reach the phone, how to import the standard files, what a switcher from an
// iPhone must still do, and where the run's report is kept.
namespace EndOfRunText {

// Empty when the run leaves nothing to tell (the report alone is no reason
// to stop the user with a box).
QString html(const MusicSyncOutcome& outcome);

// The two sentences that keep texts from other iPhones from going to the old phone.
QString iMessageNotice();

} // namespace EndOfRunText
