#include "framework/Colors.h"
#include "framework/GdiDraw.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage Blank(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

int CountBlack(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y) == QColor(Qt::black);
    return n;
}

} // namespace

TEST(Colors, SystemColoursResolveAndPlainColoursPassThrough)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clBtnHighlight), clWhite);
    EXPECT_EQ(ColorToRGB(0x000ABED8), 0x000ABED8u);
    EXPECT_EQ(ToQColor(0x000ABED8), QColor(216, 190, 10));
    EXPECT_EQ(FromQColor(QColor(216, 190, 10)), 0x000ABED8u);
    EXPECT_EQ(ColorToRGB(0xFF0000FF), clBlack) << "an unknown system colour index";
}

TEST(GdiDraw, FilledRectangleLeavesOutRightColumnAndBottomRow)
{
    QImage img = Blank(10, 10);
    {
        QPainter p(&img);
        Gdi::FillRect(p, 2, 3, 5, 7, Qt::black);
        Gdi::FillRect(p, 8, 8, 8, 9, Qt::black); // empty
        Gdi::FillRect(p, 9, 9, 7, 7, Qt::black); // inverted
    }
    EXPECT_EQ(CountBlack(img), 3 * 4);
    EXPECT_EQ(img.pixelColor(4, 6), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(5, 6), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(4, 7), QColor(Qt::white));
}

TEST(GdiDraw, LinesLeaveOutTheirEndPixel)
{
    struct Case {
        int x1, y1, x2, y2, pixels;
    };
    for (const Case c : {Case{0, 0, 5, 0, 5}, Case{0, 0, 0, 7, 7}, Case{7, 7, 0, 0, 7},
                         Case{0, 0, 6, 3, 6}, Case{3, 3, 3, 3, 0}}) {
        QImage img = Blank(10, 10);
        {
            QPainter p(&img);
            Gdi::Line(p, c.x1, c.y1, c.x2, c.y2, Qt::black);
        }
        EXPECT_EQ(CountBlack(img), c.pixels) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
        if (c.pixels > 0) {
            EXPECT_EQ(img.pixelColor(c.x1, c.y1), QColor(Qt::black));
            EXPECT_EQ(img.pixelColor(c.x2, c.y2), QColor(Qt::white));
        }
    }
}

TEST(GdiDraw, PolylineDrawsEveryCornerButTheLastPoint)
{
    QImage img = Blank(10, 10);
    {
        QPainter p(&img);
        Gdi::Polyline(p, QPolygon({QPoint(1, 1), QPoint(5, 1), QPoint(5, 5)}), Qt::black);
    }
    EXPECT_EQ(CountBlack(img), 8);
    EXPECT_EQ(img.pixelColor(5, 1), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::white));
}

TEST(GdiDraw, PolygonRegionUsesTheAlternateRule)
{
    // A pentagram: under the alternate rule its centre is a hole.
    const QPolygon star({QPoint(50, 0), QPoint(79, 90), QPoint(2, 35), QPoint(98, 35), QPoint(21, 90)});
    const QRegion r = Gdi::PolygonRegion(star);
    EXPECT_FALSE(r.contains(QPoint(50, 50)));
    EXPECT_TRUE(r.contains(QPoint(50, 10)));
}
