#pragma once
#include <QImage>

// The pictures of the settings window's header bar, drawn by code.

// 109 x 27: the blue horizontal gradient bar.
QImage MakeHeaderBar();
// 121 x 27: the bar's right end, cut diagonally from the blue into near-white.
QImage MakeHeaderEnd();
// 32 x 32: a glossy green ball on a transparent background.
QImage MakeGreenBall();
