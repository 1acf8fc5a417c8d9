// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"
#include "transfer/iphone/PhotoPath.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What to take from an iPhone backup.
struct IphoneConversionChoices
{
    bool addressBook = true;
    bool messages = true;
    bool calendar = true;
    // An encrypted backup's password, held only for the run.
    QByteArray password;
    bool calls = true;
    bool notes = true;
};

struct IphoneConversionResult
{
    // 0, or why the extractor could not read the backup (nothing was converted).
    int code = 0;
    // Per file: the path written (empty when not chosen) and its result code.
    QString addressBookPath;
    int addressBookCode = 0;
    QString messagesPath;
    int messagesCode = 0;
    QString calendarPath;
    int calendarCode = 0;
    // Records read from each database (also when its reading stopped early).
    int addressBookCount = 0;
    int messagesCount = 0;
    int calendarCount = 0;
    // Calls and notes go only to the standard sinks; a backup without their
    // databases gives no file and no failure.
    bool callsFound = false;
    bool notesFound = false;
    int callsCode = 0;
    int callsLeftOut = 0; // FaceTime calls to e-mail addresses
    int notesCode = 0;
    int notesLocked = 0;
    int notesUnreadable = 0;
    // Camera-roll files found in the extraction folder.
    QList<PhotoPath> photos;
};

// One iPhone backup to the phone's XML files: runs the extractor into
// extractionFolder (emptied first), then writes "address.xml", "messages.xml"
// and "calendar.xml" into outputFolder as chosen, feeding the same records
// to the standard sinks. Used by a sync run and by
// the velmora-convert program alike.
class IphoneConversion
{
public:
    static IphoneConversionResult convert(const QString& backupFolder, const QString& extractionFolder,
                                          const QString& outputFolder, const IphoneConversionChoices& choices,
                                          const StandardSinks& standard = {});

    // An iPhone backup folder: one holding Manifest.db or Manifest.mbdb.
    static bool isBackupFolder(const QString& path);
};
