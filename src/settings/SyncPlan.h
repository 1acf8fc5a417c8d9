// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QStringList>

class SyncSettings;

// What one run does for one phone, taken from the settings file once when the
// run starts: which music, which of the backup's kinds, from which backup and
// photo folders. A value, so that the run's steps read it without touching
// the file again and nobody's later edit changes a run half-way.
struct SyncPlan
{
    // The backup's kinds the user ticked for the next sync.
    struct Copy
    {
        bool messages = false;
        bool addressBook = false;
        bool photos = false;
        bool calendar = false;
        bool calls = false;
        bool notes = false;
        bool bookmarks = false;
        bool voicemail = false;
        bool recordings = false;
    };

    QString deviceId;
    // 0 when the settings file has an entry for the phone, else the code getConfig gives.
    int configResult = 0;
    bool configured() const { return configResult == 0; }
    // Where the phone's entry stands in the file (later = configured more
    // recently); -1 without an entry.
    int configuredOrder = -1;
    QString cacheFileName;

    bool wholeLibrary = false;
    int podcastSetting = 0;
    QStringList playlists;
    QStringList podcasts;
    int numberOfEpisodes = 0;
    bool convertAacToMp3 = false;
    bool enableArtworkSync = false;
    bool forceArtworkSync = false;

    QString backupPath;
    QStringList photoFolders;
    Copy copy;

    static SyncPlan read(const SyncSettings& settings, const QString& id);
};
