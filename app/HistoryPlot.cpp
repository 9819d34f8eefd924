#include "app/HistoryPlot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPainter>
#include <algorithm>
#include <cmath>

using namespace Monitor;

namespace {

const QColor kLime(0, 255, 0), kYellow(255, 255, 0), kRed(255, 0, 0);
const QColor kGrid(0, 70, 0), kLabel(0, 190, 0), kGapText(150, 150, 150);
constexpr int kLeft = 46, kBottom = 18, kTop = 6, kRight = 6;

// The round-trip axis: log10 of milliseconds between two powers of ten.
struct TAxis {
    double Lo = -1, Hi = 3; // log10(ms)
    int Top = 0, Height = 1;
    double Y(double ms) const
    {
        const double v = std::log10(std::max(ms, 1e-3));
        return Top + Height * (1.0 - (std::clamp(v, Lo, Hi) - Lo) / (Hi - Lo));
    }
};

TAxis MakeAxis(const THistoryPlot& plot, const QRect& area)
{
    double lo = 1e9, hi = plot.HighMs * 1.3;
    for (const TColumn& c : plot.Columns)
        if (c.Replies > 0) {
            lo = std::min(lo, c.MinUs / 1000.0);
            hi = std::max(hi, c.MaxUs / 1000.0);
        }
    if (lo > hi)
        lo = 1;
    TAxis axis;
    // A little room below the fastest reply, so the line never sits on the frame.
    axis.Lo = std::floor(std::log10(std::max(lo * 0.8, 1e-3)));
    axis.Hi = std::ceil(std::log10(std::max(hi, 1e-3)));
    if (axis.Hi <= axis.Lo)
        axis.Hi = axis.Lo + 1;
    axis.Top = area.top();
    axis.Height = std::max(1, area.height());
    return axis;
}

QColor ZoneColour(double ms, const THistoryPlot& plot)
{
    return ms < plot.LowMs ? kLime : ms <= plot.HighMs ? kYellow : kRed;
}

QString TimeLabel(std::int64_t ms, std::int64_t span)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    if (span <= 2 * 86400000LL)
        return t.toString(QStringLiteral("HH:mm"));
    return t.toString(QStringLiteral("dd.MM HH:mm"));
}

} // namespace

QString GapText(TGapKind kind)
{
    switch (kind) {
    case TGapKind::NotRunning:
        return QCoreApplication::translate("THistoryPlot", "program çalışmıyordu");
    case TGapKind::PingingOff:
        return QCoreApplication::translate("THistoryPlot", "otomatik ping kapalıydı");
    case TGapKind::Asleep:
        return QCoreApplication::translate("THistoryPlot", "bilgisayar uykudaydı");
    case TGapKind::OtherHost:
        return QCoreApplication::translate("THistoryPlot", "başka sunucu izleniyordu");
    case TGapKind::None:
        break;
    }
    return {};
}

QRect PlotArea(const QRect& rect)
{
    return rect.adjusted(kLeft, kTop, -kRight, -kBottom);
}

