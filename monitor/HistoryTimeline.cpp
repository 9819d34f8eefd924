#include "monitor/HistoryTimeline.h"

#include "monitor/SummaryStore.h"

#include <QDateTime>
#include <algorithm>

namespace Monitor {

TGapKind GapAt(const std::vector<TEventRecord>& events, const QString& host, std::int64_t ms)
{
    const auto end =
        std::upper_bound(events.begin(), events.end(), ms,
                         [](std::int64_t t, const TEventRecord& e) { return t < e.TimeMs; });
    // The last event that says what the program was doing; a network change says nothing.
    for (auto it = end; it != events.begin();) {
        --it;
        switch (it->Kind) {
        case THistoryEventKind::End:
            return TGapKind::NotRunning;
        case THistoryEventKind::AutoPingOff:
            return TGapKind::PingingOff;
        case THistoryEventKind::Asleep:
            return TGapKind::Asleep;
        case THistoryEventKind::NetworkChange:
            continue;
        default:
            // Running: another host was being watched, or nothing was recorded (the program
            // ended without saying so).
            return it->Host != host && !it->Host.isEmpty() ? TGapKind::OtherHost
                                                           : TGapKind::NotRunning;
        }
    }
    return TGapKind::NotRunning;
}

std::vector<TColumn> BuildColumns(const THistoryData& data, std::int64_t fromMs, std::int64_t toMs,
                                  int width)
{
    std::vector<TColumn> columns;
    if (width <= 0 || toMs <= fromMs)
        return columns;
    columns.resize(std::size_t(width));
    const auto& minutes = data.Minutes;
    auto firstAt = [&](std::int64_t minute) {
        return std::lower_bound(
            minutes.begin(), minutes.end(), minute,
            [](const TMinuteSummary& m, std::int64_t v) { return m.Minute < v; });
    };
    auto minuteOf = [](std::int64_t ms) { return ms >= 0 ? ms / 60000 : (ms - 59999) / 60000; };
    TRttHistogram histogram;
    std::size_t outage = 0;
    const double span = double(toMs - fromMs);
    for (int x = 0; x < width; ++x) {
        TColumn& c = columns[std::size_t(x)];
        c.FromMs = fromMs + std::int64_t(span * x / width);
        c.ToMs = fromMs + std::int64_t(span * (x + 1) / width);
        // The minutes that begin in the column; a column narrower than a minute shows the
        // minute it lies in.
        std::int64_t m0 = minuteOf(c.FromMs + 59999), m1 = minuteOf(c.ToMs + 59999);
        if (m1 <= m0) {
            m0 = minuteOf(c.FromMs);
            m1 = m0 + 1;
        }
        histogram.Clear();
        bool any = false;
        for (auto it = firstAt(m0); it != minutes.end() && it->Minute < m1; ++it) {
            const TMinuteSummary& m = *it;
            if (m.Replies > 0) {
                c.MinUs = c.Replies == 0 ? m.MinUs : std::min(c.MinUs, m.MinUs);
                c.MaxUs = c.Replies == 0 ? m.MaxUs : std::max(c.MaxUs, m.MaxUs);
            }
            c.Total += m.Total;
            c.Sent += m.Sent;
            c.Replies += m.Replies;
            histogram.Add(m);
            any = true;
        }
        if (any && c.Total > 0) {
            c.LostShare = double(c.Total - c.Replies) / c.Total;
            if (histogram.Count() > 0) {
                static constexpr double kFractions[3] = {0.10, 0.50, 0.90};
                double v[3];
                histogram.Percentiles(kFractions, v, 3);
                c.P10Us = v[0];
                c.P50Us = v[1];
                c.P90Us = v[2];
            }
        } else {
            c.Gap = GapAt(data.Events, data.Host, (c.FromMs + c.ToMs) / 2);
        }
        while (outage < data.Outages.size() && data.Outages[outage].EndMs < c.FromMs)
            ++outage;
        for (std::size_t o = outage; o < data.Outages.size() && data.Outages[o].StartMs < c.ToMs;
             ++o) {
            if (data.Outages[o].EndMs >= c.FromMs) {
                c.Down = true;
                c.Outage = int(o);
                break;
            }
        }
    }
    return columns;
}

THistoryData LoadHistory(TSummaryStore& store, const QString& host, std::int64_t fromMs,
                         std::int64_t toMs, int downAfter, int upAfter)
{
    THistoryData data;
    data.Host = host;
    data.FromMs = fromMs;
    data.ToMs = toMs;
    data.Minutes = store.Minutes(host, fromMs / 60000, (toMs + 59999) / 60000);
    data.Events = store.Events(fromMs, toMs);
    data.Address = store.Address(host, QDateTime::fromMSecsSinceEpoch(toMs).date());
    for (TOutage& o : FindOutages(store.Runs(host), downAfter, upAfter))
        if (o.EndMs >= fromMs && o.StartMs < toMs)
            data.Outages.push_back(std::move(o));
    return data;
}

} // namespace Monitor
