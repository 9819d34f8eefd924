#pragma once
// What a voice or video call would make of the line: loss, median, average and jitter over the
// last cycles, and an estimated call quality (MOS, 1 to 5) by the simplified E-model that
// monitoring tools commonly use:
//   effective latency  L = average round trip + 2 x jitter + 10 ms
//   R = 93.2 - L / 40              when L < 160 ms
//   R = 93.2 - (L - 120) / 10      otherwise
//   R = R - 2.5 x loss percent, kept within 0 ... 100
//   MOS = 1 + 0.035 R + 0.000007 R (R - 60) (100 - R), at least 1
// Jitter is the mean difference between consecutive replies (lost echoes between them skipped),
// as in the statistics. With every echo lost the MOS is 1.
#include "monitor/Sample.h"

#include <optional>
#include <vector>

namespace Monitor {

struct TCallFigures {
    int Sent = 0;
    int Received = 0;
    std::optional<double> LossPercent;
    std::optional<double> MedianMs, AvgMs, JitterMs;
    std::optional<double> Mos;
};

// The E-model's estimate from its three inputs (milliseconds, percent).
double MeanOpinionScore(double avgMs, double jitterMs, double lossPercent);

// The last `size` echo cycles (an unknown host sends nothing and is not counted).
class TCallWindow {
public:
    explicit TCallWindow(int size = 20) { SetSize(size); }
    void SetSize(int size);
    int Size() const { return FSize; }
    void Add(const TSample& sample);
    void Clear() { FSlots.clear(); }
    TCallFigures Figures() const;

private:
    int FSize = 20;
    std::vector<double> FSlots; // oldest first: milliseconds, or -1 for an echo without reply
};

} // namespace Monitor
