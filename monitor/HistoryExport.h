#pragma once
// The samples of a range as a CSV file beside a report: the rows of the day files, as they were
// written, of one host's samples and of every event in [fromMs, toMs), under the history's
// header. Written to a temporary file and renamed, so a failure leaves no half file.
#include <QString>
#include <cstdint>

namespace Monitor {

// Empty on success, else why not. rows, when given, gets the number of rows written.
QString ExportHistoryCsv(const QString& folder, const QString& host, std::int64_t fromMs,
                         std::int64_t toMs, const QString& path, std::int64_t* rows = nullptr);

} // namespace Monitor
