// A sleep noticed from the clocks: only the boot-time clock runs on while the computer sleeps.
#include "framework/ClockJump.h"

#include <gtest/gtest.h>

TEST(ClockJump, TellsASleepOnceAndIgnoresDrift)
{
    TClockJump jump;
    EXPECT_EQ(jump.Check(50'000, 40'000), 0) << "the first reading has nothing to compare with";
    EXPECT_EQ(jump.Check(52'000, 42'000), 0) << "both clocks ran on together";
    EXPECT_EQ(jump.Check(54'500, 44'000), 0) << "half a second of drift is no sleep";
    // Asleep for a minute between two readings two seconds apart.
    EXPECT_EQ(jump.Check(116'500, 46'000), 60'000);
    EXPECT_EQ(jump.Check(118'500, 48'000), 0) << "told once";
    // A sleep already told another way is not told again.
    jump.Rebase();
    EXPECT_EQ(jump.Check(218'500, 50'000), 0);
    EXPECT_EQ(jump.Check(220'500, 52'000), 0);

    // The real clocks: the boot-time one is never behind the monotonic one.
    EXPECT_GE(BootTimeMs(), MonotonicMs());
}
