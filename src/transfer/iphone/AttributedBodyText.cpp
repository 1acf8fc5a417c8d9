// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/AttributedBodyText.h"

#include "app/TraceLog.h"

namespace {

// Between the class name and the string's type marker sit the class version
// and a reference to the superclass: a few bytes.
constexpr qsizetype kTypeMarkerWindow = 16;
constexpr char kStringType = '+';
// typedstream integers: a byte below 0x80 is the value itself; 0x81 and 0x82
// announce a little-endian 16- or 32-bit value.
constexpr quint8 kInt16Tag = 0x81;
constexpr quint8 kInt32Tag = 0x82;

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

quint32 littleEndian(const QByteArray& data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

} // namespace

std::optional<QString> AttributedBodyText::plainText(const QByteArray& archive)
{
    TraceScope trace("AttributedBodyText::plainText");
    qsizetype pos = classNameEnd(archive);
    if (pos < 0)
        return std::nullopt;
    const qsizetype windowEnd = qMin(archive.size(), pos + kTypeMarkerWindow);
    while (pos < windowEnd && archive.at(pos) != kStringType)
        ++pos;
    if (pos >= windowEnd)
        return std::nullopt;
    ++pos;
    if (pos >= archive.size())
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
        return std::nullopt;
    return QString::fromUtf8(archive.constData() + pos, qsizetype(length));
}
