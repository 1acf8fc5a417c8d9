// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/SmsBackupWriter.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/android/ContactNames.h"
#include "transfer/android/MmsElement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr qsizetype kSpillBlockBytes = 256 * 1024;
// Spilled message: date, address length, line length and tail length (8
// bytes each), then the escaped address, the line up to where
// "contact_name" goes and the rest of the element after the name. The
// lengths hold any message: however long, a message is written whole.
constexpr qsizetype kSpillHeaderBytes = 32;
constexpr char kSmsTail[] = "\" />\n";

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
    qint64 addressLength;
    qint64 lineLength;
    qint64 tailLength;
};

SmsBackupWriter::SmsBackupWriter() = default;
SmsBackupWriter::~SmsBackupWriter() = default;

QString SmsBackupWriter::fileName(const QDateTime& conversionTime)
{
    return Constants::smsBackupFilePrefix() + conversionTime.toString(QStringLiteral("yyyyMMddHHmmss"))
           + Constants::smsBackupFileSuffix();
}

namespace {

// The start of every messages file this writer makes; the app's own backups
// carry more attributes on "smses" and are never taken for one.
constexpr char kFileStart[] = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"";

bool isOwnFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(qint64(sizeof kFileStart) + 16);
    if (!start.startsWith(kFileStart))
        return false;
    qsizetype at = qsizetype(sizeof kFileStart) - 1;
    const qsizetype digitsStart = at;
    while (at < start.size() && start.at(at) >= '0' && start.at(at) <= '9')
        ++at;
    return at > digitsStart && start.mid(at, 3) == "\">\n";
}

} // namespace

bool SmsBackupWriter::isEarlierFileName(const QString& name, const QString& keptName)
{
    static const QRegularExpression ownName(
        QStringLiteral("^") + QRegularExpression::escape(Constants::smsBackupFilePrefix()) + QStringLiteral("[0-9]{14}")
        + QRegularExpression::escape(Constants::smsBackupFileSuffix()) + QStringLiteral("$"));
    return name != keptName && ownName.match(name).hasMatch();
}

int SmsBackupWriter::removeEarlierFiles(const QString& folder, const QString& keptName)
{
    TraceScope trace("SmsBackupWriter::removeEarlierFiles");
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        if (!isEarlierFileName(name, keptName) || !isOwnFile(dir.filePath(name)))
            continue;
        if (QFile::remove(dir.filePath(name))) {
            traceValue("Removed earlier messages file", name);
            ++removed;
        }
    }
    traceReturns(removed);
    return removed;
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
    mMultimedia = 0;
    mAttachments = 0;
    mAttachmentsMissing = 0;
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
    const qint64 date = message.milliseconds ? *message.milliseconds : millisecondsOf(message.date);
    const bool sent = message.direction == MessageEntry::Direction::Sent;
    const bool read = message.readState != MessageEntry::ReadState::Unread;
    const bool multimedia = MmsElement::isMultimedia(message);

    const qsizetype start = mSpillText.size();
    mSpillText.append(kSpillHeaderBytes, '\0');
    appendAttribute(mSpillText, multimedia ? MmsElement::addressOf(message) : message.address.value_or(QString()));
    const qsizetype addressEnd = mSpillText.size();
    const QByteArray address(mSpillText.constData() + start + kSpillHeaderBytes,
                             addressEnd - start - kSpillHeaderBytes);
    MmsElement::Counts counts;
    if (multimedia) {
        MmsElement::appendHead(mSpillText, message, date, address);
    } else {
        mSpillText.append("  <sms protocol=\"0\" address=\"");
        mSpillText.append(address);
        mSpillText.append("\" date=\"");
        appendNumber(mSpillText, date);
        mSpillText.append(sent ? "\" type=\"2\" subject=\"null\" body=\"" : "\" type=\"1\" subject=\"null\" body=\"");
        appendAttribute(mSpillText, message.text.value_or(QString()));
        mSpillText.append(read ? "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\""
                               : "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"0\"");
        mSpillText.append(" status=\"-1\" locked=\"0\" date_sent=\"0\"");
    }
    const qsizetype lineEnd = mSpillText.size();
    if (multimedia)
        counts = MmsElement::appendTail(mSpillText, message);
    else
        mSpillText.append(kSmsTail);

    const qsizetype addressLength = addressEnd - start - kSpillHeaderBytes;
    const qsizetype lineLength = lineEnd - addressEnd;
    const qsizetype tailLength = mSpillText.size() - lineEnd;
    const qint64 lengths[] = {addressLength, lineLength, tailLength};
    char* header = mSpillText.data() + start;
    std::memcpy(header, &date, 8);
    std::memcpy(header + 8, lengths, sizeof lengths);

    if (date < mLastDate)
        mInOrder = false;
    else
        mLastDate = date;
    ++mCount;
    if (!message.attachments.isEmpty())
        ++mMultimedia;
    mAttachments += counts.attachments;
    mAttachmentsMissing += counts.missing;
    if (mSpillText.size() >= kSpillBlockBytes) {
        if (mSpill->write(mSpillText) != mSpillText.size())
            mFailed = true;
        mSpillText.resize(0);
    }
}

