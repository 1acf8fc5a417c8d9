// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneMbdbReader.h"

#include "app/TraceLog.h"

#include <QCryptographicHash>

#include <cstdint>

namespace {

// Bounds-checked big-endian cursor over the manifest bytes.
class Cursor
{
public:
    explicit Cursor(const QByteArray& data) : mData(data) {}

    bool atEnd() const { return mPos >= mData.size(); }
    bool skip(qsizetype count)
    {
        if (count > mData.size() - mPos)
            return false;
        mPos += count;
        return true;
    }
    bool readNumber(int bytes, quint64& value)
    {
        if (bytes > mData.size() - mPos)
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | quint8(mData.at(mPos + i));
        mPos += bytes;
        return true;
    }
    // A 16-bit length, then that many bytes; 0xFFFF stands for no string.
    bool readString(QByteArray& text)
    {
        quint64 length = 0;
        if (!readNumber(2, length))
            return false;
        if (length == 0xFFFF) {
            text.clear();
            return true;
        }
        if (qsizetype(length) > mData.size() - mPos)
            return false;
        text = mData.mid(mPos, qsizetype(length));
        mPos += qsizetype(length);
        return true;
    }

private:
    const QByteArray& mData;
    qsizetype mPos = 0;
};

constexpr quint64 kFileTypeMask = 0xF000;
constexpr quint64 kRegularFile = 0x8000;
// After the mode: inode, uid, gid, mtime, atime, ctime; then size and protection class.
constexpr qsizetype kFieldsBeforeSize = 8 + 4 + 4 + 4 + 4 + 4;

bool readRecord(Cursor& cursor, IphoneBackupEntry& entry)
{
    QByteArray domain;
    QByteArray path;
    QByteArray unused;
    QByteArray key;
    if (!cursor.readString(domain) || !cursor.readString(path))
        return false;
    // link target, data hash
    for (int i = 0; i < 2; ++i) {
        if (!cursor.readString(unused))
            return false;
    }
    if (!cursor.readString(key))
        return false;
    quint64 mode = 0;
    quint64 size = 0;
    quint64 protectionClass = 0;
    if (!cursor.readNumber(2, mode) || !cursor.skip(kFieldsBeforeSize) || !cursor.readNumber(8, size)
        || !cursor.readNumber(1, protectionClass))
        return false;
    quint64 propertyCount = 0;
    if (!cursor.readNumber(1, propertyCount))
        return false;
    for (quint64 i = 0; i < propertyCount * 2; ++i) {
        if (!cursor.readString(unused))
            return false;
    }
    entry.mDomain = QString::fromUtf8(domain);
    entry.mRelativePath = QString::fromUtf8(path);
    entry.mFileId = IphoneMbdbReader::fileIdFor(entry.mDomain, entry.mRelativePath);
    entry.mIsFile = (mode & kFileTypeMask) == kRegularFile;
    // An encrypted backup's key: four bytes naming the class, then the wrapped key.
    if (key.size() > 4)
        entry.mWrappedKey = key.mid(4);
    entry.mProtectionClass = quint32(protectionClass);
    entry.mSize = size <= quint64(INT64_MAX) ? qint64(size) : -1;
    return true;
}

} // namespace

QString IphoneMbdbReader::fileIdFor(const QString& domain, const QString& relativePath)
{
    const QByteArray key = domain.toUtf8() + '-' + relativePath.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex());
}

int IphoneMbdbReader::read(const QByteArray& data, QList<IphoneBackupEntry>& entries)
{
    TraceScope trace("IphoneMbdbReader::read");
    if (!data.startsWith(QByteArrayLiteral("mbdb")) || data.size() < 6) {
        traceMessage("Not an mbdb manifest");
        traceReturns(BadMagic);
        return BadMagic;
    }
    Cursor cursor(data);
    cursor.skip(6);
    while (!cursor.atEnd()) {
        IphoneBackupEntry entry;
        if (!readRecord(cursor, entry)) {
            traceMessage("Truncated mbdb record");
            traceValue("entries read", int(entries.size()));
            traceReturns(Truncated);
            return Truncated;
        }
        entries.append(entry);
    }
    traceValue("entries read", int(entries.size()));
    traceReturns(Success);
    return Success;
}
