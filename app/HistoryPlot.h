#pragma once
// Draws the history graph, the same on the window and on the report's page: a black panel, the
// median round trip as a line in the lamp's colours (lime below the lower threshold, yellow
// between, red above), the spread as bands (minimum–maximum faint, 10th–90th percentile
// stronger), loss as red marks from the top scaled by the lost share, down periods shaded red,
// the two thresholds as dashed lines, and gaps left empty with what they were written in them.
// The round-trip axis is logarithmic, so a 20 ms line and a 700 ms threshold both show.
#include "monitor/HistoryTimeline.h"

#include <QRect>
#include <QString>
#include <vector>

class QPainter;

struct THistoryPlot {
    std::vector<Monitor::TColumn> Columns; // one per pixel of the plot area
    std::int64_t FromMs = 0, ToMs = 0;
    double LowMs = 200, HighMs = 700;              // the thresholds
    std::int64_t SelectFromMs = 0, SelectToMs = 0; // a range being dragged out; equal: none
};

// The plot area inside rect (what is left of the axes' labels).
QRect PlotArea(const QRect& rect);
// Paints into rect; the columns must match PlotArea(rect).width().
void PaintHistory(QPainter& p, const QRect& rect, const THistoryPlot& plot);
// The text written in a gap.
QString GapText(Monitor::TGapKind kind);
