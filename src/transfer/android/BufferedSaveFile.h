// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QSaveFile;

// A file written in large blocks that appears at its path only when finish()
// succeeds: an earlier file of the same name stays whole until then, and a
// failed write leaves it untouched.
class BufferedSaveFile
{
public:
    BufferedSaveFile();
    ~BufferedSaveFile(); // an unfinished file is discarded
    Q_DISABLE_COPY_MOVE(BufferedSaveFile)

    [[nodiscard]] bool open(const QString& path);
    bool isOpen() const { return mFile != nullptr; }
    // The text to append to; handed to the file whenever it grows past a block.
    QByteArray& text() { return mText; }
    void flushIfFull();
    // Puts the file in place; false when any write failed (nothing then changes at the path).
    [[nodiscard]] bool finish();
    // Drops what was written; the path keeps what it held.
    void cancel();

private:
    void flush();

    std::unique_ptr<QSaveFile> mFile;
    QByteArray mText;
    bool mFailed = false;
};
