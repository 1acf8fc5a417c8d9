// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QStringList>

// Where the extractor puts the databases of call history and notes, and the
// voicemail and voice memos: under the extraction folder,
// "<domain>/<path in the domain>".
namespace IphoneExtractedFiles {

inline const QString kHomeDomain = QStringLiteral("HomeDomain");
inline const QString kMediaDomain = QStringLiteral("MediaDomain");
inline const QString kWirelessDomain = QStringLiteral("WirelessDomain");
inline const QString kNotesDomain = QStringLiteral("AppDomainGroup-group.com.apple.notes");
inline const QString kCallHistoryStore = QStringLiteral("Library/CallHistoryDB/CallHistory.storedata");
inline const QString kCallHistoryTempStore = QStringLiteral("Library/CallHistoryDB/CallHistoryTemp.storedata");
inline const QString kLegacyCallHistory = QStringLiteral("Library/CallHistory/call_history.db");
inline const QString kNoteStore = QStringLiteral("NoteStore.sqlite");
inline const QString kLegacyNotes = QStringLiteral("Library/Notes/notes.sqlite");
inline const QString kSafariBookmarks = QStringLiteral("Library/Safari/Bookmarks.db");
// Each voicemail's audio is "<ROWID>.amr" beside its database.
inline const QString kVoicemailFolder = QStringLiteral("Library/Voicemail");
inline const QString kVoicemailDatabase = QStringLiteral("Library/Voicemail/voicemail.db");
inline const QString kRecordingsFolder = QStringLiteral("Media/Recordings");
inline const QString kCloudRecordings = QStringLiteral("Media/Recordings/CloudRecordings.db");
inline const QString kLegacyRecordings = QStringLiteral("Media/Recordings/Recordings.db");

// The extracted file, or empty when the backup did not hold it.
QString path(const QString& extractionFolder, const QString& domain, const QString& relativePath);

// A voicemail's audio (HomeDomain) and a voice memo (MediaDomain): files
// directly in their folders, by their suffix.
bool isVoicemailAudio(const QString& relativePath);
bool isRecording(const QString& relativePath);

} // namespace IphoneExtractedFiles
