#include "app/HistoryGraph.h"

#include "monitor/HistoryReport.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

using namespace Monitor;

namespace {
// The narrowest range a zoom reaches: a minute is the finest the summaries hold.
constexpr std::int64_t kMinSpanMs = 10 * 60000;
constexpr std::int64_t kMaxSpanMs = 60LL * 86400000;

QString Ms(double us)
{
    return QStringLiteral("%1 ms").arg(us / 1000.0, 0, 'f', us < 10000 ? 2 : 0);
}
} // namespace

THistoryGraph::THistoryGraph(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("HistoryGraph"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("Geçmiş grafiği"));
}

void THistoryGraph::SetData(std::shared_ptr<const THistoryData> data)
{
    FData = std::move(data);
    Rebuild();
}

void THistoryGraph::SetThresholds(double lowMs, double highMs)
{
    FPlot.LowMs = lowMs;
    FPlot.HighMs = highMs;
    update();
}

void THistoryGraph::SetRange(std::int64_t fromMs, std::int64_t toMs, bool whole)
{
    if (toMs <= fromMs)
        return;
    if (whole) {
        FWholeFrom = fromMs;
        FWholeTo = toMs;
    }
    FPlot.FromMs = fromMs;
    FPlot.ToMs = toMs;
    Rebuild();
    emit RangeChanged();
}

void THistoryGraph::Rebuild()
{
    const QRect area = PlotArea(rect());
    if (FData)
        FPlot.Columns = BuildColumns(*FData, FPlot.FromMs, FPlot.ToMs, area.width());
    else
        FPlot.Columns.clear();
    update();
}

std::int64_t THistoryGraph::TimeAt(int x) const
{
    const QRect area = PlotArea(rect());
    const double share = std::clamp(double(x - area.left()) / std::max(1, area.width()), 0.0, 1.0);
    return FPlot.FromMs + std::int64_t(share * double(FPlot.ToMs - FPlot.FromMs));
}

void THistoryGraph::Zoom(double factor, int x)
{
    const std::int64_t at = TimeAt(x);
    const std::int64_t span = FPlot.ToMs - FPlot.FromMs;
    const std::int64_t next =
        std::clamp(std::int64_t(double(span) * factor), kMinSpanMs, kMaxSpanMs);
    const double share = double(at - FPlot.FromMs) / double(std::max<std::int64_t>(1, span));
    const std::int64_t from = at - std::int64_t(share * double(next));
    SetRange(from, from + next, false);
}

void THistoryGraph::Pan(double share)
{
    const auto by = std::int64_t(share * double(FPlot.ToMs - FPlot.FromMs));
    SetRange(FPlot.FromMs + by, FPlot.ToMs + by, false);
}

QString THistoryGraph::HoverText(int x) const
{
    const QRect area = PlotArea(rect());
    const int i = x - area.left();
    if (i < 0 || i >= int(FPlot.Columns.size()))
        return {};
    const TColumn& c = FPlot.Columns[std::size_t(i)];
    const QLocale locale;
    QString text =
        QDateTime::fromMSecsSinceEpoch(c.FromMs).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    if (!c.HasSamples()) {
        text += QStringLiteral("  ") + GapText(c.Gap);
    } else {
        if (c.Replies > 0)
            text += tr("  ortanca %1  (en az %2, en çok %3; %4–%5)")
                        .arg(Ms(c.P50Us), Ms(c.MinUs), Ms(c.MaxUs), Ms(c.P10Us), Ms(c.P90Us));
        text += tr("  kayıp %1 / %2").arg(c.Total - c.Replies).arg(c.Total);
    }
    if (c.Outage >= 0 && FData && c.Outage < int(FData->Outages.size())) {
        const TOutage& o = FData->Outages[std::size_t(c.Outage)];
        text +=
            tr("  kesinti %1 – %2")
                .arg(QDateTime::fromMSecsSinceEpoch(o.StartMs).toString(QStringLiteral("HH:mm:ss")),
                     QDateTime::fromMSecsSinceEpoch(o.EndMs).toString(QStringLiteral("HH:mm:ss")));
    }
    return text;
}

void THistoryGraph::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintHistory(p, rect(), FPlot);
}

void THistoryGraph::resizeEvent(QResizeEvent*)
{
    Rebuild();
}

void THistoryGraph::wheelEvent(QWheelEvent* e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0)
        Zoom(std::pow(0.8, steps), int(e->position().x()));
    e->accept();
}

void THistoryGraph::mousePressEvent(QMouseEvent* e)
{
    FDragX = int(e->position().x());
    FDragFrom = FPlot.FromMs;
    FDragTo = FPlot.ToMs;
    const bool pan = e->button() != Qt::LeftButton || (e->modifiers() & Qt::ShiftModifier);
    FDrag = pan ? TDrag::Pan : TDrag::Select;
    if (!pan)
        FPlot.SelectFromMs = FPlot.SelectToMs = TimeAt(FDragX);
}

void THistoryGraph::mouseMoveEvent(QMouseEvent* e)
{
    const int x = int(e->position().x());
    if (FDrag == TDrag::Select) {
        FPlot.SelectToMs = TimeAt(x);
        update();
    } else if (FDrag == TDrag::Pan) {
        const QRect area = PlotArea(rect());
        const double share = double(FDragX - x) / std::max(1, area.width());
        const auto by = std::int64_t(share * double(FDragTo - FDragFrom));
        FPlot.FromMs = FDragFrom + by;
        FPlot.ToMs = FDragTo + by;
        Rebuild();
        emit RangeChanged();
    }
    emit Hovered(HoverText(x));
}

void THistoryGraph::mouseReleaseEvent(QMouseEvent*)
{
    if (FDrag == TDrag::Select) {
        const std::int64_t a = std::min(FPlot.SelectFromMs, FPlot.SelectToMs);
        const std::int64_t b = std::max(FPlot.SelectFromMs, FPlot.SelectToMs);
        FPlot.SelectFromMs = FPlot.SelectToMs = 0;
        // A click, or a range narrower than a few pixels, is no zoom.
        if (b - a >= std::max<std::int64_t>(kMinSpanMs / 4, (FPlot.ToMs - FPlot.FromMs) / 100))
            SetRange(a, std::max(b, a + kMinSpanMs), false);
        else
            update();
    }
    FDrag = TDrag::None;
}

void THistoryGraph::mouseDoubleClickEvent(QMouseEvent*)
{
    SetRange(FWholeFrom, FWholeTo, false);
}

void THistoryGraph::keyPressEvent(QKeyEvent* e)
{
    const int middle = PlotArea(rect()).center().x();
    switch (e->key()) {
    case Qt::Key_Left:
        Pan(-0.2);
        break;
    case Qt::Key_Right:
        Pan(0.2);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        Zoom(0.5, middle);
        break;
    case Qt::Key_Minus:
        Zoom(2.0, middle);
        break;
    default:
        QWidget::keyPressEvent(e);
    }
}

void THistoryGraph::leaveEvent(QEvent*)
{
    emit Hovered(QString());
}
