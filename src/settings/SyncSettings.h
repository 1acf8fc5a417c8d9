// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QDate>
#include <QDomDocument>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The per-user settings file "korva.xml": one entry per configured phone plus a
// few program-wide values. Every user loads its own object, changes it in
// memory and saves it; nothing is shared or cached between objects.
class SyncSettings
{
public:
    using SettingsList = QList<QPair<QString, QString>>;

    static constexpr int kErrorCannotOpenFile = StoreResult::SettingsCannotOpen;
    static constexpr int kErrorCannotSaveFile = StoreResult::SettingsCannotSave;
    static constexpr int kErrorNotConfigured = PhoneResult::NotConfigured;

    SyncSettings();

    // The settings file's path: home + "/KORVA" + "/korva.xml".
    static QString filePath();

    int load();
    // Writes the whole document atomically; the old file stays intact on failure.
    int save();

    QDomElement findDeviceElement(const QString& id) const;
    // Whether any phone has been set up on this computer.
    bool hasAnyPhone() const;
    // 1 for the first phone's entry, 2 for the next, ...; -1 without an entry.
    int deviceOrder(const QString& id) const;
    // Makes this a deep copy of other's document.
    void copyFrom(const SyncSettings& other);
    int getCacheFilename(const QString& id, QString& path) const;

    QString getStringValue(const QString& id, const QString& key) const;
    int getIntValue(const QString& id, const QString& key, int defaultValue) const;
    bool getBooleanValue(const QString& id, const QString& key, bool defaultValue) const;
    void setStringValue(const QString& id, const QString& key, const QString& value);
    void setIntValue(const QString& id, const QString& key, int value);
    void setBooleanValue(const QString& id, const QString& key, bool value);

    QString getGlobalStringValue(const QString& key) const;
    void setGlobalStringValue(const QString& key, const QString& value);

    bool deleteWithoutWarning(const QString& id) const;
    void setDeleteWithoutWarning(const QString& id);
    bool convertAacToMp3(const QString& id) const;
    void setConvertAacToMp3(const QString& id, bool value);
    bool skipUsbEjectWarning(const QString& id) const;
    void setSkipUsbEjectWarning(const QString& id);
    bool skipDrmWarning(const QString& id) const;
    void setSkipDrmWarning(const QString& id);
    bool skipNotCopiedWarning(const QString& id) const;
    void setSkipNotCopiedWarning(const QString& id);
    bool skipNotDeletedWarning(const QString& id) const;
    void setSkipNotDeletedWarning(const QString& id);
    bool forceArtworkSync(const QString& id) const;
    void setForceArtworkSync(const QString& id, bool value);
    bool enableArtworkSync(const QString& id) const;
    void setEnableArtworkSync(const QString& id, bool value);
    int numberOfEpisodesToSync(const QString& id) const;
    void setNumberOfEpisodesToSync(const QString& id, int value);
    bool copyTextMessages(const QString& id) const;
    void setCopyTextMessages(const QString& id, bool value);
    bool copyAddressBook(const QString& id) const;
    void setCopyAddressBook(const QString& id, bool value);
    bool copyPhotos(const QString& id) const;
    void setCopyPhotos(const QString& id, bool value);
    bool copyCalendar(const QString& id) const;
    void setCopyCalendar(const QString& id, bool value);
    bool copyCallHistory(const QString& id) const;
    void setCopyCallHistory(const QString& id, bool value);
    bool copyNotes(const QString& id) const;
    void setCopyNotes(const QString& id, bool value);
    bool copyBookmarks(const QString& id) const;
    void setCopyBookmarks(const QString& id, bool value);
    // The day a kind (named by its copy key, e.g. "copy-text-messages") last
    // reached the phone; invalid when it never did.
    QDate copiedOn(const QString& id, const QString& copyKey) const;
    void setCopiedOn(const QString& id, const QString& copyKey, const QDate& day);
    bool copyVoicemail(const QString& id) const;
    void setCopyVoicemail(const QString& id, bool value);
    bool copyRecordings(const QString& id) const;
    void setCopyRecordings(const QString& id, bool value);
    QString selectedBackupPath(const QString& id) const;
    void setSelectedBackupPath(const QString& id, const QString& value);
    QString skipUpdateMessage() const;
    void setSkipUpdateMessage(const QString& value);
    // The folder the music library is read from; the XDG music folder unless
    // the file names another absolute folder.
    QString musicFolder() const;
    void setMusicFolder(const QString& folder);
    static QString defaultMusicFolder();

    QDomElement findListElement(const QString& id, const QString& listName, bool create);
    void addToSettingsList(const QString& id, const QString& listName, const QString& key, const QString& value);
    void removeSettingsList(const QString& id, const QString& listName);
    SettingsList getSettingsList(const QString& id, const QString& listName) const;

    void getUsedCacheFilenames(QStringList& names) const;
    void generateUniqueCacheFilename(QString& path) const;

    int getConfig(const QString& id, bool& wholeLibrary, int& podcastSetting, QStringList& playlists,
                  QStringList& podcasts) const;
    int setConfig(const QString& id, bool wholeLibrary, int podcastSetting, const QStringList& playlists,
                  const QStringList& podcasts, const QString& name);

    const QDomDocument& document() const { return mDocument; }

private:
    QDomElement findListElementConst(const QString& id, const QString& listName) const;

    QDomDocument mDocument;
};

// Keys of the settings file.
namespace SettingsKeys {
inline QString deleteWithoutWarning()
{
    return QStringLiteral("delete-without-warning");
}
inline QString convertToMp3()
{
    return QStringLiteral("convert-to-mp3");
}
inline QString dontWarnUsb()
{
    return QStringLiteral("dont-warn-usb");
}
inline QString dontWarnDrm()
{
    return QStringLiteral("dont-warn-drm");
}
inline QString dontWarnNotCopied()
{
    return QStringLiteral("dont-warn-not-copied");
}
inline QString dontWarnNotDeleted()
{
    return QStringLiteral("dont-warn-not-deleted");
}
inline QString forceAlbumArtSync()
{
    return QStringLiteral("force-album-art-sync");
}
inline QString enableAlbumArtSync()
{
    return QStringLiteral("enable-album-art-sync");
}
inline QString numberOfEpisodesToSync()
{
    return QStringLiteral("number-of-episodes-to-sync");
}
inline QString podcastSyncSetting()
{
    return QStringLiteral("podcast-sync-setting");
}
inline QString copyTextMessages()
{
    return QStringLiteral("copy-text-messages");
}
inline QString copyAddressBook()
{
    return QStringLiteral("copy-address-book");
}
inline QString copyPhotos()
{
    return QStringLiteral("copy-photos");
}
inline QString copyCalendar()
{
    return QStringLiteral("copy-calendar");
}
inline QString copyCallHistory()
{
    return QStringLiteral("copy-call-history");
}
inline QString copyNotes()
{
    return QStringLiteral("copy-notes");
}
inline QString copyBookmarks()
{
    return QStringLiteral("copy-bookmarks");
}
inline QString copyVoicemail()
{
    return QStringLiteral("copy-voicemail");
}
inline QString copyRecordings()
{
    return QStringLiteral("copy-voice-memos");
}
inline QString backupPath()
{
    return QStringLiteral("backup-path");
}
inline QString dontDisplayMessage()
{
    return QStringLiteral("dont-display-message");
}
inline QString photoFoldersList()
{
    return QStringLiteral("photo_folders");
}
inline QString musicFolder()
{
    return QStringLiteral("music-folder");
}
} // namespace SettingsKeys
