#pragma once
// The one-page report for the provider: the graph of the range, the summary (host, address,
// range, sent, lost, loss, median, 95th percentile, jitter, availability), the outages with
// their times and the program's name and version, as a PDF made by Qt's own writer. The page
// is written whole or not at all.
#include "app/HistoryPlot.h"
#include "monitor/HistoryReport.h"

#include <QString>

// Empty on success, else why not.
QString WriteReportPdf(const QString& path, const Monitor::TReportFigures& figures,
                       const Monitor::THistoryData& data, double lowMs, double highMs);

// The summary's lines as the page shows them (for the window's totals too).
QStringList ReportSummaryLines(const Monitor::TReportFigures& figures);
// "12.12.2026 09:15:02"
QString ReportTime(std::int64_t ms);
// A duration as the page shows it: "1 sa 2 dk", "3 dk 5 sn", "45 sn".
QString ReportDuration(std::int64_t ms);
