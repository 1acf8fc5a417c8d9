// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/AttributedBodyText.h"

#include "app/TraceLog.h"

#include <QStringDecoder>

namespace {

// A typedstream writes each new type string as 0x84, its length and its
// characters: the string's own bytes follow the type "+". Between the string
// class and that type iOS writes its superclass chain (NSMutableString adds
// NSString), version numbers and back references, so the distance varies.
constexpr char kNewTypeString[] = "\x84\x01+";
constexpr qsizetype kNewTypeStringSize = 3;
// Archives that refer back to an earlier type string keep only "+" a few
// bytes after the class name.
constexpr qsizetype kTypeMarkerWindow = 16;
constexpr char kStringType = '+';
// typedstream integers: a byte below 0x80 is the value itself; 0x81 and 0x82
// announce a little-endian 16- or 32-bit value.
constexpr quint8 kInt16Tag = 0x81;
constexpr quint8 kInt32Tag = 0x82;
constexpr char kEndOfObject = '\x86';
// What iOS puts in the text where an attachment sits.
constexpr char16_t kObjectReplacement = 0xFFFC;

qsizetype classNameEnd(const QByteArray& archive)
{
    qsizetype best = -1;
    qsizetype bestEnd = -1;
    for (const QByteArray& name : {QByteArrayLiteral("NSString"), QByteArrayLiteral("NSMutableString")}) {
        const qsizetype at = archive.indexOf(name);
        if (at >= 0 && (best < 0 || at < best)) {
            best = at;
            bestEnd = at + name.size();
        }
    }
    return bestEnd;
}

// Where the string's length starts, or -1.
qsizetype lengthStart(const QByteArray& archive, qsizetype classEnd)
{
    const qsizetype typeAt = archive.indexOf(QByteArray::fromRawData(kNewTypeString, kNewTypeStringSize), classEnd);
    if (typeAt >= 0)
        return typeAt + kNewTypeStringSize;
    const qsizetype windowEnd = qMin(archive.size(), classEnd + kTypeMarkerWindow);
    for (qsizetype pos = classEnd; pos < windowEnd; ++pos) {
        if (archive.at(pos) == kStringType)
            return pos + 1;
    }
    return -1;
}

quint32 littleEndian(const QByteArray& data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

// A length that runs past the archive's end (seen in real, damaged blobs):
// the string still ends where its object does, at the end marker, when what
// comes before is whole UTF-8.
std::optional<QString> truncatedString(const QByteArray& archive, qsizetype start)
{
    const qsizetype end = archive.indexOf(kEndOfObject, start);
    if (end < 0)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(QByteArrayView(archive.constData() + start, end - start));
    if (decoder.hasError())
        return std::nullopt;
    return AttributedBodyText::withoutPlaceholders(text);
}

} // namespace

std::optional<QString> AttributedBodyText::plainText(const QByteArray& archive)
{
    TraceScope trace("AttributedBodyText::plainText");
    const qsizetype classEnd = classNameEnd(archive);
    if (classEnd < 0)
        return std::nullopt;
    qsizetype pos = lengthStart(archive, classEnd);
    if (pos < 0 || pos >= archive.size())
        return std::nullopt;
    const quint8 tag = quint8(archive.at(pos));
    qint64 length = 0;
    if (tag < 0x80) {
        length = tag;
        pos += 1;
    } else if (tag == kInt16Tag && archive.size() - pos >= 3) {
        length = littleEndian(archive, pos + 1, 2);
        pos += 3;
    } else if (tag == kInt32Tag && archive.size() - pos >= 5) {
        length = littleEndian(archive, pos + 1, 4);
        pos += 5;
    } else {
        return std::nullopt;
    }
    if (length > archive.size() - pos)
        return truncatedString(archive, pos);
    return withoutPlaceholders(QString::fromUtf8(archive.constData() + pos, qsizetype(length)));
}

QString AttributedBodyText::withoutPlaceholders(QString text)
{
    if (text.contains(QChar(kObjectReplacement)))
        text.remove(QChar(kObjectReplacement));
    return text;
}
