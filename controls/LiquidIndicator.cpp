#include "controls/LiquidIndicator.h"

#include "controls/ControlsAccessible.h"
#include "controls/LcdGlyphs.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

using namespace Lcd;

namespace {

// The shift state of a mouse event in the framework's terms.
TShiftState ShiftOf(const QMouseEvent* e, bool dbl = false)
{
    TShiftState s;
    const Qt::KeyboardModifiers m = e->modifiers();
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    const Qt::MouseButtons b = e->buttons() | e->button();
    if (b & Qt::LeftButton)
        s |= ssLeft;
    if (b & Qt::RightButton)
        s |= ssRight;
    if (b & Qt::MiddleButton)
        s |= ssMiddle;
    if (dbl)
        s |= ssDouble;
    return s;
}

bool ButtonOf(Qt::MouseButton button, TMouseButton& out)
{
    switch (button) {
    case Qt::LeftButton:
        out = mbLeft;
        return true;
    case Qt::RightButton:
        out = mbRight;
        return true;
    case Qt::MiddleButton:
        out = mbMiddle;
        return true;
    default:
        return false;
    }
}

} // namespace

TLiquidIndicator::TLiquidIndicator(QWidget* parent) : QWidget(parent)
{
    InstallControlsAccessibility();
    ApplyOpacity(); // tmNone: opaque
    setMouseTracking(true);
    setMaximumSize(MaxControlSide, MaxControlSide);
    resize(FIndicatorWidth, FIndicatorHeight);
    FKnownSize = size();
    UpdateWindowShape();
    RebuildImage();
}

TLiquidIndicator::~TLiquidIndicator() = default;

// ---- Properties ---------------------------------------------------------------------------

void TLiquidIndicator::SetColorScheme(TLcdColorScheme value)
{
    FColorScheme = value;
    if (!FLoaded)
        return;
    const TSchemeColors c = SchemeColors(value);
    FBackColor = c.BackColor;
    FBevelColor = c.BevelColor;
    FNumberBackColor = c.NumberBackColor;
    FNumberForeColor = c.NumberForeColor;
    FNumberForeColor1 = c.NumberForeColor1;
    PostRebuild();
}

void TLiquidIndicator::SetSignNumber(int value)
{
    if (value <= 0 || value > MaxSignNumber || value == FSignNumber)
        return;
    FSignNumber = value;
    if (FLoaded) {
        UpdateWindowShape();
        Rebuild();
    }
}

void TLiquidIndicator::SetIndicatorWidth(int value)
{
    if (value <= 0 || value > MaxIndicatorSide || value == FIndicatorWidth)
        return;
    FIndicatorWidth = value;
    if (FLoaded)
        ResizeToIndicator();
}

void TLiquidIndicator::SetIndicatorHeight(int value)
{
    if (value <= 0 || value > MaxIndicatorSide || value == FIndicatorHeight)
        return;
    FIndicatorHeight = value;
    if (FLoaded)
        ResizeToIndicator();
}

void TLiquidIndicator::SetIndicatorAngle(int value)
{
    if (value == FIndicatorAngle)
        return;
    FIndicatorAngle = value;
    if (FLoaded) {
        MoveWindow(BoundingBox(FIndicatorWidth, FIndicatorHeight, FIndicatorAngle), true);
        UpdateWindowShape();
        Rebuild();
    }
}

void TLiquidIndicator::SetIndicatorGap(int value)
{
    if (value == FIndicatorGap)
        return;
    FIndicatorGap = value;
    Rebuild();
}

void TLiquidIndicator::SetIndicatorstring(const QString& value)
{
    if (value == FIndicatorstring)
        return;
    FIndicatorstring = value;
    Rebuild();
    AnnounceNameChange(this);
}

void TLiquidIndicator::SetIndicatorKind(TLcdIndicatorKind value)
{
    FIndicatorKind = value;
    Rebuild();
}

void TLiquidIndicator::SetInnerBevel(TLcdBevelKind value)
{
    FInnerBevel = value;
    Rebuild();
}

void TLiquidIndicator::SetOuterBevel(TLcdBevelKind value)
{
    FOuterBevel = value;
    Rebuild();
}

void TLiquidIndicator::SetInnerBevelWidth(int value)
{
    if (value <= 0 || value == FInnerBevelWidth)
        return;
    FInnerBevelWidth = value;
    Rebuild();
}

void TLiquidIndicator::SetOuterBevelWidth(int value)
{
    if (value <= 0 || value == FOuterBevelWidth)
        return;
    FOuterBevelWidth = value;
    Rebuild();
}

void TLiquidIndicator::SetBevelColor(TColor value)
{
    FBevelColor = value;
    Rebuild();
}

