#include "controls/peakmeter.h"

#include "controls/ControlsAccessible.h"
#include "controls/PeakScale.h"
#include "framework/GdiDraw.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace {

// Coordinates are worked out in 64 bits (margins and values may be anything) and brought back
// near the image before drawing, so an absurd margin or value cannot overflow or make a line of
// billions of pixels.
int Near(std::int64_t v, int lo, int hi)
{
    return int(std::clamp<std::int64_t>(v, lo, hi));
}

// A horizontal line from x1 towards x2 (end excluded) on row y, cut to the image.
void HLine(QPainter& p, int W, int H, std::int64_t x1, std::int64_t x2, std::int64_t y,
           const QColor& color)
{
    if (y < 0 || y >= H || x1 == x2)
        return;
    Gdi::Line(p, Near(x1, -1, W), int(y), Near(x2, -1, W), int(y), color);
}

// A vertical line from y1 towards y2 (end excluded) on column x, cut to the image.
void VLine(QPainter& p, int W, int H, std::int64_t x, std::int64_t y1, std::int64_t y2,
           const QColor& color)
{
    if (x < 0 || x >= W || y1 == y2)
        return;
    Gdi::Line(p, int(x), Near(y1, -1, H), int(x), Near(y2, -1, H), color);
}

} // namespace

TPeakMeter::TPeakMeter(QWidget* parent) : TBaseGraphicControl(parent)
{
    InstallControlsAccessibility();
    resize(120, 80);
}

TPeakMeter::~TPeakMeter() = default;

template <class T> void TPeakMeter::Change(T& field, T value)
{
    if (field == value)
        return;
    field = value;
    FGround = QImage(); // any property may show in the ground
    update();
}

void TPeakMeter::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        FGround = QImage(); // the labels
    TBaseGraphicControl::changeEvent(event);
}

void TPeakMeter::SetBackgroundColor(TColor value)
{
    Change(FBackgroundColor, value);
}
void TPeakMeter::SetBarColor(TColor value)
{
    Change(FBarColor, value);
}
void TPeakMeter::SetBorderStyle(TBorderStyle value)
{
    Change(FBorderStyle, value);
}
void TPeakMeter::SetCtl3D(bool value)
{
    Change(FCtl3D, value);
}
void TPeakMeter::SetGridColor(TColor value)
{
    Change(FGridColor, value);
}
void TPeakMeter::SetMarginBottom(int value)
{
    Change(FMarginBottom, value);
}
void TPeakMeter::SetMarginLeft(int value)
{
    Change(FMarginLeft, value);
}
void TPeakMeter::SetMarginRight(int value)
{
    Change(FMarginRight, value);
}
void TPeakMeter::SetMarginTop(int value)
{
    Change(FMarginTop, value);
}
void TPeakMeter::SetPeakColor(TColor value)
{
    Change(FPeakColor, value);
}
void TPeakMeter::SetShowValues(bool value)
{
    Change(FShowValues, value);
}
void TPeakMeter::SetStyle(TPmStyle value)
{
    Change(FStyle, value);
}
void TPeakMeter::SetFontColor(TColor value)
{
    Change(FFontColor, value);
}

void TPeakMeter::SetValue(int value)
{
    if (FStyle == pmBar) {
        if (value == FValue)
            return;
    } else if (!FHistory.empty()) {
        // The oldest value drops out; the current one becomes the newest history entry.
        std::move(FHistory.begin() + 1, FHistory.end(), FHistory.begin());
        FHistory.back() = FValue;
    }
    FValue = value;
    if (value > FPeak) {
        FPeak = value;
        // From now on the plot covers the whole control; until then the parent shows through
        // around the frame.
        setAttribute(Qt::WA_OpaquePaintEvent, true);
    }
    update();
    AnnounceValueChange(this, value);
}

void TPeakMeter::SetHistorySize(int n)
{
    const std::size_t size = n > 0 ? std::size_t(n) : 0;
    if (size == FHistory.size())
        return;
    std::vector<int> history(size, EmptySlot);
    const std::size_t kept = std::min(size, FHistory.size());
    std::copy(FHistory.end() - std::ptrdiff_t(kept), FHistory.end(),
              history.end() - std::ptrdiff_t(kept));
    FHistory = std::move(history);
}

void TPeakMeter::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    Paint(canvas);
}

void TPeakMeter::Paint(QPainter& canvas)
{
    canvas.setRenderHint(QPainter::Antialiasing, false);
    QRect area(0, 0, width(), height());
    DrawFrame(canvas, area);
    if (FPeak <= 0 || area.width() <= 0 || area.height() <= 0)
        return;
    const int W = area.width(), H = area.height();
    const TPeakScale scale = ComputeScale(FPeak);
    // The ground (background, grid and labels) changes only with the scale, the size or a
    // property: drawn once, then copied under each new trace.
    if (FGround.size() != area.size() || FGroundScale.Step != scale.Step ||
        FGroundScale.Count != scale.Count || FGroundScale.Full != scale.Full) {
        FGround = QImage(area.size(), QImage::Format_RGB32);
        QPainter g(&FGround);
        g.setRenderHint(QPainter::Antialiasing, false);
        g.setFont(font());
        FGroundAxis = DrawGround(g, W, H, scale);
        FGroundScale = scale;
    }
    if (FBitmap.size() != area.size())
        FBitmap = QImage(area.size(), QImage::Format_RGB32);
    std::memcpy(FBitmap.bits(), FGround.constBits(), std::size_t(FGround.sizeInBytes()));
    {
        QPainter p(&FBitmap);
        p.setRenderHint(QPainter::Antialiasing, false);
        DrawTrace(p, FBitmap, W, H, scale, FGroundAxis);
    }
    canvas.drawImage(area.topLeft(), FBitmap);
}

