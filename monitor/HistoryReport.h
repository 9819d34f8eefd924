#pragma once
// The figures of a report for the provider over a range of the history: sent, lost, loss,
// median and 95th percentile of the round trips, jitter, availability and the outages, and the
// same as one line of JSON for scripts. Availability is the share of the recorded time (the
// minutes with samples) the line was not down.
#include "monitor/HistoryTimeline.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace Monitor {

struct TReportFigures {
    QString Host, Address;
    std::int64_t FromMs = 0, ToMs = 0;
    std::int64_t Sent = 0, Lost = 0;
    std::optional<double> LossPercent, MedianUs, P95Us, JitterUs, AvailabilityPercent;
    std::vector<TOutage> Outages; // overlapping the range, clipped to it
    TOutageTotals Totals;
    std::int64_t RecordedMs = 0;
};

TReportFigures ReportFigures(const THistoryData& data, std::int64_t fromMs, std::int64_t toMs);

// {"host":…,"from":…,"to":…,"sent":…,"lost":…,"loss_percent":…,"median_ms":…,"p95_ms":…,
//  "jitter_ms":…,"availability_percent":…,"outages":[{"start","end","seconds","where"}]};
// times in local time with their offset, figures not known null.
QByteArray ReportJson(const TReportFigures& figures);

// A time in local time, as the history writes it.
QString LocalIsoTime(std::int64_t ms);

} // namespace Monitor