void TLiquidIndicator::SetBackColor(TColor value)
{
    FBackColor = value;
    Rebuild();
}

void TLiquidIndicator::SetNumberForeColor(TColor value)
{
    FNumberForeColor = value;
    Rebuild();
}

void TLiquidIndicator::SetNumberForeColor1(TColor value)
{
    FNumberForeColor1 = value;
    Rebuild();
}

void TLiquidIndicator::SetNumberBackColor(TColor value)
{
    FNumberBackColor = value;
    Rebuild();
}

void TLiquidIndicator::SetIndicatorStyle(TLcdIndicatorStyle value)
{
    FIndicatorStyle = value;
    Rebuild();
}

void TLiquidIndicator::SetMouseAction(TLcdMouseAction value)
{
    FMouseAction = value;
    Rebuild();
}

void TLiquidIndicator::SetTransparentMode(TLcdTransparentMode value)
{
    FTransparentMode = value;
    ApplyOpacity();
    Rebuild();
}

void TLiquidIndicator::SetBackMaterial(const QImage& value)
{
    FBackMaterial = value; // the control's own copy (copy on write): the caller's stays theirs
    PrepareMaterials();
    Rebuild();
}

void TLiquidIndicator::SetForeMaterial(const QImage& value)
{
    FForeMaterial = value;
    Rebuild();
}

void TLiquidIndicator::SetMaterialShadowMode(TLcdMaterialShadowMode value)
{
    FMaterialShadowMode = value;
    PrepareMaterials();
    Rebuild();
}

void TLiquidIndicator::SetMaterialMode(TLcdMaterialMode value)
{
    FMaterialMode = value;
    Rebuild();
}

void TLiquidIndicator::SetForeMaterialMode(TLcdMaterialMode value)
{
    FForeMaterialMode = value;
    Rebuild();
}

// ---- Life cycle ---------------------------------------------------------------------------

void TLiquidIndicator::Loaded()
{
    CatchUpSize();
    FLoaded = true;
    PrepareMaterials();
    UpdateWindowShape();
    RebuildImage();
    update();
}

void TLiquidIndicator::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!FLoaded)
        Loaded(); // the owning window has finished loading by the time it shows
}

void TLiquidIndicator::Rebuild()
{
    RebuildImage();
    update();
}

void TLiquidIndicator::PostRebuild()
{
    QCoreApplication::postEvent(this, new QEvent(CM_REBUILD));
}

bool TLiquidIndicator::event(QEvent* e)
{
    if (e->type() == CM_REBUILD) {
        QWidget::event(e);
        Rebuild();
        return true;
    }
    return QWidget::event(e);
}

void TLiquidIndicator::ApplyOpacity()
{
    // tmNone: the image covers everything, nothing needs erasing. The transparent modes let the
    // erase fill the control with its background colour, which follows the parent's colour.
    const bool opaque = FTransparentMode == tmNone;
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    setAutoFillBackground(!opaque);
}

QSize TLiquidIndicator::sizeHint() const
{
    return BoundingBox(FIndicatorWidth, FIndicatorHeight, FIndicatorAngle);
}

// ---- Size and shape -----------------------------------------------------------------------

QRect TLiquidIndicator::ParentArea() const
{
    QRect area = geometry();
    if (!mask().isEmpty())
        area |= mask().boundingRect().translated(pos());
    return area;
}

void TLiquidIndicator::InvalidateParent(const QRect& area)
{
    if (QWidget* parent = parentWidget())
        parent->update(area);
    else
        update();
}

void TLiquidIndicator::MoveWindow(QSize newSize, bool repaint)
{
    if (newSize == size())
        return;
    resize(newSize);
    // A shown control has just run its size-change rules; a hidden one gets its resize event
    // from Qt only when it is shown, so the rules run here, as the move would have run them.
    if (size() != FKnownSize)
        SizeChanged();
    if (repaint)
        update();
}

void TLiquidIndicator::CatchUpSize()
{
    if (size() != FKnownSize)
        SizeChanged();
}

void TLiquidIndicator::ResizeToIndicator()
{
    const QRect noted = ParentArea();
    MoveWindow(BoundingBox(FIndicatorWidth, FIndicatorHeight, FIndicatorAngle), false);
    UpdateWindowShape();
    InvalidateParent(noted);
    RebuildImage();
    update();
    if (QWidget* parent = parentWidget())
        parent->update();
}

void TLiquidIndicator::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // A resize to the size the rules last saw (Qt's late resize event of a control that was
    // hidden, or the control giving up a size) changes nothing.
    if (size() != FKnownSize)
        SizeChanged();
}

