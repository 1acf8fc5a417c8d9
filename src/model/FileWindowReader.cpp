// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/FileWindowReader.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

const qint64 kWindowSize = 64 * 1024;

} // namespace

void FileWindowReader::reset(QFile* file, qint64 size)
{
    mFile = file;
    mWindow.clear();
    mWindowStart = 0;
    mPos = 0;
    mSize = size;
}

bool FileWindowReader::fill(qint64 length)
{
    const qint64 wanted = std::min(std::max(length, kWindowSize), mSize - mPos);
    mWindow.resize(static_cast<qsizetype>(wanted));
    mWindowStart = mPos;
    if (!mFile->seek(mPos)) {
        mWindow.clear();
        return false;
    }
    const qint64 got = mFile->read(mWindow.data(), wanted);
    if (got < 0) {
        mWindow.clear();
        return false;
    }
    // A file shorter than we were told: believe the file.
    mWindow.resize(static_cast<qsizetype>(got));
    if (got < wanted)
        mSize = mPos + got;
    return true;
}

qint64 FileWindowReader::readSlow(char* data, qint64 length)
{
    if (length <= 0 || mPos < 0 || mPos >= mSize || mFile == nullptr)
        return 0;
    length = std::min(length, mSize - mPos);
    const qint64 windowEnd = mWindowStart + mWindow.size();
    if (mPos < mWindowStart || mPos + length > windowEnd) {
        if (!fill(length))
            return -1;
        length = std::min<qint64>(length, mWindow.size());
    }
    std::memcpy(data, mWindow.constData() + (mPos - mWindowStart), static_cast<size_t>(length));
    mPos += length;
    return length;
}

void FileWindowReader::wrote(qint64 position, qint64 length)
{
    const qint64 windowEnd = mWindowStart + mWindow.size();
    if (position < windowEnd && position + length > mWindowStart)
        mWindow.clear();
    mSize = std::max(mSize, position + length);
}

void FileWindowReader::truncated(qint64 size)
{
    mWindow.clear();
    mWindowStart = 0;
    mSize = size;
    mPos = std::min(mPos, size);
}
