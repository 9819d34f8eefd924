#include "monitor/LineGrace.h"

namespace Monitor {

void TLineGrace::Begin(qint64 nowMs, int seconds)
{
    FEndMs = nowMs + qint64(seconds) * 1000;
}

TLineChange TLineGrace::Tell(const TSample& sample, TLineChange change, bool down, qint64 nowMs)
{
    if (sample.HasReply())
        FEndMs = 0; // the network is back
    if (change == TLineChange::Down && Active(nowMs)) {
        FDownHeld = true;
        return TLineChange::None;
    }
    if (change == TLineChange::Up && FDownHeld) {
        FDownHeld = false;
        return TLineChange::None;
    }
    if (FDownHeld && !Active(nowMs)) {
        FDownHeld = false;
        if (down)
            return TLineChange::Down;
    }
    return change;
}

} // namespace Monitor
