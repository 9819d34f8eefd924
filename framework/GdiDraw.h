#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPolygon>
#include <QRegion>
#include <QString>

class QPainter;

// Drawing with the pixel rules the program's pictures were designed for: a line leaves out its
// end pixel, a filled rectangle leaves out its right column and bottom row, polygon regions use
// the alternate (odd-even) rule, and text is placed by its top-left corner. Painters are expected
// to have anti-aliasing off.
namespace Gdi {

// Fills the pixels x in [left, right), y in [top, bottom); an empty or inverted rectangle draws
// nothing.
void FillRect(QPainter& p, int left, int top, int right, int bottom, const QColor& color);

// One-pixel line from (x1, y1) towards (x2, y2), without the end pixel.
void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color);

// Connected lines through the points; each segment leaves out its end pixel, so only the very
// last point of the list stays undrawn.
void Polyline(QPainter& p, const QPolygon& points, const QColor& color);

// The same pixels as Polyline, set straight into an image of 32-bit pixels (those outside it are
// left out): no painter to set up, for a long line of short segments such as a history graph.
void Polyline(QImage& image, const QPolygon& points, const QColor& color);

// The points a line from (x1, y1) to (x2, y2) sets, without the end point.
QPolygon LinePixels(int x1, int y1, int x2, int y2);

// Text whose cell's top-left corner lies at (x, y), in the painter's font, with a transparent
// background.
void TextOut(QPainter& p, int x, int y, const QString& text, const QColor& color);

// A font by family, height in the Windows manner (negative: character height in pixels;
// positive: cell height) and weight.
QFont MakeFont(const QString& family, int height, bool bold = false, bool italic = false);

// The region a polygon covers under the alternate (odd-even) fill rule.
QRegion PolygonRegion(const QPolygon& polygon);

} // namespace Gdi
