// ctest-labels: gui
// The readout as a widget: published properties and their change rules, the
// deferred rebuild, the size rules at 0, 90 and other angles, the window shape, hover, the image
// of the program's readout and what reaches the screen in each transparent mode.
#include "controls/LcdCompose.h"
#include "controls/LiquidIndicator.h"
#include "framework/ExtCtrls.h"
#include "framework/GdiDraw.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QPainter>
#include <climits>
#include <gtest/gtest.h>

namespace {

void RunPosted(QObject* o)
{
    QCoreApplication::sendPostedEvents(o, TLiquidIndicator::CM_REBUILD);
}

constexpr QRgb kLime = 0xFF00FF00, kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;
constexpr QRgb kLight = 0xFF202020; // LighterColor(clBlack)

// The program's readout `Sure` at (6, 3) of its panel, both set up as the main window does.
struct Readout {
    TPanel panel{nullptr};
    TLiquidIndicator* sure;

    explicit Readout(TColor panelColor = clBlack, bool load = true)
    {
        panel.resize(217, 41);
        panel.SetColor(panelColor);
        panel.SetBevels(bvNone, bvNone);
        sure = new TLiquidIndicator(&panel);
        sure->setGeometry(6, 3, 165, 33);
        sure->SetColorScheme(TLiquidIndicator::csWhite);
        sure->SetSignNumber(8);
        sure->SetIndicatorWidth(165);
        sure->SetIndicatorHeight(33);
        sure->SetIndicatorstring(QStringLiteral("0000"));
        sure->SetIndicatorKind(TLiquidIndicator::ik5x7matrix);
        sure->SetBevelColor(clBlack);
        sure->SetBackColor(clWhite);
        sure->SetNumberForeColor(clLime);
        sure->SetNumberForeColor1(clBlack);
        sure->SetNumberBackColor(clBlack);
        sure->SetIndicatorStyle(TLiquidIndicator::isThick);
        sure->SetTransparentMode(TLiquidIndicator::tmBackOnly);
        if (load) {
            sure->Loaded();
            RunPosted(sure);
        }
    }

    // What the panel shows at a point of the readout.
    QRgb Screen(int x, int y) { return panel.grab().toImage().pixel(6 + x, 3 + y); }
};

// A shown parent, so that resizes reach the control at once.
struct Shown {
    QWidget parent;
    TLiquidIndicator* lcd;
    Shown()
    {
        parent.resize(400, 400);
        lcd = new TLiquidIndicator(&parent);
        lcd->move(10, 10);
        lcd->Loaded();
        parent.show();
    }
};

// Pixel x of dot column c (1 ... 5) of cell j (1 ... 8) of the program's readout, and y of row r.
int DotX(int j, int c)
{
    return 6 + 19 * (j - 1) + 2 + 3 * (c - 1);
}
int DotY(int r)
{
    return 6 + 3 * (r - 1);
}

} // namespace

