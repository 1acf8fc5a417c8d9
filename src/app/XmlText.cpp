// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/XmlText.h"

#include "app/TraceLog.h"

#include <QByteArray>

#include <cstring>

namespace {

bool isDropped(const QString& text, qsizetype index)
{
    const char16_t unit = text.at(index).unicode();
    if (unit < 32 || unit == 0xFFFE || unit == 0xFFFF)
        return true;
    if (QChar::isHighSurrogate(unit))
        return index + 1 >= text.size() || !QChar::isLowSurrogate(text.at(index + 1).unicode());
    if (QChar::isLowSurrogate(unit))
        return index == 0 || !QChar::isHighSurrogate(text.at(index - 1).unicode());
    return false;
}

// The most bytes one UTF-16 unit becomes: "&quot;" (a character of three
// UTF-8 bytes or a surrogate pair of four takes less).
constexpr qsizetype kMaxBytesPerUnit = 6;

template <std::size_t N> char* put(char* out, const char (&entity)[N])
{
    std::memcpy(out, entity, N - 1);
    return out + N - 1;
}

} // namespace

QString XmlText::filtered(const QString& text)
{
    // Most values are clean: scan first so that they are returned without a
    // copy, with a quick test for the common characters.
    const auto* units = reinterpret_cast<const char16_t*>(text.constData());
    qsizetype first = 0;
    while (first < text.size()) {
        const char16_t unit = units[first];
        if ((unit < 32 || unit >= 0xD800) && isDropped(text, first))
            break;
        ++first;
    }
    if (first == text.size())
        return text;

    TraceScope trace("XmlText::filtered");
    QString result;
    result.reserve(text.size());
    result.append(QStringView(text).left(first));
    for (qsizetype i = first; i < text.size(); ++i) {
        if (isDropped(text, i)) {
            traceValue("Removed illegal character", int(text.at(i).unicode()));
            continue;
        }
        result.append(text.at(i));
    }
    return result;
}

void XmlText::appendEscapedUtf8(QByteArray& utf8, QStringView text)
{
    // Called for every name and value of files with hundreds of thousands of
    // items: it makes room once and then writes without further checks, and
    // is left out of the trace.
    const qsizetype start = utf8.size();
    utf8.resize(start + text.size() * kMaxBytesPerUnit);
    char* out = utf8.data() + start;
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = units[i];
        if (c < 0x80) {
            switch (c) {
            case '&':
                out = put(out, "&amp;");
                break;
            case '<':
                out = put(out, "&lt;");
                break;
            case '>':
                out = put(out, "&gt;");
                break;
            case '"':
                out = put(out, "&quot;");
                break;
            default:
                *out++ = char(c);
                break;
            }
            continue;
        }
        if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(units[i + 1])) {
                c = QChar::surrogateToUcs4(char16_t(c), units[++i]);
                *out++ = char(0xF0 | (c >> 18));
                *out++ = char(0x80 | ((c >> 12) & 0x3F));
                *out++ = char(0x80 | ((c >> 6) & 0x3F));
                *out++ = char(0x80 | (c & 0x3F));
                continue;
            }
            c = 0xFFFD;
        }
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    utf8.truncate(out - utf8.constData());
}
