// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

struct MusicSyncOutcome;

// What the main window tells the user after a run that did not get
// everything onto the phone: which photos and videos are missing and why, a
// phone that went away, a phone that did not confirm its data. Empty when
// there is nothing to say.
namespace SyncOutcomeReport {

// Files listed by name; more than this are counted instead.
constexpr int kMaxListedFiles = 20;

QString text(const MusicSyncOutcome& outcome);
// The reason for one result code, in words.
QString reason(int code);

} // namespace SyncOutcomeReport
