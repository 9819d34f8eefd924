#include "monitor/Outages.h"

#include "monitor/LineAlert.h"

#include <algorithm>

namespace Monitor {

std::vector<TOutage> FindOutages(const std::vector<TSampleRun>& runs, int downAfter, int upAfter)
{
    std::vector<TOutage> outages;
    TLineAlert alert(downAfter, upAfter);
    // Beyond this many samples in a row the rule learns nothing new.
    const int enough = std::max(downAfter, upAfter);
    std::int64_t lastMs = 0;
    bool down = false;
    TOutage current;
    QString runFault; // of the bad runs since the last good one
    auto close = [&](std::int64_t endMs, bool open) {
        current.EndMs = std::max(current.StartMs, endMs);
        current.Open = open;
        outages.push_back(current);
        down = false;
    };
    TSample sample;
    for (const TSampleRun& run : runs) {
        if (run.Reset) {
            if (down)
                close(lastMs, true);
            alert = TLineAlert(downAfter, upAfter);
        }
        sample.Host = run.Host;
        sample.Outcome = run.Bad ? TOutcome::Lost : TOutcome::Good;
        sample.Time = QDateTime::fromMSecsSinceEpoch(run.StartMs, Qt::UTC);
        if (!run.Bad)
            runFault.clear();
        else if (runFault.isEmpty())
            runFault = run.Fault;
        for (int i = 0; i < std::min(run.Count, enough); ++i) {
            const TLineEvent event = alert.Add(sample);
            if (event.Change == TLineChange::Down) {
                down = true;
                current = TOutage();
                current.StartMs = alert.OutageStart().toMSecsSinceEpoch();
                current.Fault = runFault;
            } else if (event.Change == TLineChange::Up) {
                close(current.StartMs + event.OutageMs, false);
            }
        }
        if (down && current.Fault.isEmpty() && run.Bad)
            current.Fault = run.Fault;
        lastMs = run.EndMs;
    }
    if (down)
        close(lastMs, true);
    return outages;
}

TOutageTotals OutageTotals(const std::vector<TOutage>& outages, std::int64_t fromMs,
                           std::int64_t toMs)
{
    TOutageTotals totals;
    for (const TOutage& o : outages) {
        const std::int64_t a = std::max(o.StartMs, fromMs), b = std::min(o.EndMs, toMs);
        if (b <= a && !(o.StartMs == o.EndMs && o.StartMs >= fromMs && o.StartMs < toMs))
            continue;
        ++totals.Count;
        totals.DownMs += std::max<std::int64_t>(0, b - a);
        totals.LongestMs = std::max(totals.LongestMs, b - a);
    }
    return totals;
}

} // namespace Monitor
