// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/xml/XmlText.h"

#include "app/TraceLog.h"

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
