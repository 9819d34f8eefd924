#pragma once
#include <QImage>

// The pictures of the settings window, drawn by code (the header bar and the close button's
// glyph; drawing the glyph is also far quicker than looking one up in the desktop's icon theme).

// 109 x 27: the blue horizontal gradient bar.
QImage MakeHeaderBar();
// 121 x 27: the bar's right end, cut diagonally from the blue into near-white.
QImage MakeHeaderEnd();
// 32 x 32: a glossy green ball on a transparent background.
QImage MakeGreenBall();
// 16 x 16: the close button's glyph, an open door with an arrow leaving through it.
QImage MakeCloseGlyph();
