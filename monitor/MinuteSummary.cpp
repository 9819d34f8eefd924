#include "monitor/MinuteSummary.h"

#include <algorithm>
#include <cmath>

namespace Monitor {

namespace {
const double kLogStep = std::log(1.02);
}

int RttBucket(double us)
{
    if (!(us > 1.0))
        return 0;
    return std::min(kRttBuckets - 1, int(std::log(us) / kLogStep));
}

double RttBucketValue(int bucket)
{
    return std::exp((bucket + 0.5) * kLogStep);
}

void TMinuteSummary::AddSample(bool sent, double us)
{
    ++Total;
    if (!sent)
        return;
    ++Sent;
    if (us < 0)
        return;
    MinUs = Replies == 0 ? us : std::min(MinUs, us);
    MaxUs = Replies == 0 ? us : std::max(MaxUs, us);
    ++Replies;
    SumUs += us;
    const auto b = std::uint16_t(RttBucket(us));
    auto it = std::lower_bound(Buckets.begin(), Buckets.end(), b,
                               [](const auto& e, std::uint16_t v) { return e.first < v; });
    if (it != Buckets.end() && it->first == b) {
        if (it->second < 0xffff)
            ++it->second;
    } else {
        Buckets.insert(it, {b, 1});
    }
}

void TMinuteSummary::AddJitter(double differenceUs)
{
    JitterSumUs += differenceUs;
    ++JitterPairs;
}

void TMinuteSummary::Merge(const TMinuteSummary& o)
{
    if (o.Replies > 0) {
        MinUs = Replies == 0 ? o.MinUs : std::min(MinUs, o.MinUs);
        MaxUs = Replies == 0 ? o.MaxUs : std::max(MaxUs, o.MaxUs);
    }
    Total += o.Total;
    Sent += o.Sent;
    Replies += o.Replies;
    SumUs += o.SumUs;
    JitterSumUs += o.JitterSumUs;
    JitterPairs += o.JitterPairs;
    for (const auto& [b, n] : o.Buckets) {
        auto it = std::lower_bound(Buckets.begin(), Buckets.end(), b,
                                   [](const auto& e, std::uint16_t v) { return e.first < v; });
        if (it != Buckets.end() && it->first == b)
            it->second = std::uint16_t(std::min(0xffff, it->second + n));
        else
            Buckets.insert(it, {b, n});
    }
}

void TRttHistogram::Add(const TMinuteSummary& m)
{
    if (m.Replies == 0)
        return;
    FMin = FCount == 0 ? m.MinUs : std::min(FMin, m.MinUs);
    FMax = FCount == 0 ? m.MaxUs : std::max(FMax, m.MaxUs);
    for (const auto& [b, n] : m.Buckets) {
        FCounts[b] += n;
        FCount += n;
        FLow = std::min(FLow, int(b));
        FHigh = std::max(FHigh, int(b));
    }
}

void TRttHistogram::Clear()
{
    if (FHigh >= FLow)
        std::fill(FCounts.begin() + FLow, FCounts.begin() + FHigh + 1, 0u);
    FCount = 0;
    FLow = kRttBuckets;
    FHigh = -1;
}

std::optional<double> TRttHistogram::Percentile(double fraction) const
{
    if (FCount == 0)
        return std::nullopt;
    double value = 0;
    Percentiles(&fraction, &value, 1);
    return value;
}

void TRttHistogram::Percentiles(const double* fractions, double* values, int n) const
{
    int i = 0;
    std::int64_t seen = 0;
    for (int b = FLow; b <= FHigh && i < n; ++b) {
        seen += FCounts[std::size_t(b)];
        while (i < n && seen >= std::max<std::int64_t>(
                                    1, std::int64_t(std::ceil(fractions[i] * double(FCount)))))
            values[i++] = std::clamp(RttBucketValue(b), FMin, FMax);
    }
    for (; i < n; ++i)
        values[i] = FMax;
}

} // namespace Monitor
