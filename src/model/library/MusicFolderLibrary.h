// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/LocalMusicLibrary.h"
#include "model/library/LibraryIndex.h"
#include "model/library/LibraryScanner.h"

#include <QFileSystemWatcher>
#include <QThread>
#include <QTimer>

#include <memory>

struct IndexedTrack;

// The library of the user's own music folder and gPodder's podcasts: tags
// read with TagLib, the playlist files of the folder plus "All music", one
// podcast per folder of episodes. An index in SQLite remembers every file, so
// that a start with nothing changed opens no file; the scan runs on a thread
// of its own and again whenever the folders change.
class SettingsStore;
class MusicFolderLibrary : public LocalMusicLibrary
{
    Q_OBJECT

public:
    MusicFolderLibrary(const QString& musicFolder, const QString& podcastFolder, QString indexPath,
                       QObject* parent = nullptr);
    // The folders and index of this user: the music folder of the settings,
    // which also keep a folder the user chooses later.
    static std::unique_ptr<MusicFolderLibrary> forCurrentUser(SettingsStore& settings);
    ~MusicFolderLibrary() override;

    QString musicFolder() const;
    // Where setMusicFolder stores the folder; without it the folder is not stored.
    void keepFolderIn(SettingsStore& settings);
    // Reads another folder from now on and stores it in the settings.
    void setMusicFolder(const QString& folder);
    // Scans the folders on the scan thread; a request during a scan runs after it.
    void rescan();
    // Waits (not on the interface thread) until no scan is running or due.
    bool waitForScan(int timeoutMs);
    ScanSummary lastScan() const;
    // "Reading the music library: 10 of 200 files", for the window.
    static QString progressText(int done, int total);

    void markInitialised() override;
    bool prepare() override;
    QStringList playlistNames() override;
    QStringList podcastNames() override;
    int scanPlaylist(const QString& playlistName, TrackList& trackList, qint64& accumulatedSize, bool convertToMp3,
                     TrackList& drmTracks, Playlist& playlist, bool wholeLibrary) override;
    void podcastEpisodes(const QStringList& podcastNames, QList<Playlist>& playlists, TrackList& episodes) override;
    QString artworkPath(const Track& track) override;
    int musicTrackCount(MusicTracks which) override;

    // Changes are gathered for this long before the folders are scanned again.
    static constexpr int kChangeDelayMs = 1500;
    // How long a sync waits for a running scan before it takes the index as it is.
    static constexpr int kSyncScanWaitMs = 10 * 60 * 1000;

signals:
    void scanProgress(int done, int total);
    void scanFinished();

private:
    void startScan();
    void onScanFinished(const ScanSummary& summary);
    void watchFolders(const QStringList& folders);
    // The query connection, opened on first use; mLock must be held.
    LibraryIndex* queryIndex();
    static Track toTrack(const IndexedTrack& indexed, bool convertToMp3);

    QString mMusicFolder;
    // Where a chosen folder is stored; null for a library of fixed folders.
    SettingsStore* mSettings = nullptr;
    QString mPodcastFolder;
    QString mIndexPath;
    LibraryIndex mQueryIndex;
    QThread mScanThread;
    LibraryScanner* mScanner = nullptr;
    QFileSystemWatcher mWatcher;
    QTimer mChangeTimer;
    bool mScanning = false;
    bool mRescanDue = false;
    ScanSummary mLastScan;
};
