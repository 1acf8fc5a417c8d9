// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QStringList>

struct ConvertedFile;
struct MusicSyncOutcome;

// What a finished sync moved and what it could not, worded once for the two
// places the window tells it: the summary under the progress bar (plain text)
// and the warning box after a run that did not get everything onto the phone
// (HTML: which photos and videos are missing and why, a phone that went away
// or did not confirm its data, a backup archive that was refused).
class SyncReport
{
public:
    // Files listed by name in the warning box; more than this are counted instead.
    static constexpr int kMaxListedFiles = 20;

    // failedTracks: the names of the tracks the phone did not take.
    explicit SyncReport(const MusicSyncOutcome& outcome, const QStringList& failedTracks = {});

    // "Contacts: 12", "Text messages", "Photos: 3", "Tracks: 40"...
    QStringList moved() const { return mMoved; }
    // One line per failure; photos and videos are counted, not named.
    QStringList failed() const { return mFailed; }
    // "Removed from the phone: 3 tracks"; empty when nothing was removed.
    QString removed() const { return mRemoved; }
    // The names of the tracks that were to leave the phone but are still on it.
    QStringList notRemoved() const { return mNotRemoved; }
    // Both lists as the window's summary shows them; empty when nothing was done.
    QString summaryText() const;
    // The warning box's text; empty when the run has nothing to warn about.
    QString warningHtml() const { return mWarningHtml; }

    // The reason for one result code, in words.
    static QString reason(int code);

private:
    void addKind(const ConvertedFile& companionFile, const ConvertedFile& standardFile, const QString& what,
                 const QString& whatForApps);

    QStringList mMoved;
    QStringList mFailed;
    QString mRemoved;
    QStringList mNotRemoved;
    QString mWarningHtml;
    int mFilesReadBack = 0;
};
