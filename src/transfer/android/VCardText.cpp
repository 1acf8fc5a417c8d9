// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/VCardText.h"

namespace {

constexpr qsizetype kLineOctets = 75;
constexpr qsizetype kMaxBytesPerUnit = 3;

bool isContinuationByte(char byte)
{
    return (uchar(byte) & 0xC0) == 0x80;
}

} // namespace

// Text without the characters no importer should see: controls (tab and line
// breaks kept), noncharacters U+FFFE/U+FFFF and surrogate halves without a partner.
QString VCardText::cleaned(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 < size && text.at(i + 1).isLowSurrogate()) {
                out.append(c);
                out.append(text.at(++i));
            }
            continue;
        }
        if (c.isLowSurrogate() || u == 0xFFFE || u == 0xFFFF)
            continue;
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
            continue;
        if (u == 0x7F)
            continue;
        out.append(c);
    }
    return out;
}

QByteArray VCardText::escaped(const QString& text)
{
    QByteArray out;
    appendEscaped(out, text);
    return out;
}

void VCardText::appendEscaped(QByteArray& out, QStringView text)
{
    // cleaned(), UTF-8 and the escapes in one pass. No UTF-16 unit becomes
    // more than three bytes: an escape is two, a surrogate pair four for two.
    const qsizetype start = out.size();
    const qsizetype size = text.size();
    out.resize(start + size * kMaxBytesPerUnit);
    char* o = out.data() + start;
    const char16_t* units = text.utf16();
    // A line break written as CR: an LF right after it (dropped characters
    // aside) belongs to the same break.
    bool afterCr = false;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = units[i];
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F) {
                if (c == '\t') {
                    *o++ = '\t';
                    afterCr = false;
                } else if (c == '\r' || (c == '\n' && !afterCr)) {
                    *o++ = '\\';
                    *o++ = 'n';
                    afterCr = c == '\r';
                } else if (c == '\n') {
                    afterCr = false;
                }
                continue;
            }
            afterCr = false;
            if (c == '\\' || c == ',' || c == ';')
                *o++ = '\\';
            *o++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= size || !QChar::isLowSurrogate(units[i + 1]))
                continue;
            const char32_t code = QChar::surrogateToUcs4(c, units[++i]);
            *o++ = char(0xF0 | (code >> 18));
            *o++ = char(0x80 | ((code >> 12) & 0x3F));
            *o++ = char(0x80 | ((code >> 6) & 0x3F));
            *o++ = char(0x80 | (code & 0x3F));
        } else if (QChar::isLowSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            continue;
        } else {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
        afterCr = false;
    }
    out.truncate(o - out.constData());
}

QByteArray VCardText::structured(const QStringList& parts)
{
    QByteArray out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out.append(';');
        appendEscaped(out, parts.at(i));
    }
    return out;
}

QByteArray VCardText::customType(const QString& label)
{
    QString value = cleaned(label.simplified());
    bool quote = false;
    for (QChar& c : value) {
        if (c == QLatin1Char('"') || c.unicode() < 0x20)
            c = QLatin1Char(' ');
        else if (c == QLatin1Char(';') || c == QLatin1Char(':') || c == QLatin1Char(',') || c == QLatin1Char(' '))
            quote = true;
    }
    const QByteArray type = "X-" + value.toUtf8();
    return quote ? '"' + type + '"' : type;
}

void VCardText::appendFolded(QByteArray& out, const QByteArray& line)
{
    qsizetype start = 0;
    qsizetype room = kLineOctets;
    const qsizetype size = line.size();
    while (size - start > room) {
        qsizetype end = start + room;
        // Step back to the first byte of the character that would be cut.
        while (end > start + 1 && isContinuationByte(line.at(end)))
            --end;
        out.append(line.constData() + start, end - start);
        out.append("\r\n ");
        start = end;
        room = kLineOctets - 1; // the blank that opens the continuation line counts
    }
    out.append(line.constData() + start, size - start);
    out.append("\r\n");
}

void VCardText::foldLine(QByteArray& out, qsizetype lineStart)
{
    if (out.size() - lineStart <= kLineOctets) {
        out.append("\r\n");
        return;
    }
    const QByteArray line = out.mid(lineStart);
    out.truncate(lineStart);
    appendFolded(out, line);
}
