// The readout's model geometry without a widget: cell metrics, the
// fitting of texts into cells, the rotation rule, the bounding box and the window outline.
#include "controls/Cp1254.h"
#include "controls/LcdLayout.h"

#include <gtest/gtest.h>
#include <string>

using namespace Lcd;

namespace {

// A layout written out: one entry per cell, "1." for a cell with its decimal
// point, "_." for a cell that shows only its decimal point, " " for a blank.
std::vector<std::string> Show(const std::vector<TLcdCell>& cells)
{
    std::vector<std::string> out;
    for (const TLcdCell& c : cells) {
        std::string s;
        if (c.Code == '.' || c.Code == ',')
            s = "_";
        else
            s = std::string(1, char(c.Code));
        if (c.Point || c.Code == '.' || c.Code == ',')
            s += ".";
        out.push_back(s);
    }
    return out;
}

std::vector<std::string> Blanks(int n, std::vector<std::string> rest = {})
{
    std::vector<std::string> out(n, " ");
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

} // namespace

TEST(LcdLayout, CellMetrics)
{
    struct Case {
        const char* what;
        int w, h, signs, gap;
        TLcdBevelKind outer;
        int outerWidth;
        TLcdBevelKind inner;
        int innerWidth;
        int margin, cw, ch;
    };
    const Case cases[] = {
        {"the program's readout", 165, 33, 8, 2, bkUP, 2, bkDown, 2, 6, 19, 21},
        {"the defaults", 172, 36, 10, 2, bkUP, 2, bkDown, 2, 6, 16, 24},
        {"no outer bevel", 165, 33, 8, 2, bkNone, 2, bkDown, 2, 4, 19, 25},
        {"no bevels", 165, 33, 8, 2, bkNone, 2, bkNone, 2, 2, 20, 29},
        {"negative gap enlarges the cells", 165, 33, 8, -4, bkUP, 2, bkDown, 2, 0, 20, 33},
        {"negative gap past the whole falls back", 165, 33, 8, -10, bkUP, 2, bkDown, 2, -6, 20, 33},
        {"margin eating the height falls back", 165, 10, 8, 2, bkUP, 2, bkDown, 2, 6, 19, 10},
        {"a narrow indicator keeps what is left", 20, 33, 8, 2, bkUP, 2, bkDown, 2, 6, 1, 21},
        {"margin eating the width falls back", 10, 33, 8, 2, bkUP, 2, bkDown, 2, 6, 1, 21},
        {"margin past the width falls back", 12, 33, 4, 2, bkUP, 2, bkDown, 2, 6, 3, 21},
    };
    for (const Case& c : cases) {
        const TCellMetrics m =
            CellMetrics(c.w, c.h, c.signs, c.gap, c.outer, c.outerWidth, c.inner, c.innerWidth);
        EXPECT_EQ(m.Margin, c.margin) << c.what;
        EXPECT_EQ(m.CellWidth, c.cw) << c.what;
        EXPECT_EQ(m.CellHeight, c.ch) << c.what;
    }
}

TEST(LcdLayout, ProgramReadoutCellsSpanTheirColumnsAndLeaveSevenPixelsFree)
{
    const TCellMetrics m = CellMetrics(165, 33, 8, 2, bkUP, 2, bkDown, 2);
    for (int j = 1; j <= 8; ++j) {
        EXPECT_EQ(m.Margin + m.CellWidth * (j - 1), 6 + 19 * (j - 1));
        EXPECT_EQ(m.Margin + m.CellWidth * j, 6 + 19 * j);
    }
    EXPECT_EQ(m.Margin + m.CellHeight, 27);
    EXPECT_EQ(165 - (m.Margin + 8 * m.CellWidth), 7);
}

TEST(LcdLayout, SegmentLayoutsFoldDecimalPoints)
{
    struct Case {
        const char* text;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {"12.5", Blanks(5, {"1", "2.", "5"})},
        {".5", Blanks(6, {" .", "5"})},
        {"5.", Blanks(7, {"5."})},
        {"1..2", Blanks(5, {"1.", "_.", "2"})},
        {"12345678.9", {"1", "2", "3", "4", "5", "6", "7", "8."}},
        {"1.2.3.4.5.6.7.8.9", {"1.", "2.", "3.", "4.", "5.", "6.", "7.", "8."}},
        {"", Blanks(8)},
        {"1,5", Blanks(6, {"1.", "5"})},
        {"..", Blanks(6, {" .", "_."})},
        {"123 ms", Blanks(2, {"1", "2", "3", " ", "m", "s"})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Show(LayoutCells(QString::fromLatin1(c.text), 8, ik7segment)), c.cells) << c.text;
        EXPECT_EQ(Show(LayoutCells(QString::fromLatin1(c.text), 8, ik9segment)), c.cells) << c.text;
    }
}

TEST(LcdLayout, MatrixLayoutsTakeOneCellPerCharacter)
{
    struct Case {
        const char* text;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {"0000", Blanks(4, {"0", "0", "0", "0"})},
        {"123 ms", Blanks(2, {"1", "2", "3", " ", "m", "s"})},
        {"15 ms", Blanks(3, {"1", "5", " ", "m", "s"})},
        {"Time out", {"T", "i", "m", "e", " ", "o", "u", "t"}},
        {"Kapali", Blanks(2, {"K", "a", "p", "a", "l", "i"})},
        {"Too long a text", {"T", "o", "o", " ", "l", "o", "n", "g"}},
        {"12.5", Blanks(4, {"1", "2", "_.", "5"})},
        {"", Blanks(8)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Show(LayoutCells(QString::fromLatin1(c.text), 8, ik5x7matrix)), c.cells)
            << c.text;
}

TEST(LcdLayout, NoCellsForNoSignNumber)
{
    EXPECT_TRUE(LayoutCells(QStringLiteral("12"), 0, ik7segment).empty());
    EXPECT_TRUE(LayoutCells(QStringLiteral("12"), -3, ik5x7matrix).empty());
}

TEST(LcdLayout, CharactersAreLaidOutByTheirWindows1254Code)
{
    // "Kapalı" with a dotless i: one cell per character, the i's code is 0xFD.
    const auto cells = LayoutCells(QString::fromUtf8("Kapal\u0131"), 8, ik5x7matrix);
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[7].Code, 0xFD);
    struct Case {
        char32_t ch;
        int code;
    };
    for (const Case c : {Case{U'A', 0x41}, Case{U'~', 0x7E}, Case{0x20AC, 0x80}, Case{0x011E, 0xD0},
                         Case{0x0130, 0xDD}, Case{0x015F, 0xFE}, Case{0x00E7, 0xE7},
                         Case{0x00D0, -1}, Case{0x4E2D, -1}, Case{0x1F600, -1}})
        EXPECT_EQ(Cp1254Code(c.ch), c.code) << std::hex << unsigned(c.ch);
    EXPECT_EQ(Cp1254Codes(QString::fromUtf8("a\U0001F600b")), (std::vector<int>{'a', -1, 'b'}));
}

TEST(LcdLayout, NearestSendsHalvesToEven)
{
    struct Case {
        double x;
        int n;
    };
    for (const Case c : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{-0.5, 0}, Case{-1.5, -2},
                         Case{2.4999, 2}, Case{146.5, 146}, Case{147.08, 147}})
        EXPECT_EQ(Nearest(c.x), c.n) << c.x;
}

