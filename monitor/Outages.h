#pragma once
// The down periods of a host's recorded history, by the same rule and the same code that raise
// the "down" and "up" notifications (TLineAlert): replayed over the runs of bad and good cycles,
// so the list agrees with what the program said at the time. An outage still open where the
// program stopped (or the recording ends) ends at the last sample it covers.
#include "monitor/DaySummary.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace Monitor {

struct TOutage {
    std::int64_t StartMs = 0; // the first bad cycle of the run that took the line down
    std::int64_t EndMs = 0;   // the first good cycle of the run that brought it back
    bool Open = false;        // never came back up: EndMs is the last sample's time
    QString Fault;            // the fault verdict written while it lasted; empty: none
    std::int64_t Seconds() const { return (EndMs - StartMs + 500) / 1000; }
};

// runs: one host's, in time order.
std::vector<TOutage> FindOutages(const std::vector<TSampleRun>& runs, int downAfter, int upAfter);

struct TOutageTotals {
    int Count = 0;
    std::int64_t DownMs = 0;    // within the range
    std::int64_t LongestMs = 0; // of those in the range, clipped to it
};
// The outages that overlap [fromMs, toMs), clipped to it.
TOutageTotals OutageTotals(const std::vector<TOutage>& outages, std::int64_t fromMs,
                           std::int64_t toMs);

} // namespace Monitor
