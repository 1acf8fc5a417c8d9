// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryIpdReader.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

// Reads the device in large blocks: records hold many tiny integers, and a
// device call for each would cost more than the parsing itself.
class BlackberryIpdReader::Source
{
public:
    explicit Source(QIODevice& device) : mDevice(device), mBlockStart(device.pos()), mSize(device.size()) {}

    qint64 position() const { return mBlockStart + mOffset; }
    bool atEnd() { return mOffset >= mBuffer.size() && !fill(); }
    qint64 remaining() const { return mSize > position() ? mSize - position() : 0; }

    // Copies length bytes; false when the input ends first (what could be
    // read is consumed).
    bool read(char* target, qint64 length)
    {
        while (length > 0) {
            if (mOffset >= mBuffer.size() && !fill())
                return false;
            const qint64 chunk = std::min<qint64>(length, mBuffer.size() - mOffset);
            std::memcpy(target, mBuffer.constData() + mOffset, size_t(chunk));
            mOffset += chunk;
            target += chunk;
            length -= chunk;
        }
        return true;
    }
    bool readByte(quint8& value) { return read(reinterpret_cast<char*>(&value), 1); }
    bool readLittle16(quint16& value)
    {
        uchar bytes[2];
        if (!read(reinterpret_cast<char*>(bytes), 2))
            return false;
        value = quint16(bytes[0] | bytes[1] << 8);
        return true;
    }
    bool readBig16(quint16& value)
    {
        uchar bytes[2];
        if (!read(reinterpret_cast<char*>(bytes), 2))
            return false;
        value = quint16(bytes[0] << 8 | bytes[1]);
        return true;
    }
    bool readLittle32(quint32& value)
    {
        uchar bytes[4];
        if (!read(reinterpret_cast<char*>(bytes), 4))
            return false;
        value = quint32(bytes[0]) | quint32(bytes[1]) << 8 | quint32(bytes[2]) << 16 | quint32(bytes[3]) << 24;
        return true;
    }
    // Moves to an absolute position, at most to the end of the input.
    void seek(qint64 target)
    {
        target = std::min(target, mSize);
        if (target >= mBlockStart && target <= mBlockStart + mBuffer.size()) {
            mOffset = target - mBlockStart;
            return;
        }
        mDevice.seek(target);
        mBlockStart = target;
        mBuffer.clear();
        mOffset = 0;
    }

private:
    bool fill()
    {
        static constexpr qint64 kBlockSize = qint64(256) * 1024;
        mBlockStart += mBuffer.size();
        mOffset = 0;
        mBuffer.resize(kBlockSize);
        const qint64 got = mDevice.read(mBuffer.data(), kBlockSize);
        mBuffer.resize(got > 0 ? got : 0);
        return got > 0;
    }

    QIODevice& mDevice;
    QByteArray mBuffer;
    qint64 mBlockStart = 0;
    qint64 mSize = 0; // fixed: the input does not grow while it is read
    qint64 mOffset = 0;
};

BlackberryIpdReader::BlackberryIpdReader(BackupDatabaseTable& table, BackupRecordHandler* handler)
    : mTable(table), mHandler(handler)
{
}

int BlackberryIpdReader::read(QIODevice& device)
{
    TraceScope trace("BlackberryIpdReader::read");
    Source source(device);
    quint8 byte = 0;
    do {
        if (!source.readByte(byte)) {
            traceMessage("No header line");
            return kErrorNoContainer;
        }
    } while (byte != 0x0A);

    quint8 version = 0;
    quint16 count = 0;
    if (!source.readByte(version) || !source.readBig16(count)) {
        traceMessage("No database count");
        return kErrorNoContainer;
    }
    traceValue("numberOfDatabases", int(count));
    quint8 separator = 0;
    if (source.readByte(separator) && separator == 0 && count > 0)
        readNames(source, count);

    while (!source.atEnd())
        readRecord(source);
    traceValue("recordsRead", mRecordsRead);
    traceValue("recordsDropped", mRecordsDropped);
    return 0;
}

void BlackberryIpdReader::readNames(Source& source, int count)
{
    TraceScope trace("BlackberryIpdReader::readNames");
    for (int i = 0; i < count; ++i) {
        // The whole 2-byte length counts: names of 128 bytes and more exist.
        quint16 length = 0;
        if (!source.readLittle16(length) || length > source.remaining()) {
            traceMessage("Error");
            return;
        }
        QByteArray bytes(length, Qt::Uninitialized);
        if (!source.read(bytes.data(), length)) {
            traceMessage("Error");
            return;
        }
        const qsizetype end = bytes.indexOf('\0');
        const QString name = QString::fromUtf8(bytes.constData(), end < 0 ? bytes.size() : end);
        const int id = mTable.addDatabase(name);
        if (mHandler)
            mHandler->databaseAdded(id, name);
    }
}

void BlackberryIpdReader::readRecord(Source& source)
{
    TraceScope trace("BlackberryIpdReader::readRecord");
    const qint64 start = source.position();
    BackupRecord record;
    if (!source.readLittle16(record.databaseId)) {
        source.seek(start + 2);
        return;
    }
    if (!mTable.contains(record.databaseId)) {
        // Unknown ids are stepped over two bytes at a time until a record of
        // a known database turns up.
        if (record.databaseId == 0xFFFF) {
            traceMessage("Special database ID 0xff");
            source.seek(source.position() + 4);
        }
        return;
    }
    if (!source.readLittle32(record.recordLength) || !source.readByte(record.databaseVersion)
        || !source.readLittle16(record.recordHandle) || !source.readLittle32(record.uniqueId)) {
        traceValue("*** ERROR: Bad field - file position", QString::number(source.position()));
        ++mRecordsDropped;
        return;
    }

    // The record ends after its 6-byte id and length plus recordLength bytes.
    const qint64 recordEnd = start + 6 + qint64(record.recordLength);
    const bool wantsFields = !mHandler || mHandler->wantsFields();
    if (record.recordLength > 7) {
        quint64 total = 0;
        while (total + 7 < record.recordLength) {
            const qint64 fieldStart = source.position();
            quint16 length = 0;
            BackupField field;
            if (!source.readLittle16(length) || !source.readByte(field.type)) {
                traceValue("*** ERROR: Bad field - file position", QString::number(fieldStart));
                ++mRecordsDropped;
                return;
            }
            total += quint64(length) + 3;
            // Checked before the data is read, so that a damaged record costs
            // no more work than its own length and reading resumes at its end.
            if (total + 7 > record.recordLength) {
                traceMessage("*** Unexpected file location");
                source.seek(recordEnd);
                ++mRecordsDropped;
                return;
            }
            if (length > source.remaining()) {
                traceValue("*** ERROR: Bad field - file position", QString::number(fieldStart));
                source.seek(recordEnd);
                ++mRecordsDropped;
                return;
            }
            if (!wantsFields) {
                source.seek(source.position() + length);
                continue;
            }
            field.data.resize(length);
            source.read(field.data.data(), length);
            record.fields.append(std::move(field));
        }
    }
    if (mHandler)
        mHandler->recordRead(record);
    else
        mTable.database(record.databaseId).records.append(std::move(record));
    ++mRecordsRead;
}
