// The hub across a wake or a network change: the runs start afresh, a "down" within the grace
// is held back (and told if the line is still down when the grace ends), and with no route the
// "down" says this computer has no network.
#include "monitor/DesktopNotifier.h"
#include "monitor/SampleHub.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>

using namespace Monitor;

namespace {

class LineGrace : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetNotifyHook([this](const QString&, const QString& body) { Told.push_back(body); });
        Hub = std::make_unique<TSampleHub>();
        Hub->Ticks = [this] { return Ms; };
    }
    void TearDown() override { SetNotifyHook({}); }
    // One cycle a second later than the last.
    void Cycle(bool reply)
    {
        Ms += 1000;
        TSample s;
        s.Time = QDateTime::fromMSecsSinceEpoch(1'800'000'000'000 + Ms);
        s.Host = "192.0.2.7";
        s.Outcome = reply ? TOutcome::Good : TOutcome::Lost;
        s.RoundTripUs = reply ? 900 : -1;
        Hub->Add(s);
    }
    void Cycles(bool reply, int n)
    {
        for (int i = 0; i < n; ++i)
            Cycle(reply);
    }
    TTempConfig Config;
    std::unique_ptr<TSampleHub> Hub;
    qint64 Ms = 0;
    std::vector<QString> Told;
};

} // namespace

TEST_F(LineGrace, AnOutageWithinTheGraceIsNeverToldAndTheRunsStartAfresh)
{
    Cycles(true, 3);
    Cycles(false, 2);
    Hub->BeginGrace(); // two bad before, one after: not three in a row
    Cycle(false);
    EXPECT_FALSE(Hub->Alert().Down());
    Cycles(false, 3);
    EXPECT_TRUE(Hub->Alert().Down()) << "failures still show as usual";
    Cycles(true, 2);
    EXPECT_FALSE(Hub->Alert().Down());
    EXPECT_TRUE(Told.empty()) << Told.front().toStdString();
}

TEST_F(LineGrace, ADownStillThereWhenTheGraceEndsIsToldThenAndSaysWhenNoRouteIsLeft)
{
    Cycles(true, 3);
    Hub->SetNoRoute(true);
    Hub->BeginGrace();
    Cycles(false, 19); // the grace's 20 s are not over yet
    EXPECT_TRUE(Told.empty());
    Cycle(false);
    ASSERT_EQ(Told.size(), 1u);
    EXPECT_EQ(Told[0], "192.0.2.7: bu bilgisayarın ağ bağlantısı yok");
    Hub->SetNoRoute(false);
    Cycles(true, 2);
    ASSERT_EQ(Told.size(), 2u);
    EXPECT_TRUE(Told[1].startsWith("192.0.2.7: bağlantı geri geldi (kesinti "))
        << Told[1].toStdString();

    // Without a grace a "down" is told at the third bad cycle, as always.
    Cycles(false, 3);
    ASSERT_EQ(Told.size(), 3u);
    EXPECT_TRUE(Told[2].startsWith("192.0.2.7: bağlantı kesildi")) << Told[2].toStdString();
}
