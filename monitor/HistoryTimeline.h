#pragma once
// One host's recorded history as the history window draws it: per pixel column of a time range
// the median round trip, the spread (minimum–maximum, 10th–90th percentile), the lost share,
// whether the line was down, and for a column with nothing recorded what the time was (the
// program not running, automatic pinging off, the computer asleep, another host monitored).
// Holds the minutes of the loaded range only, so zooming and panning never touch the disk.
#include "monitor/MinuteSummary.h"
#include "monitor/Outages.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace Monitor {

enum class TGapKind { None, NotRunning, PingingOff, Asleep, OtherHost };

struct TColumn {
    std::int64_t FromMs = 0, ToMs = 0;
    int Total = 0, Sent = 0, Replies = 0;
    double MinUs = 0, MaxUs = 0, P10Us = 0, P50Us = 0, P90Us = 0;
    double LostShare = 0;          // of the samples, those without a reply (0 … 1)
    bool Down = false;             // an outage overlaps the column
    int Outage = -1;               // the index of that outage
    TGapKind Gap = TGapKind::None; // for a column with no samples
    bool HasSamples() const { return Total > 0; }
};

struct THistoryData {
    QString Host, Address;
    std::vector<TMinuteSummary> Minutes; // in order
    std::vector<TOutage> Outages;        // in order
    std::vector<TEventRecord> Events;    // in order, the one before the range first
    std::int64_t FromMs = 0, ToMs = 0;   // what was loaded
};

// The columns of [fromMs, toMs) over width pixels.
std::vector<TColumn> BuildColumns(const THistoryData& data, std::int64_t fromMs, std::int64_t toMs,
                                  int width);

// What a time without samples of host was, from the events before it.
TGapKind GapAt(const std::vector<TEventRecord>& events, const QString& host, std::int64_t ms);

} // namespace Monitor

namespace Monitor {
class TSummaryStore;
// Reads host's minutes of [fromMs, toMs), its outages by the rule downAfter/upAfter (over all
// of its history, so one that began earlier is whole) and the events of the range.
THistoryData LoadHistory(TSummaryStore& store, const QString& host, std::int64_t fromMs,
                         std::int64_t toMs, int downAfter, int upAfter);
} // namespace Monitor
