// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QtGlobal>

#include <limits>

// Byte totals add up sizes that may come from a damaged cache file; they stop
// at the ends of the range instead of overflowing.
namespace SizeArithmetic {

inline qint64 add(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

inline qint64 subtract(qint64 a, qint64 b)
{
    qint64 difference = 0;
    if (!__builtin_sub_overflow(a, b, &difference))
        return difference;
    return b < 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

} // namespace SizeArithmetic
