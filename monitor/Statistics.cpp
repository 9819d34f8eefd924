#include "monitor/Statistics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Monitor {

namespace {

const double kLogStep = std::log(1.01);

int BucketOf(double us)
{
    if (us < 1.0)
        return 0;
    const int b = 1 + int(std::log(us) / kLogStep);
    return std::min(b, 1899);
}

// The largest time a bucket holds.
double BucketTop(int bucket)
{
    return bucket == 0 ? 1.0 : std::exp(double(bucket) * kLogStep);
}

// Nearest rank of a fraction among n values (1-based).
std::int64_t Rank(double fraction, std::int64_t n)
{
    return std::max<std::int64_t>(1, std::int64_t(std::ceil(fraction * double(n) - 1e-9)));
}

void SetLoss(TFigures& f)
{
    if (f.Sent > 0)
        f.LossPercent = 100.0 * double(f.Sent - f.Received) / double(f.Sent);
}

} // namespace

void TStatistics::Reset()
{
    const QString host = FHost;
    *this = TStatistics();
    FHost = host;
}

void TStatistics::Add(const TSample& sample)
{
    if (sample.Host != FHost) {
        *this = TStatistics();
        FHost = sample.Host;
    }
    if (!sample.Sent())
        return;
    if (!sample.Address.isEmpty())
        FAddress = sample.Address;
    ++FSent;
    const double t = sample.HasReply() ? sample.RoundTripUs : -1.0;
    FRing[FHead] = t;
    FHead = (FHead + 1) % kWindowSize;
    FCount = std::min(FCount + 1, kWindowSize);
    if (t < 0)
        return;
    ++FReceived;
    FMin = FReceived == 1 ? t : std::min(FMin, t);
    FMax = FReceived == 1 ? t : std::max(FMax, t);
    const double delta = t - FMean;
    FMean += delta / double(FReceived);
    FM2 += delta * (t - FMean);
    if (FLast >= 0) {
        FJitterSum += std::fabs(t - FLast);
        ++FJitterCount;
    }
    FLast = t;
    ++FHistogram[BucketOf(t)];
}

template <class F> void TStatistics::ForEachInWindow(F f) const
{
    const int first = (FHead - FCount + kWindowSize) % kWindowSize;
    for (int i = 0; i < FCount; ++i)
        f(FRing[(first + i) % kWindowSize]);
}

double TStatistics::SessionPercentile(double fraction) const
{
    const std::int64_t rank = Rank(fraction, FReceived);
    std::int64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
        seen += FHistogram[b];
        if (seen >= rank)
            return std::clamp(BucketTop(b), FMin, FMax);
    }
    return FMax;
}

TFigures TStatistics::Session() const
{
    if (FSent <= FCount)
        return Window(); // the window still holds the whole session: exact figures
    TFigures f;
    f.Sent = int(FSent);
    f.Received = int(FReceived);
    SetLoss(f);
    if (FReceived > 0) {
        f.MinUs = FMin;
        f.MaxUs = FMax;
        f.AvgUs = FMean;
        f.StdDevUs = std::sqrt(FM2 / double(FReceived));
        f.P95Us = SessionPercentile(0.95);
    }
    if (FJitterCount > 0)
        f.JitterUs = FJitterSum / double(FJitterCount);
    return f;
}

TFigures TStatistics::Window() const
{
    TFigures f;
    std::array<double, kWindowSize> times;
    int n = 0;
    double last = -1, jitter = 0;
    int steps = 0;
    ForEachInWindow([&](double t) {
        ++f.Sent;
        if (t < 0)
            return;
        times[n++] = t;
        if (last >= 0) {
            jitter += std::fabs(t - last);
            ++steps;
        }
        last = t;
    });
    f.Received = n;
    SetLoss(f);
    if (n > 0) {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += times[i];
        const double mean = sum / n;
        double squares = 0;
        for (int i = 0; i < n; ++i)
            squares += (times[i] - mean) * (times[i] - mean);
        std::sort(times.begin(), times.begin() + n);
        f.MinUs = times[0];
        f.MaxUs = times[n - 1];
        f.AvgUs = mean;
        f.StdDevUs = std::sqrt(squares / n);
        f.P95Us = times[Rank(0.95, n) - 1];
    }
    if (steps > 0)
        f.JitterUs = jitter / steps;
    return f;
}

} // namespace Monitor
