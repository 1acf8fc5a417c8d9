// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Which of the kinds that not every backup holds a backup has, found from
// its list of files (an iPhone backup's manifest, a BlackBerry backup's
// database names) without reading the data, so that the wizard can offer
// exactly those.
struct BackupContents
{
    bool calls = false;
    bool notes = false;
    bool calendar = false;   // every iPhone backup: its calendar database is always there
    bool bookmarks = false;  // iPhone only
    bool voicemail = false;  // iPhone only
    bool recordings = false; // iPhone only: voice memos

    // A ".bbb" archive is not unpacked for this: it is taken to hold what a BlackBerry can.
    static BackupContents of(const QString& backupPath);
};
