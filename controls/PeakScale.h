#pragma once
#include <QString>
#include <cstdint>

// The arithmetic of the history meter's scale, free of any widget.

// The grid of a scale for a peak > 0: lines every Step, Count = peak / Step + 2, and the full
// scale Full = (Count - 1) * Step, the smallest multiple of Step above the peak. Step is the
// smallest of 1, 2, 5, 10, 20, 50, ... with peak < 10 * Step.
struct TPeakScale {
    std::int64_t Step = 0;
    std::int64_t Count = 0;
    std::int64_t Full = 0;
};
TPeakScale ComputeScale(std::int64_t peak);

// numerator / denominator (denominator > 0) rounded to the nearest integer, halves to even.
std::int64_t RoundHalfEven(std::int64_t numerator, std::int64_t denominator);

// Pixels above the baseline at which value v is drawn on a scale whose full value `full`
// (> 0) spans `plotHeight` pixels; |v * plotHeight| must fit in 63 bits.
int ScaleHeight(std::int64_t v, int plotHeight, std::int64_t full);

// Decimal text of v with `separator` before every group of three digits from the right.
QString FormatThousands(std::int64_t v, const QString& separator);
// The same with the user locale's thousands separator.
QString FormatThousands(std::int64_t v);
