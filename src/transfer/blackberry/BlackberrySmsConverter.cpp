// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberrySmsConverter.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"

#include <QStringDecoder>

#include <limits>

namespace {

constexpr quint8 kFlagsField = 1;
constexpr quint8 kAddressField = 2;
constexpr quint8 kTextField = 4;
constexpr quint8 kMoreFlagsField = 7;
constexpr qsizetype kDateOffset = 13;
constexpr qsizetype kEncodingOffset = 29;
constexpr char kReceived = 1;
constexpr char kUcs2 = 2;

QString decodeAddress(const QByteArray& field)
{
    // Addresses are often stored with a zero byte after each character.
    QByteArray bytes = field;
    bytes.removeIf([](char c) { return c == '\0'; });
    QString address = QString::fromUtf8(bytes);
    qsizetype first = 0;
    while (first < address.size() && address.at(first).unicode() <= 32)
        ++first;
    return address.mid(first);
}

// Older phones wrote 8-bit bodies in the national code page; as UTF-8 those
// bytes would become replacement characters and the text would be lost.
QString utf8OrWindows1252(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // 0x80-0x9F of Windows-1252; its five unassigned bytes keep their Latin-1
    // (control) meaning, so every byte still becomes a character.
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString decoded;
    decoded.reserve(bytes.size());
    for (const char c : bytes) {
        const uchar byte = uchar(c);
        decoded += (byte >= 0x80 && byte < 0xA0) ? QChar(kHighControls[byte - 0x80]) : QChar(char16_t(byte));
    }
    return decoded;
}

bool isUcs2(const QByteArray& flags, const QByteArray& moreFlags)
{
    return (flags.size() > kEncodingOffset && flags.at(kEncodingOffset) == kUcs2)
           || (!moreFlags.isEmpty() && moreFlags.at(0) == kUcs2);
}

QString decodeText(const QByteArray& field, bool ucs2)
{
    if (ucs2) {
        QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        return decoder(field);
    }
    const qsizetype end = field.indexOf('\0');
    return utf8OrWindows1252(field.left(end < 0 ? field.size() : end));
}

std::optional<QString> decodeDate(const QByteArray& flags)
{
    if (flags.size() <= 20)
        return std::nullopt;
    quint64 milliseconds = 0;
    for (int i = 7; i >= 0; --i)
        milliseconds = milliseconds << 8 | uchar(flags.at(kDateOffset + i));
    traceValue("dateBytes", QString::number(milliseconds, 16));
    // A time that does not fit a signed 64-bit number is not a real one.
    if (milliseconds > quint64(std::numeric_limits<qint64>::max()))
        milliseconds = 0;
    return QString::number(milliseconds / 1000);
}

} // namespace

std::optional<MessageEntry> BlackberrySmsConverter::messageOfRecord(const BackupRecord& record)
{
    TraceScope trace("BlackberrySmsConverter::messageOfRecord");
    const QByteArray* flags = nullptr;
    const QByteArray* address = nullptr;
    const QByteArray* text = nullptr;
    const QByteArray* moreFlags = nullptr;
    for (const BackupField& field : record.fields) {
        switch (field.type) {
        case kFlagsField:
            flags = &field.data;
            break;
        case kAddressField:
            address = &field.data;
            break;
        case kTextField:
            text = &field.data;
            break;
        case kMoreFlagsField:
            moreFlags = &field.data;
            break;
        default:
            break;
        }
    }
    if (!flags || !address || !text || !moreFlags)
        return std::nullopt;

    MessageEntry message;
    message.direction = !flags->isEmpty() && flags->at(0) == kReceived ? MessageEntry::Direction::Received
                                                                       : MessageEntry::Direction::Sent;
    message.address = decodeAddress(*address);
    message.date = decodeDate(*flags);
    message.text = decodeText(*text, isUcs2(*flags, *moreFlags));
    return message;
}
