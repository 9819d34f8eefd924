// The down/up state machine: no flapping, a single lost echo, recovery timing, host changes.
#include "monitor/LineAlert.h"

#include <gtest/gtest.h>

using namespace Monitor;

namespace {

const QDateTime kStart = QDateTime::fromSecsSinceEpoch(1'700'000'000);

// Feeds outcomes one per 5 s; returns the changes with the cycle (from 1) they came at.
std::vector<std::pair<int, TLineEvent>> Feed(TLineAlert& a, const std::vector<TOutcome>& outcomes,
                                             const QString& host = "h", int firstCycle = 1)
{
    std::vector<std::pair<int, TLineEvent>> changes;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        TSample s;
        s.Host = host;
        s.Outcome = outcomes[i];
        s.Time = kStart.addSecs(5 * (firstCycle - 1 + qint64(i)));
        const TLineEvent e = a.Add(s);
        if (e.Change != TLineChange::None)
            changes.emplace_back(firstCycle + int(i), e);
    }
    return changes;
}

const TOutcome G = TOutcome::Good, N = TOutcome::Normal, B = TOutcome::Bad, L = TOutcome::Lost,
               F = TOutcome::Failed, U = TOutcome::UnknownHost;

} // namespace

TEST(LineAlert, SingleLossesAndEveryThirdLostNeverFlap)
{
    TLineAlert a;
    EXPECT_TRUE(Feed(a, {G, L, G, G, N, L, G, L, L, G, L, L, G, L, L, G}).empty());
    EXPECT_FALSE(a.Down());
}

TEST(LineAlert, DownAfterThreeBadUpAfterTwoGoodWithTheOutage)
{
    TLineAlert a;
    // Every kind of bad cycle counts: lost, failed, unknown host, too slow.
    auto changes = Feed(a, {G, L, F, U, B, L, G, L, G, N, G});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].first, 4); // the third bad cycle in a row
    EXPECT_EQ(changes[0].second.Change, TLineChange::Down);
    EXPECT_EQ(changes[1].first, 10); // a single good one (cycle 7) does not bring it up
    EXPECT_EQ(changes[1].second.Change, TLineChange::Up);
    // From the first bad cycle (2) to the first good cycle of the run that recovered (9).
    EXPECT_EQ(changes[1].second.OutageMs, 7 * 5000);
    EXPECT_EQ(LineChangeText(changes[1].second), "h: bağlantı geri geldi (kesinti 35 sn)");
    // Down names the cycle that took the line down: here the slow reply (cycle 4 is U, so
    // feed the causes one by one below).
    EXPECT_TRUE(LineChangeText(changes[0].second).startsWith("h: bağlantı kesildi ("));
}

TEST(LineAlert, DownNamesTheCause)
{
    auto downBy = [](TOutcome last, double rttUs = -1, const QString& text = {}) {
        TLineAlert a;
        Feed(a, {L, L});
        TSample s;
        s.Host = "h";
        s.Outcome = last;
        s.RoundTripUs = rttUs;
        s.StatusText = text;
        s.Time = kStart.addSecs(10);
        return LineChangeText(a.Add(s), 700);
    };
    EXPECT_EQ(downBy(L), "h: bağlantı kesildi (yanıt yok)");
    EXPECT_EQ(downBy(B, 812'400), "h: bağlantı kesildi (yanıt 812 ms, sınır 700 ms)");
    EXPECT_EQ(downBy(U), "h: bağlantı kesildi (ad bulunamadı)");
    EXPECT_EQ(downBy(F, -1, "Destination host unreachable"),
              "h: bağlantı kesildi (ağ hatası: Destination host unreachable)");
}

TEST(LineAlert, AnotherHostStartsSilentlyAndCountsAreChosen)
{
    TLineAlert a(1, 1);
    ASSERT_EQ(Feed(a, {L}).size(), 1u);
    EXPECT_TRUE(Feed(a, {G, G}, "other", 2).empty()) << "no 'up' for a host that was never down";
    EXPECT_FALSE(a.Down());
    EXPECT_EQ(Feed(a, {L, G}, "other", 4).size(), 2u);
}

TEST(LineAlert, DurationText)
{
    EXPECT_EQ(DurationText(400), "0 sn");
    EXPECT_EQ(DurationText(59'400), "59 sn");
    EXPECT_EQ(DurationText(65'000), "1 dk 5 sn");
    EXPECT_EQ(DurationText(2 * 3600'000 + 61'000), "2 sa 1 dk");
}