QByteArray SmsBackupWriter::escapedNameFor(const QByteArray& address, const ContactNames* names) const
{
    QStringList found;
    // A group's address lists every member, joined by "~".
    for (const QString& member : QString::fromUtf8(address).split(QLatin1Char('~'))) {
        const QString name = names ? names->nameFor(member) : QString();
        if (!name.isEmpty())
            found << name;
    }
    QByteArray escaped;
    appendAttribute(escaped, found.isEmpty() ? QStringLiteral("(Unknown)") : found.join(QStringLiteral(", ")));
    return escaped;
}

bool SmsBackupWriter::appendMessage(const QByteArray& address, const QByteArray& line, const char* tail,
                                    qsizetype tailLength, const ContactNames* names)
{
    QByteArray& out = mOutput.text();
    out.append(line);
    out.append(" contact_name=\"");
    auto cached = mNameCache.constFind(address);
    if (cached == mNameCache.constEnd())
        cached = mNameCache.insert(address, escapedNameFor(address, names));
    out.append(*cached);
    const bool whole = MmsElement::writeTail(out, tail, tailLength, [this] { mOutput.flushIfFull(); });
    mOutput.flushIfFull();
    return whole;
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
        qint64 lengths[3] = {};
        std::memcpy(lengths, block.constData() + position + 8, sizeof lengths);
        const qint64 addressLength = lengths[0];
        const qint64 lineLength = lengths[1];
        const qint64 tailLength = lengths[2];
        const qsizetype total = kSpillHeaderBytes + addressLength + lineLength + tailLength;
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
        if (!appendMessage(QByteArray(record, addressLength),
                           QByteArray::fromRawData(record + addressLength, lineLength),
                           record + addressLength + lineLength, tailLength, names))
            return false;
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
        std::memcpy(&spilled.addressLength, data + offset + 8, 8);
        std::memcpy(&spilled.lineLength, data + offset + 16, 8);
        std::memcpy(&spilled.tailLength, data + offset + 24, 8);
        spilled.offset = offset + kSpillHeaderBytes;
        offset = spilled.offset + spilled.addressLength + spilled.lineLength + spilled.tailLength;
        if (offset > size)
            return false; // the spill is shorter than it should be
        index.push_back(spilled);
    }
    std::stable_sort(index.begin(), index.end(), [](const Spilled& a, const Spilled& b) { return a.date < b.date; });
    for (const Spilled& spilled : index) {
        const char* record = reinterpret_cast<const char*>(data) + spilled.offset;
        if (!appendMessage(QByteArray(record, spilled.addressLength),
                           QByteArray::fromRawData(record + spilled.addressLength, spilled.lineLength),
                           record + spilled.addressLength + spilled.lineLength, spilled.tailLength, names))
            return false;
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
    out.append(kFileStart);
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
