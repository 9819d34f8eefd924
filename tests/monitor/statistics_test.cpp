// Statistics against figures worked out by hand.
#include "monitor/Statistics.h"

#include <gtest/gtest.h>

using namespace Monitor;

namespace {

const double kLost = -1;

// Feeds round trips in milliseconds (kLost: an echo without reply) for one host.
TStatistics Feed(std::initializer_list<double> ms, const QString& host = "h")
{
    TStatistics s;
    for (double t : ms) {
        TSample sample;
        sample.Host = host;
        sample.Address = "10.0.0.1";
        sample.Outcome = t < 0 ? TOutcome::Lost : TOutcome::Good;
        sample.RoundTripUs = t < 0 ? -1 : t * 1000.0;
        s.Add(sample);
    }
    return s;
}

void ExpectMs(const std::optional<double>& us, double ms, const char* what)
{
    ASSERT_TRUE(us.has_value()) << what;
    EXPECT_NEAR(*us / 1000.0, ms, 1e-6) << what;
}

} // namespace

TEST(Statistics, SmallSeriesWithALoss)
{
    // 10, 20, lost, 15, 40 ms: mean 85/4 = 21.25; squared deviations 126.5625 + 1.5625 + 39.0625
    // + 351.5625 = 518.75, /4 = 129.6875, root 11.38804...; jitter (10 + 5 + 25) / 3.
    const TStatistics s = Feed({10, 20, kLost, 15, 40});
    for (const TFigures& f : {s.Session(), s.Window()}) {
        EXPECT_EQ(f.Sent, 5);
        EXPECT_EQ(f.Received, 4);
        ASSERT_TRUE(f.LossPercent);
        EXPECT_DOUBLE_EQ(*f.LossPercent, 20.0);
        ExpectMs(f.MinUs, 10, "min");
        ExpectMs(f.AvgUs, 21.25, "avg");
        ExpectMs(f.MaxUs, 40, "max");
        ExpectMs(f.StdDevUs, std::sqrt(129.6875), "stddev");
        ExpectMs(f.P95Us, 40, "p95"); // rank ceil(0.95 * 4) = 4
        ExpectMs(f.JitterUs, 40.0 / 3.0, "jitter");
    }
}

TEST(Statistics, EdgeCases)
{
    const TFigures none = TStatistics().Session();
    EXPECT_EQ(none.Sent, 0);
    EXPECT_FALSE(none.LossPercent);
    EXPECT_FALSE(none.MinUs);

    const TFigures silent = Feed({kLost, kLost, kLost}).Session();
    EXPECT_EQ(silent.Sent, 3);
    EXPECT_EQ(silent.Received, 0);
    EXPECT_DOUBLE_EQ(*silent.LossPercent, 100.0);
    EXPECT_FALSE(silent.MinUs || silent.AvgUs || silent.MaxUs || silent.StdDevUs || silent.P95Us ||
                 silent.JitterUs);

    const TFigures one = Feed({kLost, 12.5}).Window();
    EXPECT_DOUBLE_EQ(*one.LossPercent, 50.0);
    ExpectMs(one.MinUs, 12.5, "min");
    ExpectMs(one.MaxUs, 12.5, "max");
    ExpectMs(one.P95Us, 12.5, "p95");
    ExpectMs(one.StdDevUs, 0, "stddev");
    EXPECT_FALSE(one.JitterUs) << "jitter needs two replies";

    const TFigures equal = Feed({7, 7, 7, 7, 7}).Session();
    EXPECT_DOUBLE_EQ(*equal.LossPercent, 0.0);
    ExpectMs(equal.AvgUs, 7, "avg");
    ExpectMs(equal.StdDevUs, 0, "stddev");
    ExpectMs(equal.JitterUs, 0, "jitter");
    ExpectMs(equal.P95Us, 7, "p95");
}

TEST(Statistics, PercentileIsTheNearestRank)
{
    // 1 .. 20 ms arriving in reverse: the rank is ceil(0.95 * 20) = 19, whatever the order.
    TStatistics s;
    TSample sample;
    sample.Host = "h";
    sample.Outcome = TOutcome::Good;
    for (int i = 20; i >= 1; --i) {
        sample.RoundTripUs = i * 1000.0;
        s.Add(sample);
    }
    ExpectMs(s.Window().P95Us, 19, "p95 of 1..20");
}

TEST(Statistics, WindowSlidesAndSessionKeepsTheRest)
{
    // 50 lost, then replies of 1 .. 100 ms: the window holds only the replies.
    TStatistics s;
    TSample sample;
    sample.Host = "h";
    sample.Outcome = TOutcome::Lost;
    for (int i = 0; i < 50; ++i)
        s.Add(sample);
    sample.Outcome = TOutcome::Good;
    for (int i = 1; i <= 100; ++i) {
        sample.RoundTripUs = i * 1000.0;
        s.Add(sample);
    }
    const TFigures w = s.Window();
    EXPECT_EQ(w.Sent, 100);
    EXPECT_DOUBLE_EQ(*w.LossPercent, 0.0);
    ExpectMs(w.MinUs, 1, "window min");
    ExpectMs(w.AvgUs, 50.5, "window avg");
    ExpectMs(w.P95Us, 95, "window p95");
    ExpectMs(w.JitterUs, 1, "window jitter");

    const TFigures f = s.Session();
    EXPECT_EQ(f.Sent, 150);
    EXPECT_EQ(f.Received, 100);
    EXPECT_NEAR(*f.LossPercent, 100.0 / 3.0, 1e-9);
    ExpectMs(f.AvgUs, 50.5, "session avg");
    ExpectMs(f.StdDevUs, std::sqrt((100.0 * 100.0 - 1.0) / 12.0), "session stddev");
    ASSERT_TRUE(f.P95Us);
    EXPECT_NEAR(*f.P95Us / 1000.0, 95, 95 * 0.01) << "the session's percentile is within 1 %";
}

TEST(Statistics, UnknownHostSendsNothingAndAnotherHostStartsAfresh)
{
    TStatistics s = Feed({10, kLost});
    TSample unknown;
    unknown.Host = "h";
    unknown.Outcome = TOutcome::UnknownHost;
    s.Add(unknown);
    EXPECT_EQ(s.Session().Sent, 2);

    TSample other;
    other.Host = "other";
    other.Outcome = TOutcome::Good;
    other.RoundTripUs = 3000;
    s.Add(other);
    EXPECT_EQ(s.Host(), "other");
    EXPECT_EQ(s.Session().Sent, 1);
    EXPECT_EQ(s.Window().Sent, 1);
    ExpectMs(s.Session().MaxUs, 3, "max");
}
