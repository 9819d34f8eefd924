#pragma once
// Glyph rendering of the liquid-crystal readout: which segments or dots a character
// lights and the exact polygon of every segment and dot, in the cell's own coordinates. Pure
// functions, no widget.
#include "controls/LcdTypes.h"

#include <array>
#include <cstdint>
#include <optional>

namespace Lcd {

// Segment thickness t for a cell of cw x ch.
double SegmentThickness(int cw, int ch, TLcdIndicatorStyle style, bool hoverWidth);

// The six vertices of segment 1 ... 8 (ik7segment) or 1 ... 10 (ik9segment).
std::array<QPoint, 6> SegmentPolygon(int segment, int cw, int ch, double t, TLcdIndicatorKind kind);

// Dot width or height from its pitch.
double DotSize(double pitch, TLcdIndicatorStyle style, bool hoverWidth);

// The four vertices of the dot in row 1 ... 7 and column 1 ... 5.
std::array<QPoint, 4> DotPolygon(int row, int column, int cw, int ch, TLcdIndicatorStyle style,
                                 bool hoverWidth);

// The flags of segments 1-7 of a Windows-1254 code, segment 1 in bit 0; none when the
// code has no 7-segment pattern.
std::optional<std::uint8_t> SegmentPattern(int code);

// The seven row values of a Windows-1254 code in the 5x7 font, top row first; none when
// the font has no shape for it.
const std::array<std::uint8_t, 7>* FontRows(int code);

// The lit and unlit polygons of one cell (appended to lit and unlit, in drawing order).
// code is the character's Windows-1254 code (-1: none), point the decimal-point flag.
void BuildCellGlyph(int cw, int ch, int code, bool point, TLcdIndicatorKind kind,
                    TLcdIndicatorStyle style, bool hoverWidth, TPolygonSet& lit,
                    TPolygonSet& unlit);

} // namespace Lcd
