#include "monitor/MinuteSummary.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

QByteArray TMinuteSummary::PackedBuckets() const
{
    QByteArray out(qsizetype(Buckets.size() * 4), Qt::Uninitialized);
    char* p = out.data();
    for (const auto& [b, n] : Buckets) {
        const std::uint8_t bytes[4] = {std::uint8_t(b), std::uint8_t(b >> 8), std::uint8_t(n),
                                       std::uint8_t(n >> 8)};
        std::memcpy(p, bytes, 4);
        p += 4;
    }
    return out;
}

void TMinuteSummary::UnpackBuckets(const QByteArray& packed)
{
    Buckets.clear();
    Buckets.reserve(std::size_t(packed.size() / 4));
    const auto* p = reinterpret_cast<const std::uint8_t*>(packed.constData());
    for (qsizetype i = 0; i + 4 <= packed.size(); i += 4) {
        const std::uint16_t b = std::uint16_t(p[i] | p[i + 1] << 8);
        const std::uint16_t n = std::uint16_t(p[i + 2] | p[i + 3] << 8);
        // A store edited by hand keeps its buckets in range and in order, or loses them.
        if (b >= kRttBuckets || (!Buckets.empty() && Buckets.back().first >= b))
            break;
        Buckets.emplace_back(b, n);
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
    }
}

void TRttHistogram::Clear()
{
    FCounts.fill(0);
    FCount = 0;
}

std::optional<double> TRttHistogram::Percentile(double fraction) const
{
    if (FCount == 0)
        return std::nullopt;
    const auto rank = std::max<std::int64_t>(1, std::int64_t(std::ceil(fraction * double(FCount))));
    std::int64_t seen = 0;
    for (int b = 0; b < kRttBuckets; ++b) {
        seen += FCounts[std::size_t(b)];
        if (seen >= rank)
            return std::clamp(RttBucketValue(b), FMin, FMax);
    }
    return FMax;
}

} // namespace Monitor
