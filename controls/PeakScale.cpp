#include "controls/PeakScale.h"

#include <QLocale>
#include <algorithm>
#include <climits>

TPeakScale ComputeScale(std::int64_t peak)
{
    TPeakScale s;
    if (peak <= 0)
        return s;
    // 1, 2, 5 times a power of ten.
    static constexpr std::int64_t kMantissa[] = {1, 2, 5};
    std::int64_t power = 1;
    for (;;) {
        bool found = false;
        for (const std::int64_t m : kMantissa) {
            if (peak < 10 * m * power) {
                s.Step = m * power;
                found = true;
                break;
            }
        }
        if (found)
            break;
        power *= 10;
    }
    s.Count = peak / s.Step + 2;
    s.Full = (s.Count - 1) * s.Step;
    return s;
}

std::int64_t RoundHalfEven(std::int64_t numerator, std::int64_t denominator)
{
    std::int64_t q = numerator / denominator;
    std::int64_t r = numerator % denominator; // same sign as the numerator
    if (r < 0) {
        // Floor division, so the remainder lies in [0, denominator).
        q -= 1;
        r += denominator;
    }
    const std::int64_t twice = 2 * r;
    if (twice > denominator || (twice == denominator && (q & 1) != 0))
        ++q;
    return q;
}

int ScaleHeight(std::int64_t v, int plotHeight, std::int64_t full)
{
    // Saturates rather than wraps, so a far-off value stays on its side of the baseline.
    return int(std::clamp<std::int64_t>(RoundHalfEven(v * plotHeight, full), INT_MIN, INT_MAX));
}

QString FormatThousands(std::int64_t v, const QString& separator)
{
    const bool negative = v < 0;
    // The magnitude as digits; unsigned so the most negative value has one too.
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(v) : std::uint64_t(v);
    const QString digits = QString::number(magnitude);
    QString text;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return negative ? QLatin1Char('-') + text : text;
}

QString FormatThousands(std::int64_t v)
{
    return FormatThousands(v, QLocale().groupSeparator());
}
