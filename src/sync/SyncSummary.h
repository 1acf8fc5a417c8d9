// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QStringList>

struct MusicSyncOutcome;

// What a finished sync moved and what it could not, in words for the window.
class SyncSummary
{
public:
    // failedTracks: the names of the tracks the phone did not take.
    SyncSummary(const MusicSyncOutcome& outcome, const QStringList& failedTracks);

    // "Contacts: 12", "Text messages", "Photos: 3", "Tracks: 40"...
    QStringList moved() const { return mMoved; }
    // One line per failure.
    QStringList failed() const { return mFailed; }
    // Both lists as the window shows them; empty when nothing was done.
    QString text() const;

private:
    QStringList mMoved;
    QStringList mFailed;
};
