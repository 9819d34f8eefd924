// The readout's composition helpers without a widget: derived bevel colours, light
// groups and face order, bevel faces, polygon regions under the alternate rule, and materials.
#include "controls/LcdCompose.h"
#include "framework/GdiDraw.h"

#include <QPainter>
#include <QPolygon>
#include <gtest/gtest.h>

using namespace Lcd;

namespace {

QPolygon Poly(const TFace& f)
{
    return QPolygon(QList<QPoint>(f.begin(), f.end()));
}

TPolygonSet SetOf(std::initializer_list<QPolygon> polygons)
{
    TPolygonSet set;
    for (const QPolygon& p : polygons)
        set.Add(p.constData(), int(p.size()));
    return set;
}

QPolygon Rect(int x0, int y0, int x1, int y1)
{
    return QPolygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

} // namespace

TEST(LcdCompose, LighterAndDarkerColours)
{
    struct Case {
        TColor base, lighter, darker;
    };
    const Case cases[] = {
        {clBlack, RGBColor(32, 32, 32), RGBColor(0, 0, 0)},
        {RGBColor(221, 221, 221), RGBColor(253, 253, 253), RGBColor(189, 189, 189)},
        {RGBColor(240, 10, 128), RGBColor(255, 42, 160), RGBColor(208, 0, 96)},
        {clBtnFace, RGBColor(244, 240, 232), RGBColor(180, 176, 168)}, // resolved first
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LighterColor(c.base), c.lighter) << std::hex << c.base;
        EXPECT_EQ(DarkerColor(c.base), c.darker) << std::hex << c.base;
    }
}

TEST(LcdCompose, ColourSchemes)
{
    const TSchemeColors silver = SchemeColors(csSilver);
    EXPECT_EQ(silver.BackColor, 14540253u);
    EXPECT_EQ(silver.BevelColor, 14540253u);
    EXPECT_EQ(silver.NumberBackColor, 13882323u);
    EXPECT_EQ(silver.NumberForeColor, 3552822u);
    EXPECT_EQ(silver.NumberForeColor1, 255u);
    const TSchemeColors vela = SchemeColors(csVELA);
    EXPECT_EQ(vela.NumberForeColor, RGBColor(118, 243, 218));
    EXPECT_EQ(vela.NumberBackColor, RGBColor(0, 64, 128));
    EXPECT_EQ(SchemeColors(csBlack).NumberForeColor1, RGBColor(255, 128, 0));
    EXPECT_EQ(SchemeColors(csInvPlasma).NumberForeColor1, RGBColor(252, 71, 39));
}

TEST(LcdCompose, LightGroupsByAngle)
{
    struct Case {
        int angle;
        TLightGroup group;
    };
    for (const Case c :
         {Case{0, lgA}, Case{449, lgA}, Case{450, lgA}, Case{451, lgB}, Case{900, lgB},
          Case{1349, lgB}, Case{1350, lgC}, Case{1800, lgC}, Case{2250, lgC}, Case{2700, lgD},
          Case{3149, lgD}, Case{3150, lgA}, Case{3600, lgA}, Case{-900, lgD}, Case{-450, lgA}})
        EXPECT_EQ(LightGroup(c.angle), c.group) << c.angle;
}