TEST(LiquidIndicator, PublishedPropertiesAndDefaults)
{
    TLiquidIndicator lcd;
    struct Case {
        const char* name;
        QVariant value;
    };
    const Case cases[] = {
        {"ColorScheme", QVariant::fromValue(Lcd::csSilver)},
        {"SignNumber", 10},
        {"IndicatorWidth", 172},
        {"IndicatorHeight", 36},
        {"IndicatorAngle", 0},
        {"IndicatorGap", 2},
        {"Indicatorstring", QString()},
        {"IndicatorKind", QVariant::fromValue(Lcd::ik7segment)},
        {"InnerBevel", QVariant::fromValue(Lcd::bkDown)},
        {"OuterBevel", QVariant::fromValue(Lcd::bkUP)},
        {"InnerBevelWidth", 2},
        {"OuterBevelWidth", 2},
        {"BevelColor", QVariant::fromValue<TColor>(14540253)},
        {"BackColor", QVariant::fromValue<TColor>(14540253)},
        {"NumberForeColor", QVariant::fromValue<TColor>(3552822)},
        {"NumberForeColor1", QVariant::fromValue<TColor>(255)},
        {"NumberBackColor", QVariant::fromValue<TColor>(13882323)},
        {"IndicatorStyle", QVariant::fromValue(Lcd::isNormal)},
        {"MouseAction", QVariant::fromValue(Lcd::maNone)},
        {"TransparentMode", QVariant::fromValue(Lcd::tmNone)},
        {"BackMaterial", QImage()},
        {"ForeMaterial", QImage()},
        {"MaterialShadowMode", QVariant::fromValue(Lcd::msmDark)},
        {"MaterialMode", QVariant::fromValue(Lcd::mmStretch)},
        {"ForeMaterialMode", QVariant::fromValue(Lcd::mmStretch)},
    };
    const QMetaObject* mo = lcd.metaObject();
    int index = mo->indexOfProperty("ColorScheme");
    for (const Case& c : cases) {
        EXPECT_EQ(mo->indexOfProperty(c.name), index++)
            << c.name << ": stored in the table's order";
        EXPECT_EQ(lcd.property(c.name), c.value) << c.name;
    }
    EXPECT_EQ(lcd.size(), QSize(172, 36));
    EXPECT_FALSE(lcd.IsLoaded());
    EXPECT_FALSE(lcd.MouseInside());
    EXPECT_EQ(lcd.Image().size(), QSize(172, 36));
    EXPECT_EQ(lcd.Image().depth(), 32);
    EXPECT_FALSE(lcd.ClipRegion().has_value());
}

TEST(LiquidIndicator, PropertiesSetByNameGoThroughTheirSetters)
{
    TLiquidIndicator lcd;
    EXPECT_TRUE(lcd.setProperty("IndicatorKind", QStringLiteral("ik9segment")));
    EXPECT_EQ(lcd.IndicatorKind(), Lcd::ik9segment);
    EXPECT_TRUE(lcd.setProperty("Indicatorstring", QStringLiteral("15 ms")));
    EXPECT_EQ(lcd.Indicatorstring(), QStringLiteral("15 ms"));
    EXPECT_TRUE(lcd.setProperty("NumberForeColor", QVariant::fromValue<TColor>(clLime)));
    EXPECT_EQ(lcd.NumberForeColor(), clLime);
    EXPECT_EQ(QMetaEnum::fromType<Lcd::TLcdColorScheme>().valueToKey(Lcd::csVELA),
              QByteArray("csVELA"));
}

TEST(LiquidIndicator, NonPositiveValuesAndUnchangedValuesAreIgnored)
{
    Readout r;
    struct Case {
        const char* name;
        int value, stays;
    };
    for (const Case c : {Case{"SignNumber", 0, 8}, Case{"SignNumber", -3, 8},
                         Case{"InnerBevelWidth", 0, 2}, Case{"OuterBevelWidth", -1, 2},
                         Case{"IndicatorWidth", 0, 165}, Case{"IndicatorHeight", -5, 33}}) {
        const int before = r.sure->RebuildCount();
        r.sure->setProperty(c.name, c.value);
        EXPECT_EQ(r.sure->property(c.name).toInt(), c.stays) << c.name << " = " << c.value;
        EXPECT_EQ(r.sure->RebuildCount(), before) << c.name << " = " << c.value;
    }
    const int before = r.sure->RebuildCount();
    r.sure->SetIndicatorstring(QStringLiteral("0000"));
    r.sure->SetIndicatorGap(2);
    r.sure->SetIndicatorAngle(0);
    EXPECT_EQ(r.sure->RebuildCount(), before);
    r.sure->SetIndicatorGap(-1); // any value
    EXPECT_EQ(r.sure->IndicatorGap(), -1);
    EXPECT_EQ(r.sure->RebuildCount(), before + 1);
}

