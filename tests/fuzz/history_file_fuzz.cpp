// Any text read as a history day file: no crash, every line either read or counted as damaged
// (never more records than lines), and the minutes' counts consistent with each other.
#include "monitor/DaySummary.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Monitor::TDaySummary day = Monitor::SummariseDay(text);
    const auto lines = std::int64_t(std::count(text.begin(), text.end(), '\n')) + 1;
    if (day.Counts.Rows + day.Counts.Damaged > lines)
        std::abort();
    std::int64_t samples = 0;
    for (const Monitor::THostMinute& m : day.Minutes) {
        const Monitor::TMinuteSummary& s = m.Summary;
        if (s.Replies > s.Sent || s.Sent > s.Total || s.MinUs > s.MaxUs ||
            s.JitterPairs > s.Replies)
            std::abort();
        samples += s.Total;
    }
    std::int64_t inRuns = 0;
    for (const Monitor::TSampleRun& r : day.Runs) {
        if (r.EndMs < r.StartMs || r.Count <= 0)
            std::abort();
        inRuns += r.Count;
    }
    if (samples != inRuns || samples + std::int64_t(day.Events.size()) != day.Counts.Rows)
        std::abort();
    return 0;
}
