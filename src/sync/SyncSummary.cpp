// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SyncSummary.h"

#include "sync/MusicSync.h"

namespace {
// A failed file names what could not be written; one not asked for says nothing.
void addFile(const ConvertedFile& file, const QString& what, QStringList& moved, QStringList& failed)
{
    if (file.code != 0) {
        failed.append(what + QStringLiteral(" could not be copied (error %1)").arg(file.code));
        return;
    }
    if (file.path.isEmpty())
        return;
    // iPhone exports do not count their entries.
    moved.append(file.count >= 0 ? what + QStringLiteral(": %1").arg(file.count) : what);
}
} // namespace

SyncSummary::SyncSummary(const MusicSyncOutcome& outcome, const QStringList& failedTracks)
{
    const BackupConversionResult& data = outcome.dataTransfer;
    if (data.code != 0) {
        mFailed.append(QStringLiteral("Nothing could be read from the backup (error %1)").arg(data.code));
    } else {
        addFile(data.addressBook, QStringLiteral("Contacts"), mMoved, mFailed);
        addFile(data.messages, QStringLiteral("Text messages"), mMoved, mFailed);
        addFile(data.calendar, QStringLiteral("Calendar entries"), mMoved, mFailed);
    }
    if (outcome.photosSent > 0)
        mMoved.append(QStringLiteral("Photos: %1").arg(outcome.photosSent));
    if (outcome.tracksCopied > 0)
        mMoved.append(QStringLiteral("Tracks: %1").arg(outcome.tracksCopied));
    for (const QString& track : failedTracks)
        mFailed.append(QStringLiteral("Track not copied: ") + track);
}

QString SyncSummary::text() const
{
    QString text;
    if (!mMoved.isEmpty())
        text += QStringLiteral("Copied to the phone: ") + mMoved.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (!mFailed.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("Not copied:\n") + mFailed.join(QLatin1Char('\n'));
    }
    return text;
}