TEST(LiquidIndicator, ColourSchemeOnlyWhenLoadedAndThroughTheQueue)
{
    Readout r(clBlack, /*load=*/false);
    EXPECT_EQ(r.sure->ColorScheme(), Lcd::csWhite);
    EXPECT_EQ(r.sure->NumberForeColor(), clLime) << "the stored colours stay in force";
    EXPECT_EQ(r.sure->BackColor(), clWhite);
    EXPECT_EQ(r.sure->BevelColor(), clBlack);

    r.sure->Loaded();
    RunPosted(r.sure);
    const int before = r.sure->RebuildCount();
    r.sure->SetColorScheme(TLiquidIndicator::csWhite); // the same scheme again
    EXPECT_EQ(r.sure->BevelColor(), Lcd::SchemeColors(Lcd::csWhite).BevelColor);
    EXPECT_EQ(r.sure->NumberForeColor(), clBlack);
    EXPECT_EQ(r.sure->RebuildCount(), before) << "the rebuild is posted, never run inline";
    EXPECT_EQ(r.sure->Image().pixel(DotX(5, 2), DotY(1)), kLime);
    RunPosted(r.sure);
    EXPECT_EQ(r.sure->RebuildCount(), before + 1);
    EXPECT_EQ(r.sure->Image().pixel(DotX(5, 2), DotY(1)), kBlack);

    r.sure->SetNumberForeColor(clRed); // by hand, then the scheme once more
    r.sure->SetColorScheme(TLiquidIndicator::csWhite);
    EXPECT_EQ(r.sure->NumberForeColor(), clBlack);
}

TEST(LiquidIndicator, SizeRulesWaitForLoading)
{
    TLiquidIndicator lcd;
    lcd.SetIndicatorWidth(100);
    lcd.SetIndicatorAngle(900);
    lcd.SetSignNumber(4);
    EXPECT_EQ(lcd.size(), QSize(172, 36)) << "only stored";
    EXPECT_EQ(lcd.IndicatorWidth(), 100);
    lcd.Loaded();
    lcd.SetIndicatorHeight(40);
    EXPECT_EQ(lcd.size(), QSize(40, 100));
}

TEST(LiquidIndicator, TheMainWindowsFlowWithoutLoadedCountsAsLoadedWhenShown)
{
    Readout r(clBlack, /*load=*/false);
    r.panel.show();
    EXPECT_TRUE(r.sure->IsLoaded());
    EXPECT_EQ(r.sure->size(), QSize(165, 33));
    EXPECT_EQ(r.sure->Image().size(), QSize(165, 33));
    EXPECT_EQ(r.sure->Image().pixel(DotX(5, 2), DotY(1)), kLime);
}

TEST(LiquidIndicator, ProgramReadoutLayoutAndDots)
{
    Readout r;
    const Lcd::TCellMetrics m = r.sure->Metrics();
    EXPECT_EQ(m.Margin, 6);
    EXPECT_EQ(m.CellWidth, 19);
    EXPECT_EQ(m.CellHeight, 21);
    // 8 cells of 35 dots; "0000" lights 16 dots (rows 0E 11 11 11 11 11 0E) in each of the
    // last four cells.
    EXPECT_EQ(r.sure->LitSet().Count() + r.sure->UnlitSet().Count(), 8 * 35);
    EXPECT_EQ(r.sure->LitSet().Count(), 4 * 16);
    // The first unlit dot is dot (1, 1) of cell 1, (2, 0)-(5, 3) in the cell, (8, 6)-(11, 9) here.
    EXPECT_EQ(QPolygon(QList<QPoint>(r.sure->UnlitSet().Points.begin(),
                                     r.sure->UnlitSet().Points.begin() + 4)),
              QPolygon({{8, 6}, {11, 6}, {11, 9}, {8, 9}}));
    // The last dot, (7, 5) of cell 8: (14, 18)-(17, 21) in the cell.
    EXPECT_EQ(QPolygon(QList<QPoint>(r.sure->UnlitSet().Points.end() - 4,
                                     r.sure->UnlitSet().Points.end())),
              QPolygon({{153, 24}, {156, 24}, {156, 27}, {153, 27}}));
}

