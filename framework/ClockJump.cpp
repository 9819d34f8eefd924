#include "framework/ClockJump.h"

#include <ctime>

qint64 TClockJump::Check(qint64 bootMs, qint64 monotonicMs)
{
    const qint64 gap = bootMs - monotonicMs;
    const qint64 slept = FGap ? gap - *FGap : 0;
    FGap = gap;
    return slept > kThresholdMs ? slept : 0;
}

namespace {

qint64 ClockMs(clockid_t clock)
{
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

qint64 BootTimeMs()
{
    return ClockMs(CLOCK_BOOTTIME);
}

qint64 MonotonicMs()
{
    return ClockMs(CLOCK_MONOTONIC);
}
