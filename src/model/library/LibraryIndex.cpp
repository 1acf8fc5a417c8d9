// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/LibraryIndex.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// Raised whenever the tables change shape; an index of another version is rebuilt.
constexpr int kSchemaVersion = 2;

enum Slot {
    SlotStamps,
    SlotPutFile,
    SlotDeleteFile,
    SlotDeleteEntries,
    SlotPutPlaylist,
    SlotPutEntry,
    SlotPlaylistOwner,
    SlotPlaylistNames,
    SlotPodcastNames,
    SlotUnreadable,
    SlotAllMusic,
    SlotPlaylist,
    SlotPodcast,
    SlotMusicCount,
    SlotAacCount,
    SlotCoverCount,
};

const char* const kTrackColumns =
    "f.id, f.path, f.size, f.podcast, f.title, f.album, f.artist, f.album_artist, f.compilation, "
    "f.track_number, f.duration, f.bitrate, f.aac, f.drm, f.date_added, f.tagged_date";

QString columnText(sqlite3_stmt* stmt, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)) : QString();
}

void bindText(sqlite3_stmt* stmt, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

// The first four parameters of every row of files: path, size, time and kind.
void bindFile(sqlite3_stmt* stmt, const QString& path, const IndexStamp& stamp, int kind)
{
    bindText(stmt, 1, path);
    sqlite3_bind_int64(stmt, 2, stamp.size);
    sqlite3_bind_int64(stmt, 3, stamp.modified);
    sqlite3_bind_int(stmt, 4, kind);
}

void removeIndexFiles(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

LibraryIndex::~LibraryIndex()
{
    close();
}

int LibraryIndex::open(const QString& path)
{
    TraceScope trace("LibraryIndex::open");
    close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (openFile(path) == 0)
        return 0;
    // An index is only a cache of the folders: start again rather than fail.
    traceMessage("Index unusable: building a new one");
    close();
    removeIndexFiles(path);
    const int result = openFile(path);
    if (result != 0)
        close();
    traceReturns(result);
    return result;
}

int LibraryIndex::openFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        != SQLITE_OK)
        return LibraryResult::IndexCannotOpen;
    sqlite3_busy_timeout(mDb, 5000);
    return createSchema();
}

