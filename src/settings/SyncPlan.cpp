// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "settings/SyncPlan.h"

#include "settings/SyncSettings.h"

SyncPlan SyncPlan::read(const SyncSettings& settings, const QString& id)
{
    SyncPlan plan;
    plan.deviceId = id;
    // getConfig already turns a first empty playlist into the whole-library
    // flag and the "no music" marker into an empty list.
    plan.configResult = settings.getConfig(id, plan.wholeLibrary, plan.podcastSetting, plan.playlists, plan.podcasts);
    if (!plan.configured())
        return plan;
    plan.configuredOrder = settings.deviceOrder(id);
    settings.getCacheFilename(id, plan.cacheFileName);
    plan.numberOfEpisodes = settings.numberOfEpisodesToSync(id);
    plan.convertAacToMp3 = settings.convertAacToMp3(id);
    plan.enableArtworkSync = settings.enableArtworkSync(id);
    plan.forceArtworkSync = settings.forceArtworkSync(id);

    plan.backupPath = settings.selectedBackupPath(id);
    for (const auto& entry : settings.getSettingsList(id, SettingsKeys::photoFoldersList())) {
        if (!entry.second.isEmpty())
            plan.photoFolders.append(entry.second);
    }
    plan.copy.messages = settings.copyTextMessages(id);
    plan.copy.addressBook = settings.copyAddressBook(id);
    plan.copy.photos = settings.copyPhotos(id);
    plan.copy.calendar = settings.copyCalendar(id);
    plan.copy.calls = settings.copyCallHistory(id);
    plan.copy.notes = settings.copyNotes(id);
    plan.copy.bookmarks = settings.copyBookmarks(id);
    plan.copy.voicemail = settings.copyVoicemail(id);
    plan.copy.recordings = settings.copyRecordings(id);
    return plan;
}
