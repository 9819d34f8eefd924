#include "app/ReportPdf.h"

#include "framework/AtomicFile.h"
#include "monitor/LineAlert.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

using namespace Monitor;

namespace {

QString Number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

QString OptionalMs(const std::optional<double>& us)
{
    return us ? Number(*us / 1000.0, 2) + QStringLiteral(" ms") : QStringLiteral("—");
}

} // namespace

QString ReportTime(std::int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString ReportDuration(std::int64_t ms)
{
    return DurationText(ms);
}

QStringList ReportSummaryLines(const TReportFigures& f)
{
    QStringList lines;
    lines << QCoreApplication::translate("TReportPdf", "Sunucu: %1").arg(f.Host)
          << QCoreApplication::translate("TReportPdf", "Adres: %1")
                 .arg(f.Address.isEmpty() ? QStringLiteral("—") : f.Address)
          << QCoreApplication::translate("TReportPdf", "Aralık: %1 – %2")
                 .arg(ReportTime(f.FromMs), ReportTime(f.ToMs))
          << QCoreApplication::translate("TReportPdf",
                                         "Gönderilen: %1   Kayıp: %2   Kayıp oranı: %3")
                 .arg(f.Sent)
                 .arg(f.Lost)
                 .arg(f.LossPercent ? Number(*f.LossPercent, 2) + QStringLiteral(" %")
                                    : QStringLiteral("—"))
          << QCoreApplication::translate("TReportPdf",
                                         "Ortanca: %1   95. yüzdelik: %2   Titreşim: %3")
                 .arg(OptionalMs(f.MedianUs), OptionalMs(f.P95Us), OptionalMs(f.JitterUs))
          << QCoreApplication::translate("TReportPdf", "Erişilebilirlik: %1")
                 .arg(f.AvailabilityPercent
                          ? Number(*f.AvailabilityPercent, 3) + QStringLiteral(" %")
                          : QStringLiteral("—"))
          << QCoreApplication::translate("TReportPdf", "Kesintiler: %1   toplam %2   en uzun %3")
                 .arg(f.Totals.Count)
                 .arg(ReportDuration(f.Totals.DownMs), ReportDuration(f.Totals.LongestMs));
    return lines;
}

QString WriteReportPdf(const QString& path, const TReportFigures& f, const THistoryData& data,
                       double lowMs, double highMs)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("ZmPing2 " ZM_VERSION));
        pdf.setTitle(QCoreApplication::translate("TReportPdf", "ZmPing2 bağlantı raporu"));
        pdf.setResolution(150);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        QPainter p(&pdf);
        const QRect page = p.viewport();
        const int w = page.width();
        QFont title(QStringLiteral("DejaVu Sans"));
        title.setPixelSize(34);
        title.setBold(true);
        QFont body(QStringLiteral("DejaVu Sans"));
        body.setPixelSize(20);
        int y = 0;
        p.setFont(title);
        p.drawText(QRect(0, y, w, 50), Qt::AlignLeft | Qt::AlignVCenter,
                   QCoreApplication::translate("TReportPdf", "ZmPing2 bağlantı raporu"));
        y += 64;

        // The graph, drawn as on the screen and scaled onto the page.
        THistoryPlot plot;
        plot.FromMs = f.FromMs;
        plot.ToMs = f.ToMs;
        plot.LowMs = lowMs;
        plot.HighMs = highMs;
        QImage image(1200, 420, QImage::Format_RGB32);
        plot.Columns = BuildColumns(data, f.FromMs, f.ToMs, PlotArea(image.rect()).width());
        {
            QPainter ip(&image);
            PaintHistory(ip, image.rect(), plot);
        }
        const int graphHeight = w * image.height() / image.width();
        p.drawImage(QRect(0, y, w, graphHeight), image);
        y += graphHeight + 24;

        p.setFont(body);
        const int line = 30;
        for (const QString& text : ReportSummaryLines(f)) {
            p.drawText(QRect(0, y, w, line), Qt::AlignLeft | Qt::AlignVCenter, text);
            y += line;
        }
        y += line / 2;
        p.drawText(QRect(0, y, w, line), Qt::AlignLeft | Qt::AlignVCenter,
                   QCoreApplication::translate(
                       "TReportPdf", "Kesinti listesi (başlangıç – bitiş, süre, neden):"));
        y += line;
        const int bottom = page.height() - 2 * line;
        int shown = 0;
        for (const TOutage& o : f.Outages) {
            if (y + line > bottom - line)
                break;
            const QString text = QStringLiteral("%1 – %2   %3   %4")
                                     .arg(ReportTime(o.StartMs), ReportTime(o.EndMs),
                                          ReportDuration(o.EndMs - o.StartMs),
                                          o.Fault.isEmpty() ? QStringLiteral("—") : o.Fault);
            p.drawText(QRect(20, y, w - 20, line), Qt::AlignLeft | Qt::AlignVCenter, text);
            y += line;
            ++shown;
        }
        if (f.Outages.empty()) {
            p.drawText(QRect(20, y, w - 20, line), Qt::AlignLeft | Qt::AlignVCenter,
                       QCoreApplication::translate("TReportPdf", "Bu aralıkta kesinti yok."));
        } else if (shown < int(f.Outages.size())) {
            p.drawText(
                QRect(20, y, w - 20, line), Qt::AlignLeft | Qt::AlignVCenter,
                QCoreApplication::translate("TReportPdf", "… ve %1 kesinti daha (CSV dosyasında)")
                    .arg(f.Outages.size() - shown));
        }
        p.drawText(
            QRect(0, page.height() - line, w, line), Qt::AlignLeft | Qt::AlignVCenter,
            QCoreApplication::translate("TReportPdf", "ZmPing2 %1 ile hazırlandı, %2")
                .arg(QStringLiteral(ZM_VERSION), ReportTime(QDateTime::currentMSecsSinceEpoch())));
    }
    buffer.close();
    try {
        AtomicWriteFile(path, buffer.data());
    } catch (const EFileWriteError& e) {
        return e.Cause();
    }
    return {};
}
