#include "framework/GdiDraw.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

namespace Gdi {

void FillRect(QPainter& p, int left, int top, int right, int bottom, const QColor& color)
{
    if (right <= left || bottom <= top)
        return;
    p.fillRect(QRect(left, top, right - left, bottom - top), color);
}

namespace {

// Calls pixel(x, y) for each point a line from (x1, y1) to (x2, y2) sets, without the end point.
template <class F> void ForEachLinePixel(int x1, int y1, int x2, int y2, F&& pixel)
{
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
        pixel(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

} // namespace

QPolygon LinePixels(int x1, int y1, int x2, int y2)
{
    QPolygon pts;
    ForEachLinePixel(x1, y1, x2, y2, [&](int x, int y) { pts << QPoint(x, y); });
    return pts;
}

void Polyline(QImage& image, const QPolygon& points, const QColor& color)
{
    if (image.depth() != 32) {
        QPainter p(&image);
        Polyline(p, points, color);
        return;
    }
    const QRgb rgb = color.rgba();
    const int w = image.width(), h = image.height();
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int i = 1; i < points.size(); ++i)
        ForEachLinePixel(points[i - 1].x(), points[i - 1].y(), points[i].x(), points[i].y(),
                         [&](int x, int y) {
                             if (x >= 0 && x < w && y >= 0 && y < h)
                                 reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
                         });
}

namespace {

// Sets exactly the given pixels.
void DrawPixels(QPainter& p, const QPolygon& pixels, const QColor& color)
{
    if (pixels.isEmpty())
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(color, 1));
    p.drawPoints(pixels);
    p.restore();
}

} // namespace

void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color)
{
    // Straight rows and columns (grids, frames) as one filled span: the same pixels, far fewer
    // painter calls.
    if (y1 == y2 && x1 != x2) {
        p.fillRect(QRect(x1 < x2 ? x1 : x2 + 1, y1, std::abs(x2 - x1), 1), color);
        return;
    }
    if (x1 == x2 && y1 != y2) {
        p.fillRect(QRect(x1, y1 < y2 ? y1 : y2 + 1, 1, std::abs(y2 - y1)), color);
        return;
    }
    DrawPixels(p, LinePixels(x1, y1, x2, y2), color);
}

void Polyline(QPainter& p, const QPolygon& points, const QColor& color)
{
    // All segments' pixels in one call: a long line of short segments (a history graph) would
    // otherwise pay the painter's set-up once per segment.
    QPolygon pixels;
    for (int i = 1; i < points.size(); ++i)
        pixels += LinePixels(points[i - 1].x(), points[i - 1].y(), points[i].x(), points[i].y());
    DrawPixels(p, pixels, color);
}

void TextOut(QPainter& p, int x, int y, const QString& text, const QColor& color)
{
    p.save();
    p.setPen(color);
    p.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics fm(p.font());
    p.drawText(x, y + fm.ascent(), text);
    p.restore();
}

QFont MakeFont(const QString& family, int height, bool bold, bool italic)
{
    QFont f(family);
    // A negative height is the character height; a positive one the whole cell, of which the
    // character takes roughly the part above the internal leading.
    const int px = height < 0 ? -height : (height > 0 ? std::max(1, height * 8 / 9) : 11);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QRegion PolygonRegion(const QPolygon& polygon)
{
    return QRegion(polygon, Qt::OddEvenFill);
}

} // namespace Gdi
