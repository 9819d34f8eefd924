#include "monitor/LineGrace.h"

namespace Monitor {

void TLineGrace::Begin(qint64 nowMs, int seconds)
{
    FEndMs = nowMs + qint64(seconds) * 1000;
}

TLineChange TLineGrace::Tell(const TSample& sample, TLineChange change, bool down, qint64 nowMs)
{
    if (change == TLineChange::Up && FDownHeld) {
        FDownHeld = false;
        FEndMs = 0;
        return TLineChange::None;
    }
    if (change == TLineChange::Down && Active(nowMs)) {
        FDownHeld = true;
        return TLineChange::None;
    }
    // The network is back; a "down" already held waits for the line to come up, or for the
    // grace's end should it not.
    if (sample.HasReply() && !FDownHeld)
        FEndMs = 0;
    if (FDownHeld && !Active(nowMs)) {
        FDownHeld = false;
        FEndMs = 0;
        if (down)
            return TLineChange::Down;
    }
    return change;
}

} // namespace Monitor
