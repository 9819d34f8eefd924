#pragma once
// A sleep the program was not told of: the boot-time clock counts the time the computer was
// suspended, the monotonic clock does not, so the gap between them grows by the length of each
// sleep. Readings are compared with the previous one; a growth beyond the threshold is a sleep
// (a small drift between the clocks is not).
#include <QtGlobal>
#include <optional>

class TClockJump {
public:
    static constexpr qint64 kThresholdMs = 2000;

    // One reading of both clocks, in milliseconds. Returns how long the computer slept since
    // the previous reading, or 0.
    qint64 Check(qint64 bootMs, qint64 monotonicMs);
    // The next reading starts afresh (a sleep already accounted for another way).
    void Rebase() { FGap.reset(); }

private:
    std::optional<qint64> FGap;
};

// The clocks as the kernel keeps them (CLOCK_BOOTTIME, CLOCK_MONOTONIC), in milliseconds.
qint64 BootTimeMs();
qint64 MonotonicMs();