TEST(LcdCompose, FaceOrderAndTones)
{
    using F = TFaceTone;
    struct Case {
        TLightGroup group;
        std::array<TFaceTone, 4> up;
    };
    const Case cases[] = {
        {lgA, {F{bfTop, true}, F{bfLeft, true}, F{bfBottom, false}, F{bfRight, false}}},
        {lgB, {F{bfTop, true}, F{bfRight, true}, F{bfLeft, false}, F{bfBottom, false}}},
        {lgC, {F{bfBottom, true}, F{bfRight, true}, F{bfTop, false}, F{bfLeft, false}}},
        {lgD, {F{bfLeft, true}, F{bfBottom, true}, F{bfRight, false}, F{bfTop, false}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BevelFaceOrder(c.group, bkUP), c.up) << c.group;
        auto down = c.up;
        for (TFaceTone& f : down)
            f.Light = !f.Light;
        EXPECT_EQ(BevelFaceOrder(c.group, bkDown), down) << c.group;
    }
}

TEST(LcdCompose, BevelFacesOfTheProgramsReadout)
{
    const auto outer = RingFaces(165, 33, 0, 2);
    EXPECT_EQ(Poly(outer[bfTop]), QPolygon({{0, 0}, {165, 0}, {163, 2}, {2, 2}}));
    EXPECT_EQ(Poly(outer[bfLeft]), QPolygon({{0, 0}, {0, 33}, {2, 31}, {2, 2}}));
    EXPECT_EQ(Poly(outer[bfBottom]), QPolygon({{0, 33}, {2, 31}, {163, 31}, {165, 33}}));
    EXPECT_EQ(Poly(outer[bfRight]), QPolygon({{165, 33}, {163, 31}, {163, 2}, {165, 0}}));
    const auto inner = RingFaces(165, 33, 2, 2);
    EXPECT_EQ(Poly(inner[bfTop]), QPolygon({{2, 2}, {163, 2}, {161, 4}, {4, 4}}));
    EXPECT_EQ(Poly(inner[bfLeft]), QPolygon({{2, 2}, {2, 31}, {4, 29}, {4, 4}}));
    EXPECT_EQ(Poly(inner[bfBottom]), QPolygon({{2, 31}, {4, 29}, {161, 29}, {163, 31}}));
    EXPECT_EQ(Poly(inner[bfRight]), QPolygon({{163, 31}, {161, 29}, {161, 4}, {163, 2}}));
}

TEST(LcdCompose, RectanglesCoverTheirPixelsInEveryVertexOrder)
{
    // The shortcut for axis-parallel rectangles gives what the scan conversion gives.
    const std::vector<QPolygon> cases = {
        Rect(2, 0, 5, 3),
        Rect(5, 3, 2, 0),
        QPolygon({{2, 0}, {2, 3}, {5, 3}, {5, 0}}),
        QPolygon({{5, 0}, {5, 3}, {2, 3}, {2, 0}}),
        Rect(-4, -2, 3, 9),
        Rect(1, 1, 1, 5),
        Rect(1, 1, 6, 1),
    };
    for (const QPolygon& p : cases) {
        const QRegion mine = PolygonRegion(p.constData(), int(p.size()));
        const QRegion scan = Gdi::PolygonRegion(p);
        EXPECT_TRUE(mine.xored(scan).isEmpty())
            << p[0].x() << "," << p[0].y() << " " << p[2].x() << "," << p[2].y();
    }
    const QPolygon dot = Rect(2, 0, 5, 3);
    EXPECT_EQ(PolygonRegion(dot.constData(), 4), QRegion(2, 0, 3, 3));
}

TEST(LcdCompose, PolygonSetsUseTheAlternateRule)
{
    struct Case {
        const char* what;
        TPolygonSet set;
        QRegion region;
    };
    const QRegion a(0, 0, 4, 4), b(2, 2, 4, 4);
    const Case cases[] = {
        {"empty", TPolygonSet{}, QRegion()},
        {"one", SetOf({Rect(0, 0, 4, 4)}), a},
        {"disjoint", SetOf({Rect(0, 0, 4, 4), Rect(10, 0, 12, 2)}), a.united(QRegion(10, 0, 2, 2))},
        {"touching", SetOf({Rect(2, 0, 5, 3), Rect(5, 0, 8, 3)}), QRegion(2, 0, 6, 3)},
        {"overlap left out", SetOf({Rect(0, 0, 4, 4), Rect(2, 2, 6, 6)}), a.xored(b)},
        {"covered twice", SetOf({Rect(0, 0, 4, 4), Rect(0, 0, 4, 4)}), QRegion()},
        {"covered three times", SetOf({Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Rect(0, 0, 4, 4)}), a},
        {"hexagons",
         SetOf({QPolygon({{5, 1}, {7, 1}, {12, 1}, {14, 1}, {12, 4}, {7, 4}}),
                QPolygon({{2, 18}, {0, 15}, {1, 12}, {3, 10}, {5, 12}, {3, 15}})}),
         Gdi::PolygonRegion(QPolygon({{5, 1}, {7, 1}, {12, 1}, {14, 1}, {12, 4}, {7, 4}}))
             .united(Gdi::PolygonRegion(
                 QPolygon({{2, 18}, {0, 15}, {1, 12}, {3, 10}, {5, 12}, {3, 15}})))},
    };
    for (const Case& c : cases) {
        const QRegion r = PolyPolygonRegion(c.set);
        EXPECT_TRUE(r.xored(c.region).isEmpty()) << c.what;
        EXPECT_EQ(r, c.region) << c.what << ": the rectangles are in Qt's own banded form";
    }
}

TEST(LcdCompose, ShadedMaterials)
{
    QImage back(2, 1, QImage::Format_RGB32);
    back.setPixelColor(0, 0, QColor(10, 100, 200));
    back.setPixelColor(1, 0, QColor(63, 64, 250));
    struct Case {
        int delta;
        QColor first, second;
    };
    for (const Case& c : {Case{-64, QColor(0, 36, 136), QColor(0, 0, 186)},
                          Case{64, QColor(74, 164, 255), QColor(127, 128, 255)},
                          Case{-32, QColor(0, 68, 168), QColor(31, 32, 218)},
                          Case{32, QColor(42, 132, 232), QColor(95, 96, 255)},
                          Case{0, QColor(10, 100, 200), QColor(63, 64, 250)}}) {
        const QImage m = ShadedMaterial(back, c.delta);
        EXPECT_EQ(m.format(), QImage::Format_RGB888);
        EXPECT_EQ(m.pixelColor(0, 0), c.first) << c.delta;
        EXPECT_EQ(m.pixelColor(1, 0), c.second) << c.delta;
    }
    EXPECT_TRUE(ShadedMaterial(QImage(), -64).isNull());
}

TEST(LcdCompose, MaterialsAreStretchedOrTiled)
{
    QImage material(4, 3, QImage::Format_RGB32);
    material.fill(Qt::red);
    material.setPixelColor(0, 0, Qt::blue);
    struct Case {
        TLcdMaterialMode mode;
        QSize image;
        std::vector<QPoint> blue;
    };
    const Case cases[] = {
        {mmTile,
         QSize(10, 7),
         {{0, 0}, {4, 0}, {8, 0}, {0, 3}, {4, 3}, {8, 3}, {0, 6}, {4, 6}, {8, 6}}},
        {mmTile, QSize(3, 2), {{0, 0}}}, // larger than the image: drawn once at (0, 0)
        {mmStretch, QSize(8, 6), {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
    };
    for (const Case& c : cases) {
        QImage img(c.image, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter p(&img);
            DrawMaterial(p, material, c.mode, c.image);
        }
        int blue = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                EXPECT_NE(img.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
                blue += img.pixelColor(x, y) == QColor(Qt::blue);
            }
        EXPECT_EQ(blue, int(c.blue.size())) << c.image.width();
        for (const QPoint& p : c.blue)
            EXPECT_EQ(img.pixelColor(p), QColor(Qt::blue)) << p.x() << "," << p.y();
    }
}

TEST(LcdCompose, TilingLimitedByTheClip)
{
    QImage material(2, 2, QImage::Format_RGB32);
    material.fill(Qt::green);
    QImage img(6, 6, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setClipRegion(QRegion(1, 1, 2, 2));
        DrawMaterial(p, material, mmTile, img.size());
    }
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(3, 3), QColor(Qt::white));
}
