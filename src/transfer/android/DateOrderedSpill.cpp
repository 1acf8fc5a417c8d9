// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/DateOrderedSpill.h"

#include <QTemporaryFile>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr qsizetype kBlockBytes = qsizetype(256) * 1024;
// A spilled record: the date and the three pieces' lengths (8 bytes each),
// then the pieces. The lengths hold any record: however long, it is kept whole.
constexpr qsizetype kHeaderBytes = 32;

struct Header
{
    qint64 date = 0;
    qint64 lengths[3] = {0, 0, 0};

    static Header at(const char* bytes)
    {
        Header header;
        std::memcpy(&header.date, bytes, 8);
        std::memcpy(header.lengths, bytes + 8, sizeof header.lengths);
        return header;
    }
    // The whole record, or -1 when the stored lengths cannot be one.
    qint64 total() const
    {
        qint64 sum = kHeaderBytes;
        for (const qint64 length : lengths) {
            if (length < 0 || length > std::numeric_limits<qint64>::max() - sum)
                return -1;
            sum += length;
        }
        return sum;
    }
};

bool visitRecord(const char* record, const Header& header, const DateOrderedSpill::Visitor& visit)
{
    const char* first = record + kHeaderBytes;
    const char* second = first + header.lengths[0];
    const char* third = second + header.lengths[1];
    return visit(QByteArrayView(first, header.lengths[0]), QByteArrayView(second, header.lengths[1]),
                 QByteArrayView(third, header.lengths[2]));
}

} // namespace

struct DateOrderedSpill::Indexed
{
    qint64 date;
    qint64 offset;
};

DateOrderedSpill::DateOrderedSpill() = default;
DateOrderedSpill::~DateOrderedSpill() = default;

bool DateOrderedSpill::open(const QString& pattern)
{
    close();
    auto file = std::make_unique<QTemporaryFile>(pattern);
    if (!file->open())
        return false;
    mFile = std::move(file);
    mText.reserve(kBlockBytes + kBlockBytes / 4);
    return true;
}

void DateOrderedSpill::close()
{
    mFile.reset();
    mText = QByteArray();
    mPieces = 0;
    mCount = 0;
    mInOrder = true;
    mFailed = false;
    mLastDate = std::numeric_limits<qint64>::min();
}

qsizetype DateOrderedSpill::begin()
{
    mRecordStart = mText.size();
    mPieces = 0;
    mText.append(kHeaderBytes, '\0');
    return mText.size();
}

qsizetype DateOrderedSpill::mark()
{
    if (mPieces < 2)
        mPieceEnds[mPieces++] = mText.size();
    return mText.size();
}

void DateOrderedSpill::end(qint64 date)
{
    while (mPieces < 2)
        mark();
    const qsizetype firstStart = mRecordStart + kHeaderBytes;
    const qint64 lengths[3] = {mPieceEnds[0] - firstStart, mPieceEnds[1] - mPieceEnds[0], mText.size() - mPieceEnds[1]};
    char* header = mText.data() + mRecordStart;
    std::memcpy(header, &date, 8);
    std::memcpy(header + 8, lengths, sizeof lengths);
    if (date < mLastDate)
        mInOrder = false;
    else
        mLastDate = date;
    ++mCount;
    if (mText.size() >= kBlockBytes) {
        if (mFile && mFile->write(mText) != mText.size())
            mFailed = true;
        mText.resize(0); // keeps the capacity
    }
}

bool DateOrderedSpill::replay(const Visitor& visit)
{
    if (!mFile)
        return false;
    if (!mText.isEmpty() && mFile->write(mText) != mText.size())
        mFailed = true;
    mText = QByteArray();
    if (mFailed || !mFile->flush())
        return false;
    return mInOrder ? replayInOrder(visit) : replaySorted(visit);
}

bool DateOrderedSpill::replayInOrder(const Visitor& visit)
{
    // Sequential: one block of the spill at a time.
    if (!mFile->seek(0))
        return false;
    QByteArray block;
    qsizetype position = 0;
    while (true) {
        if (block.size() - position < kHeaderBytes) {
            block.remove(0, position);
            position = 0;
            const QByteArray more = mFile->read(kBlockBytes);
            if (more.isEmpty())
                return block.isEmpty();
            block.append(more);
            continue;
        }
        const Header header = Header::at(block.constData() + position);
        const qint64 total = header.total();
        if (total < 0)
            return false;
        if (block.size() - position < total) {
            block.remove(0, position);
            position = 0;
            const QByteArray more = mFile->read(qMax<qint64>(kBlockBytes, total));
            if (more.isEmpty())
                return false; // the spill is shorter than it should be
            block.append(more);
            continue;
        }
        if (!visitRecord(block.constData() + position, header, visit))
            return false;
        position += qsizetype(total);
    }
}

bool DateOrderedSpill::replaySorted(const Visitor& visit)
{
    // The spill is mapped rather than read: the pages are the file's own, so
    // the system can drop them again, and reading in date order costs no seeks.
    const qint64 size = mFile->size();
    const uchar* data = size > 0 ? mFile->map(0, size) : nullptr;
    if (!data)
        return size == 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    std::vector<Indexed> index;
    index.reserve(size_t(mCount));
    qint64 offset = 0;
    while (offset + kHeaderBytes <= size) {
        const Header header = Header::at(bytes + offset);
        const qint64 total = header.total();
        if (total < 0 || total > size - offset)
            return false; // the spill is shorter than it should be
        index.push_back({header.date, offset});
        offset += total;
    }
    std::stable_sort(index.begin(), index.end(), [](const Indexed& a, const Indexed& b) { return a.date < b.date; });
    for (const Indexed& record : index) {
        if (!visitRecord(bytes + record.offset, Header::at(bytes + record.offset), visit))
            return false;
    }
    return true;
}