TEST(LiquidIndicator, ProgramReadoutImageAndBevelColours)
{
    Readout r;
    const QImage& img = r.sure->Image();
    ASSERT_EQ(img.size(), QSize(165, 33));
    struct Case {
        const char* what;
        int x, y;
        QRgb color;
    };
    const Case cases[] = {
        {"outer top, light", 80, 0, kLight},
        {"outer top, light", 80, 1, kLight},
        {"outer left, light", 0, 16, kLight},
        {"outer left, light", 1, 16, kLight},
        {"outer bottom, dark", 80, 32, kBlack},
        {"outer bottom, dark", 80, 31, kBlack},
        {"outer right, dark", 164, 16, kBlack},
        {"outer right, dark", 163, 16, kBlack},
        {"corner: top face", 0, 0, kLight},
        {"corner: top face", 164, 0, kLight},
        {"corner: left face", 0, 32, kLight},
        {"corner: right face", 164, 32, kBlack},
        {"inner top, dark", 80, 2, kBlack},
        {"inner top, dark", 80, 3, kBlack},
        {"inner left, dark", 2, 16, kBlack},
        {"inner left, dark", 3, 16, kBlack},
        {"inner bottom, light", 80, 29, kLight},
        {"inner bottom, light", 80, 30, kLight},
        {"inner right, light", 161, 16, kLight},
        {"inner right, light", 162, 16, kLight},
        {"gap", 4, 16, kWhite},
        {"gap", 80, 5, kWhite},
        {"cell edge", 6, 16, kWhite},
        {"free right", 158, 16, kWhite},
        {"below the dots", 80, 27, kWhite},
        {"unlit dot", DotX(1, 1), DotY(1), kBlack},
        {"unlit dot", DotX(1, 1) + 2, DotY(1) + 2, kBlack},
        {"'0' row 1 col 1", DotX(5, 1), DotY(1), kBlack},
        {"'0' row 1 col 2", DotX(5, 2), DotY(1), kLime},
        {"'0' row 2 col 1", DotX(8, 1), DotY(2), kLime},
        {"'0' row 4 col 3", DotX(8, 3) + 1, DotY(4) + 1, kBlack},
    };
    for (const Case& c : cases)
        EXPECT_EQ(img.pixel(c.x, c.y), c.color) << c.what << " at " << c.x << "," << c.y;
}

TEST(LiquidIndicator, TextsOfTheProgram)
{
    Readout r;
    // Lit dots per character: '1' 10, '2' 14, '3' 14, '5' 17, 'm' 14, 's' 13, 'T' 11, 'i' 7,
    // 'e' 14, 'o' 12, 'u' 12, 't' 12, 'K' 14, 'a' 14, 'p' 12, 'l' 9.
    struct Case {
        const char* text;
        int lit;
        QString shown; // one character per cell
    };
    const Case cases[] = {
        {"123 ms", 10 + 14 + 14 + 14 + 13, QStringLiteral("  123 ms")},
        {"15 ms", 10 + 17 + 14 + 13, QStringLiteral("   15 ms")},
        {"Time out", 11 + 7 + 14 + 14 + 12 + 12 + 12, QStringLiteral("Time out")},
        {"Kapali", 14 + 14 + 12 + 14 + 9 + 7, QStringLiteral("  Kapali")},
    };
    for (const Case& c : cases) {
        r.sure->SetIndicatorstring(QString::fromLatin1(c.text));
        QString shown;
        for (const Lcd::TLcdCell& cell : r.sure->LayoutCells())
            shown += QChar(cell.Code);
        EXPECT_EQ(shown, c.shown) << c.text;
        EXPECT_EQ(r.sure->LitSet().Count(), c.lit) << c.text;
    }
}

