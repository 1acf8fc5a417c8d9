// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/LineSafeText.h"

#include "app/TraceLog.h"

QByteArray LineSafeText::uri(const QString& text)
{
    TraceScope trace("LineSafeText::uri");
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = uchar(c);
        if (byte <= 0x20 || byte == 0x7F) {
            out.append('%');
            out.append(kHex[byte >> 4]);
            out.append(kHex[byte & 0x0F]);
        } else {
            out.append(c);
        }
    }
    return out;
}
