// The call quality: the E-model's MOS of hand-worked series, and the degraded rule with its
// hysteresis and its bound on notifications.
#include "monitor/LineQuality.h"

#include <gtest/gtest.h>

using namespace Monitor;

namespace {

const QDateTime kStart = QDateTime::fromSecsSinceEpoch(1'800'000'000);

// One cycle: a reply after ms milliseconds, or (ms < 0) a lost echo, at second `at`.
TSample Cycle(double ms, int at = 0)
{
    TSample s;
    s.Time = kStart.addSecs(at);
    s.Host = "192.0.2.1";
    s.Outcome = ms < 0 ? TOutcome::Lost : TOutcome::Good;
    s.RoundTripUs = ms < 0 ? -1 : ms * 1000;
    return s;
}

} // namespace

TEST(CallQuality, MosOfHandWorkedSeries)
{
    // 10, 30, lost, 10, 30 ms: loss 20 %, average 20 ms, jitter (20 + 20 + 20) / 3 = 20 ms
    // (the lost echo between two replies is skipped). L = 20 + 40 + 10 = 70 ms,
    // R = 93.2 - 70/40 - 2.5 x 20 = 41.45, MOS = 1 + 1.45075 - 0.31513 = 2.1356.
    TCallWindow w(5);
    for (double ms : {10.0, 30.0, -1.0, 10.0, 30.0})
        w.Add(Cycle(ms));
    TCallFigures f = w.Figures();
    EXPECT_EQ(f.Sent, 5);
    EXPECT_DOUBLE_EQ(*f.LossPercent, 20);
    EXPECT_DOUBLE_EQ(*f.JitterMs, 20);
    EXPECT_DOUBLE_EQ(*f.MedianMs, 20);
    EXPECT_NEAR(*f.Mos, 2.1356, 0.0001);

    // A slow, even line takes the other branch: L = 200 + 10 = 210 ms, R = 93.2 - 9 = 84.2,
    // MOS = 4.1724. The window keeps only its last five cycles.
    for (int i = 0; i < 5; ++i)
        w.Add(Cycle(200));
    f = w.Figures();
    EXPECT_DOUBLE_EQ(*f.LossPercent, 0);
    EXPECT_NEAR(*f.Mos, 4.1724, 0.0001);

    // Every echo lost: the worst score, and no times.
    for (int i = 0; i < 5; ++i)
        w.Add(Cycle(-1));
    EXPECT_DOUBLE_EQ(*w.Figures().Mos, 1.0);
    EXPECT_FALSE(w.Figures().AvgMs);
    // R is kept within 0 ... 100, so the score within 1 ... 4.5.
    EXPECT_DOUBLE_EQ(MeanOpinionScore(5000, 2000, 100), 1.0);
    EXPECT_LE(MeanOpinionScore(0, 0, 0), 4.5);
    // The polynomial alone gives 0.991 at R = 4.75 (L = 10 ms, 35.28 % loss): the scale ends
    // at 1.
    EXPECT_DOUBLE_EQ(MeanOpinionScore(0, 0, 35.28), 1.0);
}

TEST(LineQuality, OneDegradedOneRecoveredWithHysteresisAndHold)
{
    TLineQuality q;
    TQualityLimits limits;
    limits.Window = 10;
    limits.HoldSeconds = 100;
    q.SetLimits(limits);
    std::vector<TQualityChange> told;
    int at = 0;
    auto run = [&](std::initializer_list<double> series, int times) {
        for (int i = 0; i < times; ++i)
            for (double ms : series)
                if (const TQualityChange c = q.Add(Cycle(ms, at++)); c != TQualityChange::None)
                    told.push_back(c);
    };
    run({5}, 10); // an even start is no news
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(q.State(), TQuality::Good);

    run({5, 5, -1}, 20); // a third lost: degraded once, however long it lasts
    ASSERT_EQ(told, std::vector{TQualityChange::Degraded});
    EXPECT_EQ(QualityChangeText("192.0.2.1", told[0], *q.Mos()).left(38),
              "192.0.2.1: bağlantı kalitesi düştü (MO");

    // Even again, but within the hold after the degraded: told only once the hold is over.
    run({5}, 10);
    EXPECT_EQ(q.State(), TQuality::Degraded);
    run({5}, 40);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1], TQualityChange::Recovered);

    // On the edge: 1 lost in 10 (10 %) degrades, and 1 in 10 keeps it degraded; jitter that
    // comes down only to 25 ms (above three quarters of 30) never recovers.
    run({5, 5, 5, 5, 5, 5, 5, 5, 5, -1}, 10);
    ASSERT_EQ(told.size(), 3u);
    run({5, 55}, 40); // jitter 50 ms
    run({5, 30}, 40); // jitter 25 ms
    EXPECT_EQ(told.size(), 3u) << "no flapping on the edge";
    EXPECT_EQ(q.State(), TQuality::Degraded);
    run({5, 15}, 40); // jitter 10 ms
    EXPECT_EQ(told.size(), 4u);

    // A slow line: the median above the upper threshold.
    run({800}, 150);
    ASSERT_EQ(told.size(), 5u);
    EXPECT_EQ(told[4], TQualityChange::Degraded);
    // A run of lost echoes alone judges nothing (that is the down rule's), and a restart needs
    // half a window of new cycles before anything is judged again.
    q.Restart();
    run({-1}, 3);
    EXPECT_FALSE(q.Mos());
}
