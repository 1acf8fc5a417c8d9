// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstring>

class QFile;

// Reads a random-access file through a window of its bytes with a cursor of
// its own, so that the many small reads of a tagged binary file cost no system
// call each, and stepping back is free. Reads never go past the size it was
// told, so a length read from a damaged file cannot make it allocate more than
// the file holds. Whoever writes to the file reports the write here.
class FileWindowReader
{
public:
    FileWindowReader() = default;

    void reset(QFile* file, qint64 size);
    qint64 size() const { return mSize; }
    qint64 pos() const { return mPos; }
    qint64 bytesLeft() const { return mPos < mSize ? mSize - mPos : 0; }
    // Only moves the cursor; a position past the end reads nothing.
    void seek(qint64 position) { mPos = position; }
    // Copies up to length bytes at the cursor and advances it. Returns the
    // number copied (0 at the end), or -1 when the file fails to read.
    qint64 read(char* data, qint64 length)
    {
        // Most reads are a few bytes inside the window.
        const qint64 offset = mPos - mWindowStart;
        if (length > 0 && offset >= 0 && mPos + length <= mSize && offset + length <= mWindow.size()) {
            std::memcpy(data, mWindow.constData() + offset, static_cast<size_t>(length));
            mPos += length;
            return length;
        }
        return readSlow(data, length);
    }
    // A write of length bytes at position: the window may be stale, the file may be longer.
    void wrote(qint64 position, qint64 length);
    void truncated(qint64 size);

private:
    qint64 readSlow(char* data, qint64 length);
    bool fill(qint64 length);

    QFile* mFile = nullptr;
    QByteArray mWindow;
    qint64 mWindowStart = 0;
    qint64 mPos = 0;
    qint64 mSize = 0;
};
