// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

// Every failure crosses a boundary as a 32-bit result code: 0 for success.
// Each number is named here once; the classes that return them refer to these
// names, so one number never means two things.

// The settings file and the per-phone track cache on the computer.
namespace StoreResult {
enum : int {
    NewCacheCreated = -5001,
    EndOfFile = -5002,
    SettingsCannotOpen = -5003,
    SettingsCannotSave = -5004,
};
} // namespace StoreResult

// The phone: configuration, the track cache's file, and what is copied to it.
namespace PhoneResult {
enum : int {
    NotConfigured = -6000,
    CacheCannotOpen = -6001,
    CacheCannotWrite = -6002,
    CacheCannotRead = -6003,
    CacheBadFormat = -6004,
    CopyFailed = -6005,
    DeleteFailed = -6006,
    FolderNotCreated = -6008,
    NoSpace = -6009,
    // The phone went away during the run (unplugged, its drive unmounted).
    Disconnected = -6010,
    // The phone's file system did not confirm that the written data is stored.
    FlushFailed = -6011,
    // Every free name for a file of that name was taken by other files.
    NoFreeName = -6012,
    // A data file read back from the phone after its copy is missing or
    // differs from what was sent.
    ReadBackDiffers = -6013,
    // An MTP path component that is not on the phone (or could not be made).
    PathNotFound = 11003,
    // No connection to the MTP phone at all.
    NoConnection = 11005,
};
} // namespace PhoneResult

// Reading another phone's backup databases and writing the data files.
namespace DataResult {
enum : int {
    SourceCannotOpen = -12000, // a backup or database that cannot be opened
    SourceInvalid = -12001,    // opened, but not what a backup or database holds
    QueryFailed = -12002,
    FileCannotWrite = -12004,
    // An archive that would unpack to far more than any backup holds.
    ArchiveTooLarge = -12005,
    // An archive entry naming a place outside the unpacking folder, or a link.
    ArchiveUnsafeEntry = -12006,
    // A database whose reading stopped part-way on a damaged page: what came
    // before the damage was read and written, the rest is lost.
    SourceDamaged = -12007,
    // A BlackBerry backup file that cannot be opened, and one that opens but
    // holds no database.
    BackupCannotOpen = -12020,
    BackupHoldsNoDatabase = -12021,
    // A ".bbb" archive: the archiver is not installed; the archive is
    // damaged or not an archive; it is protected by a password; its files
    // cannot be written into the unpacking folder; it lacks "Manifest.xml".
    ArchiverMissing = -12022,
    ArchiveUnreadable = -12023,
    ArchiveEncrypted = -12024,
    ArchiveCannotUnpack = -12025,
    ArchiveWithoutManifest = -12026,
    // An iPhone backup that cannot be read (no manifest, damaged, ...).
    IphoneBackupUnreadable = -13000,
    // An encrypted iPhone backup, and no password was given for it.
    IphoneBackupEncrypted = -13100,
    // The password given does not open the encrypted backup.
    IphoneWrongPassword = -13101,
    // The iPhone extractor program is not installed beside Velmora.
    IphoneExtractorMissing = -13102,
    // The extractor ended on a signal: a fault of Velmora, not of the backup.
    IphoneExtractorCrashed = -13103,
    // The extractor ran past the time any backup of that size needs and was stopped.
    IphoneExtractorTimedOut = -13104,
    // The backup's manifest was cut short or is damaged: the backup did not finish.
    IphoneManifestDamaged = -13105,
};

// Whether a file is put in place after a read that ended with code: a read
// that got nothing (no database, no query) must not replace an earlier good
// file with an empty one, while a damaged database still gives what it held.
constexpr bool keepsWhatWasRead(int code)
{
    return code == 0 || code == SourceDamaged;
}
} // namespace DataResult

// The external converter and the album-art image.
namespace MediaResult {
enum : int {
    ConverterMissing = -14001,
    ConverterFailedToStart = -14002,
    ConverterCrashed = -14003,
    ImageNull = -14101,
    ScaledImageNull = -14102,
    WhiteBackgroundNull = -14103,
    ImageSaveFailed = -14104,
};
} // namespace MediaResult

// The local music library: its index, the tags of its files and its playlist files.
namespace LibraryResult {
enum : int {
    IndexCannotOpen = -15001,
    IndexQueryFailed = -15002,
    TagsUnreadable = -15003, // not an audio file TagLib can read
    PlaylistCannotOpen = -15004,
    PlaylistTooLarge = -15005, // larger than any playlist a person keeps
};
} // namespace LibraryResult

// Backing up an iPhone with libimobiledevice's programs.
namespace IphoneBackupResult {
enum : int {
    ProgramMissing = -16001, // libimobiledevice-utils is not installed
    NoIphone = -16002,       // no iPhone is plugged in
    PhoneLocked = -16003,    // a passcode is set and the phone is locked
    NotTrusted = -16004,     // the phone has not (yet) trusted this computer
    TrustDenied = -16005,    // the user tapped "Don't Trust"
    EncryptionOn = -16006,   // no longer returned: encrypted backups are read with their password
    BackupFailed = -16007,   // idevicebackup2 ended without success
    Cancelled = -16008,
};
} // namespace IphoneBackupResult
