#pragma once
// TLiquidIndicator: the liquid-crystal readout. A row of SignNumber
// character cells (7-segment, 9-segment or 5x7 dots) inside an optional double bevel, turned by
// any angle; all drawing happens once per change into an offscreen image, and painting only
// copies that image (through the clip region in the transparent modes).
//
// Use: construct it with its parent, set its properties (geometry first, as a stored form does),
// then call Loaded() once, as the owning window does when it has finished loading. Before that,
// IndicatorWidth, IndicatorHeight, IndicatorAngle and SignNumber are only stored and ColorScheme
// changes no colour (the stored colours stay in force); afterwards every change takes effect at
// once or through a posted CM_REBUILD. A control shown before Loaded() was called counts as
// loaded from its first show on.
//
//     auto* sure = new TLiquidIndicator(panel2);
//     sure->setGeometry(6, 3, 165, 33);
//     sure->SetIndicatorKind(TLiquidIndicator::ik5x7matrix);
//     ...
//     sure->Loaded();
//     sure->SetIndicatorstring("123 ms");
#include "controls/LcdCompose.h"
#include "controls/LcdLayout.h"
#include "controls/LcdTypes.h"
#include "framework/Colors.h"
#include "framework/Events.h"

#include <QEvent>
#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class TLiquidIndicator : public QWidget {
    Q_OBJECT
    // Published properties, in the order in which the component stores them.
    Q_PROPERTY(Lcd::TLcdColorScheme ColorScheme READ ColorScheme WRITE SetColorScheme)
    Q_PROPERTY(int SignNumber READ SignNumber WRITE SetSignNumber)
    Q_PROPERTY(int IndicatorWidth READ IndicatorWidth WRITE SetIndicatorWidth)
    Q_PROPERTY(int IndicatorHeight READ IndicatorHeight WRITE SetIndicatorHeight)
    Q_PROPERTY(int IndicatorAngle READ IndicatorAngle WRITE SetIndicatorAngle)
    Q_PROPERTY(int IndicatorGap READ IndicatorGap WRITE SetIndicatorGap)
    Q_PROPERTY(QString Indicatorstring READ Indicatorstring WRITE SetIndicatorstring)
    Q_PROPERTY(Lcd::TLcdIndicatorKind IndicatorKind READ IndicatorKind WRITE SetIndicatorKind)
    Q_PROPERTY(Lcd::TLcdBevelKind InnerBevel READ InnerBevel WRITE SetInnerBevel)
    Q_PROPERTY(Lcd::TLcdBevelKind OuterBevel READ OuterBevel WRITE SetOuterBevel)
    Q_PROPERTY(int InnerBevelWidth READ InnerBevelWidth WRITE SetInnerBevelWidth)
    Q_PROPERTY(int OuterBevelWidth READ OuterBevelWidth WRITE SetOuterBevelWidth)
    Q_PROPERTY(TColor BevelColor READ BevelColor WRITE SetBevelColor)
    Q_PROPERTY(TColor BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(TColor NumberForeColor READ NumberForeColor WRITE SetNumberForeColor)
    Q_PROPERTY(TColor NumberForeColor1 READ NumberForeColor1 WRITE SetNumberForeColor1)
    Q_PROPERTY(TColor NumberBackColor READ NumberBackColor WRITE SetNumberBackColor)
    Q_PROPERTY(Lcd::TLcdIndicatorStyle IndicatorStyle READ IndicatorStyle WRITE SetIndicatorStyle)
    Q_PROPERTY(Lcd::TLcdMouseAction MouseAction READ MouseAction WRITE SetMouseAction)
    Q_PROPERTY(
        Lcd::TLcdTransparentMode TransparentMode READ TransparentMode WRITE SetTransparentMode)
    Q_PROPERTY(QImage BackMaterial READ BackMaterial WRITE SetBackMaterial)
    Q_PROPERTY(QImage ForeMaterial READ ForeMaterial WRITE SetForeMaterial)
    Q_PROPERTY(Lcd::TLcdMaterialShadowMode MaterialShadowMode READ MaterialShadowMode WRITE
                   SetMaterialShadowMode)
    Q_PROPERTY(Lcd::TLcdMaterialMode MaterialMode READ MaterialMode WRITE SetMaterialMode)
    Q_PROPERTY(
        Lcd::TLcdMaterialMode ForeMaterialMode READ ForeMaterialMode WRITE SetForeMaterialMode)

public:
    using TLcdColorScheme = Lcd::TLcdColorScheme;
    using TLcdIndicatorKind = Lcd::TLcdIndicatorKind;
    using TLcdIndicatorStyle = Lcd::TLcdIndicatorStyle;
    using TLcdBevelKind = Lcd::TLcdBevelKind;
    using TLcdMouseAction = Lcd::TLcdMouseAction;
    using TLcdTransparentMode = Lcd::TLcdTransparentMode;
    using TLcdMaterialShadowMode = Lcd::TLcdMaterialShadowMode;
    using TLcdMaterialMode = Lcd::TLcdMaterialMode;
    using enum Lcd::TLcdColorScheme;
    using enum Lcd::TLcdIndicatorKind;
    using enum Lcd::TLcdIndicatorStyle;
    using enum Lcd::TLcdBevelKind;
    using enum Lcd::TLcdMouseAction;
    using enum Lcd::TLcdTransparentMode;
    using enum Lcd::TLcdMaterialShadowMode;
    using enum Lcd::TLcdMaterialMode;

    // The control's private rebuild message, posted to itself and handled from the event queue.
    static constexpr QEvent::Type CM_REBUILD = QEvent::Type(0xB065);

    // Fired with the control itself after the pointer has entered or left it.
    using TMouseInOutEvent = std::function<void(QObject* sender)>;

    explicit TLiquidIndicator(QWidget* parent = nullptr);
    ~TLiquidIndicator() override;

    // Properties. SignNumber above Lcd::MaxSignNumber and indicator sides above
    // Lcd::MaxIndicatorSide are ignored, as values <= 0 are.
    TLcdColorScheme ColorScheme() const { return FColorScheme; }
    void SetColorScheme(TLcdColorScheme value);
    int SignNumber() const { return FSignNumber; }
    void SetSignNumber(int value);
    int IndicatorWidth() const { return FIndicatorWidth; }
    void SetIndicatorWidth(int value);
    int IndicatorHeight() const { return FIndicatorHeight; }
    void SetIndicatorHeight(int value);
    int IndicatorAngle() const { return FIndicatorAngle; }
    void SetIndicatorAngle(int value);
    int IndicatorGap() const { return FIndicatorGap; }
    void SetIndicatorGap(int value);
    QString Indicatorstring() const { return FIndicatorstring; }
    void SetIndicatorstring(const QString& value);
    TLcdIndicatorKind IndicatorKind() const { return FIndicatorKind; }
    void SetIndicatorKind(TLcdIndicatorKind value);
    TLcdBevelKind InnerBevel() const { return FInnerBevel; }
    void SetInnerBevel(TLcdBevelKind value);
    TLcdBevelKind OuterBevel() const { return FOuterBevel; }
    void SetOuterBevel(TLcdBevelKind value);
    int InnerBevelWidth() const { return FInnerBevelWidth; }
    void SetInnerBevelWidth(int value);
    int OuterBevelWidth() const { return FOuterBevelWidth; }
    void SetOuterBevelWidth(int value);
    TColor BevelColor() const { return FBevelColor; }
    void SetBevelColor(TColor value);
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor value);
    TColor NumberForeColor() const { return FNumberForeColor; }
    void SetNumberForeColor(TColor value);
    TColor NumberForeColor1() const { return FNumberForeColor1; }
    void SetNumberForeColor1(TColor value);
    TColor NumberBackColor() const { return FNumberBackColor; }
    void SetNumberBackColor(TColor value);
    TLcdIndicatorStyle IndicatorStyle() const { return FIndicatorStyle; }
    void SetIndicatorStyle(TLcdIndicatorStyle value);
    TLcdMouseAction MouseAction() const { return FMouseAction; }
    void SetMouseAction(TLcdMouseAction value);
    TLcdTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TLcdTransparentMode value);
    QImage BackMaterial() const { return FBackMaterial; }
    void SetBackMaterial(const QImage& value);
    QImage ForeMaterial() const { return FForeMaterial; }
    void SetForeMaterial(const QImage& value);
    TLcdMaterialShadowMode MaterialShadowMode() const { return FMaterialShadowMode; }
    void SetMaterialShadowMode(TLcdMaterialShadowMode value);
    TLcdMaterialMode MaterialMode() const { return FMaterialMode; }
    void SetMaterialMode(TLcdMaterialMode value);
    TLcdMaterialMode ForeMaterialMode() const { return FForeMaterialMode; }
    void SetForeMaterialMode(TLcdMaterialMode value);

    // Events.
    TMouseInOutEvent onMouseEnter;
    TMouseInOutEvent onMouseExit;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    // The owning window has finished loading: from now on every property takes full effect.
    void Loaded();
    bool IsLoaded() const { return FLoaded; }

    // Recomputes the polygon sets, the image and the clip region (no repaint request).
    void RebuildImage();
    // Shapes the control to the turned indicator rectangle.
    void UpdateWindowShape();
    // The three shaded copies of BackMaterial.
    void PrepareMaterials();

    // The margin and cell size, and the text fitted into cells, for the current properties.
    Lcd::TCellMetrics Metrics() const;
    std::vector<Lcd::TLcdCell> LayoutCells() const;

    // State, read-only: what the last rebuild produced, and the hover state.
    const QImage& Image() const { return FImage; }
    const std::optional<QRegion>& ClipRegion() const { return FClipRegion; }
    const Lcd::TPolygonSet& LitSet() const { return FLitSet; }
    const Lcd::TPolygonSet& UnlitSet() const { return FUnlitSet; }
    const QImage& DarkMaterial() const { return FDarkMaterial; }
    const QImage& LightMaterial() const { return FLightMaterial; }
    const QImage& ShadowMaterial() const { return FShadowMaterial; }
    bool MouseInside() const { return FMouseInside; }
    // How many times RebuildImage has run (painting never adds to it).
    int RebuildCount() const { return FRebuildCount; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Rebuild();     // RebuildImage, then invalidate
    void PostRebuild(); // posts CM_REBUILD to the own event queue
    void ApplyOpacity();
    void ResizeToIndicator();
    void MoveWindow(QSize size, bool repaint);
    void SizeChanged();
    void CatchUpSize();
    void InvalidateParent(const QRect& area);
    QRect ParentArea() const;
    void DrawRing(QPainter* painter, int offset, int width, TLcdBevelKind kind,
                  Lcd::TLightGroup group);
    void FillOrMaterial(QPainter* painter, const QRegion& region, const QImage* material,
                        TLcdMaterialMode mode, TColor color);

    TLcdColorScheme FColorScheme = Lcd::csSilver;
    int FSignNumber = 10;
    int FIndicatorWidth = 172;
    int FIndicatorHeight = 36;
    int FIndicatorAngle = 0;
    int FIndicatorGap = 2;
    QString FIndicatorstring;
    TLcdIndicatorKind FIndicatorKind = Lcd::ik7segment;
    TLcdBevelKind FInnerBevel = Lcd::bkDown;
    TLcdBevelKind FOuterBevel = Lcd::bkUP;
    int FInnerBevelWidth = 2;
    int FOuterBevelWidth = 2;
    TColor FBevelColor = 14540253;
    TColor FBackColor = 14540253;
    TColor FNumberForeColor = 3552822;
    TColor FNumberForeColor1 = 255;
    TColor FNumberBackColor = 13882323;
    TLcdIndicatorStyle FIndicatorStyle = Lcd::isNormal;
    TLcdMouseAction FMouseAction = Lcd::maNone;
    TLcdTransparentMode FTransparentMode = Lcd::tmNone;
    QImage FBackMaterial;
    QImage FForeMaterial;
    TLcdMaterialShadowMode FMaterialShadowMode = Lcd::msmDark;
    TLcdMaterialMode FMaterialMode = Lcd::mmStretch;
    TLcdMaterialMode FForeMaterialMode = Lcd::mmStretch;

    bool FMouseInside = false;
    bool FLoaded = false;
    QImage FImage;
    QImage FDarkMaterial, FLightMaterial, FShadowMaterial;
    std::optional<QRegion> FClipRegion;
    Lcd::TPolygonSet FLitSet, FUnlitSet;
    Lcd::TPolygonSet FCellLit, FCellUnlit; // scratch lists of one cell
    QSize FKnownSize;                      // the size the size-change rules last saw
    int FRebuildCount = 0;
};