void TLiquidIndicator::SizeChanged()
{
    FKnownSize = size();
    Fire(OnResize, this);
    const double a = AngleRadians(FIndicatorAngle);
    if (std::fabs(std::sin(a)) < 0.0001) {
        FIndicatorHeight = height();
        FIndicatorWidth = width();
        UpdateWindowShape();
        PostRebuild();
    } else if (std::fabs(std::cos(a)) < 0.0001) {
        FIndicatorHeight = width();
        FIndicatorWidth = height();
        UpdateWindowShape();
        RebuildImage();
        update();
    } else {
        // The indicator keeps its dimensions; the control gives up the new size.
        const QRect covered = ParentArea();
        const QSize box = BoundingBox(FIndicatorWidth, FIndicatorHeight, FIndicatorAngle);
        FKnownSize = box;
        if (box != size())
            resize(box);
        InvalidateParent(covered);
        if (QWidget* parent = parentWidget())
            parent->update();
        PostRebuild();
    }
}

void TLiquidIndicator::UpdateWindowShape()
{
    const QPolygon outline =
        WindowOutline(FIndicatorWidth, FIndicatorHeight, FIndicatorAngle, size());
    if (parentWidget())
        setMask(PolygonRegion(outline.constData(), int(outline.size())));
}

// ---- Composition --------------------------------------------------------------------------

TCellMetrics TLiquidIndicator::Metrics() const
{
    return CellMetrics(FIndicatorWidth, FIndicatorHeight, FSignNumber, FIndicatorGap, FOuterBevel,
                       FOuterBevelWidth, FInnerBevel, FInnerBevelWidth);
}

std::vector<TLcdCell> TLiquidIndicator::LayoutCells() const
{
    return Lcd::LayoutCells(FIndicatorstring, FSignNumber, FIndicatorKind);
}

void TLiquidIndicator::PrepareMaterials()
{
    FDarkMaterial = ShadedMaterial(FBackMaterial, -64);
    FLightMaterial = ShadedMaterial(FBackMaterial, 64);
    const int shadow = FMaterialShadowMode == msmDark    ? -32
                       : FMaterialShadowMode == msmLight ? 32
                                                         : 0;
    FShadowMaterial = ShadedMaterial(FBackMaterial, shadow);
}

void TLiquidIndicator::FillOrMaterial(QPainter* painter, const QRegion& region,
                                      const QImage* material, TLcdMaterialMode mode, TColor color)
{
    if (!painter)
        return;
    if (!material) {
        FillRegion(*painter, region, ToQColor(color));
        return;
    }
    // Clip to the region, draw, remove the clip. (save/restore: a clip region set after
    // setClipping(false) would not take effect.)
    painter->save();
    painter->setClipRegion(region);
    DrawMaterial(*painter, *material, mode, FImage.size());
    painter->restore();
}

void TLiquidIndicator::DrawRing(QPainter* painter, int offset, int width, TLcdBevelKind kind,
                                TLightGroup group)
{
    if (kind != bkUP && kind != bkDown)
        return;
    std::array<TFace, 4> faces = RingFaces(FIndicatorWidth, FIndicatorHeight, offset, width);
    const bool material = FBackMaterial.width() != 0;
    for (const TFaceTone& f : BevelFaceOrder(group, kind)) {
        TFace& face = faces[f.Face];
        PlacePoints(face.data(), 4, FIndicatorWidth, FIndicatorHeight, FIndicatorAngle, size());
        const QRegion region = PolygonRegion(face.data(), 4);
        if (FClipRegion)
            *FClipRegion += region;
        FillOrMaterial(
            painter, region, material ? (f.Light ? &FLightMaterial : &FDarkMaterial) : nullptr,
            FMaterialMode, f.Light ? LighterColor(FBevelColor) : DarkerColor(FBevelColor));
    }
}

