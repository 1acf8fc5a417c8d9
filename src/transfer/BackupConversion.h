// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/PhotoPath.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// What to take from a backup.
struct BackupChoices
{
    // Korva: the XML files for the companion app; Android: the standard files
    // every Android phone imports (vCard, iCalendar, SMS Backup & Restore);
    // All: both, from the same reading of the backup.
    enum class Format { Korva, Android, All };

    bool addressBook = true;
    bool messages = true;
    bool calendar = true;
    // Only standard files: the companion app has none for these.
    bool calls = true;
    bool notes = true;
    bool bookmarks = true; // iPhone only
    // iPhone only: the voicemails' and voice memos' audio, copied as it is.
    bool voicemail = true;
    bool recordings = true;
    Format format = Format::Korva;
    // When the conversion runs: it names the messages file and stamps the calendar.
    QDateTime conversionTime = QDateTime::currentDateTime();
    // An encrypted iPhone backup's password, held only for the run.
    QByteArray password;
};

// One data file the conversion wrote, or was asked for and could not write.
struct ConvertedFile
{
    QString path;   // empty when the file was not asked for or has no source in the backup
    int code = 0;   // 0, or why the file is missing or incomplete
    int count = -1; // entries written, when the writer counts them
    // Messages only: those with attachments, the attachments carried, and
    // those only named because the backup lacked them or they were too large.
    int multimedia = 0;
    int attachments = 0;
    int missingAttachments = 0;
    // What the backup held but the file could not take: calendar entries
    // without a start date, FaceTime calls to e-mail addresses, locked notes,
    // voicemails and voice memos whose audio is not in the backup.
    int leftOut = 0;
    // Notes: the bodies that did not decode.
    int unreadable = 0;
    // Notes, voicemail and voice memos: the files written, relative to the folder in path.
    QStringList files = {};

    // ", of which 6 with 7 attachments; 1 attachment not in the backup", or
    // empty when no message had attachments.
    QString attachmentSummary() const;
};

struct BackupConversionResult
{
    enum class Kind { Unknown, BlackBerry, Iphone };
    Kind kind = Kind::Unknown;
    // 0, or why nothing could be read from the backup.
    int code = 0;
    int databases = 0; // BlackBerry: databases found in the backup
    ConvertedFile addressBook;
    ConvertedFile messages;
    ConvertedFile calendar;
    // The standard files: "contacts.vcf", "sms-<time>.xml", "calendar.ics".
    ConvertedFile contactsVcard;
    ConvertedFile smsBackup;
    ConvertedFile calendarIcs;
    // "calls-<time>.xml" (SMS Backup & Restore) and the "Notes" folder.
    ConvertedFile callLog;
    ConvertedFile notes;
    // "bookmarks.html" (Netscape bookmark file) of an iPhone's Safari.
    ConvertedFile bookmarks;
    // The "Voicemail" and "Recordings" folders of audio files.
    ConvertedFile voicemail;
    ConvertedFile recordings;
    // Camera-roll files found in an iPhone backup's extraction.
    QList<PhotoPath> photos;
    // A sync only: the data files read back from the phone after their copy
    // and found identical to what was sent.
    int filesReadBack = 0;

    // The first failure of the run: the backup's, else that of a file.
    int firstFailure() const;
};

// A backup to the phone's data files in outputFolder. A sync and
// velmora-convert both run exactly this, so a user's conversion can be
// reproduced without the phone.
class BackupConversion
{
public:
    static BackupConversionResult::Kind kindOf(const QString& backupPath);

    // workFolder is emptied and then holds what the iPhone extractor unpacks,
    // or a BlackBerry archive's private unpacking folder; it may be the
    // output folder itself.
    static BackupConversionResult convert(const QString& backupPath, const QString& workFolder,
                                          const QString& outputFolder, const BackupChoices& choices);
};
