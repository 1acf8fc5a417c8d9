// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <limits>
#include <memory>

class QTemporaryFile;

// Records of three pieces of bytes, each under a date, kept in a temporary
// file instead of memory and handed back in date order. The files of the SMS
// Backup & Restore app open with their number of elements and list them by
// date, while the backups yield them in their own order: each element is
// composed as it arrives and spilled, and the file is put together at the end.
// Records that arrived in date order are read back in one pass; otherwise the
// file is mapped and an index of 16 bytes a record is sorted (stably: records
// of the same date keep their order).
class DateOrderedSpill
{
public:
    DateOrderedSpill();
    ~DateOrderedSpill(); // removes the file
    Q_DISABLE_COPY_MOVE(DateOrderedSpill)

    // A new, empty spill in a file named after pattern (ending in "XXXXXX").
    [[nodiscard]] bool open(const QString& pattern);
    bool isOpen() const { return mFile != nullptr; }

    // A record is composed in text(): begin() starts it and answers where its
    // first piece starts, mark() ends the first and then the second piece
    // (answering where each ends), end() the third and the record.
    QByteArray& text() { return mText; }
    qsizetype begin();
    qsizetype mark();
    void end(qint64 date);
    int count() const { return mCount; }

    using Visitor = std::function<bool(QByteArrayView first, QByteArrayView second, QByteArrayView third)>;
    // Hands every record to visit, by date. False when a write to the spill
    // failed, it cannot be read back whole, or visit answered false.
    [[nodiscard]] bool replay(const Visitor& visit);
    // Removes the file and forgets the records.
    void close();

private:
    struct Indexed;
    bool replayInOrder(const Visitor& visit);
    bool replaySorted(const Visitor& visit);

    std::unique_ptr<QTemporaryFile> mFile;
    QByteArray mText;
    qsizetype mRecordStart = 0;
    qsizetype mPieceEnds[2] = {0, 0};
    int mPieces = 0;
    qint64 mLastDate = std::numeric_limits<qint64>::min();
    int mCount = 0;
    bool mInOrder = true;
    bool mFailed = false;
};
