#pragma once
// The statistics as a person reads them, in Turkish: one row per figure with the session's and
// the window's value, and the same table as plain text for the clipboard.
#include "monitor/Statistics.h"

#include <QList>
#include <QString>

namespace Monitor {

struct TStatsRow {
    QString Label;
    QString Session;
    QString Window;
};

// Column headings and the window's caption.
QString StatsSessionHeading();
QString StatsWindowHeading();
// "Host: <host> (<address>)", or "Host: -" before the first sample.
QString StatsHostLine(const TStatistics& stats);
QList<TStatsRow> StatsRows(const TStatistics& stats);
// The whole table as text, columns padded with blanks.
QString StatsText(const TStatistics& stats);

// "12,35 ms" (microseconds shown as milliseconds with two decimals); "-" when absent.
QString MsText(const std::optional<double>& us);
// "%33,3"; "-" when absent.
QString PercentText(const std::optional<double>& percent);

} // namespace Monitor
