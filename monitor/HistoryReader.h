#pragma once
// Reads the day files back: every row of a history CSV as a sample or an event, in file order.
// The files are the user's to read and edit, so a row that does not make sense (a wrong number
// of fields, a time, outcome or round trip that does not parse, an unfinished quote) is skipped
// and counted, never fatal. Fields are handed over as views into the text (or into a scratch
// buffer for a quoted field), valid only during the call.
#include "monitor/HistoryEvent.h"
#include "monitor/Sample.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace Monitor {

struct THistoryRow {
    std::int64_t TimeMs = 0; // UTC, milliseconds since the epoch
    int OffsetSeconds = 0;   // the UTC offset the time was written with
    std::string_view Host, Address, Text, Fault;
    std::string_view Line; // the record as written, with its line end
    bool IsEvent = false;
    TOutcome Outcome = TOutcome::Lost;                  // a sample's
    THistoryEventKind Event = THistoryEventKind::Start; // an event's
    double RoundTripUs = -1;                            // -1 without a reply

    bool IsBad() const { return Outcome != TOutcome::Good && Outcome != TOutcome::Normal; }
    bool Sent() const { return Outcome != TOutcome::UnknownHost; }
};

struct THistoryCounts {
    std::int64_t Rows = 0;    // samples and events read
    std::int64_t Damaged = 0; // rows skipped
};

// The rows of one file's text; the header line and empty lines are skipped.
THistoryCounts ReadHistory(std::string_view text,
                           const std::function<void(const THistoryRow&)>& onRow);

// "2026-12-08T09:15:02.417+03:00" (also without milliseconds, or with "Z") as UTC milliseconds
// and the offset; nothing when it is no such time.
std::optional<std::int64_t> ParseIsoTime(std::string_view text, int* offsetSeconds = nullptr);

} // namespace Monitor
