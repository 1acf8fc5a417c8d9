// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/blackberry/BlackberryRecordRouter.h"

#include <QString>

#include <functional>
#include <optional>

// A KORVA XML file written as the records come: opened when the backup names
// its database (so that a database without records still gets its empty
// file, as it always has), finished after the last record.
template <typename Writer, typename FileSink, typename Record> class KorvaStreamFile : public RecordSink<Record>
{
public:
    // An empty path: the file is not chosen and nothing is written.
    explicit KorvaStreamFile(QString path) : mPath(std::move(path)) {}

    void open()
    {
        if (mPath.isEmpty() || mOpened)
            return;
        mOpened = true;
        mCode = mWriter.open(mPath);
    }
    void add(const Record& record) override
    {
        if (mOpened && mCode == 0)
            mFile.add(record);
    }
    // 0, or why the file is missing; path receives it once it is in place.
    template <typename Count> int finish(QString& path, int& count, Count written)
    {
        if (!mOpened || mCode != 0)
            return mCode;
        count = (mWriter.*written)();
        const int code = mWriter.finish();
        if (code == 0)
            path = mPath;
        return code;
    }

private:
    QString mPath;
    Writer mWriter;
    FileSink mFile{mWriter};
    int mCode = 0;
    bool mOpened = false;
};

// One kind of record of a backup on its way to its files: each record is
// converted as it is read and handed to every sink at once, so that nothing
// of the kind is held.
template <typename Record> class BlackberryKindStream : public BlackberryRecordStream
{
public:
    using Convert = std::function<std::optional<Record>(const BackupRecord&)>;

    // sinks may hold nulls; whenFound runs when the backup names the database.
    BlackberryKindStream(Convert convert, QList<RecordSink<Record>*> sinks,
                         std::optional<ConversionProgress::Kind> progress, std::function<void()> whenFound = {})
        : mConvert(std::move(convert)), mSinks(std::move(sinks)), mProgressKind(progress),
          mWhenFound(std::move(whenFound))
    {
    }

    void found(qint64 total) override
    {
        mFound = true;
        if (mProgressKind)
            mProgress.emplace(*mProgressKind, total);
        if (mWhenFound)
            mWhenFound();
    }
    void add(const BackupRecord& record) override
    {
        if (const std::optional<Record> converted = mConvert(record))
            mSinks.add(*converted);
        if (mProgress)
            mProgress->step();
    }
    // Reports the final count of the progress line.
    void end() { mProgress.reset(); }

    bool wasFound() const { return mFound; }

private:
    Convert mConvert;
    FanOutSink<Record> mSinks;
    std::optional<ConversionProgress::Kind> mProgressKind;
    std::function<void()> mWhenFound;
    std::optional<ConversionProgress::Counter> mProgress;
    bool mFound = false;
};