int LibraryIndex::createSchema()
{
    sqlite3_stmt* version = nullptr;
    if (sqlite3_prepare_v2(mDb, "PRAGMA user_version", -1, &version, nullptr) != SQLITE_OK)
        return LibraryResult::IndexCannotOpen;
    const int found = sqlite3_step(version) == SQLITE_ROW ? sqlite3_column_int(version, 0) : -1;
    sqlite3_finalize(version);
    if (found != 0 && found != kSchemaVersion)
        return LibraryResult::IndexCannotOpen;

    static const char* const schema =
        "PRAGMA journal_mode=WAL;"
        "PRAGMA synchronous=NORMAL;"
        "CREATE TABLE IF NOT EXISTS files("
        " id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, size INTEGER NOT NULL, modified INTEGER NOT NULL,"
        " kind INTEGER NOT NULL, podcast TEXT NOT NULL DEFAULT '', title TEXT, album TEXT, artist TEXT,"
        " album_artist TEXT, compilation INTEGER, track_number INTEGER, duration INTEGER, bitrate INTEGER,"
        " aac INTEGER, drm INTEGER, date_added INTEGER, tagged_date INTEGER, playlist_name TEXT,"
        " cover INTEGER NOT NULL DEFAULT 0);"
        "CREATE INDEX IF NOT EXISTS files_playlist_name ON files(playlist_name);"
        "CREATE INDEX IF NOT EXISTS files_podcast ON files(podcast);"
        "CREATE TABLE IF NOT EXISTS entries("
        " playlist TEXT NOT NULL, position INTEGER NOT NULL, path TEXT NOT NULL, PRIMARY KEY(playlist, position));"
        "PRAGMA user_version=";
    const QByteArray script = QByteArray(schema) + QByteArray::number(kSchemaVersion) + ';';
    if (sqlite3_exec(mDb, script.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return LibraryResult::IndexCannotOpen;
    // A file that only looks like an index fails here rather than halfway through a scan.
    sqlite3_stmt* probe = nullptr;
    const bool readable = sqlite3_prepare_v2(mDb, "SELECT count(*) FROM files", -1, &probe, nullptr) == SQLITE_OK
                          && sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    return readable ? 0 : LibraryResult::IndexCannotOpen;
}

void LibraryIndex::close()
{
    for (sqlite3_stmt*& stmt : mStatements) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
    if (mDb)
        sqlite3_close(mDb);
    mDb = nullptr;
}

sqlite3_stmt* LibraryIndex::statement(int slot, const char* sql)
{
    if (!mDb)
        return nullptr;
    sqlite3_stmt*& stmt = mStatements[slot];
    if (!stmt && sqlite3_prepare_v2(mDb, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        traceMessage(QStringLiteral("Index statement failed: ") + QString::fromUtf8(sqlite3_errmsg(mDb)));
        stmt = nullptr;
        return nullptr;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return stmt;
}

int LibraryIndex::step(sqlite3_stmt* stmt)
{
    if (!stmt)
        return LibraryResult::IndexQueryFailed;
    const int status = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return status == SQLITE_DONE || status == SQLITE_ROW ? 0 : int(LibraryResult::IndexQueryFailed);
}

int LibraryIndex::loadStamps(QHash<QString, IndexStamp>& stamps)
{
    TraceScope trace("LibraryIndex::loadStamps");
    stamps.clear();
    sqlite3_stmt* stmt = statement(SlotStamps, "SELECT path, size, modified FROM files");
    if (!stmt)
        return LibraryResult::IndexQueryFailed;
    int status;
    while ((status = sqlite3_step(stmt)) == SQLITE_ROW)
        stamps.insert(columnText(stmt, 0), IndexStamp{sqlite3_column_int64(stmt, 1), sqlite3_column_int64(stmt, 2)});
    sqlite3_reset(stmt);
    return status == SQLITE_DONE ? 0 : int(LibraryResult::IndexQueryFailed);
}

int LibraryIndex::begin()
{
    return mDb && sqlite3_exec(mDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK
               ? 0
               : int(LibraryResult::IndexQueryFailed);
}

int LibraryIndex::commit()
{
    return mDb && sqlite3_exec(mDb, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK
               ? 0
               : int(LibraryResult::IndexQueryFailed);
}

int LibraryIndex::putTrack(const QString& path, const IndexStamp& stamp, const QString& podcast, const TrackTags& tags,
                           bool drm, qint64 dateAdded)
{
    return putFile(path, stamp, KindTrack, podcast, tags, drm, dateAdded);
}

int LibraryIndex::putFile(const QString& path, const IndexStamp& stamp, int kind, const QString& podcast,
                          const TrackTags& tags, bool drm, qint64 dateAdded)
{
    sqlite3_stmt* stmt = statement(
        SlotPutFile,
        "INSERT INTO files(path, size, modified, kind, podcast, title, album, artist, album_artist, compilation,"
        " track_number, duration, bitrate, aac, drm, date_added, tagged_date, playlist_name, cover)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19)"
        " ON CONFLICT(path) DO UPDATE SET size=excluded.size, modified=excluded.modified, kind=excluded.kind,"
        " podcast=excluded.podcast, title=excluded.title, album=excluded.album, artist=excluded.artist,"
        " album_artist=excluded.album_artist, compilation=excluded.compilation,"
        " track_number=excluded.track_number, duration=excluded.duration, bitrate=excluded.bitrate,"
        " aac=excluded.aac, drm=excluded.drm, date_added=excluded.date_added,"
        " tagged_date=excluded.tagged_date, playlist_name=excluded.playlist_name, cover=excluded.cover");
    if (!stmt)
        return LibraryResult::IndexQueryFailed;
    bindFile(stmt, path, stamp, kind);
    bindText(stmt, 5, podcast);
    bindText(stmt, 6, tags.title);
    bindText(stmt, 7, tags.album);
    bindText(stmt, 8, tags.artist);
    bindText(stmt, 9, tags.albumArtist);
    sqlite3_bind_int(stmt, 10, tags.compilation ? 1 : 0);
    sqlite3_bind_int(stmt, 11, tags.trackNumber);
    sqlite3_bind_int(stmt, 12, tags.durationSeconds);
    sqlite3_bind_int(stmt, 13, tags.bitrateKbps);
    sqlite3_bind_int(stmt, 14, tags.aac ? 1 : 0);
    sqlite3_bind_int(stmt, 15, drm ? 1 : 0);
    sqlite3_bind_int64(stmt, 16, dateAdded);
    sqlite3_bind_int64(stmt, 17, tags.taggedDate);
    sqlite3_bind_null(stmt, 18);
    sqlite3_bind_int(stmt, 19, tags.hasCover ? 1 : 0);
    return step(stmt);
}

int LibraryIndex::putUnreadable(const QString& path, const IndexStamp& stamp)
{
    // Remembered like a track, so that an unchanged damaged file is not opened again either.
    return putFile(path, stamp, KindUnreadable, QString(), TrackTags(), false, 0);
}

int LibraryIndex::putPlaylist(const QString& path, const IndexStamp& stamp, const QString& name,
                              const QStringList& entries)
{
    const int result = remove(path);
    if (result != 0)
        return result;
    sqlite3_stmt* file = statement(SlotPutPlaylist, "INSERT INTO files(path, size, modified, kind, playlist_name)"
                                                    " VALUES(?1, ?2, ?3, ?4, ?5)");
    if (!file)
        return LibraryResult::IndexQueryFailed;
    bindFile(file, path, stamp, KindPlaylist);
    bindText(file, 5, name);
    if (step(file) != 0)
        return LibraryResult::IndexQueryFailed;

    sqlite3_stmt* entry =
        statement(SlotPutEntry, "INSERT OR REPLACE INTO entries(playlist, position, path) VALUES(?1, ?2, ?3)");
    for (int position = 0; position < entries.size(); ++position) {
        if (!entry)
            return LibraryResult::IndexQueryFailed;
        sqlite3_reset(entry);
        bindText(entry, 1, path);
        sqlite3_bind_int(entry, 2, position);
        bindText(entry, 3, entries.at(position));
        if (sqlite3_step(entry) != SQLITE_DONE) {
            sqlite3_reset(entry);
            return LibraryResult::IndexQueryFailed;
        }
    }
    if (entry)
        sqlite3_reset(entry);
    return 0;
}

int LibraryIndex::remove(const QString& path)
{
    sqlite3_stmt* stmt = statement(SlotDeleteFile, "DELETE FROM files WHERE path=?1");
    if (!stmt)
        return LibraryResult::IndexQueryFailed;
    bindText(stmt, 1, path);
    int result = step(stmt);
    if (result != 0)
        return result;
    sqlite3_stmt* entries = statement(SlotDeleteEntries, "DELETE FROM entries WHERE playlist=?1");
    if (!entries)
        return LibraryResult::IndexQueryFailed;
    bindText(entries, 1, path);
    result = step(entries);
    return result;
}

QString LibraryIndex::playlistOwner(const QString& name)
{
    sqlite3_stmt* stmt = statement(SlotPlaylistOwner, "SELECT path FROM files WHERE kind=2 AND playlist_name=?1");
    if (!stmt)
        return QString();
    bindText(stmt, 1, name);
    QString owner = sqlite3_step(stmt) == SQLITE_ROW ? columnText(stmt, 0) : QString();
    sqlite3_reset(stmt);
    return owner;
}

QStringList LibraryIndex::names(sqlite3_stmt* stmt)
{
    QStringList result;
    if (!stmt)
        return result;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        result.append(columnText(stmt, 0));
    sqlite3_reset(stmt);
    return result;
}

QStringList LibraryIndex::playlistNames()
{
    return names(statement(SlotPlaylistNames,
                           "SELECT playlist_name FROM files WHERE kind=2 ORDER BY playlist_name COLLATE NOCASE"));
}

QStringList LibraryIndex::podcastNames()
{
    return names(statement(SlotPodcastNames, "SELECT DISTINCT podcast FROM files WHERE kind=0 AND podcast<>''"
                                             " ORDER BY podcast COLLATE NOCASE"));
}

int LibraryIndex::unreadableCount()
{
    return countOf(SlotUnreadable, "SELECT count(*) FROM files WHERE kind=1");
}

int LibraryIndex::countOf(int slot, const char* sql)
{
    sqlite3_stmt* stmt = statement(slot, sql);
    if (!stmt)
        return 0;
    const int count = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
    sqlite3_reset(stmt);
    return count;
}

int LibraryIndex::musicTrackCount(MusicTracks which)
{
    switch (which) {
    case MusicTracks::Aac:
        return countOf(SlotAacCount, "SELECT count(*) FROM files WHERE kind=0 AND podcast='' AND aac=1");
    case MusicTracks::WithAlbumArt:
        return countOf(SlotCoverCount, "SELECT count(*) FROM files WHERE kind=0 AND podcast='' AND cover=1");
    case MusicTracks::All:
        break;
    }
    return countOf(SlotMusicCount, "SELECT count(*) FROM files WHERE kind=0 AND podcast=''");
}

int LibraryIndex::visit(sqlite3_stmt* stmt, const TrackVisitor& visitor)
{
    if (!stmt)
        return LibraryResult::IndexQueryFailed;
    int status;
    IndexedTrack track;
    while ((status = sqlite3_step(stmt)) == SQLITE_ROW) {
        track.id = sqlite3_column_int64(stmt, 0);
        track.path = columnText(stmt, 1);
        track.size = sqlite3_column_int64(stmt, 2);
        track.podcast = columnText(stmt, 3);
        track.tags.title = columnText(stmt, 4);
        track.tags.album = columnText(stmt, 5);
        track.tags.artist = columnText(stmt, 6);
        track.tags.albumArtist = columnText(stmt, 7);
        track.tags.compilation = sqlite3_column_int(stmt, 8) != 0;
        track.tags.trackNumber = sqlite3_column_int(stmt, 9);
        track.tags.durationSeconds = sqlite3_column_int(stmt, 10);
        track.tags.bitrateKbps = sqlite3_column_int(stmt, 11);
        track.tags.aac = sqlite3_column_int(stmt, 12) != 0;
        track.drm = sqlite3_column_int(stmt, 13) != 0;
        track.dateAdded = sqlite3_column_int64(stmt, 14);
        track.tags.taggedDate = sqlite3_column_int64(stmt, 15);
        visitor(track);
    }
    sqlite3_reset(stmt);
    return status == SQLITE_DONE ? 0 : int(LibraryResult::IndexQueryFailed);
}

int LibraryIndex::visitAllMusic(const TrackVisitor& visitor)
{
    static const QByteArray sql = QByteArray("SELECT ") + kTrackColumns
                                  + " FROM files f WHERE f.kind=0 AND f.podcast=''"
                                    " ORDER BY COALESCE(NULLIF(f.album_artist, ''), f.artist) COLLATE NOCASE,"
                                    " f.album COLLATE NOCASE, f.track_number, f.path";
    return visit(statement(SlotAllMusic, sql.constData()), visitor);
}

int LibraryIndex::visitPlaylist(const QString& name, const TrackVisitor& visitor)
{
    static const QByteArray sql = QByteArray("SELECT ") + kTrackColumns
                                  + " FROM files p JOIN entries e ON e.playlist=p.path"
                                    " JOIN files f ON f.path=e.path AND f.kind=0"
                                    " WHERE p.kind=2 AND p.playlist_name=?1 ORDER BY e.position";
    sqlite3_stmt* stmt = statement(SlotPlaylist, sql.constData());
    if (stmt)
        bindText(stmt, 1, name);
    return visit(stmt, visitor);
}

int LibraryIndex::visitPodcast(const QString& podcast, const TrackVisitor& visitor)
{
    static const QByteArray sql =
        QByteArray("SELECT ") + kTrackColumns + " FROM files f WHERE f.kind=0 AND f.podcast=?1 ORDER BY f.path";
    sqlite3_stmt* stmt = statement(SlotPodcast, sql.constData());
    if (stmt)
        bindText(stmt, 1, podcast);
    return visit(stmt, visitor);
}
