// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/Track.h"

#include "app/Constants.h"
#include "app/TraceLog.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

namespace {

// Joins the parts of a unique id. Without a separator, different tracks could
// run together into one id ("ab" + "c" and "a" + "bc") and be merged, so that
// one of them would never be copied. The unit separator never appears in names.
const QChar kIdSeparator(0x1F);

bool endsWithMp3(const QString& path)
{
    return QStringView(path).right(3).compare(Constants::mp3Extension(), Qt::CaseInsensitive) == 0;
}

const char* boolText(bool value)
{
    return value ? "true" : "false";
}

} // namespace

qint64 Track::sizeOnDevice() const
{
    TraceScope trace("Track::sizeOnDevice");
    return mDeviceId.isEmpty() ? 0 : mSizeOnDevice;
}

void Track::setFromCache(QString trackName, QString albumName, QString artistName, qint32 trackNumberOnAlbum,
                         QString path, bool onLocalSyncPlaylist, bool onRemoteDevice, bool inCache,
                         qint32 flagsFilePosition, QString deviceId, qint64 sizeOnDevice)
{
    TraceScope trace("Track::setFromCache");
    mTrackName = std::move(trackName);
    mAlbumName = std::move(albumName);
    mArtistName = std::move(artistName);
    mTrackNumberOnAlbum = trackNumberOnAlbum;
    mPath = std::move(path);
    mOnLocalSyncPlaylist = onLocalSyncPlaylist;
    mOnRemoteDevice = onRemoteDevice;
    mInCache = inCache;
    mFlagsFilePosition = flagsFilePosition;
    mDeviceId = std::move(deviceId);
    mSizeOnDevice = sizeOnDevice;
}

bool Track::needsConversion() const
{
    TraceScope trace("Track::needsConversion");
    return mConvertToMp3 && !endsWithMp3(mPath);
}

QString Track::uploadPath() const
{
    TraceScope trace("Track::uploadPath");
    if (needsConversion())
        return Constants::programFolderPath() + QLatin1Char('/') + Constants::convertedTrackFileName();
    return mPath;
}

QString Track::extension() const
{
    TraceScope trace("Track::extension");
    return mPath.length() > 3 ? mPath.right(3) : QString();
}

bool Track::goesToPhoneAsMp3() const
{
    TraceScope trace("Track::goesToPhoneAsMp3");
    // The same test as the extension's, without making a string of it.
    return needsConversion() || mConvertedToMp3 || (mPath.length() > 3 && endsWithMp3(mPath));
}

QString Track::uniqueId() const
{
    TraceScope trace("Track::uniqueId");
    // Built in one allocation: the track list makes an id for every track it is given.
    char digits[12];
    int digitCount = 0;
    qint64 number = mTrackNumberOnAlbum;
    const bool negative = number < 0;
    if (negative)
        number = -number;
    do {
        digits[digitCount++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    if (negative)
        digits[digitCount++] = '-';
    // The same track going to the phone as MP3 is a different file from the
    // one in its own format, so switching conversion copies it again.
    const QString suffix = goesToPhoneAsMp3() ? Constants::mp3Extension() : QString();

    QString id(mTrackName.size() + mAlbumName.size() + mArtistName.size() + 3 + digitCount + suffix.size(),
               Qt::Uninitialized);
    QChar* out = id.data();
    const auto put = [&out](const QString& part) {
        std::copy(part.constBegin(), part.constEnd(), out);
        out += part.size();
    };
    put(mTrackName);
    *out++ = kIdSeparator;
    put(mAlbumName);
    *out++ = kIdSeparator;
    put(mArtistName);
    *out++ = kIdSeparator;
    while (digitCount > 0)
        *out++ = QLatin1Char(digits[--digitCount]);
    put(suffix);
    return id;
}

void Track::dump() const
{
    TraceScope trace("Track::dump");
    traceMessage("        Track:");
    traceValue("            mTrackName", mTrackName);
    traceValue("            mAlbumName", mAlbumName);
    traceValue("            mArtistName", mArtistName);
    traceValue("            mPath", mPath);
    traceValue("            mTrackNumberOnAlbum", mTrackNumberOnAlbum);
    traceValue("            mITunesId", mITunesId);
    traceValue("            mDeviceId", mDeviceId);
    traceValue("            mSizeOnDevice", QString::number(mSizeOnDevice));
    traceValue("\t\t\t mDateAdded", mDateAdded == 0
                                        ? QString::number(0)
                                        : QDateTime::fromSecsSinceEpoch(mDateAdded, Qt::UTC).toString(Qt::ISODate));
    traceMessage(QStringLiteral("            mOnLocalSyncPlaylist: ") + QLatin1String(boolText(mOnLocalSyncPlaylist)));
    traceMessage(QStringLiteral("            mOnRemoteDevice: ") + QLatin1String(boolText(mOnRemoteDevice)));
    traceMessage(QStringLiteral("            mInCache: ") + QLatin1String(boolText(mInCache)));
    traceValue("            mFlagsFilePosition", mFlagsFilePosition);
}
