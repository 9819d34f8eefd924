#include "monitor/HistoryReader.h"

#include <array>
#include <charconv>
#include <string>

namespace Monitor {

namespace {

constexpr std::size_t kMaxFields = 8; // seven, and one more written by later versions

bool Digits(std::string_view s, std::size_t at, std::size_t n, int& value)
{
    if (at + n > s.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        const char c = s[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int DaysInMonth(int y, int m)
{
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[std::size_t(m - 1)];
}

std::optional<TOutcome> OutcomeFromName(std::string_view s)
{
    if (s == "good")
        return TOutcome::Good;
    if (s == "normal")
        return TOutcome::Normal;
    if (s == "bad")
        return TOutcome::Bad;
    if (s == "lost")
        return TOutcome::Lost;
    if (s == "failed")
        return TOutcome::Failed;
    if (s == "unknown host")
        return TOutcome::UnknownHost;
    return std::nullopt;
}

// One row's fields, parsed; false when it is damaged.
bool MakeRow(const std::array<std::string_view, kMaxFields>& f, std::size_t count, THistoryRow& row)
{
    if (count < 7 || count > kMaxFields)
        return false;
    const std::optional<std::int64_t> time = ParseIsoTime(f[0], &row.OffsetSeconds);
    if (!time)
        return false;
    row.TimeMs = *time;
    row.Host = f[1];
    row.Address = f[2];
    row.Text = f[6];
    row.Fault = count > 7 ? f[7] : std::string_view();
    row.RoundTripUs = -1;
    if (const auto outcome = OutcomeFromName(f[3])) {
        row.IsEvent = false;
        row.Outcome = *outcome;
        const bool reply =
            *outcome == TOutcome::Good || *outcome == TOutcome::Normal || *outcome == TOutcome::Bad;
        if (reply) {
            double ms = 0;
            const auto [end, ec] = std::from_chars(f[4].data(), f[4].data() + f[4].size(), ms);
            if (ec != std::errc() || end != f[4].data() + f[4].size() || !(ms >= 0) || ms > 1e9)
                return false;
            row.RoundTripUs = ms * 1000.0;
        } else if (!f[4].empty()) {
            return false;
        }
        return true;
    }
    QString name = QString::fromUtf8(f[3].data(), qsizetype(f[3].size()));
    const auto kind = EventKindFromName(name);
    if (!kind)
        return false;
    row.IsEvent = true;
    row.Event = *kind;
    return true;
}

} // namespace

std::optional<std::int64_t> ParseIsoTime(std::string_view s, int* offsetSeconds)
{
    int y, mo, d, h, mi, se, ms = 0;
    if (s.size() < 20 || !Digits(s, 0, 4, y) || s[4] != '-' || !Digits(s, 5, 2, mo) ||
        s[7] != '-' || !Digits(s, 8, 2, d) || s[10] != 'T' || !Digits(s, 11, 2, h) ||
        s[13] != ':' || !Digits(s, 14, 2, mi) || s[16] != ':' || !Digits(s, 17, 2, se))
        return std::nullopt;
    std::size_t at = 19;
    if (s[at] == '.') {
        if (!Digits(s, at + 1, 3, ms))
            return std::nullopt;
        at += 4;
    }
    int offset = 0;
    if (at < s.size() && s[at] == 'Z' && at + 1 == s.size()) {
        offset = 0;
    } else {
        int oh, om;
        if (at + 6 != s.size() || (s[at] != '+' && s[at] != '-') || !Digits(s, at + 1, 2, oh) ||
            s[at + 3] != ':' || !Digits(s, at + 4, 2, om) || oh > 18 || om > 59)
            return std::nullopt;
        offset = (oh * 3600 + om * 60) * (s[at] == '-' ? -1 : 1);
    }
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || se > 60)
        return std::nullopt;
    if (offsetSeconds)
        *offsetSeconds = offset;
    const std::int64_t seconds = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + se - offset;
    return seconds * 1000 + ms;
}

THistoryCounts ReadHistory(std::string_view text,
                           const std::function<void(const THistoryRow&)>& onRow)
{
    THistoryCounts counts;
    std::array<std::string_view, kMaxFields> fields;
    std::string scratch[kMaxFields];
    THistoryRow row;
    std::size_t i = 0;
    bool first = true;
    const std::size_t n = text.size();
    while (i < n) {
        // One record: fields up to an unquoted line end.
        std::size_t count = 0;
        bool damaged = false, blank = true;
        const std::size_t lineStart = i;
        for (;;) {
            std::string_view field;
            if (i < n && text[i] == '"') {
                std::string& buf = scratch[count < kMaxFields ? count : 0];
                buf.clear();
                ++i;
                bool closed = false;
                while (i < n) {
                    const std::size_t q = text.find('"', i);
                    if (q == std::string_view::npos) {
                        i = n;
                        break;
                    }
                    buf.append(text.substr(i, q - i));
                    if (q + 1 < n && text[q + 1] == '"') {
                        buf.push_back('"');
                        i = q + 2;
                    } else {
                        i = q + 1;
                        closed = true;
                        break;
                    }
                }
                if (!closed)
                    damaged = true;
                field = buf;
                blank = false;
                // Anything between the closing quote and the separator spoils the field.
                if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                    damaged = true;
                while (i < n && text[i] != ',' && text[i] != '\n')
                    ++i;
            } else {
                const std::size_t start = i;
                while (i < n && text[i] != ',' && text[i] != '\n')
                    ++i;
                std::size_t end = i;
                if (end > start && text[end - 1] == '\r' && (i >= n || text[i] == '\n'))
                    --end;
                field = text.substr(start, end - start);
                if (!field.empty())
                    blank = false;
                if (field.find('"') != std::string_view::npos)
                    damaged = true;
            }
            if (count < kMaxFields)
                fields[count] = field;
            ++count;
            if (i >= n || text[i] == '\n') {
                if (i < n)
                    ++i;
                break;
            }
            ++i; // the comma
        }
        if (count == 1 && blank)
            continue;
        const bool header = first && text.substr(lineStart).starts_with("time,");
        first = false;
        if (header)
            continue;
        if (damaged || !MakeRow(fields, count, row)) {
            ++counts.Damaged;
            // A stray quote must not swallow the lines after it: a damaged record costs its
            // first line only, and reading goes on with the next.
            const std::size_t lineEnd = text.find('\n', lineStart);
            if (lineEnd != std::string_view::npos && lineEnd + 1 < i)
                i = lineEnd + 1;
            continue;
        }
        ++counts.Rows;
        row.Line = text.substr(lineStart, i - lineStart);
        onRow(row);
    }
    return counts;
}

} // namespace Monitor