TEST(LcdLayout, WindowOutlineCornersAtQuarterAndEighthTurns)
{
    struct Case {
        int angle;
        QSize control;
        QPolygon corners;
    };
    const Case cases[] = {
        {0, QSize(172, 36), QPolygon({{0, 0}, {172, 0}, {172, 36}, {0, 36}})},
        {900, QSize(36, 172), QPolygon({{0, 172}, {0, 0}, {36, 0}, {36, 172}})},
        {450, QSize(147, 147), QPolygon({{0, 121}, {122, -1}, {147, 25}, {25, 146}})},
        {3600, QSize(172, 36), QPolygon({{0, 0}, {172, 0}, {172, 36}, {0, 36}})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoundingBox(172, 36, c.angle), c.control) << c.angle;
        EXPECT_EQ(WindowOutline(172, 36, c.angle, c.control), c.corners) << c.angle;
    }
}

TEST(LcdLayout, BoundingBoxes)
{
    struct Case {
        int w, h, angle;
        QSize box;
    };
    for (const Case c : {Case{165, 33, 0, {165, 33}}, Case{172, 36, 1800, {172, 36}},
                         Case{172, 36, 2700, {36, 172}}, Case{172, 36, -900, {36, 172}},
                         Case{100, 100, 450, {141, 141}}})
        EXPECT_EQ(BoundingBox(c.w, c.h, c.angle), c.box) << c.angle;
}

TEST(LcdLayout, RotationKeepsPointsAtZeroAndTurnsCounterClockwiseOnTheScreen)
{
    Tpoints pts = {{0, 0}, {5, 7}, {-3, 2}};
    const Tpoints original = pts;
    RotatePoints(pts, QPoint(86, 18), 0);
    EXPECT_EQ(pts, original);

    // A quarter turn about (10, 10): right of the pivot goes above it, below goes right.
    Tpoints turned = {{20, 10}, {10, 20}, {10, 10}};
    RotatePoints(turned, QPoint(10, 10), 900);
    EXPECT_EQ(turned, (Tpoints{{10, 0}, {20, 10}, {10, 10}}));

    // A half turn about (10, 5).
    Tpoints half = {{0, 0}, {20, 10}};
    RotatePoints(half, QPoint(10, 5), 1800);
    EXPECT_EQ(half, (Tpoints{{20, 10}, {0, 0}}));
}

TEST(LcdLayout, RotationRoundsEachPointBeforeTheCorrection)
{
    // (1, 0) turned by 45 degrees: d = 1, g = pi/4, the point becomes (Nearest(0.7071),
    // -Nearest(0.7071)) = (1, -1); with the pivot at the origin there is no correction.
    Tpoints pts = {{1, 0}, {0, 1}, {0, -1}};
    RotatePoints(pts, QPoint(0, 0), 450);
    EXPECT_EQ(pts, (Tpoints{{1, -1}, {1, 1}, {-1, -1}}));
}
