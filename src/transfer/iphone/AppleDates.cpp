// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/AppleDates.h"

#include <cmath>

namespace {

// No stored date comes near this (about 3 * 10^11 years in nanoseconds); the
// bound keeps every sum below well inside 64 bits.
constexpr qint64 kLargestMagnitude = qint64(4) * 1000 * 1000 * 1000 * 1000 * 1000 * 1000;
constexpr qint64 kNanosecondThreshold = qint64(100) * 1000 * 1000 * 1000;
constexpr qint64 kNanosecondsPerSecond = 1000 * 1000 * 1000;
constexpr qint64 kNanosecondsPerMillisecond = 1000 * 1000;
constexpr qint64 kMillisecondsPerSecond = 1000;

} // namespace

std::optional<qint64> AppleDates::parseSeconds(const QString& text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 whole = trimmed.toLongLong(&ok, 10);
    if (ok)
        return (whole > kLargestMagnitude || whole < -kLargestMagnitude) ? std::nullopt : std::optional<qint64>(whole);
    const double number = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > double(kLargestMagnitude))
        return std::nullopt;
    return qint64(std::trunc(number));
}

QString AppleDates::calendarDate(const QString& stored)
{
    return QString::number(parseSeconds(stored).value_or(0) + kAppleEpochOffset);
}

QString AppleDates::messageDate(const QString& stored)
{
    qint64 value = parseSeconds(stored).value_or(0);
    if (value > kNanosecondThreshold || value < -kNanosecondThreshold)
        value /= kNanosecondsPerSecond;
    return QString::number(value + kAppleEpochOffset);
}

qint64 AppleDates::messageMilliseconds(const QString& stored)
{
    const qint64 value = parseSeconds(stored).value_or(0);
    if (value > kNanosecondThreshold || value < -kNanosecondThreshold)
        return value / kNanosecondsPerMillisecond + kAppleEpochOffset * kMillisecondsPerSecond;
    return (value + kAppleEpochOffset) * kMillisecondsPerSecond;
}

QString AppleDates::birthday(const QString& stored)
{
    const std::optional<qint64> value = parseSeconds(stored);
    if (!value)
        return QString();
    return QString::number(*value + kBirthdayOffset);
}
