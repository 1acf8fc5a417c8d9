// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/MusicTracks.h"
#include "model/library/TrackTags.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// A file as the index last saw it: a changed size or modification time means
// the file must be read again.
struct IndexStamp
{
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch
    bool seen = false;   // set by a scan that finds the file again
};

// One audio file of the index, as the queries hand it out.
struct IndexedTrack
{
    qint64 id = 0;
    QString path;
    qint64 size = 0;
    QString podcast;
    TrackTags tags;
    bool drm = false;
    qint64 dateAdded = 0;
};

// The library's memory between runs: one SQLite file with a row per file of
// the music and podcast folders (audio, unreadable, playlist) and the entries
// of every playlist file. It is a cache: a file that cannot be used as one is
// thrown away and built again from the folders. One object per thread; SQLite
// lets a reader on one connection go on while another connection writes.
class LibraryIndex
{
public:
    LibraryIndex() = default;
    ~LibraryIndex();
    LibraryIndex(const LibraryIndex&) = delete;
    LibraryIndex& operator=(const LibraryIndex&) = delete;

    enum Kind { KindTrack = 0, KindUnreadable = 1, KindPlaylist = 2 };

    // Opens or creates the index; a damaged or foreign file is replaced by an
    // empty index. 0 or LibraryResult::IndexCannotOpen.
    [[nodiscard]] int open(const QString& path);
    void close();
    bool isOpen() const { return mDb != nullptr; }

    [[nodiscard]] int loadStamps(QHash<QString, IndexStamp>& stamps);
    [[nodiscard]] int begin();
    [[nodiscard]] int commit();
    [[nodiscard]] int putTrack(const QString& path, const IndexStamp& stamp, const QString& podcast,
                               const TrackTags& tags, bool drm, qint64 dateAdded);
    [[nodiscard]] int putUnreadable(const QString& path, const IndexStamp& stamp);
    [[nodiscard]] int putPlaylist(const QString& path, const IndexStamp& stamp, const QString& name,
                                  const QStringList& entries);
    [[nodiscard]] int remove(const QString& path);

    // The path of the playlist file that owns this name, or empty.
    QString playlistOwner(const QString& name);
    QStringList playlistNames();
    QStringList podcastNames();
    int unreadableCount();
    int musicTrackCount(MusicTracks which);

    using TrackVisitor = std::function<void(const IndexedTrack&)>;
    // Music tracks (not podcast episodes), by artist, album, number and path.
    [[nodiscard]] int visitAllMusic(const TrackVisitor& visit);
    // The tracks of a playlist in its order; entries that point at no indexed track are skipped.
    [[nodiscard]] int visitPlaylist(const QString& name, const TrackVisitor& visit);
    [[nodiscard]] int visitPodcast(const QString& podcast, const TrackVisitor& visit);

private:
    int openFile(const QString& path);
    int createSchema();
    int putFile(const QString& path, const IndexStamp& stamp, int kind, const QString& podcast, const TrackTags& tags,
                bool drm, qint64 dateAdded);
    sqlite3_stmt* statement(int slot, const char* sql);
    int step(sqlite3_stmt* stmt);
    int visit(sqlite3_stmt* stmt, const TrackVisitor& visitor);
    int countOf(int slot, const char* sql);
    QStringList names(sqlite3_stmt* stmt);

    sqlite3* mDb = nullptr;
    static constexpr int kStatementSlots = 16;
    sqlite3_stmt* mStatements[kStatementSlots] = {};
};