void TLiquidIndicator::RebuildImage()
{
    CatchUpSize();
    ++FRebuildCount;

    // 1. A new, empty clip region in the transparent modes; none in tmNone.
    FClipRegion.reset();
    if (FTransparentMode != tmNone)
        FClipRegion = QRegion();

    // 2.-4. The glyphs of every cell, shifted to the cell's left edge.
    FLitSet.Clear();
    FUnlitSet.Clear();
    const TCellMetrics metrics = Metrics();
    const std::vector<TLcdCell> cells = LayoutCells();
    const bool hoverWidth = FMouseInside && (FMouseAction == maWidth || FMouseAction == maBoth);
    for (int j = 0; j < int(cells.size()); ++j) {
        FCellLit.Clear();
        FCellUnlit.Clear();
        BuildCellGlyph(metrics.CellWidth, metrics.CellHeight, cells[j].Code, cells[j].Point,
                       FIndicatorKind, FIndicatorStyle, hoverWidth, FCellLit, FCellUnlit);
        const QPoint cellLeft(j * metrics.CellWidth, 0);
        FLitSet.Append(FCellLit, cellLeft);
        FUnlitSet.Append(FCellUnlit, cellLeft);
    }

    // 5. Into the indicator rectangle, turned and centred.
    for (TPolygonSet* set : {&FLitSet, &FUnlitSet}) {
        for (QPoint& p : set->Points)
            p += QPoint(metrics.Margin, metrics.Margin);
        PlacePoints(set->Points.data(), int(set->Points.size()), FIndicatorWidth, FIndicatorHeight,
                    FIndicatorAngle, size());
    }

    // 6. The image at the control's size.
    if (FImage.size() != size())
        FImage = size().isEmpty() ? QImage() : QImage(size(), QImage::Format_RGB32);
    QPainter p;
    QPainter* painter = nullptr;
    if (!FImage.isNull() && p.begin(&FImage)) {
        p.setRenderHint(QPainter::Antialiasing, false);
        painter = &p;
    }

    // 7. Background.
    const bool backMaterial = FBackMaterial.width() != 0;
    if (painter) {
        if (!backMaterial)
            p.fillRect(FImage.rect(), ToQColor(FBackColor));
        else
            DrawMaterial(p, FBackMaterial, FMaterialMode, FImage.size());
    }

    // 8.-10. Bevel rings in the tones of the light group.
    const TLightGroup group = LightGroup(FIndicatorAngle);
    DrawRing(painter, 0, FOuterBevelWidth, FOuterBevel, group);
    DrawRing(painter, FOuterBevel != bkNone ? FOuterBevelWidth : 0, FInnerBevelWidth, FInnerBevel,
             group);

    // 11. Lit parts.
    if (!FLitSet.Empty()) {
        const bool hoverColor = FMouseInside && (FMouseAction == maColor || FMouseAction == maBoth);
        const QRegion region = PolyPolygonRegion(FLitSet);
        if (FClipRegion)
            *FClipRegion += region;
        if (FForeMaterial.width() == 0 || hoverColor)
            FillOrMaterial(painter, region, nullptr, FForeMaterialMode,
                           hoverColor ? FNumberForeColor1 : FNumberForeColor);
        else
            FillOrMaterial(painter, region, &FForeMaterial, FForeMaterialMode, FNumberForeColor);
    }

    // 12. Unlit parts, drawn over the lit ones where they overlap.
    if (!FUnlitSet.Empty()) {
        const QRegion region = PolyPolygonRegion(FUnlitSet);
        if (FTransparentMode == tmBackOnly)
            *FClipRegion += region;
        FillOrMaterial(painter, region, backMaterial ? &FShadowMaterial : nullptr, FMaterialMode,
                       FNumberBackColor);
    }
}

// ---- Painting and mouse -------------------------------------------------------------------

void TLiquidIndicator::paintEvent(QPaintEvent*)
{
    // Only a copy of the image; what lies outside the clip keeps what the erase put there.
    QPainter p(this);
    if (FClipRegion)
        p.setClipRegion(*FClipRegion);
    p.drawImage(0, 0, FImage);
}

void TLiquidIndicator::enterEvent(QEnterEvent* e)
{
    FMouseInside = true;
    PostRebuild();
    QWidget::enterEvent(e);
    Fire(onMouseEnter, this);
}

void TLiquidIndicator::leaveEvent(QEvent* e)
{
    FMouseInside = false;
    PostRebuild();
    QWidget::leaveEvent(e);
    Fire(onMouseExit, this);
}

void TLiquidIndicator::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    TMouseButton button;
    if (ButtonOf(e->button(), button))
        Fire(OnMouseDown, this, button, ShiftOf(e), e->position().toPoint().x(),
             e->position().toPoint().y());
}

void TLiquidIndicator::mouseDoubleClickEvent(QMouseEvent* e)
{
    QWidget::mouseDoubleClickEvent(e);
    TMouseButton button;
    if (ButtonOf(e->button(), button))
        Fire(OnMouseDown, this, button, ShiftOf(e, true), e->position().toPoint().x(),
             e->position().toPoint().y());
}

void TLiquidIndicator::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    Fire(OnMouseMove, this, ShiftOf(e), e->position().toPoint().x(), e->position().toPoint().y());
}

void TLiquidIndicator::mouseReleaseEvent(QMouseEvent* e)
{
    QWidget::mouseReleaseEvent(e);
    TMouseButton button;
    if (ButtonOf(e->button(), button))
        Fire(OnMouseUp, this, button, ShiftOf(e), e->position().toPoint().x(),
             e->position().toPoint().y());
}
