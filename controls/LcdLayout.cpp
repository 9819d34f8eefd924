#include "controls/LcdLayout.h"

#include "controls/Cp1254.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace Lcd {

int Nearest(double x)
{
    return int(std::nearbyint(x)); // the default rounding mode sends halves to even
}

double AngleRadians(int angle)
{
    return angle * std::numbers::pi / 1800.0;
}

int GeometryValue(long long v, int indicatorWidth, int indicatorHeight)
{
    const long long bound =
        std::min(std::llabs(indicatorWidth) + std::llabs(indicatorHeight) + 2, 1LL << 26);
    return int(std::clamp(v, -bound, bound));
}

TCellMetrics CellMetrics(int indicatorWidth, int indicatorHeight, int signNumber, int gap,
                         TLcdBevelKind outerBevel, int outerBevelWidth, TLcdBevelKind innerBevel,
                         int innerBevelWidth)
{
    // 64 bits: a gap or bevel width near the integer limits must not wrap the margin around.
    TCellMetrics r;
    long long m = gap;
    if (outerBevel != bkNone)
        m += outerBevelWidth;
    if (innerBevel != bkNone)
        m += innerBevelWidth;
    r.Margin = GeometryValue(m, indicatorWidth, indicatorHeight);

    long long ch = indicatorHeight - 2 * m;
    if (ch <= 0 || ch > indicatorHeight)
        ch = indicatorHeight;
    r.CellHeight = int(ch);

    if (signNumber > 0) {
        const long long whole = indicatorWidth / signNumber;
        long long cw = (indicatorWidth - 2 * m) / signNumber;
        if (cw <= 0 || cw > whole)
            cw = whole;
        r.CellWidth = int(cw);
    }
    return r;
}

namespace {

bool IsPoint(int code)
{
    return code == '.' || code == ',';
}

} // namespace

std::vector<TLcdCell> LayoutCells(const std::vector<int>& codes, int signNumber,
                                  TLcdIndicatorKind kind)
{
    std::vector<TLcdCell> cells;
    if (signNumber <= 0)
        return cells;
    cells.reserve(signNumber);
    const int length = int(codes.size());

    if (kind == ik5x7matrix) {
        // Every character takes one cell; a short text is right-aligned.
        const int blanks = length >= signNumber ? 0 : signNumber - length;
        for (int j = 0; j < signNumber; ++j)
            cells.push_back(j < blanks ? TLcdCell{' ', false} : TLcdCell{codes[j - blanks], false});
        return cells;
    }

    // 7 and 9 segments: a point folds into the cell of the character before it.
    std::vector<TLcdCell> cut;
    cut.reserve(codes.size() + 1);
    bool afterCharacter = false; // the previous character exists and is not a point
    const auto take = [&](int code) {
        if (IsPoint(code) && afterCharacter) {
            cut.back().Point = true;
            afterCharacter = false;
        } else {
            cut.push_back(TLcdCell{code, false});
            afterCharacter = !IsPoint(code);
        }
    };
    if (length > 0 && IsPoint(codes[0]))
        take(' ');
    for (const int code : codes)
        take(code);
    const int n = int(cut.size());
    for (int j = n; j < signNumber; ++j)
        cells.push_back(TLcdCell{' ', false});
    for (int j = 0; j < n && int(cells.size()) < signNumber; ++j)
        cells.push_back(cut[j]);
    return cells;
}

std::vector<TLcdCell> LayoutCells(const QString& text, int signNumber, TLcdIndicatorKind kind)
{
    return LayoutCells(Cp1254Codes(text), signNumber, kind);
}

namespace {

// The direction of (x, y) turned by a.
double Direction(double x, double y, double a)
{
    if (x != 0)
        return std::atan2(-y, x) + a;
    if (y > 0)
        return a - std::numbers::pi / 2;
    return a + std::numbers::pi / 2;
}

} // namespace

void RotatePoints(QPoint* points, int count, QPoint pivot, int angle)
{
    if (angle == 0 || count <= 0)
        return;
    const double a = AngleRadians(angle);
    for (int i = 0; i < count; ++i) {
        const double x = points[i].x(), y = points[i].y();
        const double d = std::sqrt(x * x + y * y);
        if (Nearest(d) == 0)
            continue;
        const double g = Direction(x, y, a);
        points[i] = QPoint(Nearest(d * std::cos(g)), -Nearest(d * std::sin(g)));
    }
    const double px = pivot.x(), py = pivot.y();
    const double D = std::sqrt(px * px + py * py);
    int cx = 0, cy = 0;
    if (Nearest(D) != 0) {
        const double G = Direction(px, py, a);
        cx = Nearest(px - D * std::cos(G));
        cy = Nearest(py + D * std::sin(G));
    }
    const QPoint correction(cx, cy);
    for (int i = 0; i < count; ++i)
        points[i] += correction;
}

void RotatePoints(Tpoints& points, QPoint pivot, int angle)
{
    RotatePoints(points.data(), int(points.size()), pivot, angle);
}

QPoint Pivot(int indicatorWidth, int indicatorHeight)
{
    return QPoint(indicatorWidth / 2, indicatorHeight / 2);
}

QPoint CentringShift(QSize control, int indicatorWidth, int indicatorHeight)
{
    return QPoint((control.width() - indicatorWidth) / 2, (control.height() - indicatorHeight) / 2);
}

void PlacePoints(QPoint* points, int count, int indicatorWidth, int indicatorHeight, int angle,
                 QSize control)
{
    RotatePoints(points, count, Pivot(indicatorWidth, indicatorHeight), angle);
    const QPoint shift = CentringShift(control, indicatorWidth, indicatorHeight);
    for (int i = 0; i < count; ++i)
        points[i] += shift;
}

QSize BoundingBox(int indicatorWidth, int indicatorHeight, int angle)
{
    const double a = AngleRadians(angle);
    const double c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
    return QSize(Nearest(c * indicatorWidth + s * indicatorHeight),
                 Nearest(s * indicatorWidth + c * indicatorHeight));
}

QPolygon WindowOutline(int indicatorWidth, int indicatorHeight, int angle, QSize control)
{
    QPolygon corners({QPoint(0, 0), QPoint(indicatorWidth, 0),
                      QPoint(indicatorWidth, indicatorHeight), QPoint(0, indicatorHeight)});
    PlacePoints(corners.data(), int(corners.size()), indicatorWidth, indicatorHeight, angle,
                control);
    return corners;
}

} // namespace Lcd
