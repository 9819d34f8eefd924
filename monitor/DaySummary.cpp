#include "monitor/DaySummary.h"

#include <cmath>
#include <map>

namespace Monitor {

namespace {

QString FromView(std::string_view v)
{
    return QString::fromUtf8(v.data(), qsizetype(v.size()));
}

std::int64_t MinuteOf(std::int64_t ms)
{
    return ms >= 0 ? ms / 60000 : (ms - 59999) / 60000;
}

} // namespace

TDaySummary SummariseDay(std::string_view text)
{
    TDaySummary day;
    std::map<std::pair<QString, std::int64_t>, TMinuteSummary> minutes;
    std::map<QString, QString> addresses;
    std::string lastAddress;
    std::string lastHostBytes; // the host of the last sample, to spot a switch cheaply
    QString lastHost;
    bool pendingReset = false;
    double lastReply = -1; // of lastHost, since the program's start
    TMinuteSummary* current = nullptr;
    std::int64_t currentMinute = 0;

    day.Counts = ReadHistory(text, [&](const THistoryRow& row) {
        if (row.IsEvent) {
            day.Events.push_back({row.TimeMs, row.Event, FromView(row.Host)});
            if (row.Event == THistoryEventKind::HostChange)
                pendingReset = true;
            if (row.Event == THistoryEventKind::Start) {
                pendingReset = true;
                lastReply = -1;
            }
            return;
        }
        const bool switched = row.Host != lastHostBytes;
        if (switched) {
            lastHostBytes.assign(row.Host);
            const bool hadHost = !lastHost.isNull();
            lastHost = FromView(row.Host);
            if (hadHost)
                pendingReset = true;
            lastReply = -1;
            current = nullptr;
        }
        if (!row.Address.empty() && (switched || row.Address != lastAddress)) {
            lastAddress.assign(row.Address);
            addresses[lastHost] = FromView(row.Address);
        }
        const std::int64_t minute = MinuteOf(row.TimeMs);
        if (!current || minute != currentMinute) {
            current = &minutes[{lastHost, minute}];
            current->Minute = minute;
            currentMinute = minute;
        }
        current->AddSample(row.Sent(), row.RoundTripUs);
        if (row.RoundTripUs >= 0) {
            if (lastReply >= 0)
                current->AddJitter(std::abs(row.RoundTripUs - lastReply));
            lastReply = row.RoundTripUs;
        }
        const bool bad = row.IsBad();
        TSampleRun* run = day.Runs.empty() ? nullptr : &day.Runs.back();
        if (!run || pendingReset || switched || run->Bad != bad) {
            day.Runs.push_back({lastHost, row.TimeMs, row.TimeMs, bad, 0, pendingReset, {}});
            run = &day.Runs.back();
            pendingReset = false;
        }
        ++run->Count;
        run->EndMs = std::max(run->EndMs, row.TimeMs);
        if (run->Fault.isEmpty() && !row.Fault.empty())
            run->Fault = FromView(row.Fault);
    });
    for (auto& [host, address] : addresses)
        day.Addresses.emplace_back(host, address);
    day.Minutes.reserve(minutes.size());
    for (auto& [key, summary] : minutes)
        day.Minutes.push_back({key.first, std::move(summary)});
    return day;
}

} // namespace Monitor
