// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SyncReport.h"

#include "transfer/FailureText.h"

#include "app/ResultCodes.h"
#include "sync/MusicSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SyncReport", text);
}

QString withReason(const QString& what, int code)
{
    return what + QStringLiteral(" (") + SyncReport::reason(code) + QLatin1Char(')');
}

// A failed file names what could not be written; one not asked for says nothing.
void addFile(const ConvertedFile& file, const QString& what, QStringList& moved, QStringList& failed)
{
    if (file.code != 0) {
        failed.append(withReason(what + tr(" could not be copied"), file.code));
        return;
    }
    if (file.path.isEmpty())
        return;
    // iPhone exports do not count their entries.
    moved.append(file.count >= 0 ? what + QStringLiteral(": %1").arg(file.count) + file.attachmentSummary() : what);
}

QString photosNotCopied(qsizetype count)
{
    return tr("Photos and videos not copied: %1").arg(count);
}

// The first lines of a long list, and how many more there are.
QString listedLines(QStringList lines, qsizetype total)
{
    if (total > SyncReport::kMaxListedFiles)
        lines << tr("and %1 more").arg(total - SyncReport::kMaxListedFiles);
    return lines.join(QStringLiteral("<br>"));
}

QString photoLines(const QList<PhotoNotCopied>& photos)
{
    QStringList lines;
    for (qsizetype i = 0; i < photos.size() && i < SyncReport::kMaxListedFiles; ++i) {
        // With its folder: camera rolls number their files again in every folder.
        const QFileInfo photo(photos.at(i).sourcePath);
        lines << QString(photo.dir().dirName() + QLatin1Char('/') + photo.fileName()).toHtmlEscaped()
                     + QStringLiteral(": ") + SyncReport::reason(photos.at(i).code).toHtmlEscaped();
    }
    return listedLines(lines, photos.size());
}

QString nameLines(const QStringList& names)
{
    QStringList lines;
    for (qsizetype i = 0; i < names.size() && i < SyncReport::kMaxListedFiles; ++i)
        lines << names.at(i).toHtmlEscaped();
    return listedLines(lines, names.size());
}

QString warningHtmlFor(const MusicSyncOutcome& outcome)
{
    QStringList paragraphs;
    if (outcome.dataTransfer.code == DataResult::ArchiveTooLarge)
        paragraphs << tr("The backup archive was not unpacked: it would take up far more space than any "
                         "backup needs.");
    else if (outcome.dataTransfer.code == DataResult::ArchiveUnsafeEntry)
        paragraphs << tr("The backup archive was not unpacked: it holds links or names of places outside "
                         "its own folder.");
    else if (outcome.dataTransferFailed())
        paragraphs << tr("Nothing was transferred from the backup: %1.")
                          .arg(FailureText::of(outcome.dataTransfer.code).toHtmlEscaped());
    if (outcome.phoneDisconnected)
        paragraphs << tr("The phone was disconnected during the synchronization. Connect it again and "
                         "synchronize to finish.");
    else if (outcome.flushResult != 0)
        paragraphs << tr("The phone did not confirm that the copied files are stored. Synchronize again "
                         "before you disconnect it.");
    if (!outcome.tracksNotRemoved.isEmpty())
        paragraphs << tr("These tracks are still on the phone: they could not be removed.") + QStringLiteral("<br>")
                          + nameLines(outcome.tracksNotRemoved);
    if (!outcome.notCopiedPhotos.isEmpty())
        paragraphs << photosNotCopied(outcome.notCopiedPhotos.size()).toHtmlEscaped() + QStringLiteral("<br>")
                          + photoLines(outcome.notCopiedPhotos);
    if (paragraphs.isEmpty())
        return QString();
    return QStringLiteral("<p>") + paragraphs.join(QStringLiteral("</p><p>")) + QStringLiteral("</p>");
}

} // namespace

