// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/TrackCache.h"

#include "app/TraceLog.h"
#include "model/FileWindowReader.h"
#include "model/SizeArithmetic.h"
#include "model/Track.h"
#include "model/TrackList.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <limits>
#include <utility>

namespace {

// Record tags.
const qint32 kRecordStartTag = 0;
const qint32 kTrackNameTag = 1;
const qint32 kAlbumNameTag = 2;
const qint32 kArtistNameTag = 3;
const qint32 kPathTag = 4;
const qint32 kTrackNumberTag = 5;
const qint32 kFlagsTag = 7;
const qint32 kSizeOnDeviceTag = 8;
const qint32 kIdPositionTag = 9;
const qint32 kIdLengthTag = 10;

const qint32 kIntegerLength = 4;
const qint32 kLongLength = 8;

// Byte offsets inside a record as this program writes it, from its tag-9 word.
const qint64 kIdLengthTagOffset = 16;
// From a record's tag-7 word to the tag-8 word that follows it.
const qint64 kSizeTagOffsetFromFlags = 12;

// A number field: its length word (4 or 8) and the value, read in one step.
// The end of the file inside a field is damage, not the end of the records.
template <typename Number> int readNumberField(FileWindowReader& reader, Number& value)
{
    char buffer[4 + sizeof(Number)];
    const qint64 got = reader.read(buffer, qint64(sizeof buffer));
    if (got != qint64(sizeof buffer))
        return got < 0 ? TrackCache::kErrorRead : TrackCache::kErrorFormat;
    if (qFromLittleEndian<qint32>(buffer) != qint32(sizeof(Number)))
        return TrackCache::kErrorFormat;
    value = qFromLittleEndian<Number>(buffer + 4);
    return 0;
}

void appendWord(QByteArray& bytes, qint32 value)
{
    char buffer[4];
    qToLittleEndian<qint32>(value, buffer);
    bytes.append(buffer, 4);
}

void appendIntegerField(QByteArray& bytes, qint32 value)
{
    appendWord(bytes, kIntegerLength);
    appendWord(bytes, value);
}

void appendLongField(QByteArray& bytes, qint64 value)
{
    appendWord(bytes, kLongLength);
    char buffer[8];
    qToLittleEndian<qint64>(value, buffer);
    bytes.append(buffer, 8);
}

QByteArray utf16LittleEndian(const QString& text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

void appendStringField(QByteArray& bytes, const QString& text)
{
    appendWord(bytes, static_cast<qint32>(text.size() * 2));
    bytes.append(utf16LittleEndian(text));
}

QByteArray integerField(qint32 value)
{
    QByteArray bytes;
    appendIntegerField(bytes, value);
    return bytes;
}

} // namespace

TrackCache::TrackCache()
    : mCacheReader(std::make_unique<FileWindowReader>()), mIdsReader(std::make_unique<FileWindowReader>())
{
}

TrackCache::~TrackCache()
{
    close();
}

QString TrackCache::persistentIdsFileName(const QString& cacheFileName)
{
    return cacheFileName + QLatin1Char('p');
}

bool TrackCache::isOpen() const
{
    return mCacheFile && mIdsFile;
}

int TrackCache::openFile(const QString& cacheFileName)
{
    TraceScope trace("TrackCache::openFile");
    close();
    mCacheFileName = cacheFileName;
    traceValue("cacheFileName", cacheFileName);

    auto cacheFile = std::make_unique<QFile>(cacheFileName);
    if (QFileInfo::exists(cacheFileName))
        traceMessage("Cache file exists");
    else
        traceMessage("Cache file does not exist");
    // Unbuffered: every write goes to the file at once and all reads go
    // through our own window, so no stale buffer can show old bytes.
    if (cacheFileName.isEmpty() || !cacheFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        traceMessage("Can't open cache file");
        traceReturns(kErrorOpen);
        return kErrorOpen;
    }
    traceMessage("Opening persistent IDs file");
    auto idsFile = std::make_unique<QFile>(persistentIdsFileName(cacheFileName));
    if (!idsFile->open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        traceMessage("Can't open persistent IDs file");
        traceReturns(kErrorOpen);
        return kErrorOpen;
    }
    mCacheFile = std::move(cacheFile);
    mIdsFile = std::move(idsFile);
    mCacheReader->reset(mCacheFile.get(), mCacheFile->size());
    mIdsReader->reset(mIdsFile.get(), mIdsFile->size());

    if (mCacheReader->size() == 0) {
        traceMessage("New cache file");
        const int result = writeHeader();
        const int reported = result == 0 ? kNewCacheCreated : result;
        traceReturns(reported);
        return reported;
    }
    traceReturns(0);
    return 0;
}

int TrackCache::close()
{
    TraceScope trace("TrackCache::close");
    if (mCacheFile) {
        mCacheFile->flush();
        mCacheFile->close();
        mCacheFile.reset();
    }
    if (mIdsFile) {
        mIdsFile->flush();
        mIdsFile->close();
        mIdsFile.reset();
    }
    mCacheReader->reset(nullptr, 0);
    mIdsReader->reset(nullptr, 0);
    // Nothing learned from these files may be used on the next ones.
    mTotalSizeOfUploadedFiles = 0;
    mTotalSizePosition = 0;
    mIntegrityPosition = 0;
    return 0;
}

// ---- Reading -------------------------------------------------------------

int TrackCache::readWord(qint32& value)
{
    char buffer[4];
    const qint64 got = mCacheReader->read(buffer, 4);
    if (got == 4) {
        value = qFromLittleEndian<qint32>(buffer);
        return 0;
    }
    if (got == 0)
        return kEndOfFile;
    if (got < 0)
        return kErrorRead;
    // A word cut short by the end of the file.
    return kErrorFormat;
}

int TrackCache::readIntegerField(qint32& value)
{
    return readNumberField(*mCacheReader, value);
}

int TrackCache::readLongField(qint64& value)
{
    return readNumberField(*mCacheReader, value);
}

int TrackCache::readStringField(QString& value)
{
    qint32 length = 0;
    int result = readWord(length);
    if (result == kEndOfFile)
        return kErrorFormat;
    if (result != 0)
        return result;
    // The length comes from the file: check it against what the file holds
    // before anything is allocated for it.
    if (length < 0 || (length % 2) != 0 || length > mCacheReader->bytesLeft()) {
        traceValue("Bad string length", length);
        return kErrorFormat;
    }
    value = QString(length / 2, Qt::Uninitialized);
    const qint64 got = mCacheReader->read(reinterpret_cast<char*>(value.data()), length);
    if (got != length) {
        value.clear();
        return got < 0 ? kErrorRead : kErrorFormat;
    }
    qFromLittleEndian<quint16>(value.data(), value.size(), value.data());
    return 0;
}

int TrackCache::readDeviceId(qint64 position, qint32 length, QString& deviceId)
{
    deviceId.clear();
    if (length == 0)
        return 0;
    if (position < 0 || length < 0 || (length % 2) != 0 || position > mIdsReader->size()
        || length > mIdsReader->size() - position) {
        traceMessage("Device id outside the persistent IDs file");
        return kErrorFormat;
    }
    mIdsReader->seek(position);
    QString id(length / 2, Qt::Uninitialized);
    const qint64 got = mIdsReader->read(reinterpret_cast<char*>(id.data()), length);
    if (got != length)
        return got < 0 ? kErrorRead : kErrorFormat;
    qFromLittleEndian<quint16>(id.data(), id.size(), id.data());
    deviceId = id;
    return 0;
}

int TrackCache::readHeader()
{
    TraceScope trace("TrackCache::readHeader");
    if (!isOpen()) {
        traceReturns(kErrorRead);
        return kErrorRead;
    }
    mCacheReader->seek(0);
    qint32 marker = 0;
    int result = readWord(marker);
    // A file too short for its marker is not a cache either.
    if ((result == 0 && marker != kFileMarker) || result == kEndOfFile)
        result = kErrorFormat;
    if (result != 0) {
        traceMessage("Not a cache file");
        traceReturns(result);
        return result;
    }

    bool versionSeen = false;
    bool totalSeen = false;
    bool integritySeen = false;
    for (;;) {
        const qint64 tagPosition = mCacheReader->pos();
        qint32 tag = 0;
        result = readWord(tag);
        if (result != 0)
            break;
        if (tag == kRecordStartTag) {
            // The first record starts with this tag.
            mCacheReader->seek(tagPosition);
            break;
        }
        if (tag == kVersionTag) {
            qint32 version = 0;
            result = readIntegerField(version);
            versionSeen = true;
        } else if (tag == kTotalSizeTag) {
            // A position is learned only from a well-formed field, so that no
            // later write can land on the bytes of a damaged one.
            const qint64 position = mCacheReader->pos();
            qint64 total = 0;
            result = readLongField(total);
            if (result == 0) {
                mTotalSizePosition = position;
                // A negative total is damage; it is rewritten at the next change.
                mTotalSizeOfUploadedFiles = total < 0 ? 0 : total;
            }
            totalSeen = true;
        } else if (tag == kIntegrityTag) {
            const qint64 position = mCacheReader->pos();
            qint32 integrity = 0;
            result = readIntegerField(integrity);
            if (result == 0)
                mIntegrityPosition = position;
            traceValue("integrityValue", integrity);
            integritySeen = true;
        } else {
            traceValue("Unexpected header tag", tag);
            result = kErrorFormat;
        }
        if (result != 0)
            break;
    }
    if (result == kEndOfFile && versionSeen && totalSeen && integritySeen)
        result = 0;
    traceValue("totalSizeOfUploadedFiles", QString::number(mTotalSizeOfUploadedFiles));
    traceReturns(result);
    return result;
}

int TrackCache::readTrack(Track& track)
{
    TraceScope trace("TrackCache::readTrack");
    if (!isOpen()) {
        traceReturns(kErrorRead);
        return kErrorRead;
    }
    qint32 startTag = 0;
    int result = readWord(startTag);
    if (result == 0 && startTag != kRecordStartTag) {
        traceValue("Error at cache file pos: ", QString::number(mCacheReader->pos() - 4));
        result = kErrorFormat;
    }
    if (result != 0) {
        traceReturns(result);
        return result;
    }

    QString trackName;
    QString albumName;
    QString artistName;
    QString path;
    qint32 trackNumber = 0;
    qint32 flags = 0;
    qint64 flagsPosition = 0;
    qint64 sizeOnDevice = 0;
    qint64 idRefPosition = 0;
    qint64 idPosition = 0;
    qint32 idLength = 0;

    for (;;) {
        const qint64 tagPosition = mCacheReader->pos();
        // Fewer than four bytes left: the end of this record, and the damaged
        // start of the next one, which the next read reports.
        if (mCacheReader->bytesLeft() < 4)
            break;
        qint32 tag = 0;
        result = readWord(tag);
        if (result != 0)
            break;
        if (tag == kRecordStartTag) {
            // The next record starts here.
            mCacheReader->seek(tagPosition);
            break;
        }
        switch (tag) {
        case kTrackNameTag:
            result = readStringField(trackName);
            break;
        case kAlbumNameTag:
            result = readStringField(albumName);
            break;
        case kArtistNameTag:
            result = readStringField(artistName);
            break;
        case kPathTag:
            result = readStringField(path);
            break;
        case kTrackNumberTag:
            result = readIntegerField(trackNumber);
            break;
        case kFlagsTag:
            flagsPosition = tagPosition;
            result = readIntegerField(flags);
            traceValue("flagsFilePosition", static_cast<int>(flagsPosition));
            traceValue("trackFlags", flags);
            break;
        case kSizeOnDeviceTag:
            result = readLongField(sizeOnDevice);
            // No file has a negative size.
            if (result == 0 && sizeOnDevice < 0)
                result = kErrorFormat;
            break;
        case kIdPositionTag:
            idRefPosition = tagPosition;
            result = readLongField(idPosition);
            break;
        case kIdLengthTag:
            result = readIntegerField(idLength);
            break;
        default:
            traceValue("Error at cache file pos: ", QString::number(tagPosition));
            result = kErrorFormat;
            break;
        }
        if (result != 0)
            break;
    }
    // A flags position the track cannot hold would send later rewrites elsewhere.
    if (result == 0 && flagsPosition > std::numeric_limits<qint32>::max())
        result = kErrorFormat;

    QString deviceId;
    if (result == 0)
        result = readDeviceId(idPosition, idLength, deviceId);
    if (result == 0) {
        track.setCacheIdRefPosition(idRefPosition);
        track.setFromCache(std::move(trackName), std::move(albumName), std::move(artistName), trackNumber,
                           std::move(path), false, (flags & kFlagOnDevice) != 0, true,
                           static_cast<qint32>(flagsPosition), std::move(deviceId), sizeOnDevice);
        if (flags & kFlagConvertedToMp3)
            track.setConvertedToMp3(true);
        track.setFoundOnPhone((flags & kFlagFoundOnPhone) != 0);
    }
    traceReturns(result);
    return result;
}

int TrackCache::readAndAddTrack(TrackList& trackList)
{
    TraceScope trace("TrackCache::readAndAddTrack");
    Track track;
    const int result = readTrack(track);
    if (result == 0) {
        traceMessage("Added cached track to track list.");
        trackList.addTrack(std::move(track));
    }
    traceReturns(result);
    return result;
}

int TrackCache::updateTrackList(TrackList& trackList, int maxCount)
{
    TraceScope trace("TrackCache::updateTrackList");
    int result = readHeader();
    int read = 0;
    while (result == 0 && (maxCount == -1 || read < maxCount)) {
        result = readAndAddTrack(trackList);
        if (result == 0)
            ++read;
    }
    if (maxCount != -1)
        trackList.setTotalSizeOnDevice(mTotalSizeOfUploadedFiles);
    if (result == kEndOfFile)
        result = 0;
    traceValue("tracksRead", read);
    traceReturns(result);
    return result;
}

// ---- Writing -------------------------------------------------------------

int TrackCache::writeBytesAt(qint64 position, const QByteArray& bytes)
{
    if (!isOpen() || !mCacheFile->seek(position))
        return kErrorWrite;
    const qint64 written = mCacheFile->write(bytes);
    if (written > 0)
        mCacheReader->wrote(position, written);
    return written == bytes.size() ? 0 : kErrorWrite;
}

int TrackCache::readFlagsAt(qint64 flagsPosition, qint32& flags)
{
    const qint64 remembered = mCacheReader->pos();
    mCacheReader->seek(flagsPosition);
    qint32 tag = 0;
    int result = flagsPosition <= 0 ? kErrorFormat : readWord(tag);
    if (result == 0 && tag != kFlagsTag)
        result = kErrorFormat;
    if (result == kEndOfFile)
        result = kErrorFormat;
    if (result == 0)
        result = readIntegerField(flags);
    mCacheReader->seek(remembered);
    if (result != 0)
        traceValue("No flags field at", QString::number(flagsPosition));
    return result;
}

int TrackCache::writeFlagsAt(qint64 flagsPosition, qint32 flags)
{
    // Past the tag word, the integer field.
    return writeBytesAt(flagsPosition + 4, integerField(flags));
}

int TrackCache::writeHeader()
{
    TraceScope trace("TrackCache::writeHeader");
    QByteArray bytes;
    appendWord(bytes, kFileMarker);
    appendWord(bytes, kVersionTag);
    appendIntegerField(bytes, kFormatVersion);
    appendWord(bytes, kTotalSizeTag);
    const qint64 totalSizePosition = bytes.size();
    appendLongField(bytes, 0);
    int result = writeBytesAt(0, bytes);
    if (result == 0) {
        mTotalSizePosition = totalSizePosition;
        mTotalSizeOfUploadedFiles = 0;
    }

    QByteArray integrity;
    appendWord(integrity, kIntegrityTag);
    const int integrityResult = writeBytesAt(bytes.size(), integrity);
    if (integrityResult == 0) {
        mIntegrityPosition = bytes.size() + integrity.size();
        result = writeBytesAt(mIntegrityPosition, integerField(0));
        if (result == 0)
            result = writeIntegrityValue();
    } else {
        result = integrityResult;
    }
    if (isOpen())
        mCacheFile->flush();
    traceReturns(result);
    return result;
}

int TrackCache::writeIntegrityValue()
{
    TraceScope trace("TrackCache::writeIntegrityValue");
    // Until the header has been read or written its place is unknown, and a
    // write to position 0 would destroy the file marker.
    if (mIntegrityPosition == 0 || !isOpen()) {
        traceReturns(kErrorFormat);
        return kErrorFormat;
    }
    const qint64 size = mCacheFile->size();
    traceValue("integrityValue", static_cast<qint32>(size & 0xffffffff));
    const int result = writeBytesAt(mIntegrityPosition, integerField(static_cast<qint32>(size & 0xffffffff)));
    traceReturns(result);
    return result;
}

int TrackCache::setTotalSizeOfUploadedFiles(qint64 total)
{
    TraceScope trace("TrackCache::setTotalSizeOfUploadedFiles");
    traceValue("totalSizeOfUploadedFiles", QString::number(total));
    if (mTotalSizePosition == 0) {
        traceReturns(kErrorFormat);
        return kErrorFormat;
    }
    QByteArray bytes;
    appendLongField(bytes, total);
    const int result = writeBytesAt(mTotalSizePosition, bytes);
    if (result == 0)
        mTotalSizeOfUploadedFiles = total;
    traceReturns(result);
    return result;
}

int TrackCache::incrementTotalSizeOfUploadedFiles(qint64 size)
{
    TraceScope trace("TrackCache::incrementTotalSizeOfUploadedFiles");
    const int result = setTotalSizeOfUploadedFiles(SizeArithmetic::add(mTotalSizeOfUploadedFiles, size));
    traceReturns(result);
    return result;
}

int TrackCache::decrementTotalSizeOfUploadedFiles(qint64 size)
{
    TraceScope trace("TrackCache::decrementTotalSizeOfUploadedFiles");
    qint64 total = SizeArithmetic::subtract(mTotalSizeOfUploadedFiles, size);
    if (total < 0)
        total = 0;
    const int result = setTotalSizeOfUploadedFiles(total);
    traceReturns(result);
    return result;
}

int TrackCache::appendDeviceId(const QString& deviceId, qint64& position, qint32& length)
{
    if (!isOpen())
        return kErrorWrite;
    // The file is in append mode: every write lands at its end.
    position = mIdsFile->size();
    const QByteArray bytes = utf16LittleEndian(deviceId);
    length = static_cast<qint32>(bytes.size());
    if (bytes.isEmpty())
        return 0;
    const qint64 written = mIdsFile->write(bytes);
    if (written > 0)
        mIdsReader->wrote(position, written);
    return written == bytes.size() ? 0 : kErrorWrite;
}

int TrackCache::rewriteCachedRecord(Track& track, qint32 flags, qint64 idPosition, qint32 idLength)
{
    // Everything is checked before anything is written, so that a stale or
    // damaged position never leaves a record half rewritten.
    const qint64 flagsPosition = track.flagsFilePosition();
    qint32 oldFlags = 0;
    int result = readFlagsAt(flagsPosition, oldFlags);
    if (result != 0)
        return result;

    const qint64 idRefPosition = track.cacheIdRefPosition();
    const qint64 remembered = mCacheReader->pos();
    qint32 idTag = 0;
    qint32 lengthTag = 0;
    qint32 sizeTag = 0;
    if (idRefPosition > 0) {
        mCacheReader->seek(idRefPosition);
        readWord(idTag);
        mCacheReader->seek(idRefPosition + kIdLengthTagOffset);
        readWord(lengthTag);
    }
    mCacheReader->seek(flagsPosition + kSizeTagOffsetFromFlags);
    readWord(sizeTag);
    mCacheReader->seek(remembered);
    if (idTag != kIdPositionTag || lengthTag != kIdLengthTag) {
        traceMessage("No device id reference at the remembered position");
        return kErrorFormat;
    }

    // Whose the file is was learned by this copy, not by an earlier one.
    result = writeFlagsAt(flagsPosition, (oldFlags & ~kFlagFoundOnPhone) | flags | kFlagOnDevice);
    if (result != 0)
        return result;
    // Point tags 9 and 10 at the new copy of the id.
    QByteArray idRef;
    appendWord(idRef, kIdPositionTag);
    appendLongField(idRef, idPosition);
    appendWord(idRef, kIdLengthTag);
    appendIntegerField(idRef, idLength);
    result = writeBytesAt(idRefPosition, idRef);
    // The copy now on the phone may differ in size from the one recorded;
    // records written by this program keep tag 8 right after the flags.
    if (result == 0 && sizeTag == kSizeOnDeviceTag) {
        QByteArray size;
        appendLongField(size, track.sizeOnDevice());
        result = writeBytesAt(flagsPosition + kSizeTagOffsetFromFlags + 4, size);
    }
    return result;
}

int TrackCache::appendRecord(Track& track, qint32 flags, qint64 idPosition, qint32 idLength)
{
    if (track.onRemoteDevice())
        flags |= kFlagOnDevice;
    const qint64 recordPosition = mCacheFile->size();

    QByteArray record;
    record.reserve(
        128
        + 2 * (track.trackName().size() + track.albumName().size() + track.artistName().size() + track.path().size()));
    appendWord(record, kRecordStartTag);
    appendWord(record, kTrackNameTag);
    appendStringField(record, track.trackName());
    appendWord(record, kAlbumNameTag);
    appendStringField(record, track.albumName());
    appendWord(record, kArtistNameTag);
    appendStringField(record, track.artistName());
    appendWord(record, kPathTag);
    appendStringField(record, track.path());
    appendWord(record, kTrackNumberTag);
    appendIntegerField(record, track.trackNumberOnAlbum());
    const qint64 idRefPosition = recordPosition + record.size();
    appendWord(record, kIdPositionTag);
    appendLongField(record, idPosition);
    appendWord(record, kIdLengthTag);
    appendIntegerField(record, idLength);
    const qint64 flagsPosition = recordPosition + record.size();
    appendWord(record, kFlagsTag);
    appendIntegerField(record, flags);
    appendWord(record, kSizeOnDeviceTag);
    appendLongField(record, track.sizeOnDevice());

    const int result = writeBytesAt(recordPosition, record);
    if (result == 0 && flagsPosition <= std::numeric_limits<qint32>::max()) {
        // The track can now be found in the cache again within this sync.
        track.setInCache(true);
        track.setFlagsFilePosition(static_cast<qint32>(flagsPosition));
        track.setCacheIdRefPosition(idRefPosition);
    }
    return result;
}

int TrackCache::addTrack(Track& track)
{
    TraceScope trace("TrackCache::addTrack");
    if (!isOpen()) {
        traceReturns(kErrorWrite);
        return kErrorWrite;
    }
    qint64 idPosition = 0;
    qint32 idLength = 0;
    int result = appendDeviceId(track.deviceId(), idPosition, idLength);
    if (result != 0) {
        traceMessage("Can't write the device id");
        traceReturns(result);
        return result;
    }
    traceValue("idPosition", QString::number(idPosition));
    traceValue("idLength", idLength);

    const qint32 flags =
        (track.needsConversion() ? kFlagConvertedToMp3 : 0) | (track.foundOnPhone() ? kFlagFoundOnPhone : 0);
    if (track.inCache())
        result = rewriteCachedRecord(track, flags, idPosition, idLength);
    else
        result = appendRecord(track, flags, idPosition, idLength);

    if (result == 0) {
        result = writeIntegrityValue();
        if (result == 0 && track.onRemoteDevice())
            result = incrementTotalSizeOfUploadedFiles(track.sizeOnDevice());
    }
    mCacheFile->flush();
    mIdsFile->flush();
    traceReturns(result);
    return result;
}

int TrackCache::removeDeletedTrack(const Track& track)
{
    TraceScope trace("TrackCache::removeDeletedTrack");
    if (!isOpen()) {
        traceReturns(kErrorWrite);
        return kErrorWrite;
    }
    const qint64 flagsPosition = track.flagsFilePosition();
    traceValue("flagsFilePosition", QString::number(flagsPosition));
    qint32 flags = 0;
    int result = readFlagsAt(flagsPosition, flags);
    if (result == 0) {
        flags &= ~kFlagOnDevice;
        traceValue("writing flags:", flags);
        traceValue("to position", QString::number(flagsPosition));
        result = writeFlagsAt(flagsPosition, flags);
    }
    if (result == 0)
        result = decrementTotalSizeOfUploadedFiles(track.sizeOnDevice());
    mCacheFile->flush();
    traceReturns(result);
    return result;
}

int TrackCache::clear()
{
    TraceScope trace("TrackCache::clear");
    if (!isOpen() || !mCacheFile->resize(0)) {
        traceMessage("Can't truncate the cache file");
        traceReturns(kErrorWrite);
        return kErrorWrite;
    }
    mCacheReader->truncated(0);
    const int result = writeHeader();
    traceReturns(result);
    return result;
}
