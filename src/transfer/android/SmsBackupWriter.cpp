// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/SmsBackupWriter.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/android/ContactNames.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr qsizetype kSpillBlockBytes = 256 * 1024;
// Spilled message: date (8 bytes), address length (4), line length (4),
// then the escaped address and the line up to where "contact_name" goes.
constexpr qsizetype kSpillHeaderBytes = 16;
// Longer messages are cut: nothing a phone sends comes near this, and it
// bounds what finish() reads at once.
constexpr qsizetype kMaxSpilledBytes = 16 * 1024 * 1024;

constexpr qint64 kMillisecondsPerSecond = 1000;

qint64 millisecondsOf(const std::optional<QString>& seconds)
{
    if (!seconds)
        return 0;
    bool ok = false;
    const qint64 value = seconds->toLongLong(&ok);
    if (!ok || value > std::numeric_limits<qint64>::max() / kMillisecondsPerSecond
        || value < std::numeric_limits<qint64>::min() / kMillisecondsPerSecond)
        return 0;
    return value * kMillisecondsPerSecond;
}

void appendNumber(QByteArray& out, qint64 value)
{
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    out.append(digits, length);
}

} // namespace

struct SmsBackupWriter::Spilled
{
    qint64 date;
    qint64 offset;
    quint32 addressLength;
    quint32 lineLength;
};

SmsBackupWriter::SmsBackupWriter() = default;
SmsBackupWriter::~SmsBackupWriter() = default;

QString SmsBackupWriter::fileName(const QDateTime& conversionTime)
{
    return Constants::smsBackupFilePrefix() + conversionTime.toString(QStringLiteral("yyyyMMddHHmmss"))
           + Constants::smsBackupFileSuffix();
}

