#include "controls/FocusRect.h"

#include "framework/GdiDraw.h"

#include <QPainter>

namespace Gdi {

void DrawFocusRect(QPainter& p, int l, int t, int r, int b)
{
    if (r - l < 2 || b - t < 2)
        return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    auto dot = [&p](int x, int y) {
        if ((x + y) % 2 == 0)
            p.fillRect(x, y, 1, 1, Qt::white);
    };
    for (int x = l; x < r; ++x) {
        dot(x, t);
        dot(x, b - 1);
    }
    for (int y = t + 1; y < b - 1; ++y) {
        dot(l, y);
        dot(r - 1, y);
    }
    p.restore();
}

void FrameRect(QPainter& p, int l, int t, int r, int b, const QColor& color)
{
    if (r <= l || b <= t)
        return;
    FillRect(p, l, t, r, t + 1, color);
    FillRect(p, l, b - 1, r, b, color);
    FillRect(p, l, t, l + 1, b, color);
    FillRect(p, r - 1, t, r, b, color);
}

} // namespace Gdi