TEST(LiquidIndicator, WhatReachesTheScreenInEachTransparentMode)
{
    // A navy panel tells the panel's colour apart from the black unlit dots.
    const QRgb navy = 0xFF000080;
    struct Probe {
        const char* what;
        int x, y;
    };
    const Probe background{"background", 4, 16}, unlit{"unlit dot", DotX(1, 1), DotY(1)},
        lit{"lit dot", DotX(5, 2), DotY(1)}, light{"light face", 80, 0}, dark{"dark face", 80, 2};
    struct Case {
        Lcd::TLcdTransparentMode mode;
        QRgb background, unlit;
    };
    for (const Case c : {Case{Lcd::tmNone, kWhite, kBlack}, Case{Lcd::tmBackOnly, navy, kBlack},
                         Case{Lcd::tmAll, navy, navy}}) {
        Readout r(clNavy);
        r.sure->SetTransparentMode(c.mode);
        const QImage screen = r.panel.grab().toImage();
        const auto at = [&](const Probe& p) { return screen.pixel(6 + p.x, 3 + p.y); };
        EXPECT_EQ(at(background), c.background) << c.mode;
        EXPECT_EQ(at(unlit), c.unlit) << c.mode;
        EXPECT_EQ(at(lit), kLime) << c.mode;
        EXPECT_EQ(at(light), kLight) << c.mode;
        EXPECT_EQ(at(dark), kBlack) << c.mode;
        EXPECT_EQ(r.sure->Image().pixel(background.x, background.y), kWhite)
            << "the image keeps it";
        EXPECT_EQ(r.sure->Image().pixel(unlit.x, unlit.y), kBlack) << "the image keeps it";
        EXPECT_EQ(r.sure->ClipRegion().has_value(), c.mode != Lcd::tmNone);
        EXPECT_EQ(r.sure->testAttribute(Qt::WA_OpaquePaintEvent), c.mode == Lcd::tmNone);
    }
}

TEST(LiquidIndicator, TheProgramsReadoutOnItsBlackPanel)
{
    Readout r;
    const QImage screen = r.panel.grab().toImage();
    int lime = 0, other = 0;
    for (int y = 3; y < 36; ++y)
        for (int x = 6; x < 171; ++x) {
            const QRgb p = screen.pixel(x, y);
            lime += p == kLime;
            other += p != kLime && p != kBlack && p != kLight;
        }
    EXPECT_EQ(lime, 4 * 16 * 9) << "64 lit dots of 3 x 3 pixels";
    EXPECT_EQ(other, 0) << "only lime, black and the light bevel tone";
}

TEST(LiquidIndicator, ValuesAtTheIntegerLimits)
{
    Readout r;
    // Sizes and cell counts beyond the bounds are ignored, as values <= 0 are.
    r.sure->SetIndicatorWidth(Lcd::MaxIndicatorSide + 1);
    r.sure->SetIndicatorHeight(INT_MAX);
    r.sure->SetSignNumber(Lcd::MaxSignNumber + 1);
    EXPECT_EQ(r.sure->IndicatorWidth(), 165);
    EXPECT_EQ(r.sure->IndicatorHeight(), 33);
    EXPECT_EQ(r.sure->SignNumber(), 8);
    EXPECT_EQ(r.sure->size(), QSize(165, 33));
    // Gaps and bevel widths near the limits leave no room: the cells take the whole rectangle.
    for (const int gap : {INT_MAX, INT_MIN + 1, INT_MIN}) {
        r.sure->SetIndicatorGap(gap);
        r.sure->SetOuterBevelWidth(gap == INT_MIN ? 2 : INT_MAX);
        r.sure->SetInnerBevelWidth(INT_MAX - 1);
        const Lcd::TCellMetrics m = r.sure->Metrics();
        EXPECT_EQ(m.CellHeight, 33) << gap;
        EXPECT_EQ(m.CellWidth, 165 / 8) << gap;
        EXPECT_EQ(r.sure->Image().size(), QSize(165, 33)) << gap;
    }
    // Nor does a resize by code make the control (and its image) larger than the bound.
    r.sure->SetIndicatorGap(2);
    r.sure->SetInnerBevelWidth(2);
    r.sure->resize(1 << 24, 1 << 24);
    r.sure->RebuildImage();
    EXPECT_EQ(r.sure->Image().size(), QSize(Lcd::MaxControlSide, Lcd::MaxControlSide));
}

