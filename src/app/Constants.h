// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

// Names that several parts of the program share: folders and files on the PC
// and on the phone, marker files, attribute names. Each is spelled only here.
// They are functions over static string data, so they are safe to use at any
// time, even during static initialisation.
namespace Constants {

// On the PC
inline QString programFolderName()
{
    return QStringLiteral("KORVA");
}
inline QString configFileSuffix()
{
    return QStringLiteral("/korva.xml");
}
inline QString trackCacheFileSuffix()
{
    return QStringLiteral("/mcache");
}
inline QString convertedTrackFileName()
{
    return QStringLiteral("temp.mp3");
}
inline QString tempPlaylistFileName()
{
    return QStringLiteral("tempplaylist.m3u");
}
inline QString tempPlaylistFromDeviceFileName()
{
    return QStringLiteral("tempplaylistfromdevice.m3u");
}
inline QString mp3Extension()
{
    return QStringLiteral("mp3");
}
// Sync engine and photo copy, on the PC (in the program folder)
inline QString convertedVideoFileName()
{
    return QStringLiteral("temp.mp4");
}
inline QString albumArtFileName()
{
    return QStringLiteral("AlbumArt.jpg");
}
inline QString extractionFolderName()
{
    return QStringLiteral("extracted");
}
inline QString messagesFileName()
{
    return QStringLiteral("messages.xml");
}
inline QString addressBookFileName()
{
    return QStringLiteral("address.xml");
}
inline QString calendarFileName()
{
    return QStringLiteral("calendar.xml");
}
// The standard files any Android phone imports with its own apps.
inline QString contactsVcardFileName()
{
    return QStringLiteral("contacts.vcf");
}
inline QString calendarIcsFileName()
{
    return QStringLiteral("calendar.ics");
}
inline QString bookmarksFileName()
{
    return QStringLiteral("bookmarks.html");
}
// The folder of the notes' text files, beside the standard files.
inline QString notesFolderName()
{
    return QStringLiteral("Notes");
}
// The folders of the voicemails' and the voice memos' audio files.
inline QString voicemailFolderName()
{
    return QStringLiteral("Voicemail");
}
inline QString recordingsFolderName()
{
    return QStringLiteral("Recordings");
}
// "sms-" + the conversion's time as yyyyMMddhhmmss + ".xml", the name the
// SMS Backup & Restore app looks for.
inline QString smsBackupFilePrefix()
{
    return QStringLiteral("sms-");
}
inline QString smsBackupFileSuffix()
{
    return QStringLiteral(".xml");
}
// Written by the iPhone backup extractor into the extraction folder.
inline QString backupFileListName()
{
    return QStringLiteral("backup_file_list");
}
// The name under which the address book is copied into the diagnostics folder.
inline QString addressBookLogFileName()
{
    return QStringLiteral("addressbook.xml");
}
// The window title and the title of every message box.
inline QString applicationTitle()
{
    return QStringLiteral("Velmora");
}
inline QString pcSoftwareVersion()
{
    return QStringLiteral("123");
}
inline QString diagnosticsFolderName()
{
    return QStringLiteral("QNL");
}
inline QString logFileName()
{
    return QStringLiteral("log.txt");
}
inline QString compressedLogFileName()
{
    return QStringLiteral("compressed_log.zip");
}
inline QString helpLinkName()
{
    return QStringLiteral("ituneshelp");
}
// The vendor's help site; page paths such as "/help/help.html" follow it.
inline QString helpBaseUrl()
{
    return QStringLiteral("http://www.velmora.app/blackberry");
}
inline QString dontSyncMusicMarker()
{
    return QStringLiteral("###DONT-SYNC-MUSIC###");
}

// On the phone; paths are relative to its storage root and use "/".
inline QString phoneProgramFolder()
{
    return QStringLiteral("KORVA/");
}
inline QString phoneUniqueIdFile()
{
    return QStringLiteral("KORVA/uniqueid");
}
inline QString tempDeviceId()
{
    return QStringLiteral("TEMP-DEVICE-ID");
}
inline QString phoneRefreshHintFile()
{
    return QStringLiteral("KORVA/refreshhint");
}
inline QString phonePlaylistHintFile()
{
    return QStringLiteral("KORVA/playlisthint");
}
inline QString phoneMetadataFilePrefix()
{
    return QStringLiteral("KORVA/metadata");
}
inline QString metadataRootElement()
{
    return QStringLiteral("metadata");
}
inline QString phoneMusicFolder()
{
    return QStringLiteral("Music");
}
inline QString phonePlaylistFolder()
{
    return QStringLiteral("Playlists_QNL");
}
inline QString phonePhotoFolder()
{
    return QStringLiteral("DCIM");
}
inline QString phoneBlackberryPhotoFolder()
{
    return QStringLiteral("DCIM/Blackberry");
}
inline QString phoneDataFolder()
{
    return QStringLiteral("KORVA");
}
// Where the standard files go on a phone, companion app or not.
inline QString phoneStandardFilesFolder()
{
    return QStringLiteral("Download/Velmora");
}
inline QString deviceInfoFileName()
{
    return QStringLiteral("android.xml");
}
inline QString deviceInfoVersionAttribute()
{
    return QStringLiteral("version");
}
inline QString deviceInfoScreenPixelsAttribute()
{
    return QStringLiteral("screen_pixels");
}
// A drive's root path is its mount point followed by this.
inline QString driveRootSuffix()
{
    return QStringLiteral("/");
}
// The all-ones 32-bit object id: the storage root of an MTP phone.
inline QString mtpRootObjectId()
{
    return QStringLiteral("4294967295");
}
// MTP phones: the album cover beside a track, and the marker that a sync
// finished ("KORVA/synccomplete" holding "sync-complete").
inline QString phoneAlbumArtFileName()
{
    return QStringLiteral("folder.jpg");
}
inline QString phoneSyncCompleteFile()
{
    return QStringLiteral("KORVA/synccomplete");
}
inline QByteArray phoneSyncCompleteText()
{
    return QByteArrayLiteral("sync-complete");
}
// Music on the phone: the PC program's version file, the playlist file
// ending, and the folder names chosen for compilations, podcasts and tracks
// without tags.
inline QString phonePcVersionFile()
{
    return QStringLiteral("KORVA/pcversion.txt");
}
inline QString playlistFileExtension()
{
    return QStringLiteral(".m3u");
}
inline QString compilationFolderName()
{
    return QStringLiteral("Compilation");
}
inline QString podcastsFolderName()
{
    return QStringLiteral("Podcasts");
}
inline QString unknownFolderName()
{
    return QStringLiteral("Unknown");
}

// External programs: path beside the application, and the command on PATH.
inline QString archiverRelativePath()
{
    return QStringLiteral("7z/7z");
}
inline QString archiverCommand()
{
    return QStringLiteral("7z");
}
inline QString extractorRelativePath()
{
    return QStringLiteral("new_extract/extract");
}
inline QString converterRelativePath()
{
    return QStringLiteral("ffmpeg/ffmpeg");
}
inline QString converterCommand()
{
    return QStringLiteral("ffmpeg");
}

// The program's own folder: home + "/KORVA".
QString programFolderPath();
// "korva.xml" in the program's folder.
QString configFilePath();
// Where Velmora's own iPhone backups go: one folder per phone inside it.
inline QString iphoneBackupFolderName()
{
    return QStringLiteral("iPhoneBackups");
}
inline QString iphoneBackupFolderPath()
{
    return programFolderPath() + QLatin1Char('/') + iphoneBackupFolderName();
}

// Where a report of each run is kept, for the user and for support.
inline QString runReportsFolderPath()
{
    return programFolderPath() + QStringLiteral("/reports");
}

} // namespace Constants
