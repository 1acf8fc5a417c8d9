// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QString>
#include <QtGlobal>

#include <memory>

class FileWindowReader;
class QFile;
class Track;
class TrackList;

// The per-phone memory of what has been copied to that phone: a binary cache
// file of tagged little-endian records, one per track ever copied, and a
// companion "persistent IDs" file ("p" appended to the name) holding the
// tracks' device ids as raw UTF-16LE text. Records are appended and rewritten
// in place, never removed. Both files are outside input when read: damage
// ends the records with a result code, never with a crash.
class TrackCache
{
public:
    static constexpr int kNewCacheCreated = StoreResult::NewCacheCreated;
    static constexpr int kEndOfFile = StoreResult::EndOfFile;
    static constexpr int kErrorOpen = PhoneResult::CacheCannotOpen;
    static constexpr int kErrorWrite = PhoneResult::CacheCannotWrite;
    static constexpr int kErrorRead = PhoneResult::CacheCannotRead;
    static constexpr int kErrorFormat = PhoneResult::CacheBadFormat;

    // Fixed layout of the header.
    static constexpr qint32 kFileMarker = 1000;
    static constexpr qint32 kVersionTag = 1001;
    static constexpr qint32 kTotalSizeTag = 1002;
    static constexpr qint32 kIntegrityTag = 1003;
    static constexpr qint32 kFormatVersion = 1;
    static constexpr qint64 kHeaderSize = 44;
    // Bits of a record's flags field.
    static constexpr qint32 kFlagOnDevice = 1;
    static constexpr qint32 kFlagConvertedToMp3 = 2;
    // Readers that know only the two bits above ignore this one.
    static constexpr qint32 kFlagFoundOnPhone = 4;

    TrackCache();
    ~TrackCache();
    TrackCache(const TrackCache&) = delete;
    TrackCache& operator=(const TrackCache&) = delete;

    // Opens the cache at this path (the settings name it for each phone):
    // 0, kNewCacheCreated (header written) or an error.
    int openFile(const QString& cacheFileName);
    int readHeader();
    // Reads up to maxCount records (-1: all) into the list; the end of the file counts as 0.
    int updateTrackList(TrackList& trackList, int maxCount);
    int readTrack(Track& track);
    int readAndAddTrack(TrackList& trackList);
    // Records a track that was just copied to the phone (or is on it again);
    // the track learns the positions of its record.
    int addTrack(Track& track);
    int removeDeletedTrack(const Track& track);
    int setTotalSizeOfUploadedFiles(qint64 total);
    int incrementTotalSizeOfUploadedFiles(qint64 size);
    int decrementTotalSizeOfUploadedFiles(qint64 size);
    int writeIntegrityValue();
    int writeHeader();
    int clear();
    int close();

    bool isOpen() const;
    qint64 totalSizeOfUploadedFiles() const { return mTotalSizeOfUploadedFiles; }
    QString cacheFileName() const { return mCacheFileName; }
    static QString persistentIdsFileName(const QString& cacheFileName);

private:
    int readWord(qint32& value);
    int readIntegerField(qint32& value);
    int readLongField(qint64& value);
    int readStringField(QString& value);
    int readDeviceId(qint64 position, qint32 length, QString& deviceId);
    int readFlagsAt(qint64 flagsPosition, qint32& flags);
    int writeFlagsAt(qint64 flagsPosition, qint32 flags);
    int writeBytesAt(qint64 position, const QByteArray& bytes);
    int appendDeviceId(const QString& deviceId, qint64& position, qint32& length);
    int rewriteCachedRecord(Track& track, qint32 flags, qint64 idPosition, qint32 idLength);
    int appendRecord(Track& track, qint32 flags, qint64 idPosition, qint32 idLength);

    QString mCacheFileName;
    std::unique_ptr<QFile> mCacheFile;
    std::unique_ptr<QFile> mIdsFile;
    // All reads go through these; they know the sizes of both files, so that
    // no length read from a file can ask for more than the file holds.
    std::unique_ptr<FileWindowReader> mCacheReader;
    std::unique_ptr<FileWindowReader> mIdsReader;
    qint64 mTotalSizeOfUploadedFiles = 0;
    // Positions of the length words of the header's total and integrity
    // fields; 0 until the header has been read or written.
    qint64 mTotalSizePosition = 0;
    qint64 mIntegrityPosition = 0;
};
