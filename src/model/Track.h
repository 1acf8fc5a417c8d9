// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QtGlobal>

// One music track or podcast episode: as the local library reports it, as the
// track cache remembers it, and as it is copied to or deleted from the phone.
// A plain value: copies are independent.
class Track
{
public:
    Track() = default;

    const QString& trackName() const { return mTrackName; }
    void setTrackName(const QString& value) { mTrackName = value; }
    const QString& albumName() const { return mAlbumName; }
    void setAlbumName(const QString& value) { mAlbumName = value; }
    const QString& artistName() const { return mArtistName; }
    void setArtistName(const QString& value) { mArtistName = value; }
    const QString& path() const { return mPath; }
    void setPath(const QString& value) { mPath = value; }
    qint32 trackNumberOnAlbum() const { return mTrackNumberOnAlbum; }
    void setTrackNumberOnAlbum(qint32 value) { mTrackNumberOnAlbum = value; }
    const QString& iTunesId() const { return mITunesId; }
    void setITunesId(const QString& value) { mITunesId = value; }
    // The track's id on the phone; empty while the track is not there.
    const QString& deviceId() const { return mDeviceId; }
    void setDeviceId(const QString& value) { mDeviceId = value; }

    bool onLocalSyncPlaylist() const { return mOnLocalSyncPlaylist; }
    void setOnLocalSyncPlaylist(bool value) { mOnLocalSyncPlaylist = value; }
    bool onRemoteDevice() const { return mOnRemoteDevice; }
    void setOnRemoteDevice(bool value) { mOnRemoteDevice = value; }
    bool inCache() const { return mInCache; }
    void setInCache(bool value) { mInCache = value; }
    // The phone already had a file at the track's place when the track was
    // copied: the file is the user's (or nobody knows whose), never ours to delete.
    bool foundOnPhone() const { return mFoundOnPhone; }
    void setFoundOnPhone(bool value) { mFoundOnPhone = value; }

    // Byte positions inside the track cache file of the record's tag-7 word
    // (the flags) and tag-9 word (the device id reference).
    qint32 flagsFilePosition() const { return mFlagsFilePosition; }
    void setFlagsFilePosition(qint32 value) { mFlagsFilePosition = value; }
    qint64 cacheIdRefPosition() const { return mCacheIdRefPosition; }
    void setCacheIdRefPosition(qint64 value) { mCacheIdRefPosition = value; }

    // The size on the phone counts only while the track has a device id.
    qint64 sizeOnDevice() const;
    void setSizeOnDevice(qint64 value) { mSizeOnDevice = value; }
    qint64 sizeOnPc() const { return mSizeOnPc; }
    void setSizeOnPc(qint64 value) { mSizeOnPc = value; }
    // Seconds since the epoch; 0 when the library gave no date.
    qint64 dateAdded() const { return mDateAdded; }
    void setDateAdded(qint64 value) { mDateAdded = value; }

    bool convertToMp3() const { return mConvertToMp3; }
    void setConvertToMp3(bool value) { mConvertToMp3 = value; }
    qint32 mp3Bitrate() const { return mMp3Bitrate; }
    void setMp3Bitrate(qint32 value) { mMp3Bitrate = value; }
    bool convertedToMp3() const { return mConvertedToMp3; }
    void setConvertedToMp3(bool value) { mConvertedToMp3 = value; }
    qint32 duration() const { return mDuration; }
    void setDuration(qint32 value) { mDuration = value; }
    bool compilation() const { return mCompilation; }
    void setCompilation(bool value) { mCompilation = value; }

    // Everything the track cache reader knows about a record, in one call.
    void setFromCache(QString trackName, QString albumName, QString artistName, qint32 trackNumberOnAlbum, QString path,
                      bool onLocalSyncPlaylist, bool onRemoteDevice, bool inCache, qint32 flagsFilePosition,
                      QString deviceId, qint64 sizeOnDevice);

    // True when the file must go through the MP3 converter on its way to the phone.
    bool needsConversion() const;
    // The file that is actually copied: the converter's output or the source file.
    QString uploadPath() const;
    // The last three characters of the path, or empty for a path of three or fewer.
    QString extension() const;
    // The key that makes two tracks the same entry of a TrackList.
    QString uniqueId() const;
    // Writes every interesting field to the trace log.
    void dump() const;

private:
    bool goesToPhoneAsMp3() const;

    QString mTrackName;
    QString mAlbumName;
    QString mArtistName;
    QString mPath;
    qint32 mTrackNumberOnAlbum = 0;
    QString mITunesId;
    QString mDeviceId;
    bool mOnLocalSyncPlaylist = false;
    bool mOnRemoteDevice = false;
    bool mInCache = false;
    bool mFoundOnPhone = false;
    qint32 mFlagsFilePosition = 0;
    qint64 mCacheIdRefPosition = 0;
    qint64 mSizeOnDevice = 0;
    qint64 mSizeOnPc = 0;
    qint64 mDateAdded = 0;
    bool mConvertToMp3 = false;
    qint32 mMp3Bitrate = 0;
    bool mConvertedToMp3 = false;
    qint32 mDuration = 0;
    bool mCompilation = false;
};
