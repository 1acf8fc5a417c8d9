// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include <QString>

#include <optional>

class DatedFileCopier;

// The iPhone's voicemail: "voicemail.db" (table voicemail, whose columns
// differ between iOS versions: ROWID, date in seconds since 1970, sender,
// trashed_date) with each message's audio as "<ROWID>.amr" beside it.
class IphoneVoicemailExport : public IphoneDatabaseExport
{
public:
    // Copies the audio of every voicemail not in the phone's trash into files
    // as "<date> <sender>.amr" with the voicemail's time; those whose audio
    // the backup lacks are counted in missingAudio.
    static int copy(const QString& databasePath, const QString& audioFolder, DatedFileCopier& files, int& missingAudio);

    // "2024-03-05 14.07 +15550100200", in local time: FAT allows no colons.
    static QString title(std::optional<qint64> secondsSince1970, const QString& sender);
};
