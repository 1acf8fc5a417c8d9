// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/BufferedSaveFile.h"

#include <QSaveFile>

namespace {

constexpr qsizetype kBlockBytes = 256 * 1024;

} // namespace

BufferedSaveFile::BufferedSaveFile() = default;
BufferedSaveFile::~BufferedSaveFile() = default;

bool BufferedSaveFile::open(const QString& path)
{
    auto file = std::make_unique<QSaveFile>(path);
    // Unbuffered, so that a short write (full disk) is seen here instead of
    // being lost in the final flush of a committed, truncated file.
    if (mFile || !file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    mFile = std::move(file);
    mFailed = false;
    mText.clear();
    mText.reserve(kBlockBytes + kBlockBytes / 4);
    return true;
}

void BufferedSaveFile::flushIfFull()
{
    if (mText.size() >= kBlockBytes)
        flush();
}

void BufferedSaveFile::flush()
{
    if (!mFailed && !mText.isEmpty() && mFile->write(mText) != mText.size())
        mFailed = true;
    mText.resize(0); // keeps the capacity
}

bool BufferedSaveFile::finish()
{
    if (!mFile)
        return false;
    flush();
    bool written = !mFailed;
    if (written)
        written = mFile->commit();
    else
        mFile->cancelWriting();
    mFile.reset();
    return written;
}

void BufferedSaveFile::cancel()
{
    if (mFile)
        mFile->cancelWriting();
    mFile.reset();
    mText.clear();
}
