#pragma once
// Image composition of the liquid-crystal readout: colour schemes, derived bevel
// colours, light groups and bevel faces, polygon regions with the alternate fill rule, and the
// materials. Pure functions (the drawing ones take the painter to draw with), no widget.
#include "controls/LcdTypes.h"
#include "framework/Colors.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <array>

class QPainter;

namespace Lcd {

// The five colours of a colour scheme.
struct TSchemeColors {
    TColor BackColor, BevelColor, NumberBackColor, NumberForeColor, NumberForeColor1;
};
TSchemeColors SchemeColors(TLcdColorScheme scheme);

// 32 added to (subtracted from) each channel of the resolved colour, kept in 0 ... 255.
TColor LighterColor(TColor c);
TColor DarkerColor(TColor c);

// Light groups by angle.
enum TLightGroup { lgA, lgB, lgC, lgD };
TLightGroup LightGroup(int angle);

enum TBevelFace { bfTop, bfLeft, bfBottom, bfRight };

// One face in drawing order with its tone.
struct TFaceTone {
    TBevelFace Face;
    bool Light;
    friend bool operator==(const TFaceTone&, const TFaceTone&) = default;
};
// The four faces in the order of the light group, toned for bkUP or bkDown.
std::array<TFaceTone, 4> BevelFaceOrder(TLightGroup group, TLcdBevelKind kind);

// The four faces of a ring whose outer edge lies at offset from the indicator
// rectangle's edges and which is width pixels wide, indexed by TBevelFace. The outer ring is
// RingFaces(W, H, 0, OuterBevelWidth); the inner one starts at OuterBevelWidth, or at 0 when the
// outer bevel is bkNone.
using TFace = std::array<QPoint, 4>;
std::array<TFace, 4> RingFaces(int indicatorWidth, int indicatorHeight, int offset, int width);

// The region one polygon covers (alternate fill rule).
QRegion PolygonRegion(const QPoint* points, int count);

// The region of all polygons of a set together under the alternate fill rule: a pixel belongs to
// it when an odd number of the polygons cover it, so where two polygons overlap the overlap is
// not part of the region.
QRegion PolyPolygonRegion(const TPolygonSet& set);

// Fills the pixels of a region with a solid colour.
void FillRegion(QPainter& painter, const QRegion& region, const QColor& color);

// Covers an image of the given size with a material, stretched or tiled, limited by the
// painter's clip.
void DrawMaterial(QPainter& painter, const QImage& material, TLcdMaterialMode mode,
                  QSize imageSize);

// A 24-bit copy of the back material with every colour byte shaded by delta (negative
// darkens), kept in 0 ... 255.
QImage ShadedMaterial(const QImage& backMaterial, int delta);

} // namespace Lcd
