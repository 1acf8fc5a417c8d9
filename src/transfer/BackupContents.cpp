// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/BackupContents.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryCalendarConverter.h"
#include "transfer/blackberry/BlackberryCallsAndMemos.h"
#include "transfer/blackberry/BlackberryIpdReader.h"
#include "transfer/iphone/IphoneBackupEntry.h"
#include "transfer/iphone/IphoneExtractedFiles.h"
#include "transfer/iphone/IphoneManifestDbReader.h"
#include "transfer/iphone/IphoneMbdbReader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The names all come before the first record; this is far more than they take.
constexpr qint64 kIpdHeaderBytes = qint64(256) * 1024;

void noteEntry(const IphoneBackupEntry& entry, BackupContents& contents)
{
    using namespace IphoneExtractedFiles;
    const QString& path = entry.mRelativePath;
    if ((entry.mDomain == kHomeDomain && (path == kCallHistoryStore || path == kCallHistoryTempStore))
        || (entry.mDomain == kWirelessDomain && path == kLegacyCallHistory))
        contents.calls = true;
    if ((entry.mDomain == kNotesDomain && path == kNoteStore) || (entry.mDomain == kHomeDomain && path == kLegacyNotes))
        contents.notes = true;
    if (entry.mDomain == kHomeDomain && path == kSafariBookmarks)
        contents.bookmarks = true;
    if (entry.mDomain == kHomeDomain && path == kVoicemailDatabase)
        contents.voicemail = true;
    if (entry.mDomain == kMediaDomain && isRecording(path))
        contents.recordings = true;
}

BackupContents ofIphone(const QString& folder)
{
    BackupContents contents;
    contents.calendar = true;
    const QDir backup(folder);
    QList<IphoneBackupEntry> entries;
    const auto wanted = [&contents](const IphoneBackupEntry& entry) {
        noteEntry(entry, contents);
        return false; // nothing needs keeping
    };
    if (QFileInfo(backup.filePath(QStringLiteral("Manifest.db"))).isFile()) {
        (void)IphoneManifestDbReader::read(backup.filePath(QStringLiteral("Manifest.db")), entries, wanted);
    } else {
        QFile mbdb(backup.filePath(QStringLiteral("Manifest.mbdb")));
        if (mbdb.open(QIODevice::ReadOnly))
            (void)IphoneMbdbReader::read(mbdb.readAll(), entries);
        for (const IphoneBackupEntry& entry : std::as_const(entries))
            noteEntry(entry, contents);
    }
    return contents;
}

BackupContents ofIpd(const QString& path)
{
    BackupContents contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    QByteArray head = file.read(kIpdHeaderBytes);
    QBuffer buffer(&head);
    buffer.open(QIODevice::ReadOnly);
    BackupDatabaseTable table;
    BlackberryIpdReader reader(table);
    (void)reader.read(buffer);
    contents.calls = table.names().contains(QString::fromLatin1(BlackberryCallsAndMemos::kCallLogDatabase));
    contents.notes = table.names().contains(QString::fromLatin1(BlackberryCallsAndMemos::kMemoDatabase));
    contents.calendar =
        table.names().contains(QString::fromLatin1(BlackberryCalendarConverter::kCalendarDatabase))
        || table.names().contains(QString::fromLatin1(BlackberryCalendarConverter::kOlderCalendarDatabase));
    return contents;
}

} // namespace

BackupContents BackupContents::of(const QString& backupPath)
{
    TraceScope trace("BackupContents::of");
    if (BlackberryBackup::isArchivePath(backupPath))
        return {true, true, true, false, false, false};
    if (BlackberryBackup::isBackupPath(backupPath))
        return ofIpd(backupPath);
    return ofIphone(backupPath);
}
