#include "monitor/HistoryReport.h"

#include "monitor/Sample.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace Monitor {

QString LocalIsoTime(std::int64_t ms)
{
    return IsoTimeText(QDateTime::fromMSecsSinceEpoch(ms));
}

TReportFigures ReportFigures(const THistoryData& data, std::int64_t fromMs, std::int64_t toMs)
{
    TReportFigures r;
    r.Host = data.Host;
    r.Address = data.Address;
    r.FromMs = fromMs;
    r.ToMs = toMs;
    TRttHistogram histogram;
    double jitter = 0;
    std::int64_t pairs = 0, replies = 0, recordedMinutes = 0;
    for (const TMinuteSummary& m : data.Minutes) {
        const std::int64_t startMs = m.Minute * 60000;
        if (startMs < fromMs - 59999 || startMs >= toMs)
            continue;
        r.Sent += m.Sent;
        replies += m.Replies;
        jitter += m.JitterSumUs;
        pairs += m.JitterPairs;
        histogram.Add(m);
        if (m.Total > 0)
            ++recordedMinutes;
    }
    r.Lost = r.Sent - replies;
    if (r.Sent > 0)
        r.LossPercent = 100.0 * double(r.Lost) / double(r.Sent);
    r.MedianUs = histogram.Percentile(0.5);
    r.P95Us = histogram.Percentile(0.95);
    if (pairs > 0)
        r.JitterUs = jitter / double(pairs);
    for (const TOutage& o : data.Outages) {
        if (o.EndMs < fromMs || o.StartMs >= toMs)
            continue;
        TOutage clipped = o;
        clipped.StartMs = std::max(o.StartMs, fromMs);
        clipped.EndMs = std::min(o.EndMs, toMs);
        r.Outages.push_back(clipped);
    }
    r.Totals = OutageTotals(r.Outages, fromMs, toMs);
    r.RecordedMs = std::min(recordedMinutes * 60000, toMs - fromMs);
    if (r.RecordedMs > 0)
        r.AvailabilityPercent = std::clamp(
            100.0 * double(r.RecordedMs - r.Totals.DownMs) / double(r.RecordedMs), 0.0, 100.0);
    return r;
}

QByteArray ReportJson(const TReportFigures& r)
{
    auto number = [](const std::optional<double>& v, double scale) {
        return v ? QJsonValue(std::round(*v * scale * 1000.0) / 1000.0) : QJsonValue();
    };
    QJsonArray outages;
    for (const TOutage& o : r.Outages)
        outages.append(
            QJsonObject{{"start", LocalIsoTime(o.StartMs)},
                        {"end", LocalIsoTime(o.EndMs)},
                        {"seconds", qint64(o.Seconds())},
                        {"where", o.Fault.isEmpty() ? QJsonValue() : QJsonValue(o.Fault)}});
    const QJsonObject json{{"host", r.Host},
                           {"from", LocalIsoTime(r.FromMs)},
                           {"to", LocalIsoTime(r.ToMs)},
                           {"sent", qint64(r.Sent)},
                           {"lost", qint64(r.Lost)},
                           {"loss_percent", number(r.LossPercent, 1)},
                           {"median_ms", number(r.MedianUs, 0.001)},
                           {"p95_ms", number(r.P95Us, 0.001)},
                           {"jitter_ms", number(r.JitterUs, 0.001)},
                           {"availability_percent", number(r.AvailabilityPercent, 1)},
                           {"outages", outages}};
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

} // namespace Monitor
