#pragma once
// After the computer wakes from sleep or the route to the host changes, the network needs a few
// seconds to come back. Meanwhile failures are shown as usual, but a "down" the line alert
// judges is held back: it is told only if the line is still down when the grace's length is
// over. The grace ends early at the first reply (the network is back) unless a "down" is held:
// that one waits for the line to come up, and the "up" of an outage that was never told is not
// told either. Times are a monotonic clock's milliseconds.
#include "monitor/LineAlert.h"

namespace Monitor {

class TLineGrace {
public:
    void Begin(qint64 nowMs, int seconds);
    bool Active(qint64 nowMs) const { return FEndMs > 0 && nowMs < FEndMs; }

    // What of the line alert's judgement of this sample is told: its change, or none while it
    // is held back, or a held-back "down" once the grace is over and the line still down.
    TLineChange Tell(const TSample& sample, TLineChange change, bool down, qint64 nowMs);

private:
    qint64 FEndMs = 0;
    bool FDownHeld = false;
};

} // namespace Monitor