TEST(LiquidIndicator, ClipRegionHoldsFacesLitAndInBackOnlyUnlitParts)
{
    Readout r;
    const QRegion faces = QRegion(0, 0, 165, 33).subtracted(QRegion(4, 4, 157, 25));
    const QRegion lit = Lcd::PolyPolygonRegion(r.sure->LitSet());
    const QRegion unlit = Lcd::PolyPolygonRegion(r.sure->UnlitSet());
    EXPECT_TRUE(r.sure->ClipRegion()->xored(faces + lit + unlit).isEmpty());
    r.sure->SetTransparentMode(Lcd::tmAll);
    EXPECT_TRUE(r.sure->ClipRegion()->xored(faces + lit).isEmpty());
}

TEST(LiquidIndicator, PaintOnlyCopiesTheImage)
{
    Readout r;
    r.panel.show();
    RunPosted(r.sure);
    const int before = r.sure->RebuildCount();
    r.sure->repaint();
    r.panel.grab();
    r.sure->grab();
    EXPECT_EQ(r.sure->RebuildCount(), before);
}

TEST(LiquidIndicator, HoverPostsRebuildsAndFiresTheEvents)
{
    Readout r;
    r.sure->SetIndicatorKind(Lcd::ik7segment);
    r.sure->SetIndicatorStyle(Lcd::isNormal);
    r.sure->SetIndicatorstring(QStringLiteral("8"));
    r.sure->SetMouseAction(Lcd::maBoth);
    std::vector<std::string> log;
    r.sure->onMouseEnter = [&](QObject* s) { log.push_back(s == r.sure ? "enter" : "?"); };
    r.sure->onMouseExit = [&](QObject* s) { log.push_back(s == r.sure ? "exit" : "?"); };
    const auto litPixels = [&] {
        int n = 0;
        for (const QRect& rect : Lcd::PolyPolygonRegion(r.sure->LitSet()))
            n += rect.width() * rect.height();
        return n;
    };
    const int normal = litPixels();
    const QRegion normalLit = Lcd::PolyPolygonRegion(r.sure->LitSet());
    const int before = r.sure->RebuildCount();

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(r.sure, &enter);
    EXPECT_TRUE(r.sure->MouseInside());
    EXPECT_EQ(log, std::vector<std::string>{"enter"});
    EXPECT_EQ(r.sure->RebuildCount(), before);
    RunPosted(r.sure);
    EXPECT_EQ(r.sure->RebuildCount(), before + 1);
    EXPECT_GT(litPixels(), normal) << "heavier segments";
    // A pixel lit both ways.
    const QPoint probe =
        normalLit.intersected(Lcd::PolyPolygonRegion(r.sure->LitSet())).begin()->topLeft();
    EXPECT_EQ(r.sure->Image().pixel(probe), kBlack) << "NumberForeColor1";

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(r.sure, &leave);
    EXPECT_FALSE(r.sure->MouseInside());
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit"}));
    RunPosted(r.sure);
    EXPECT_EQ(litPixels(), normal);
    EXPECT_EQ(r.sure->Image().pixel(probe), kLime);
}

TEST(LiquidIndicator, HoverColourReplacesTheForeMaterialOnlyWhileInside)
{
    Readout r;
    QImage material(4, 4, QImage::Format_RGB32);
    material.fill(QColor(200, 0, 200));
    r.sure->SetForeMaterial(material);
    r.sure->SetNumberForeColor1(clYellow);
    r.sure->SetMouseAction(Lcd::maColor);
    const QPoint lit(DotX(5, 2), DotY(1));
    EXPECT_EQ(r.sure->Image().pixelColor(lit), QColor(200, 0, 200));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(r.sure, &enter);
    RunPosted(r.sure);
    EXPECT_EQ(r.sure->Image().pixelColor(lit), QColor(255, 255, 0));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(r.sure, &leave);
    RunPosted(r.sure);
    EXPECT_EQ(r.sure->Image().pixelColor(lit), QColor(200, 0, 200));
}