void PaintHistory(QPainter& p, const QRect& rect, const THistoryPlot& plot)
{
    p.save();
    p.fillRect(rect, Qt::black);
    const QRect area = PlotArea(rect);
    const TAxis axis = MakeAxis(plot, area);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    const int n = int(plot.Columns.size());
    const std::int64_t span = plot.ToMs - plot.FromMs;

    // Down periods and gaps first, under everything else.
    for (int x = 0; x < n; ++x) {
        const TColumn& c = plot.Columns[std::size_t(x)];
        if (c.Down)
            p.fillRect(QRect(area.left() + x, area.top(), 1, area.height()), QColor(110, 0, 0));
    }
    // The grid: powers of ten, and time marks.
    p.setPen(kGrid);
    for (int e = int(axis.Lo); e <= int(axis.Hi); ++e) {
        const int y = int(axis.Y(std::pow(10.0, e)));
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(kLabel);
        const double ms = std::pow(10.0, e);
        const QString text = ms >= 1 ? QStringLiteral("%1 ms").arg(ms, 0, 'f', 0)
                                     : QStringLiteral("%1 ms").arg(ms, 0, 'g', 3);
        p.drawText(QRect(rect.left(), y - 7, kLeft - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                   text);
        p.setPen(kGrid);
    }
    const int marks = std::max(2, area.width() / 110);
    for (int i = 0; i <= marks; ++i) {
        const int x = area.left() + area.width() * i / marks;
        p.setPen(kGrid);
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(kLabel);
        const QString text = TimeLabel(plot.FromMs + span * i / marks, span);
        QRect box(x - 45, area.bottom() + 3, 90, kBottom - 3);
        box.moveLeft(std::clamp(box.left(), rect.left(), rect.right() - box.width()));
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
    }

    // Gaps: left empty, with what they were written in the middle where there is room.
    for (int x = 0; x < n;) {
        const TGapKind kind = plot.Columns[std::size_t(x)].Gap;
        int end = x + 1;
        while (end < n && plot.Columns[std::size_t(end)].Gap == kind &&
               !plot.Columns[std::size_t(end)].HasSamples())
            ++end;
        if (kind != TGapKind::None && !plot.Columns[std::size_t(x)].HasSamples()) {
            const QRect gap(area.left() + x, area.top(), end - x, area.height());
            p.fillRect(gap, QColor(18, 18, 18));
            p.setPen(QColor(45, 45, 45));
            p.drawLine(gap.topLeft(), gap.bottomLeft());
            p.drawLine(gap.topRight(), gap.bottomRight());
            // On one line where it fits, else a word a line; left out where even that does not.
            const QString text = GapText(kind);
            const QRect inner = gap.adjusted(3, 0, -3, 0);
            const int flags = Qt::AlignCenter | Qt::TextWordWrap;
            // Laying the text out costs; a gap narrower than a short word is not worth it.
            const bool room =
                inner.width() >= p.fontMetrics().horizontalAdvance(QStringLiteral("program"));
            const QRect need = room ? p.fontMetrics().boundingRect(inner, flags, text) : QRect();
            if (room && need.width() <= inner.width() && need.height() <= inner.height()) {
                p.setPen(kGapText);
                p.drawText(inner, flags, text);
            }
        }
        x = end;
    }

    // The bands and the median.
    for (int x = 0; x < n; ++x) {
        const TColumn& c = plot.Columns[std::size_t(x)];
        if (c.Replies == 0)
            continue;
        const int px = area.left() + x;
        // Mixed with the black panel beforehand: blending hundreds of columns costs more than a
        // zoom step may take.
        const QColor zone = ZoneColour(c.P50Us / 1000.0, plot);
        const QColor faint(zone.red() * 55 / 255, zone.green() * 55 / 255, zone.blue() * 55 / 255);
        const QColor strong(zone.red() * 120 / 255, zone.green() * 120 / 255,
                            zone.blue() * 120 / 255);
        const int yMax = int(axis.Y(c.MaxUs / 1000.0)), yMin = int(axis.Y(c.MinUs / 1000.0));
        p.fillRect(QRect(px, yMax, 1, std::max(1, yMin - yMax + 1)), faint);
        const int y90 = int(axis.Y(c.P90Us / 1000.0)), y10 = int(axis.Y(c.P10Us / 1000.0));
        p.fillRect(QRect(px, y90, 1, std::max(1, y10 - y90 + 1)), strong);
    }
    std::optional<QPointF> last;
    for (int x = 0; x < n; ++x) {
        const TColumn& c = plot.Columns[std::size_t(x)];
        if (c.Replies == 0) {
            last.reset();
            continue;
        }
        const QPointF point(area.left() + x + 0.5, axis.Y(c.P50Us / 1000.0));
        p.setPen(QPen(ZoneColour(c.P50Us / 1000.0, plot), 1));
        if (last)
            p.drawLine(*last, point);
        else
            p.drawPoint(point);
        last = point;
    }

    // Loss marks from the top: a quarter of the height for a column that lost everything.
    for (int x = 0; x < n; ++x) {
        const TColumn& c = plot.Columns[std::size_t(x)];
        if (c.Total == 0 || c.LostShare <= 0)
            continue;
        const int h = std::max(2, int(std::round(c.LostShare * area.height() / 4.0)));
        p.fillRect(QRect(area.left() + x, area.top(), 1, h), kRed);
    }

    // The thresholds.
    p.setPen(QPen(kYellow, 1, Qt::DashLine));
    const int yLow = int(axis.Y(plot.LowMs));
    p.drawLine(area.left(), yLow, area.right(), yLow);
    p.setPen(QPen(kRed, 1, Qt::DashLine));
    const int yHigh = int(axis.Y(plot.HighMs));
    p.drawLine(area.left(), yHigh, area.right(), yHigh);

    if (plot.SelectToMs != plot.SelectFromMs && span > 0) {
        const auto xOf = [&](std::int64_t ms) {
            return area.left() + int(double(ms - plot.FromMs) * area.width() / double(span));
        };
        const int a = xOf(std::min(plot.SelectFromMs, plot.SelectToMs));
        const int b = xOf(std::max(plot.SelectFromMs, plot.SelectToMs));
        p.fillRect(QRect(a, area.top(), std::max(1, b - a), area.height()),
                   QColor(255, 255, 255, 50));
    }
    p.setPen(kGrid);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.restore();
}
