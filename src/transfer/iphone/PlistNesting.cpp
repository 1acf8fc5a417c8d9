// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/PlistNesting.h"

#include <QList>

namespace {

constexpr qsizetype kTrailerSize = 32;
// Shared objects can make a small file a huge tree; no real one is this big.
constexpr qint64 kMaximumVisits = 4'000'000;

class BinaryPlist
{
public:
    explicit BinaryPlist(const QByteArray& data) : mData(data) {}

    bool readTrailer()
    {
        if (mData.size() < 8 + kTrailerSize)
            return false;
        const qsizetype trailer = mData.size() - kTrailerSize;
        mOffsetSize = quint8(mData.at(trailer + 6));
        mReferenceSize = quint8(mData.at(trailer + 7));
        quint64 count = 0;
        quint64 offsetTable = 0;
        if (!number(trailer + 8, 8, count) || !number(trailer + 16, 8, mTop) || !number(trailer + 24, 8, offsetTable))
            return false;
        if (mOffsetSize < 1 || mOffsetSize > 8 || mReferenceSize < 1 || mReferenceSize > 8)
            return false;
        if (count == 0 || mTop >= count || offsetTable >= quint64(trailer)
            || count > (quint64(trailer) - offsetTable) / mOffsetSize) {
            return false;
        }
        mObjectCount = count;
        mOffsetTable = qsizetype(offsetTable);
        return true;
    }

    bool within(int maximumDepth) const
    {
        QList<QPair<quint64, int>> pending{{mTop, 1}};
        qint64 visits = 0;
        while (!pending.isEmpty()) {
            const auto [object, depth] = pending.takeLast();
            if (depth > maximumDepth || ++visits > kMaximumVisits)
                return false;
            quint64 offset = 0;
            if (!number(mOffsetTable + qsizetype(object) * mOffsetSize, mOffsetSize, offset)
                || offset >= quint64(mData.size()))
                return false;
            qsizetype position = qsizetype(offset);
            const quint8 marker = quint8(mData.at(position));
            const int type = marker >> 4;
            // Arrays, sets and dictionaries hold references; nothing else nests.
            if (type != 0xA && type != 0xB && type != 0xC && type != 0xD)
                continue;
            quint64 count = marker & 0x0F;
            ++position;
            if (count == 0x0F && !countAfter(position, count))
                return false;
            const quint64 references = type == 0xD ? count * 2 : count;
            if (count > quint64(mData.size()) || references > quint64(mData.size() - position) / mReferenceSize)
                return false;
            for (quint64 i = 0; i < references; ++i) {
                quint64 child = 0;
                if (!number(position + qsizetype(i) * mReferenceSize, mReferenceSize, child) || child >= mObjectCount)
                    return false;
                pending.append({child, depth + 1});
            }
        }
        return true;
    }

private:
    bool number(qsizetype position, int bytes, quint64& value) const
    {
        if (position < 0 || bytes > mData.size() - position)
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | quint8(mData.at(position + i));
        return true;
    }

    // A long count follows as an integer object: 0x1n, then 2^n bytes.
    bool countAfter(qsizetype& position, quint64& count) const
    {
        if (position >= mData.size())
            return false;
        const quint8 marker = quint8(mData.at(position));
        if ((marker >> 4) != 0x1 || (marker & 0x0F) > 3)
            return false;
        const int bytes = 1 << (marker & 0x0F);
        if (!number(position + 1, bytes, count))
            return false;
        position += 1 + bytes;
        return true;
    }

    const QByteArray& mData;
    int mOffsetSize = 0;
    int mReferenceSize = 0;
    quint64 mObjectCount = 0;
    quint64 mTop = 0;
    qsizetype mOffsetTable = 0;
};

bool xmlWithin(const QByteArray& data, int maximumDepth)
{
    int depth = 0;
    for (qsizetype at = data.indexOf('<'); at >= 0; at = data.indexOf('<', at + 1)) {
        const QByteArray tag = data.mid(at, 8);
        if (tag.startsWith("<dict>") || tag.startsWith("<array>")) {
            if (++depth > maximumDepth)
                return false;
        } else if (tag.startsWith("</dict>") || tag.startsWith("</array>")) {
            --depth;
        }
    }
    return true;
}

} // namespace

bool PlistNesting::withinLimit(const QByteArray& data, int maximumDepth)
{
    if (data.startsWith("bplist00")) {
        BinaryPlist plist(data);
        return plist.readTrailer() && plist.within(maximumDepth);
    }
    return xmlWithin(data, maximumDepth);
}

bool PlistNesting::hasSoundTables(const QByteArray& data)
{
    BinaryPlist plist(data);
    return plist.readTrailer();
}
