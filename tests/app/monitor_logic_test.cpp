#include "app/MonitorLogic.h"

#include <gtest/gtest.h>

using namespace Monitor;

TEST(Classify, ThresholdEdges)
{
    struct Case {
        std::uint32_t t;
        int lower, upper;
        TStatus expected;
    } cases[] = {
        {199, 200, 700, stGood},
        {200, 200, 700, stNormal}, // equal to lower is normal
        {700, 200, 700, stNormal},
        {701, 200, 700, stBad}, // one more than upper is bad
        {0, 200, 700, stGood},
        {0, 0, 0, stNormal},
        // Inverted: either good (below lower) or bad, never normal.
        {100, 500, 300, stGood},
        {400, 500, 300, stGood},
        {500, 500, 300, stBad},
        // Negative lower: never good; negative upper: everything not good is bad.
        {0, -1, 700, stNormal},
        {0, 200, -5, stGood},
        {300, 200, -5, stBad},
        {0, -10, -5, stBad},
        // Times beyond the signed range still compare as whole numbers.
        {4000000000u, 200, 2147483647, stBad},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Classify(c.t, c.lower, c.upper), c.expected)
            << c.t << " against " << c.lower << "/" << c.upper;
}

TEST(EvaluateReply, GoodLostAndFailedReplies)
{
    EchoReport good;
    good.Error = 1;
    good.RoundTripMs = 15;
    good.DataSize = 32;
    good.HostIP = "10.1.2.3";
    ReplyOutcome o = EvaluateReply(good, 1000, 200, 700);
    EXPECT_EQ(o.LogLine, "Received 32 bytes from 10.1.2.3 in 15 ms");
    EXPECT_EQ(o.Readout, "15 ms");
    EXPECT_EQ(o.MeterValue, 15);
    EXPECT_EQ(o.Status, stGood);
    EXPECT_FALSE(o.Bad);

    EchoReport slow = good;
    slow.RoundTripMs = 800;
    o = EvaluateReply(slow, 1000, 200, 700);
    EXPECT_EQ(o.Status, stBad);
    EXPECT_TRUE(o.Bad);
    EXPECT_EQ(o.Readout, "800 ms");

    EchoReport lost;
    lost.Error = 0;
    lost.HostIP = "10.1.2.3";
    lost.ErrorString = "Request timed out";
    o = EvaluateReply(lost, 1234, 200, 700);
    EXPECT_EQ(o.LogLine, "Cannot ping host (10.1.2.3) : Request timed out");
    EXPECT_EQ(o.Readout, "Time out");
    EXPECT_EQ(o.MeterValue, 1234);
    EXPECT_EQ(o.Status, stBad);
    EXPECT_TRUE(o.Bad);

    // A router's error message is a reply record with a failure status: not a good ping.
    EchoReport unreachable = good;
    unreachable.Status = 11003;
    unreachable.RoundTripMs = 2;
    unreachable.StatusText = "Destination host unreachable";
    o = EvaluateReply(unreachable, 1000, 200, 700);
    EXPECT_EQ(o.LogLine, "Cannot ping host (10.1.2.3) : Destination host unreachable");
    EXPECT_EQ(o.Readout, "Time out");
    EXPECT_EQ(o.MeterValue, 1000);
    EXPECT_EQ(o.Status, stBad);
}

TEST(StatusTexts, LampHintAndCaptions)
{
    EXPECT_EQ(LampColor(stOff), 0x000080u);
    EXPECT_EQ(LampColor(stBad), 0x0000FFu);
    EXPECT_EQ(LampColor(stNormal), 0x00FFFFu);
    EXPECT_EQ(LampColor(stGood), 0x00FF00u);
    EXPECT_EQ(TrayHint("Kapali"), "ZEMBRA Ping - Kapali");
    EXPECT_EQ(NormalRangeCaption("150", "700"), "150-700 Arası normal");
    EXPECT_EQ(NormalRangeCaption("-5", ""), "-5- Arası normal");
    EXPECT_EQ(AutoPingCaption(true), "Otomatik Ping Açık");
    EXPECT_EQ(AutoPingCaption(false), "Otomatik Ping Kapalı");
    EXPECT_EQ(SendingLine(32, "127.0.0.1", "127.0.0.1"),
              "Sending 32 bytes to 127.0.0.1 (127.0.0.1)");
    EXPECT_EQ(ResolvingLine("a b"), "Resolving host 'a b'");
    EXPECT_EQ(HostIsLine("h", "1.2.3.4"), "Host 'h' is 1.2.3.4");
    EXPECT_EQ(UnknownHostLine("h"), "Unknown Host 'h'");
}

TEST(Alarm, OnlyBadRepliesWithTheAlarmOn)
{
    EXPECT_TRUE(ShouldSoundAlarm(true, true));
    EXPECT_FALSE(ShouldSoundAlarm(true, false));
    EXPECT_FALSE(ShouldSoundAlarm(false, true));
}
