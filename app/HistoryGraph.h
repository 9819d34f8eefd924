#pragma once
// The history window's graph: draws a time range of the loaded history (see HistoryPlot) and
// lets the user move through it. The wheel zooms about the pointer, dragging with the left
// button marks a range to zoom to, dragging with the right or middle button (or with Shift)
// pans, the arrow keys pan and + and - zoom; a double click goes back to the whole range.
// Hovering says what the column under the pointer holds.
#include "app/HistoryPlot.h"

#include <QWidget>
#include <memory>

class THistoryGraph : public QWidget {
    Q_OBJECT
public:
    explicit THistoryGraph(QWidget* parent = nullptr);

    void SetData(std::shared_ptr<const Monitor::THistoryData> data);
    void SetThresholds(double lowMs, double highMs);
    // The range shown, and the whole range a double click returns to.
    void SetRange(std::int64_t fromMs, std::int64_t toMs, bool whole = true);
    std::int64_t FromMs() const { return FPlot.FromMs; }
    std::int64_t ToMs() const { return FPlot.ToMs; }
    const THistoryPlot& Plot() const { return FPlot; }
    // Zoomed or panned away from the whole range.
    bool Moved() const { return FPlot.FromMs != FWholeFrom || FPlot.ToMs != FWholeTo; }

    // Zooms by factor (below 1 in) about the time at x; pans by a share of the range.
    void Zoom(double factor, int x);
    void Pan(double share);
    // What the column at x holds, as the hover shows it; empty outside the plot.
    QString HoverText(int x) const;

signals:
    void RangeChanged();
    void Hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    void Rebuild();
    std::int64_t TimeAt(int x) const;
    std::shared_ptr<const Monitor::THistoryData> FData;
    THistoryPlot FPlot;
    std::int64_t FWholeFrom = 0, FWholeTo = 0;
    enum class TDrag { None, Select, Pan } FDrag = TDrag::None;
    int FDragX = 0;
    std::int64_t FDragFrom = 0, FDragTo = 0;
};