SyncReport::SyncReport(const MusicSyncOutcome& outcome, const QStringList& failedTracks)
    : mWarningHtml(warningHtmlFor(outcome)), mFilesReadBack(outcome.dataTransfer.filesReadBack)
{
    const BackupConversionResult& data = outcome.dataTransfer;
    if (data.code != 0) {
        mFailed.append(withReason(tr("Nothing could be read from the backup"), data.code));
    } else {
        addKind(data.addressBook, data.contactsVcard, tr("Contacts"), tr("Contacts for the phone's apps"));
        addKind(data.messages, data.smsBackup, tr("Text messages"), tr("Text messages for the phone's apps"));
        addKind(data.calendar, data.calendarIcs, tr("Calendar entries"), tr("Calendar entries for the phone's apps"));
        // Calls and notes have only their standard files.
        addFile(data.callLog, tr("Calls"), mMoved, mFailed);
        addFile(data.notes, tr("Notes"), mMoved, mFailed);
        addFile(data.bookmarks, tr("Bookmarks"), mMoved, mFailed);
        addFile(data.voicemail, tr("Voicemails"), mMoved, mFailed);
        addFile(data.recordings, tr("Voice memos"), mMoved, mFailed);
        if (data.callLog.leftOut > 0)
            mFailed.append(tr("%1 FaceTime calls to e-mail addresses were left out: a phone's call log holds "
                              "only numbers")
                               .arg(data.callLog.leftOut));
        if (data.notes.leftOut > 0)
            mFailed.append(
                tr("%1 locked notes were not copied: unlock them on the iPhone first").arg(data.notes.leftOut));
        if (data.notes.unreadable > 0)
            mFailed.append(tr("%1 notes could not be read from the backup").arg(data.notes.unreadable));
        if (data.voicemail.leftOut > 0)
            mFailed.append(
                tr("%1 voicemails were not copied: their audio is not in the backup").arg(data.voicemail.leftOut));
        if (data.recordings.leftOut > 0)
            mFailed.append(tr("%1 voice memos were not copied: their audio is not in the backup (it may be kept "
                              "only in iCloud)")
                               .arg(data.recordings.leftOut));
    }
    if (outcome.photosSent > 0)
        mMoved.append(tr("Photos: %1").arg(outcome.photosSent));
    if (!outcome.notCopiedPhotos.isEmpty())
        mFailed.append(photosNotCopied(outcome.notCopiedPhotos.size()));
    if (outcome.tracksCopied > 0)
        mMoved.append(tr("Tracks: %1").arg(outcome.tracksCopied));
    for (const QString& track : failedTracks)
        mFailed.append(tr("Track not copied: ") + track);
    if (outcome.tracksRemoved > 0)
        mRemoved = outcome.tracksRemoved == 1 ? tr("Removed from the phone: 1 track")
                                              : tr("Removed from the phone: %1 tracks").arg(outcome.tracksRemoved);
    mNotRemoved = outcome.tracksNotRemoved;
    if (outcome.tracksKeptForUnreadLibrary > 0)
        mFailed.append(tr("Tracks left on the phone: %1 (the music library could not be read or holds no music, "
                          "so nothing was removed)")
                           .arg(outcome.tracksKeptForUnreadLibrary));
}

void SyncReport::addKind(const ConvertedFile& companionFile, const ConvertedFile& standardFile, const QString& what,
                         const QString& whatForApps)
{
    addFile(companionFile, what, mMoved, mFailed);
    // A phone without the companion app gets only the standard file: it tells
    // what was moved. Otherwise it holds the same entries, and only its failure is told.
    if (companionFile.path.isEmpty() && companionFile.code == 0) {
        addFile(standardFile, what, mMoved, mFailed);
        return;
    }
    QStringList sameEntries;
    addFile(standardFile, whatForApps, sameEntries, mFailed);
}

QString SyncReport::summaryText() const
{
    QString text;
    if (!mMoved.isEmpty())
        text += tr("Copied to the phone: ") + mMoved.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (mFilesReadBack > 0) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text +=
            mFilesReadBack == 1
                ? tr("The data file was read back from the phone: identical to what was sent.")
                : tr("%1 data files were read back from the phone: identical to what was sent.").arg(mFilesReadBack);
    }
    if (!mRemoved.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += mRemoved;
    }
    if (!mFailed.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += tr("Not copied:\n") + mFailed.join(QLatin1Char('\n'));
    }
    if (!mNotRemoved.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += tr("Not removed from the phone:\n") + mNotRemoved.join(QLatin1Char('\n'));
    }
    return text;
}

QString SyncReport::reason(int code)
{
    switch (code) {
    case PhoneResult::Disconnected:
        return tr("the phone was disconnected");
    case PhoneResult::ReadBackDiffers:
        return tr("read back from the phone, it differs from what was sent");
    case PhoneResult::NoFreeName:
        return tr("too many other files of that name are on the phone");
    case PhoneResult::CopyFailed:
        return tr("the phone did not accept the file, it may be full");
    case MediaResult::ConverterMissing:
    case MediaResult::ConverterFailedToStart:
    case MediaResult::ConverterCrashed:
        return tr("the video could not be converted");
    default:
        return FailureText::of(code);
    }
}
