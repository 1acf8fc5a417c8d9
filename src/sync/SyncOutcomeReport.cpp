// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SyncOutcomeReport.h"

#include "app/ResultCodes.h"
#include "sync/MusicSync.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SyncOutcomeReport", text);
}

} // namespace

QString SyncOutcomeReport::reason(int code)
{
    switch (code) {
    case PhoneResult::Disconnected:
        return tr("the phone was disconnected");
    case PhoneResult::NoFreeName:
        return tr("too many other files of that name are on the phone");
    case PhoneResult::CopyFailed:
        return tr("the phone did not accept the file (it may be full)");
    case MediaResult::ConverterMissing:
    case MediaResult::ConverterFailedToStart:
    case MediaResult::ConverterCrashed:
        return tr("the video could not be converted");
    default:
        return tr("error %1").arg(code);
    }
}

QString SyncOutcomeReport::text(const MusicSyncOutcome& outcome)
{
    QStringList paragraphs;
    if (outcome.dataTransfer.code == DataResult::ArchiveTooLarge)
        paragraphs << tr("The backup archive was not unpacked: it would take up far more space than any "
                         "backup needs.");
    else if (outcome.dataTransfer.code == DataResult::ArchiveUnsafeEntry)
        paragraphs << tr("The backup archive was not unpacked: it holds links or names of places outside "
                         "its own folder.");
    if (outcome.phoneDisconnected)
        paragraphs << tr("The phone was disconnected during the synchronization. Connect it again and "
                         "synchronize to finish.");
    else if (outcome.flushResult != 0)
        paragraphs << tr("The phone did not confirm that the copied files are stored. Synchronize again "
                         "before you disconnect it.");
    const QList<PhotoNotCopied>& photos = outcome.notCopiedPhotos;
    if (!photos.isEmpty()) {
        QStringList lines;
        for (qsizetype i = 0; i < photos.size() && i < kMaxListedFiles; ++i) {
            lines << QFileInfo(photos.at(i).sourcePath).fileName().toHtmlEscaped() + QStringLiteral(": ")
                         + reason(photos.at(i).code).toHtmlEscaped();
        }
        if (photos.size() > kMaxListedFiles)
            lines << tr("and %1 more").arg(photos.size() - kMaxListedFiles);
        paragraphs << QCoreApplication::translate(
            "SyncOutcomeReport", "%n photo(s) or video(s) were not copied to the phone:", nullptr, int(photos.size()))
                   << lines.join(QStringLiteral("<br>"));
    }
    if (paragraphs.isEmpty())
        return QString();
    return QStringLiteral("<p>") + paragraphs.join(QStringLiteral("</p><p>")) + QStringLiteral("</p>");
}