TEST(LiquidIndicator, BackMaterialHidesTheBackBevelAndUnlitColours)
{
    Readout a, b;
    QImage material(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            material.setPixelColor(x, y, QColor(30 * x, 40 * y, 100));
    for (Readout* r : {&a, &b}) {
        r->sure->SetTransparentMode(Lcd::tmNone);
        r->sure->SetBackMaterial(material);
        r->sure->SetMaterialMode(Lcd::mmTile);
    }
    b.sure->SetBackColor(clRed);
    b.sure->SetBevelColor(clYellow);
    b.sure->SetNumberBackColor(clBlue);
    EXPECT_EQ(a.sure->Image(), b.sure->Image());
    // Tiled from (0, 0): the background unshaded, the outer top face (light) lightened by 64, the
    // inner top face (dark) darkened by 64, unlit dots darkened by 32 (msmDark).
    struct Case {
        const char* what;
        int x, y;
        QColor color;
    };
    const Case cases[] = {
        {"gap", 4, 16, QColor(120, 40, 100)},                 // material (4, 1)
        {"outer top face", 8, 0, QColor(94, 64, 164)},        // material (1, 0) + 64
        {"inner top face", 8, 2, QColor(0, 16, 36)},          // material (1, 2) - 64
        {"unlit dot", DotX(1, 1), DotY(1), QColor(0, 8, 68)}, // material (1, 1) - 32
    };
    for (const Case& c : cases)
        EXPECT_EQ(a.sure->Image().pixelColor(c.x, c.y), c.color) << c.what;
    a.sure->SetMaterialShadowMode(Lcd::msmLight);
    EXPECT_EQ(a.sure->Image().pixelColor(DotX(1, 1), DotY(1)), QColor(62, 72, 132));
    a.sure->SetMaterialShadowMode(Lcd::msmNone);
    EXPECT_EQ(a.sure->Image().pixelColor(DotX(1, 1), DotY(1)), QColor(30, 40, 100));
}

TEST(LiquidIndicator, QuarterTurnSwapsTheSides)
{
    Shown s;
    s.lcd->SetIndicatorAngle(900);
    EXPECT_EQ(s.lcd->size(), QSize(36, 172));
    EXPECT_EQ(s.lcd->pos(), QPoint(10, 10)) << "left and top kept";
    EXPECT_EQ(s.lcd->IndicatorWidth(), 172);
    EXPECT_EQ(s.lcd->IndicatorHeight(), 36);
    EXPECT_EQ(s.lcd->mask(), QRegion(0, 0, 36, 172));
    s.lcd->resize(40, 200);
    EXPECT_EQ(s.lcd->IndicatorWidth(), 200);
    EXPECT_EQ(s.lcd->IndicatorHeight(), 40);
    EXPECT_EQ(s.lcd->Image().size(), QSize(40, 200)) << "rebuilt at once at 90 degrees";
    // Group B with bkUP: the faces that were right and top are light; they face up and left now.
    s.lcd->SetBevelColor(clBlack);
    EXPECT_EQ(s.lcd->Image().pixel(0, 100), kLight) << "the top face is on the left";
    EXPECT_EQ(s.lcd->Image().pixel(20, 0), kLight) << "the right face is on the top";
    EXPECT_EQ(s.lcd->Image().pixel(39, 100), kBlack) << "the bottom face is on the right";
}

TEST(LiquidIndicator, OtherAnglesFixTheSize)
{
    Shown s;
    s.lcd->SetIndicatorAngle(450);
    EXPECT_EQ(s.lcd->size(), QSize(147, 147));
    const QRegion outline =
        Gdi::PolygonRegion(QPolygon({{0, 121}, {122, -1}, {147, 25}, {25, 146}}));
    EXPECT_TRUE(s.lcd->mask().xored(outline).isEmpty());
    QCoreApplication::processEvents();
    const int before = s.lcd->RebuildCount();
    s.lcd->resize(100, 50);
    EXPECT_EQ(s.lcd->size(), QSize(147, 147)) << "the new size is given up";
    EXPECT_EQ(s.lcd->IndicatorWidth(), 172);
    EXPECT_EQ(s.lcd->IndicatorHeight(), 36);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_GT(s.lcd->RebuildCount(), before);
    EXPECT_LE(s.lcd->RebuildCount(), before + 2) << "no resize loop";
    s.lcd->resize(147, 147);
    QCoreApplication::processEvents();
    EXPECT_LE(s.lcd->RebuildCount(), before + 2) << "a resize to the current size changes nothing";
    // Outside the turned rectangle the parent shows.
    QPalette pal = s.parent.palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    s.parent.setPalette(pal);
    s.parent.setAutoFillBackground(true);
    const QImage screen = s.parent.grab().toImage();
    EXPECT_EQ(screen.pixel(10 + 2, 10 + 2), 0xFF000080u);
    EXPECT_EQ(screen.pixel(10 + 73, 10 + 73), s.lcd->Image().pixel(73, 73));
}

TEST(LiquidIndicator, MultiplesOfAHalfTurnFollowTheControlsSize)
{
    struct Case {
        int angle;
        QSize resized;
        int width, height;
    };
    for (const Case c : {Case{0, {200, 40}, 200, 40}, Case{3600, {200, 40}, 200, 40},
                         Case{1800, {120, 30}, 120, 30}, Case{-900, {40, 200}, 200, 40},
                         Case{2700, {40, 200}, 200, 40}}) {
        Shown s;
        s.lcd->SetIndicatorAngle(c.angle);
        QCoreApplication::processEvents();
        const int before = s.lcd->RebuildCount();
        s.lcd->resize(c.resized);
        EXPECT_EQ(s.lcd->IndicatorWidth(), c.width) << c.angle;
        EXPECT_EQ(s.lcd->IndicatorHeight(), c.height) << c.angle;
        EXPECT_EQ(s.lcd->size(), c.resized) << c.angle;
        if (std::abs(c.angle) % 1800 == 0) {
            EXPECT_EQ(s.lcd->RebuildCount(), before) << c.angle << ": posted";
            RunPosted(s.lcd);
        }
        EXPECT_EQ(s.lcd->Image().size(), c.resized) << c.angle;
    }
}

TEST(LiquidIndicator, IndicatorSizeResizesTheControl)
{
    Shown s;
    s.lcd->SetIndicatorWidth(200);
    EXPECT_EQ(s.lcd->size(), QSize(200, 36));
    EXPECT_EQ(s.lcd->Image().size(), QSize(200, 36));
    s.lcd->SetIndicatorAngle(900);
    s.lcd->SetIndicatorHeight(50);
    EXPECT_EQ(s.lcd->size(), QSize(50, 200));
    EXPECT_EQ(s.lcd->IndicatorWidth(), 200);
    EXPECT_EQ(s.lcd->IndicatorHeight(), 50);
}

TEST(LiquidIndicator, SignNumberReshapesAndRebuilds)
{
    Readout r;
    const int before = r.sure->RebuildCount();
    r.sure->SetSignNumber(4);
    EXPECT_EQ(r.sure->RebuildCount(), before + 1);
    EXPECT_EQ(r.sure->Metrics().CellWidth, (165 - 12) / 4);
    EXPECT_EQ(r.sure->LitSet().Count() + r.sure->UnlitSet().Count(), 4 * 35);
}

TEST(LiquidIndicator, MouseEventsReportButtonAndPosition)
{
    Readout r;
    std::vector<std::tuple<TMouseButton, int, int>> downs;
    r.sure->OnMouseDown = [&](QObject*, TMouseButton b, TShiftState, int x, int y) {
        downs.emplace_back(b, x, y);
    };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 7), QPointF(12, 7), QPointF(12, 7),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(r.sure, &press);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], std::make_tuple(mbRight, 12, 7));
}
