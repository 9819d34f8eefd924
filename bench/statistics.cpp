// Cost of one sample on the monitoring cycle: the statistics update with a full window, what
// the whole sample hub (statistics, line alert, listeners) adds, and reading every figure as
// the statistics window does on each refresh; next to the least a sliding window of 100 times
// can cost (one store into a ring). Then the heap used before and after a million samples:
// the statistics must not grow with the session's length.
#include "monitor/Statistics.h"
#include "monitor/SampleHub.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <malloc.h>

using namespace Monitor;

namespace {

// Nanoseconds per call of f, measured over at least half a second.
template <class F> double NanosPer(F f)
{
    QElapsedTimer t;
    t.start();
    long n = 0;
    while (t.nsecsElapsed() < 500'000'000) {
        for (int i = 0; i < 1000; ++i)
            f();
        n += 1000;
    }
    return double(t.nsecsElapsed()) / double(n);
}

// A varied but repeatable series: 12 to 60 ms, every 20th echo lost.
struct Series {
    unsigned state = 12345;
    TSample Next(TSample s)
    {
        state = state * 1103515245u + 12345u;
        const bool lost = (state >> 16) % 20 == 0;
        s.Outcome = lost ? TOutcome::Lost : TOutcome::Good;
        s.RoundTripUs = lost ? -1 : 12000.0 + double((state >> 8) % 48000);
        return s;
    }
};

std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config; // the hub reads its options; never from the user's own folder
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    TSample base;
    base.Host = QStringLiteral("localhost");
    base.Address = QStringLiteral("127.0.0.1");
    base.Time = QDateTime::currentDateTime();
    Series series;

    TStatistics stats;
    for (int i = 0; i < 2 * TStatistics::kWindowSize; ++i)
        stats.Add(series.Next(base));
    std::array<TSample, 256> samples;
    for (TSample& s : samples)
        s = series.Next(base);
    unsigned k = 0;
    const double add = NanosPer([&] { stats.Add(samples[k++ & 255]); });

    double sink = 0;
    const double read = NanosPer([&] {
        const TFigures s = stats.Session();
        const TFigures w = stats.Window();
        sink += *s.AvgUs + *w.P95Us;
    });

    TSampleHub hub;
    for (int i = 0; i < 2 * TStatistics::kWindowSize; ++i)
        hub.Add(series.Next(base));
    const double hubAdd = NanosPer([&] { hub.Add(samples[k++ & 255]); });

    std::array<double, TStatistics::kWindowSize> ring{};
    int head = 0;
    const double reference = NanosPer([&] {
        ring[head] = samples[k++ & 255].RoundTripUs;
        head = (head + 1) % TStatistics::kWindowSize;
    });
    sink += ring[0];

    TStatistics grown;
    grown.Add(base);
    const std::size_t heapBefore = HeapInUse();
    for (int i = 0; i < 1'000'000; ++i)
        grown.Add(samples[i & 255]);
    const std::size_t heapAfter = HeapInUse();

    std::printf("statistics_add_sample_full_window %.3f us\n", add / 1000.0);
    std::printf("sample_hub_add %.3f us\n", hubAdd / 1000.0);
    std::printf("statistics_read_all_figures %.3f us\n", read / 1000.0);
    std::printf("reference_ring_store %.4f us\n", reference / 1000.0);
    std::printf("statistics_add_ratio %.1f x\n", add / reference);
    std::printf("statistics_object_size %zu bytes\n", sizeof(TStatistics));
    std::printf("statistics_heap_growth_1M_samples %lld bytes\n",
                static_cast<long long>(heapAfter) - static_cast<long long>(heapBefore));
    std::printf("statistics_session_sent_after_1M %d samples\n", grown.Session().Sent);
    std::printf("target statistics_add_sample_full_window < 5\n");
    std::printf("target statistics_heap_growth_1M_samples <= 0\n");
    return sink == 42.0 ? 1 : 0;
}
