// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/SafeFileNames.h"

namespace {

// Long enough for any title people give a note, short enough that folder,
// name and suffix stay inside the 255 UTF-16 units FAT and MTP allow.
constexpr qsizetype kMaxNameLength = 100;

bool isReservedDeviceName(const QString& name)
{
    const QString upper = name.section(QLatin1Char('.'), 0, 0).toUpper();
    static const QSet<QString> reserved = [] {
        QSet<QString> names{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"), QStringLiteral("NUL")};
        for (int i = 1; i <= 9; ++i) {
            names.insert(QStringLiteral("COM") + QString::number(i));
            names.insert(QStringLiteral("LPT") + QString::number(i));
        }
        return names;
    }();
    return reserved.contains(upper);
}

} // namespace

QString SafeFileNames::safeName(const QString& text, const QString& fallback)
{
    QString name;
    name.reserve(std::min(text.size(), kMaxNameLength));
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break; // a title is one line
        if (c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c) || c.isSurrogate())
            name += QLatin1Char('_');
        else
            name += c;
        if (name.size() >= kMaxNameLength)
            break;
    }
    // FAT drops trailing dots and blanks, and a leading dot hides the file.
    while (!name.isEmpty() && (name.back() == QLatin1Char('.') || name.back().isSpace()))
        name.chop(1);
    while (!name.isEmpty() && (name.front() == QLatin1Char('.') || name.front().isSpace()))
        name.remove(0, 1);
    if (name.isEmpty())
        return fallback;
    if (isReservedDeviceName(name))
        name += QLatin1Char('_');
    return name;
}

QString SafeFileNames::take(const QString& base, const QString& fallback, const QString& suffix)
{
    const QString safe = safeName(base, fallback);
    QString name = safe + suffix;
    for (int n = 2; mTaken.contains(name.toLower()); ++n)
        name = safe + QStringLiteral(" (%1)").arg(n) + suffix;
    mTaken.insert(name.toLower());
    return name;
}
