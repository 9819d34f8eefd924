#include "controls/LcdCompose.h"

#include "controls/LcdLayout.h"
#include "framework/GdiDraw.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace Lcd {

TSchemeColors SchemeColors(TLcdColorScheme scheme)
{
    // BackColor, BevelColor, NumberBackColor, NumberForeColor, NumberForeColor1.
    static constexpr std::array<TSchemeColors, 7> kSchemes = {{
        {RGBColor(221, 221, 221), RGBColor(221, 221, 221), RGBColor(211, 211, 211),
         RGBColor(54, 54, 54), RGBColor(255, 0, 0)}, // csSilver
        {RGBColor(0, 0, 0), RGBColor(221, 221, 221), RGBColor(54, 54, 54), RGBColor(221, 221, 221),
         RGBColor(255, 0, 0)}, // csInvSilver
        {RGBColor(255, 255, 255), RGBColor(221, 221, 221), RGBColor(255, 255, 255),
         RGBColor(0, 0, 0), RGBColor(255, 0, 0)}, // csWhite
        {RGBColor(0, 0, 0), RGBColor(128, 128, 128), RGBColor(0, 0, 0), RGBColor(255, 255, 255),
         RGBColor(255, 128, 0)}, // csBlack
        {RGBColor(128, 0, 0), RGBColor(128, 0, 0), RGBColor(128, 0, 64), RGBColor(255, 191, 72),
         RGBColor(255, 255, 128)}, // csPlasma
        {RGBColor(255, 191, 72), RGBColor(255, 191, 72), RGBColor(247, 163, 87),
         RGBColor(128, 0, 0), RGBColor(252, 71, 39)}, // csInvPlasma
        {RGBColor(0, 0, 160), RGBColor(0, 0, 160), RGBColor(0, 64, 128), RGBColor(118, 243, 218),
         RGBColor(255, 255, 0)}, // csVELA
    }};
    return kSchemes[std::clamp(int(scheme), 0, int(kSchemes.size()) - 1)];
}

namespace {

TColor Shift(TColor c, int delta)
{
    const TColor v = ColorToRGB(c);
    const auto channel = [delta](int x) { return std::clamp(x + delta, 0, 255); };
    return RGBColor(channel(GetRValue(v)), channel(GetGValue(v)), channel(GetBValue(v)));
}

} // namespace

TColor LighterColor(TColor c)
{
    return Shift(c, 32);
}

TColor DarkerColor(TColor c)
{
    return Shift(c, -32);
}

TLightGroup LightGroup(int angle)
{
    const double a = AngleRadians(angle);
    const double s = std::sin(a), c = std::cos(a);
    // At the exact eighth turns (45, 135, 225, 315 degrees) |s| equals 1/sqrt(2), which is not
    // beyond the limit; the tolerance keeps the rounding of sin from deciding otherwise.
    const double limit = 1 / std::numbers::sqrt2 + 1e-12;
    if (s > limit)
        return lgB;
    if (s < -limit)
        return lgD;
    return c > 0 ? lgA : lgC;
}

std::array<TFaceTone, 4> BevelFaceOrder(TLightGroup group, TLcdBevelKind kind)
{
    // Drawing order and the bkUP tone of each face.
    static constexpr std::array<std::array<TFaceTone, 4>, 4> kUp = {{
        {{{bfTop, true}, {bfLeft, true}, {bfBottom, false}, {bfRight, false}}}, // A
        {{{bfTop, true}, {bfRight, true}, {bfLeft, false}, {bfBottom, false}}}, // B
        {{{bfBottom, true}, {bfRight, true}, {bfTop, false}, {bfLeft, false}}}, // C
        {{{bfLeft, true}, {bfBottom, true}, {bfRight, false}, {bfTop, false}}}, // D
    }};
    std::array<TFaceTone, 4> order = kUp[group];
    if (kind == bkDown)
        for (TFaceTone& f : order)
            f.Light = !f.Light;
    return order;
}

std::array<TFace, 4> RingFaces(int W, int H, int offset, int width)
{
    // Widths near the integer limits: the faces are the same within the rectangle either way.
    const int a = GeometryValue(offset, W, H), i = GeometryValue(width, W, H);
    std::array<TFace, 4> faces;
    faces[bfTop] = {QPoint(a, a), QPoint(W - a, a), QPoint(W - i - a, a + i), QPoint(a + i, a + i)};
    faces[bfLeft] = {QPoint(a, a), QPoint(a, H - a), QPoint(a + i, H - i - a),
                     QPoint(a + i, a + i)};
    faces[bfBottom] = {QPoint(a, H - a), QPoint(a + i, H - i - a), QPoint(W - i - a, H - i - a),
                       QPoint(W - a, H - a)};
    faces[bfRight] = {QPoint(W - a, H - a), QPoint(W - i - a, H - i - a), QPoint(W - i - a, a + i),
                      QPoint(W - a, a)};
    return faces;
}

