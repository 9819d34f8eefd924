#pragma once
// The enumerations and polygon lists of the liquid-crystal readout TLiquidIndicator. They live in a
// namespace of their own so that the pure geometry (LcdLayout, LcdGlyphs, LcdCompose) can be used
// and tested without a widget; TLiquidIndicator brings the enumerators into its own scope as well
// (TLiquidIndicator::csWhite == Lcd::csWhite).
#include <QObject>
#include <QPoint>
#include <vector>

namespace Lcd {
Q_NAMESPACE

// An enumeration's ordinal is its position in the list.
enum TLcdColorScheme { csSilver, csInvSilver, csWhite, csBlack, csPlasma, csInvPlasma, csVELA };
Q_ENUM_NS(TLcdColorScheme)

enum TLcdIndicatorKind { ik7segment, ik5x7matrix, ik9segment };
Q_ENUM_NS(TLcdIndicatorKind)

enum TLcdIndicatorStyle { isThin, isNormal, isThick };
Q_ENUM_NS(TLcdIndicatorStyle)

enum TLcdBevelKind { bkUP, bkDown, bkNone };
Q_ENUM_NS(TLcdBevelKind)

enum TLcdMouseAction { maNone, maColor, maWidth, maBoth };
Q_ENUM_NS(TLcdMouseAction)

enum TLcdTransparentMode { tmNone, tmBackOnly, tmAll };
Q_ENUM_NS(TLcdTransparentMode)

enum TLcdMaterialShadowMode { msmDark, msmLight, msmNone };
Q_ENUM_NS(TLcdMaterialShadowMode)

enum TLcdMaterialMode { mmStretch, mmTile };
Q_ENUM_NS(TLcdMaterialMode)

using Tpoints = std::vector<QPoint>;
using Tintegers = std::vector<int>;

// A list of polygons: all points in one list, the point count of each polygon in the other.
struct TPolygonSet {
    Tpoints Points;
    Tintegers Counts;

    int Count() const { return int(Counts.size()); }
    bool Empty() const { return Counts.empty(); }
    void Clear()
    {
        Points.clear();
        Counts.clear();
    }
    void Add(const QPoint* pts, int n)
    {
        Points.insert(Points.end(), pts, pts + n);
        Counts.push_back(n);
    }
    // Appends every polygon of other, each point shifted by shift.
    void Append(const TPolygonSet& other, QPoint shift)
    {
        for (const QPoint& p : other.Points)
            Points.push_back(p + shift);
        Counts.insert(Counts.end(), other.Counts.begin(), other.Counts.end());
    }
};

} // namespace Lcd
