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

#include <cstdio>
#include <limits>

namespace {

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
    if (!mSpill.open(QFileInfo(path).absolutePath() + QStringLiteral("/.sms-spill-XXXXXX")) || !mOutput.open(path)) {
        mSpill.close();
        traceReturns(int(DataResult::FileCannotWrite));
        return DataResult::FileCannotWrite;
    }
    return 0;
}

void SmsBackupWriter::add(const MessageEntry& message)
{
    if (!mSpill.isOpen())
        return;
    const qint64 date = message.milliseconds ? *message.milliseconds : millisecondsOf(message.date);
    const bool sent = message.direction == MessageEntry::Direction::Sent;
    const bool read = message.readState != MessageEntry::ReadState::Unread;
    const bool multimedia = MmsElement::isMultimedia(message);

    // The pieces: the escaped address, the element up to where
    // "contact_name" goes, and the rest of the element after the name.
    QByteArray& text = mSpill.text();
    const qsizetype addressStart = mSpill.begin();
    appendAttribute(text, multimedia ? MmsElement::addressOf(message) : message.address.value_or(QString()));
    const qsizetype addressEnd = mSpill.mark();
    const QByteArray address(text.constData() + addressStart, addressEnd - addressStart);
    MmsElement::Counts counts;
    if (multimedia) {
        MmsElement::appendHead(text, message, date, address);
    } else {
        text.append("  <sms protocol=\"0\" address=\"");
        text.append(address);
        text.append("\" date=\"");
        appendNumber(text, date);
        text.append(sent ? "\" type=\"2\" subject=\"null\" body=\"" : "\" type=\"1\" subject=\"null\" body=\"");
        appendAttribute(text, message.text.value_or(QString()));
        text.append(read ? "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\""
                         : "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"0\"");
        text.append(" status=\"-1\" locked=\"0\" date_sent=\"0\"");
    }
    mSpill.mark();
    if (multimedia)
        counts = MmsElement::appendTail(text, message);
    else
        text.append(kSmsTail);
    mSpill.end(date);

    if (!message.attachments.isEmpty())
        ++mMultimedia;
    mAttachments += counts.attachments;
    mAttachmentsMissing += counts.missing;
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

bool SmsBackupWriter::appendMessage(QByteArrayView address, QByteArrayView line, QByteArrayView tail,
                                    const ContactNames* names)
{
    QByteArray& out = mOutput.text();
    out.append(line);
    out.append(" contact_name=\"");
    const QByteArray key = address.toByteArray();
    auto cached = mNameCache.constFind(key);
    if (cached == mNameCache.constEnd())
        cached = mNameCache.insert(key, escapedNameFor(key, names));
    out.append(*cached);
    const bool whole = MmsElement::writeTail(out, tail.data(), tail.size(), [this] { mOutput.flushIfFull(); });
    mOutput.flushIfFull();
    return whole;
}

int SmsBackupWriter::finish(const ContactNames* names)
{
    TraceScope trace("SmsBackupWriter::finish");
    traceValue("messages", mSpill.count());
    if (!mSpill.isOpen())
        return DataResult::FileCannotWrite;
    mCount = mSpill.count();
    QByteArray& out = mOutput.text();
    out.append(kFileStart);
    appendNumber(out, mCount);
    out.append("\">\n");
    const bool whole = mSpill.replay([this, names](QByteArrayView address, QByteArrayView line, QByteArrayView tail) {
        return appendMessage(address, line, tail, names);
    });
    mOutput.text().append("</smses>\n");
    mSpill.close();
    mNameCache.clear();
    bool written = false;
    if (!whole)
        mOutput.cancel();
    else
        written = mOutput.finish();
    const int result = written ? 0 : int(DataResult::FileCannotWrite);
    traceReturns(result);
    return result;
}
