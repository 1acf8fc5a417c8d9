// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/VCardText.h"

namespace {

constexpr qsizetype kLineOctets = 75;

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
    const QByteArray utf8 = cleaned(text).toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 8);
    const qsizetype size = utf8.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = utf8.at(i);
        switch (c) {
        case '\\':
            out.append("\\\\");
            break;
        case ',':
            out.append("\\,");
            break;
        case ';':
            out.append("\\;");
            break;
        case '\r':
            if (i + 1 < size && utf8.at(i + 1) == '\n')
                ++i;
            out.append("\\n");
            break;
        case '\n':
            out.append("\\n");
            break;
        default:
            out.append(c);
            break;
        }
    }
    return out;
}

QByteArray VCardText::structured(const QStringList& parts)
{
    QByteArray out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out.append(';');
        out.append(escaped(parts.at(i)));
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
