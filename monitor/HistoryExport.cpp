#include "monitor/HistoryExport.h"

#include "monitor/HistoryFile.h"
#include "monitor/HistoryReader.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

namespace Monitor {

QString ExportHistoryCsv(const QString& folder, const QString& host, std::int64_t fromMs,
                         std::int64_t toMs, const QString& path, std::int64_t* rows)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(path, out.errorString());
    out.write(HistoryHeader());
    const QByteArray hostBytes = host.toUtf8();
    const std::string_view hostView(hostBytes.constData(), std::size_t(hostBytes.size()));
    std::int64_t written = 0;
    // A sample lies in the file of its local date; a day either side covers any offset.
    const QDate first = QDateTime::fromMSecsSinceEpoch(fromMs).date().addDays(-1);
    const QDate last = QDateTime::fromMSecsSinceEpoch(toMs).date().addDays(1);
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        QFile in(folder + QLatin1Char('/') + HistoryFileName(day));
        if (!in.open(QIODevice::ReadOnly) || in.size() == 0)
            continue;
        uchar* data = in.map(0, in.size());
        if (!data)
            continue;
        ReadHistory(std::string_view(reinterpret_cast<const char*>(data), std::size_t(in.size())),
                    [&](const THistoryRow& row) {
                        if (row.TimeMs < fromMs || row.TimeMs >= toMs)
                            return;
                        if (!row.IsEvent && row.Host != hostView)
                            return;
                        out.write(row.Line.data(), qint64(row.Line.size()));
                        // The last row of a file may lack its line end.
                        if (!row.Line.ends_with('\n'))
                            out.write("\r\n");
                        ++written;
                    });
        in.unmap(data);
    }
    if (!out.commit())
        return QStringLiteral("%1: %2").arg(path, out.errorString());
    if (rows)
        *rows = written;
    return {};
}

} // namespace Monitor
