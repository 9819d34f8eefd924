#pragma once
// The system's dotted focus rectangle and the plain one-pixel frame, as the controls that paint
// themselves draw them.
class QPainter;
class QColor;

namespace Gdi {

// Inverts every other pixel of the ring of pixels x in [l, r), y in [t, b).
void DrawFocusRect(QPainter& p, int l, int t, int r, int b);

// The outermost ring of the pixels x in [l, r), y in [t, b) in one colour.
void FrameRect(QPainter& p, int l, int t, int r, int b, const QColor& color);

} // namespace Gdi
