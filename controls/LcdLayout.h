#pragma once
// Model geometry of the liquid-crystal readout: inner margin and cell
// size, the fitting of the text into cells, the rotation and centring of everything drawn, the
// bounding box of the turned rectangle and the window outline. Pure functions, no widget.
#include "controls/LcdTypes.h"

#include <QPolygon>
#include <QSize>
#include <QString>
#include <vector>

namespace Lcd {

// Nearest integer, halves to the even neighbour.
int Nearest(double x);

// The largest indicator side and cell count the readout takes: beyond them composing one image
// would allocate hundreds of megabytes or take seconds (at the bounds: 33 MB, well under a
// second), for a readout no screen shows whole. The control itself grows no larger than the
// turned box of the largest indicator.
constexpr int MaxIndicatorSide = 2048;
constexpr int MaxSignNumber = 64;
constexpr int MaxControlSide = 2897; // MaxIndicatorSide * sqrt(2), rounded up

// A gap, bevel width or margin kept within +-(width + height + 2) of the indicator rectangle.
// Whatever lies farther out lies outside the rectangle, turned or not, so nothing that the
// window shape lets through changes, while the arithmetic stays in 32 bits and no polygon is
// scanned over millions of rows.
int GeometryValue(long long v, int indicatorWidth, int indicatorHeight);

// Margin m and cell size cw x ch.
struct TCellMetrics {
    int Margin = 0;
    int CellWidth = 0;
    int CellHeight = 0;
};
TCellMetrics CellMetrics(int indicatorWidth, int indicatorHeight, int signNumber, int gap,
                         TLcdBevelKind outerBevel, int outerBevelWidth, TLcdBevelKind innerBevel,
                         int innerBevelWidth);

// One cell of the layout: the character's Windows-1254 code (-1 for a character that has none)
// and the decimal-point flag.
struct TLcdCell {
    int Code = ' ';
    bool Point = false;
    friend bool operator==(const TLcdCell&, const TLcdCell&) = default;
};

// Which character goes into which cell; always exactly signNumber cells (none when
// signNumber <= 0). The text is given as Windows-1254 codes.
std::vector<TLcdCell> LayoutCells(const std::vector<int>& codes, int signNumber,
                                  TLcdIndicatorKind kind);
// The same for a text, each character first mapped to its Windows-1254 code.
std::vector<TLcdCell> LayoutCells(const QString& text, int signNumber, TLcdIndicatorKind kind);

// Turns the points about pivot by angle tenths of a degree (counter-clockwise on
// the screen) with the readout's rounding rule. At angle 0 the points are unchanged.
void RotatePoints(QPoint* points, int count, QPoint pivot, int angle);
void RotatePoints(Tpoints& points, QPoint pivot, int angle);

// The pivot of an indicator rectangle: (w div 2, h div 2).
QPoint Pivot(int indicatorWidth, int indicatorHeight);

// The shift that centres the turned indicator rectangle in a control of the given size:
// ((Width - w) div 2, (Height - h) div 2).
QPoint CentringShift(QSize control, int indicatorWidth, int indicatorHeight);

// Turns the points about the pivot and centres them in the control (the turn without the (m, m)
// shift of glyph points).
void PlacePoints(QPoint* points, int count, int indicatorWidth, int indicatorHeight, int angle,
                 QSize control);

// The bounding box of the turned rectangle, the size the control takes.
QSize BoundingBox(int indicatorWidth, int indicatorHeight, int angle);

// The four corners of the indicator rectangle placed in the control.
QPolygon WindowOutline(int indicatorWidth, int indicatorHeight, int angle, QSize control);

// The angle in radians: A * pi / 1800.
double AngleRadians(int angle);

} // namespace Lcd