namespace {

// An axis-parallel rectangle given by four corners covers [min x, max x) x [min y, max y), as a
// polygon region does; recognising it spares the scan conversion.
bool AxisRectangle(const QPoint* p, int count, QRect& rect)
{
    if (count != 4)
        return false;
    const bool horizontalFirst = p[0].y() == p[1].y() && p[1].x() == p[2].x() &&
                                 p[2].y() == p[3].y() && p[3].x() == p[0].x();
    const bool verticalFirst = p[0].x() == p[1].x() && p[1].y() == p[2].y() &&
                               p[2].x() == p[3].x() && p[3].y() == p[0].y();
    if (!horizontalFirst && !verticalFirst)
        return false;
    const int x0 = std::min(p[0].x(), p[2].x()), x1 = std::max(p[0].x(), p[2].x());
    const int y0 = std::min(p[0].y(), p[2].y()), y1 = std::max(p[0].y(), p[2].y());
    rect = QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)); // empty when x1 == x0 or y1 == y0
    return true;
}

} // namespace

QRegion PolygonRegion(const QPoint* points, int count)
{
    QRect rect;
    if (AxisRectangle(points, count, rect))
        return rect.isEmpty() ? QRegion() : QRegion(rect);
    if (count < 3)
        return QRegion();
    return Gdi::PolygonRegion(QPolygon(QList<QPoint>(points, points + count)));
}

QRegion PolyPolygonRegion(const TPolygonSet& set)
{
    if (set.Empty())
        return QRegion();
    if (set.Count() == 1)
        return PolygonRegion(set.Points.data(), set.Counts[0]);

    // The pixel rectangles of every polygon's own region.
    std::vector<QRect> rects;
    rects.reserve(set.Points.size());
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN; // [x0, x1) x [y0, y1)
    const QPoint* p = set.Points.data();
    for (const int n : set.Counts) {
        QRect rect;
        if (AxisRectangle(p, n, rect)) {
            if (!rect.isEmpty())
                rects.push_back(rect);
        } else if (n >= 3) {
            const QRegion r = PolygonRegion(p, n);
            rects.insert(rects.end(), r.begin(), r.end());
        }
        p += n;
    }
    if (rects.empty())
        return QRegion();
    for (const QRect& r : rects) {
        x0 = std::min(x0, r.left());
        y0 = std::min(y0, r.top());
        x1 = std::max(x1, r.right() + 1);
        y1 = std::max(y1, r.bottom() + 1);
    }

    // Odd-even parity of the coverage, row by row: each rectangle toggles the parity at its left
    // edge and again after its right edge.
    const int w = x1 - x0 + 1, h = y1 - y0;
    std::vector<std::uint8_t> toggles(std::size_t(w) * h, 0);
    for (const QRect& r : rects)
        for (int y = r.top(); y <= r.bottom(); ++y) {
            std::uint8_t* row = toggles.data() + std::size_t(y - y0) * w;
            row[r.left() - x0] ^= 1;
            row[r.right() + 1 - x0] ^= 1;
        }

    // Runs of odd parity, rows with equal runs merged into one band.
    std::vector<QRect> out;
    std::vector<std::pair<int, int>> runs, bandRuns;
    int bandTop = 0;
    const auto flush = [&](int bandBottom) {
        for (const auto& [l, r] : bandRuns)
            out.emplace_back(QPoint(l, bandTop), QPoint(r - 1, bandBottom - 1));
    };
    for (int y = 0; y < h; ++y) {
        runs.clear();
        const std::uint8_t* row = toggles.data() + std::size_t(y) * w;
        std::uint8_t parity = 0;
        int start = 0;
        for (int x = 0; x < w; ++x) {
            if (!row[x])
                continue;
            parity ^= 1;
            if (parity)
                start = x;
            else
                runs.emplace_back(start + x0, x + x0);
        }
        if (runs != bandRuns || y == 0) {
            flush(y + y0);
            bandRuns.swap(runs);
            bandTop = y + y0;
        }
    }
    flush(y1);
    QRegion region;
    if (!out.empty())
        region.setRects(out.data(), int(out.size()));
    return region;
}

void FillRegion(QPainter& painter, const QRegion& region, const QColor& color)
{
    for (const QRect& r : region)
        painter.fillRect(r, color);
}

void DrawMaterial(QPainter& painter, const QImage& material, TLcdMaterialMode mode, QSize imageSize)
{
    if (mode == mmStretch) {
        if (!material.isNull())
            painter.drawImage(QRect(QPoint(0, 0), imageSize), material);
        return;
    }
    const int mw = material.width(), mh = material.height();
    if (mw == 0 || mh == 0)
        return;
    for (int col = 0; col <= imageSize.width() / mw; ++col)
        for (int row = 0; row <= imageSize.height() / mh; ++row)
            painter.drawImage(QPoint(col * mw, row * mh), material);
}

QImage ShadedMaterial(const QImage& backMaterial, int delta)
{
    if (backMaterial.width() == 0)
        return QImage();
    QImage copy = backMaterial.convertToFormat(QImage::Format_RGB888);
    {
        QPainter p(&copy);
        p.drawImage(0, 0, backMaterial);
    }
    if (delta != 0) {
        const int bytes = 3 * copy.width();
        for (int y = 0; y < copy.height(); ++y) {
            uchar* line = copy.scanLine(y);
            for (int k = 0; k < bytes; ++k)
                line[k] = uchar(std::clamp(int(line[k]) + delta, 0, 255));
        }
    }
    return copy;
}

} // namespace Lcd
