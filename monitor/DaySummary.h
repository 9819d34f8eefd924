#pragma once
// One day file boiled down to what the history window and the reports need: per host and
// minute a summary, the runs of bad and of good cycles (from which the outage rule is replayed
// later, across midnight), and the events. Built from the file's text in one pass.
#include "monitor/HistoryReader.h"
#include "monitor/MinuteSummary.h"

#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Monitor {

// Consecutive samples of one host that were all bad, or all good or normal.
struct TSampleRun {
    QString Host;
    std::int64_t StartMs = 0; // the first sample's time
    std::int64_t EndMs = 0;   // the last one's
    bool Bad = false;
    int Count = 0;
    // The first run after a start of the program or a switch from another host: the outage
    // rule starts afresh there, as it did in the program.
    bool Reset = false;
    QString Fault; // the first fault verdict written in the run; empty: none
};

struct TEventRecord {
    std::int64_t TimeMs = 0;
    THistoryEventKind Kind = THistoryEventKind::Start;
    QString Host;
};

struct THostMinute {
    QString Host;
    TMinuteSummary Summary;
};

struct TDaySummary {
    std::vector<THostMinute> Minutes; // in order of host, then minute
    std::vector<TSampleRun> Runs;     // in file order
    std::vector<TEventRecord> Events;
    std::vector<std::pair<QString, QString>> Addresses; // each host's last address of the day
    THistoryCounts Counts;
};

TDaySummary SummariseDay(std::string_view text);

} // namespace Monitor