void SmsBackupWriter::appendAttribute(QByteArray& out, QStringView value)
{
    const qsizetype size = value.size();
    const char16_t* text = value.utf16();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            switch (c) {
            case '&':
                out.append("&amp;");
                break;
            case '<':
                out.append("&lt;");
                break;
            case '>':
                out.append("&gt;");
                break;
            case '"':
                out.append("&quot;");
                break;
            case '\'':
                out.append("&apos;");
                break;
            case '\n':
                out.append("&#10;");
                break;
            case '\r':
                out.append("&#13;");
                break;
            case '\t':
                out.append("&#9;");
                break;
            default:
                if (c >= 0x20 && c != 0x7F)
                    out.append(char(c));
                break;
            }
            continue;
        }
        if (QChar::isHighSurrogate(c)) {
            // Only a whole pair is a character; a lone half is dropped.
            if (i + 1 >= size || !QChar::isLowSurrogate(text[i + 1]))
                continue;
            c = QChar::surrogateToUcs4(char16_t(c), text[++i]);
        } else if (QChar::isLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            continue;
        }
        if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        } else {
            out.append(char(0xF0 | (c >> 18)));
            out.append(char(0x80 | ((c >> 12) & 0x3F)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
}

int SmsBackupWriter::open(const QString& path)
{
    TraceScope trace("SmsBackupWriter::open");
    traceValue("path", path);
    mCount = 0;
    mInOrder = true;
    mFailed = false;
    mLastDate = std::numeric_limits<qint64>::min();
    mSpill = std::make_unique<QTemporaryFile>(QFileInfo(path).absolutePath() + QStringLiteral("/.sms-spill-XXXXXX"));
    if (!mSpill->open() || !mOutput.open(path)) {
        mSpill.reset();
        traceReturns(int(DataResult::FileCannotWrite));
        return DataResult::FileCannotWrite;
    }
    mSpillText.clear();
    mSpillText.reserve(kSpillBlockBytes + kSpillBlockBytes / 4);
    return 0;
}

void SmsBackupWriter::add(const MessageEntry& message)
{
    if (!mSpill)
        return;
    const qint64 date = millisecondsOf(message.date);
    const bool sent = message.direction == MessageEntry::Direction::Sent;
    const bool read = message.readState != MessageEntry::ReadState::Unread;

    const qsizetype start = mSpillText.size();
    mSpillText.append(kSpillHeaderBytes, '\0');
    appendAttribute(mSpillText, message.address.value_or(QString()));
    const qsizetype addressEnd = mSpillText.size();
    mSpillText.append("  <sms protocol=\"0\" address=\"");
    mSpillText.append(mSpillText.constData() + start + kSpillHeaderBytes, addressEnd - start - kSpillHeaderBytes);
    mSpillText.append("\" date=\"");
    appendNumber(mSpillText, date);
    mSpillText.append(sent ? "\" type=\"2\" subject=\"null\" body=\"" : "\" type=\"1\" subject=\"null\" body=\"");
    appendAttribute(mSpillText, message.text.value_or(QString()));
    mSpillText.append(read ? "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\""
                           : "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"0\"");
    mSpillText.append(" status=\"-1\" locked=\"0\" date_sent=\"0\"");

    qsizetype addressLength = addressEnd - start - kSpillHeaderBytes;
    qsizetype lineLength = mSpillText.size() - addressEnd;
    if (addressLength + lineLength > kMaxSpilledBytes) {
        traceMessage("Message too long for the messages file, left out");
        mSpillText.resize(start);
        return;
    }
    const quint32 addressBytes = quint32(addressLength);
    const quint32 lineBytes = quint32(lineLength);
    char* header = mSpillText.data() + start;
    std::memcpy(header, &date, 8);
    std::memcpy(header + 8, &addressBytes, 4);
    std::memcpy(header + 12, &lineBytes, 4);

    if (date < mLastDate)
        mInOrder = false;
    else
        mLastDate = date;
    ++mCount;
    if (mSpillText.size() >= kSpillBlockBytes) {
        if (mSpill->write(mSpillText) != mSpillText.size())
            mFailed = true;
        mSpillText.resize(0);
    }
}

void SmsBackupWriter::appendMessage(const QByteArray& address, const QByteArray& line, const ContactNames* names)
{
    QByteArray& out = mOutput.text();
    out.append(line);
    out.append(" contact_name=\"");
    auto cached = mNameCache.constFind(address);
    if (cached == mNameCache.constEnd()) {
        const QString name = names ? names->nameFor(QString::fromUtf8(address)) : QString();
        QByteArray escaped;
        appendAttribute(escaped, name.isEmpty() ? QStringLiteral("(Unknown)") : name);
        cached = mNameCache.insert(address, escaped);
    }
    out.append(*cached);
    out.append("\" />\n");
    mOutput.flushIfFull();
}

bool SmsBackupWriter::copyInOrder(const ContactNames* names)
{
    // Sequential: one block of the spill at a time.
    if (!mSpill->seek(0))
        return false;
    QByteArray block;
    qsizetype position = 0;
    while (true) {
        if (block.size() - position < kSpillHeaderBytes) {
            block.remove(0, position);
            position = 0;
            const QByteArray more = mSpill->read(kSpillBlockBytes);
            if (more.isEmpty())
                return block.isEmpty();
            block.append(more);
            continue;
        }
        quint32 addressLength = 0;
        quint32 lineLength = 0;
        std::memcpy(&addressLength, block.constData() + position + 8, 4);
        std::memcpy(&lineLength, block.constData() + position + 12, 4);
        const qsizetype total = kSpillHeaderBytes + qsizetype(addressLength) + qsizetype(lineLength);
        if (block.size() - position < total) {
            block.remove(0, position);
            position = 0;
            const QByteArray more = mSpill->read(qMax(kSpillBlockBytes, total));
            if (more.isEmpty())
                return false; // the spill is shorter than it should be
            block.append(more);
            continue;
        }
        const char* record = block.constData() + position + kSpillHeaderBytes;
        appendMessage(QByteArray(record, addressLength), QByteArray::fromRawData(record + addressLength, lineLength),
                      names);
        position += total;
    }
}

bool SmsBackupWriter::copySorted(const ContactNames* names)
{
    // The spill is mapped rather than read: the pages are the file's own, so
    // the system can drop them again, and reading in date order costs no seeks.
    const qint64 size = mSpill->size();
    const uchar* data = size > 0 ? mSpill->map(0, size) : nullptr;
    if (!data)
        return size == 0;
    std::vector<Spilled> index;
    index.reserve(size_t(mCount));
    qint64 offset = 0;
    while (offset + kSpillHeaderBytes <= size) {
        Spilled spilled{};
        std::memcpy(&spilled.date, data + offset, 8);
        std::memcpy(&spilled.addressLength, data + offset + 8, 4);
        std::memcpy(&spilled.lineLength, data + offset + 12, 4);
        spilled.offset = offset + kSpillHeaderBytes;
        offset = spilled.offset + spilled.addressLength + spilled.lineLength;
        if (offset > size)
            return false; // the spill is shorter than it should be
        index.push_back(spilled);
    }
    std::stable_sort(index.begin(), index.end(), [](const Spilled& a, const Spilled& b) { return a.date < b.date; });
    for (const Spilled& spilled : index) {
        const char* record = reinterpret_cast<const char*>(data) + spilled.offset;
        appendMessage(QByteArray(record, spilled.addressLength),
                      QByteArray::fromRawData(record + spilled.addressLength, spilled.lineLength), names);
    }
    return true;
}

int SmsBackupWriter::finish(const ContactNames* names)
{
    TraceScope trace("SmsBackupWriter::finish");
    traceValue("messages", mCount);
    if (!mSpill)
        return DataResult::FileCannotWrite;
    if (!mSpillText.isEmpty() && mSpill->write(mSpillText) != mSpillText.size())
        mFailed = true;
    mSpillText = QByteArray();
    mSpill->flush();

    QByteArray& out = mOutput.text();
    out.append("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"");
    appendNumber(out, mCount);
    out.append("\">\n");
    if (!mFailed)
        mFailed = !(mInOrder ? copyInOrder(names) : copySorted(names));
    mOutput.text().append("</smses>\n");
    mSpill.reset();
    mNameCache.clear();
    bool written = false;
    if (mFailed)
        mOutput.cancel();
    else
        written = mOutput.finish();
    const int result = written ? 0 : int(DataResult::FileCannotWrite);
    traceReturns(result);
    return result;
}