void TPeakMeter::DrawFrame(QPainter& canvas, QRect& area) const
{
    if (FBorderStyle == bsNone)
        return;
    struct Ring {
        TColor topLeft, bottomRight;
    };
    const Ring threeD[] = {{clBtnShadow, clBtnHighlight}, {clBlack, clBtnHighlight}};
    const Ring flat[] = {{clBlack, clBlack}};
    for (const Ring& ring : FCtl3D ? std::span<const Ring>(threeD) : std::span<const Ring>(flat)) {
        // Exclusive right and bottom edges, as a filled rectangle has them.
        const int l = area.left(), t = area.top();
        const int r = l + area.width(), b = t + area.height();
        const QColor first = ToQColor(ring.topLeft), second = ToQColor(ring.bottomRight);
        Gdi::Line(canvas, l, t, r - 1, t, first);
        Gdi::Line(canvas, l, t, l, b - 1, first);
        Gdi::Line(canvas, r - 1, t, r - 1, b, second);
        Gdi::Line(canvas, l, b - 1, r, b - 1, second);
        area.adjust(1, 1, -1, -1);
    }
}

int TPeakMeter::LabelColumn(QPainter& p, const TPeakScale& scale) const
{
    // Measured on the image the labels are drawn on.
    return FShowValues
               ? p.fontMetrics().horizontalAdvance(FormatThousands(scale.Count * scale.Step)) + 10
               : 0;
}

int TPeakMeter::DrawGround(QPainter& p, int W, int H, const TPeakScale& scale) const
{
    p.fillRect(0, 0, W, H, ToQColor(FBackgroundColor));

    // Measured on the image the labels are drawn on.
    const QFontMetrics fm = p.fontMetrics();
    const QColor textColor = ToQColor(FFontColor);
    const int LC = LabelColumn(p, scale);
    const int AX = FShowValues ? LC - 5 : 0;
    const int textHeight = fm.height();
    auto label = [&](std::int64_t value, std::int64_t y) {
        if (y < -textHeight || y > H + textHeight)
            return;
        const QString text = FormatThousands(value);
        Gdi::TextOut(p, AX - fm.horizontalAdvance(text) - 2, int(y) - textHeight / 2, text,
                     textColor);
    };

    const std::int64_t PH = std::int64_t(H) - FMarginTop - FMarginBottom;
    const std::int64_t y0 = std::int64_t(H) - FMarginBottom;
    // Pixels above the baseline; PH is limited so the product stays in range.
    const int ph = Near(PH, -(1 << 24), 1 << 24);
    auto h = [&](std::int64_t v) { return std::int64_t(ScaleHeight(v, ph, scale.Full)); };

    const QColor grid = ToQColor(FGridColor);
    HLine(p, W, H, W, AX, y0, grid);
    if (FShowValues)
        label(0, y0);
    const std::int64_t increment = h(scale.Step);
    std::int64_t y = y0;
    for (std::int64_t k = 1; k < scale.Count; ++k) {
        const std::int64_t previous = y;
        y -= increment;
        if (FShowValues)
            VLine(p, W, H, AX, previous, y, grid);
        HLine(p, W, H, AX, W, y, grid);
        if (FShowValues)
            label(k * scale.Step, y);
    }
    return LC;
}

void TPeakMeter::DrawTrace(QPainter& p, QImage& target, int W, int H, const TPeakScale& scale,
                           int LC)
{
    const int AX = FShowValues ? LC - 5 : 0;
    const std::int64_t PH = std::int64_t(H) - FMarginTop - FMarginBottom;
    const std::int64_t y0 = std::int64_t(H) - FMarginBottom;
    const int ph = Near(PH, -(1 << 24), 1 << 24);
    auto h = [&](std::int64_t v) { return std::int64_t(ScaleHeight(v, ph, scale.Full)); };

    const QColor bar = ToQColor(FBarColor);
    if (FStyle == pmBar) {
        const std::int64_t top = h(FValue);
        if (top > 0)
            Gdi::FillRect(
                p, Near(std::int64_t(LC) + FMarginLeft, -1, W + 1), Near(y0 - top, -1, H + 1),
                Near(std::int64_t(W) - FMarginRight, -1, W + 1), Near(y0, -1, H + 1), bar);
    } else {
        SetHistorySize(W - AX - 1);
        // Points far off the image are pulled near it: the visible part keeps its course
        // closely enough, and the line stays short.
        auto at = [&](std::int64_t x, int v) { return QPoint(int(x), Near(y0 - h(v), -H, 2 * H)); };
        QPolygon line;
        for (std::size_t i = 0; i < FHistory.size(); ++i)
            if (FHistory[i] != EmptySlot)
                line << at(AX + std::int64_t(i), FHistory[i]);
        if (!line.isEmpty()) {
            line << at(AX + std::int64_t(FHistory.size()), FValue);
            Gdi::Polyline(target, line, bar);
        }
    }

    const QColor peak = ToQColor(FPeakColor);
    const std::int64_t yP = y0 - h(FPeak);
    if (FShowValues) {
        const std::int64_t right = FStyle == pmBar ? std::int64_t(W) - FMarginRight : W;
        HLine(p, W, H, AX + 1, right, yP, peak);
    } else if (FStyle == pmBar) {
        const int yp = Near(yP, -H, 2 * H);
        Gdi::Polyline(p, QPolygon({{2, yp}, {5, yp - 2}, {5, yp + 2}, {2, yp}}), peak);
    } else {
        HLine(p, W, H, 0, W, yP, peak);
    }
}
