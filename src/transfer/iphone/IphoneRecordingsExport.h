// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include <QString>

#include <optional>

class DatedFileCopier;

// The iPhone's voice memos: the ".m4a" files of "Media/Recordings", titled
// and dated by CloudRecordings.db (ZCLOUDRECORDING) or the older
// Recordings.db (ZRECORDING) where the backup has one, else by their own
// file names.
class IphoneRecordingsExport : public IphoneDatabaseExport
{
public:
    // Copies every recording of recordingsFolder into files as
    // "<title>.m4a" with the recording's time. databasePath may be empty.
    // Recordings the database lists whose audio the backup lacks (kept only
    // in iCloud) are counted in missingAudio; those in the app's "Recently
    // Deleted" are left out. The result is the database's: the audio is
    // copied under the files' own names even when it cannot be read.
    static int copy(const QString& recordingsFolder, const QString& databasePath, DatedFileCopier& files,
                    int& missingAudio);

    // The time a Voice Memos file name begins with ("20180114 132606.m4a",
    // "20180114 132606-3F0F5E2A.m4a"), taken as local time.
    static std::optional<qint64> timeOfFileName(const QString& fileName);
};
