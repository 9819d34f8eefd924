#pragma once
// Loss and round-trip statistics over the session and over the last 100 samples.
//
// Only echo cycles count (an unknown host sends nothing). Sent counts every echo, received every
// reply; a lost or failed echo counts in the loss, never in the times. Times are the engine's
// precise round trips in microseconds:
//   minimum, average, maximum;
//   standard deviation: of the population, sqrt(sum((t - mean)^2) / n);
//   95th percentile: nearest rank, the smallest time that at least 95 % of the replies reach;
//   jitter: the mean of |t[i] - t[i-1]| over consecutive replies in arrival order (lost echoes
//     between two replies are skipped), as mean absolute delay variation.
// A figure that needs more replies than there are (any time without a reply, jitter with fewer
// than two) is absent. A sample for another host starts everything afresh.
//
// Memory stays fixed whatever the session's length: the window is a ring of 100 times, and the
// session keeps running sums and, for its percentile, a histogram of 1 % wide buckets. The
// session's percentile is exact while the window still holds all of the session's samples and
// within 1 % afterwards.
#include "monitor/Sample.h"

#include <array>
#include <cstdint>
#include <optional>

namespace Monitor {

struct TFigures {
    int Sent = 0;
    int Received = 0;
    std::optional<double> LossPercent;
    std::optional<double> MinUs, AvgUs, MaxUs, StdDevUs, P95Us, JitterUs;
};

class TStatistics {
public:
    static constexpr int kWindowSize = 100;

    void Add(const TSample& sample);
    void Reset();

    const QString& Host() const { return FHost; }
    const QString& Address() const { return FAddress; }
    TFigures Session() const;
    TFigures Window() const;

private:
    // The window's slots in arrival order: a time, or -1 for an echo without reply.
    template <class F> void ForEachInWindow(F f) const;
    double SessionPercentile(double fraction) const;

    QString FHost;
    QString FAddress;

    // Session.
    std::int64_t FSent = 0;
    std::int64_t FReceived = 0;
    double FMin = 0, FMax = 0;
    double FMean = 0, FM2 = 0; // running mean and sum of squared deviations (Welford)
    double FLast = -1;         // the previous reply's time, for the jitter
    double FJitterSum = 0;
    std::int64_t FJitterCount = 0;
    static constexpr int kBuckets = 1900; // 1 % steps from 1 us to beyond 100 s
    std::array<std::uint32_t, kBuckets> FHistogram{};

    // Window.
    std::array<double, kWindowSize> FRing{};
    int FHead = 0; // the next slot to write
    int FCount = 0;
};

} // namespace Monitor
