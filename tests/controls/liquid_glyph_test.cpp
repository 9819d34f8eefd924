// The shapes of the readout's characters: segment thickness, segment and dot
// polygons, the segment table and the 5x7 font, and what BuildCellGlyph lights.
#include "controls/LcdGlyphs.h"

#include <QPolygon>
#include <gtest/gtest.h>
#include <string>

using namespace Lcd;

namespace {

template <std::size_t N> QPolygon Poly(const std::array<QPoint, N>& a)
{
    return QPolygon(QList<QPoint>(a.begin(), a.end()));
}

QPolygon PolygonAt(const TPolygonSet& set, int index)
{
    int start = 0;
    for (int i = 0; i < index; ++i)
        start += set.Counts[i];
    return QPolygon(
        QList<QPoint>(set.Points.begin() + start, set.Points.begin() + start + set.Counts[index]));
}

// The segment numbers (1-based, in drawing order) that BuildCellGlyph lights for a character.
std::string LitSegments(int code, bool point, TLcdIndicatorKind kind)
{
    TPolygonSet lit, unlit;
    BuildCellGlyph(19, 21, code, point, kind, isNormal, false, lit, unlit);
    const int count = kind == ik9segment ? 10 : 8;
    std::string out;
    for (int k = 1; k <= count; ++k) {
        const QPolygon seg =
            Poly(SegmentPolygon(k, 19, 21, SegmentThickness(19, 21, isNormal, false), kind));
        for (int i = 0; i < lit.Count(); ++i)
            if (PolygonAt(lit, i) == seg)
                out += std::to_string(k);
    }
    EXPECT_EQ(lit.Count() + unlit.Count(), count);
    return out;
}

} // namespace

TEST(LcdGlyphs, SegmentThickness)
{
    struct Case {
        int cw, ch;
        TLcdIndicatorStyle style;
        bool hover;
        double t;
    };
    const Case cases[] = {
        {19, 21, isNormal, false, 19.0 / 6}, {19, 21, isNormal, true, 19.0 / 5},
        {19, 21, isThin, false, 19.0 / 8},   {19, 21, isThin, true, 19.0 / 6},
        {19, 21, isThick, false, 4},         {19, 21, isThick, true, 19.0 / 4.5},
        {30, 16, isThin, false, 2.0},        {30, 16, isThin, true, 16.0 / 6},
        {10, 12, isThin, false, 2},          {10, 12, isNormal, false, 3},
        {10, 12, isThick, false, 4},         {10, 12, isThick, true, 4},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(SegmentThickness(c.cw, c.ch, c.style, c.hover), c.t)
            << c.cw << "x" << c.ch << " style " << c.style << " hover " << c.hover;
}

TEST(LcdGlyphs, SevenSegmentPolygonsOfTheNormal19x21Cell)
{
    const double t = SegmentThickness(19, 21, isNormal, false);
    struct Case {
        int segment;
        QPolygon points;
    };
    const Case cases[] = {
        {1, {{2, 18}, {0, 15}, {1, 12}, {3, 10}, {5, 12}, {3, 15}}},       // lower left
        {2, {{3, 9}, {1, 7}, {3, 4}, {4, 1}, {6, 4}, {5, 7}}},             // upper left
        {3, {{5, 1}, {7, 1}, {12, 1}, {14, 1}, {12, 4}, {7, 4}}},          // top
        {4, {{15, 1}, {17, 4}, {15, 7}, {14, 9}, {12, 7}, {13, 4}}},       // upper right
        {5, {{14, 10}, {15, 12}, {14, 15}, {13, 18}, {11, 15}, {12, 12}}}, // lower right
        {6, {{3, 19}, {4, 16}, {10, 16}, {12, 19}, {10, 19}, {4, 19}}},    // bottom
        {7, {{4, 10}, {6, 8}, {11, 8}, {13, 10}, {11, 12}, {6, 12}}},      // middle
        {8, {{14, 18}, {15, 16}, {17, 16}, {17, 18}, {17, 19}, {15, 19}}}, // decimal point
    };
    for (const Case& c : cases)
        EXPECT_EQ(Poly(SegmentPolygon(c.segment, 19, 21, t, ik7segment)), c.points) << c.segment;
    // In ik9segment the decimal point is segment 10; 1 ... 7 are the same.
    EXPECT_EQ(Poly(SegmentPolygon(10, 19, 21, t, ik9segment)), cases[7].points);
    for (int k = 1; k <= 7; ++k)
        EXPECT_EQ(SegmentPolygon(k, 19, 21, t, ik9segment),
                  SegmentPolygon(k, 19, 21, t, ik7segment));
}

TEST(LcdGlyphs, ColonDotsOfTheNormal19x21Cell)
{
    // Centres (4u, 2.5v) = (9.5, 6.5625) and (3.5u, 5.5v) = (8.3125, 14.4375), half-width 2t/3.
    const double t = SegmentThickness(19, 21, isNormal, false);
    EXPECT_EQ(Poly(SegmentPolygon(8, 19, 21, t, ik9segment)),
              QPolygon({{8, 8}, {7, 6}, {8, 4}, {10, 4}, {11, 6}, {10, 8}}));
    EXPECT_EQ(Poly(SegmentPolygon(9, 19, 21, t, ik9segment)),
              QPolygon({{7, 16}, {6, 14}, {7, 12}, {9, 12}, {10, 14}, {9, 16}}));
}

TEST(LcdGlyphs, DotsOfTheProgramsReadout)
{
    // Cell 19 x 21, isThick: inset 2, pitch 3.0, size 3 - 1 = 2 raised to 3.5, 3 pixels.
    EXPECT_DOUBLE_EQ(DotSize(3.0, isThick, false), 3.5);
    struct Case {
        int row, column;
        QPolygon rect;
    };
    const Case cases[] = {
        {1, 1, {{2, 0}, {5, 0}, {5, 3}, {2, 3}}},
        {1, 2, {{5, 0}, {8, 0}, {8, 3}, {5, 3}}}, // neighbours touch
        {1, 5, {{14, 0}, {17, 0}, {17, 3}, {14, 3}}},
        {2, 1, {{2, 3}, {5, 3}, {5, 6}, {2, 6}}},
        {7, 5, {{14, 18}, {17, 18}, {17, 21}, {14, 21}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Poly(DotPolygon(c.row, c.column, 19, 21, isThick, false)), c.rect)
            << c.row << "," << c.column;
}

TEST(LcdGlyphs, DotSizesByStyleAndHover)
{
    struct Case {
        double pitch;
        TLcdIndicatorStyle style;
        bool hover;
        double size;
    };
    const Case cases[] = {
        {6, isThin, false, 3},   {6, isThin, true, 2},      {6, isNormal, false, 3.5},
        {6, isNormal, true, 3},  {6, isThick, false, 5},    {6, isThick, true, 3.5},
        {3, isThin, false, 1.5}, {3, isNormal, false, 2.5}, {3, isThick, true, 3.5},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(DotSize(c.pitch, c.style, c.hover), c.size)
            << c.pitch << " style " << c.style << " hover " << c.hover;
}

TEST(LcdGlyphs, SegmentTable)
{
    struct Case {
        char ch;
        const char* lit; // lit segments of ik7segment, without the decimal point
    };
    const Case cases[] = {
        {'-', "7"},      {'0', "123456"}, {'1', "45"},     {'2', "13467"}, {'3', "34567"},
        {'4', "2457"},   {'5', "23567"},  {'6', "123567"}, {'7', "345"},   {'8', "1234567"},
        {'9', "234567"}, {'A', "123457"}, {'C', "1236"},   {'E', "12367"}, {'F', "1237"},
        {'G', "12356"},  {'H', "12457"},  {'J', "1456"},   {'L', "126"},   {'O', "123456"},
        {'P', "12347"},  {'U', "12456"},  {'Y', "24567"},  {'_', "6"},     {'b', "12567"},
        {'c', "167"},    {'d', "14567"},  {'h', "1257"},   {'i', "1"},     {'j', "56"},
        {'l', "12"},     {'n', "157"},    {'o', "1567"},   {'r', "17"},    {'t', "1267"},
        {'u', "156"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LitSegments(c.ch, false, ik7segment), c.lit) << c.ch;
        EXPECT_EQ(LitSegments(c.ch, false, ik9segment), c.lit) << c.ch;
        EXPECT_EQ(LitSegments(c.ch, true, ik7segment), std::string(c.lit) + "8") << c.ch;
        EXPECT_EQ(LitSegments(c.ch, true, ik9segment), std::string(c.lit) + "10") << c.ch;
    }
}

TEST(LcdGlyphs, CharactersWithoutAPatternAndThePointsAndTheColon)
{
    struct Case {
        int code;
        bool point;
        TLcdIndicatorKind kind;
        const char* lit;
    };
    const Case cases[] = {
        {'m', false, ik7segment, ""},    {'s', false, ik7segment, ""},
        {' ', false, ik7segment, ""},    {' ', true, ik7segment, "8"},
        {'a', false, ik7segment, ""},    {'B', false, ik7segment, ""},
        {0x60, false, ik7segment, ""},   {0xFD, false, ik7segment, ""},
        {-1, false, ik7segment, ""},     {'.', false, ik7segment, "8"},
        {',', false, ik7segment, "8"},   {'.', true, ik7segment, "8"},
        {'.', false, ik9segment, "10"},  {',', true, ik9segment, "10"},
        {':', false, ik7segment, ""},    {':', false, ik9segment, "89"},
        {':', true, ik9segment, "8910"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LitSegments(c.code, c.point, c.kind), c.lit)
            << c.code << " point " << c.point << " kind " << c.kind;
}

TEST(LcdGlyphs, FontCoversThePrintableCodesButTheGraveAccent)
{
    for (int code = 0; code < 256; ++code) {
        const bool shaped = code >= 0x21 && code <= 0x7E && code != 0x60;
        EXPECT_EQ(FontRows(code) != nullptr, shaped) << code;
    }
}

TEST(LcdGlyphs, FontRowsOfTheReadoutsLetters)
{
    struct Case {
        char ch;
        std::array<std::uint8_t, 7> rows;
    };
    const Case cases[] = {
        {'0', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
        {'1', {0x02, 0x06, 0x02, 0x02, 0x02, 0x02, 0x07}},
        {'5', {0x1F, 0x10, 0x10, 0x1E, 0x01, 0x11, 0x0E}},
        {'m', {0x00, 0x00, 0x0A, 0x15, 0x15, 0x15, 0x15}},
        {'s', {0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E}},
        {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
        {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
        {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
        {'p', {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10}},
        {'!', {0x06, 0x06, 0x06, 0x06, 0x00, 0x06, 0x06}},
        {'~', {0x0A, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {'N', {0x11, 0x19, 0x19, 0x15, 0x17, 0x13, 0x11}},
    };
    for (const Case& c : cases) {
        ASSERT_NE(FontRows(c.ch), nullptr) << c.ch;
        EXPECT_EQ(*FontRows(c.ch), c.rows) << c.ch;
    }
}

TEST(LcdGlyphs, MatrixCellsLightTheFontsBits)
{
    // 'T' in the program's cell: the top row lit, then only the middle column.
    TPolygonSet lit, unlit;
    BuildCellGlyph(19, 21, 'T', false, ik5x7matrix, isThick, false, lit, unlit);
    EXPECT_EQ(lit.Count(), 5 + 6);
    EXPECT_EQ(unlit.Count(), 35 - 11);
    EXPECT_EQ(PolygonAt(lit, 0), Poly(DotPolygon(1, 1, 19, 21, isThick, false)));
    EXPECT_EQ(PolygonAt(lit, 5), Poly(DotPolygon(2, 3, 19, 21, isThick, false)));
    EXPECT_EQ(PolygonAt(unlit, 0), Poly(DotPolygon(2, 1, 19, 21, isThick, false)));

    struct Case {
        int code;
        int lit;
    };
    for (const Case c : {Case{' ', 0}, Case{0x60, 0}, Case{0xE7, 0}, Case{-1, 0}, Case{'8', 17},
                         Case{'.', 4}, Case{'m', 14}}) {
        TPolygonSet l, u;
        BuildCellGlyph(19, 21, c.code, true, ik5x7matrix, isThick, false, l, u);
        EXPECT_EQ(l.Count(), c.lit) << c.code;
        EXPECT_EQ(l.Count() + u.Count(), 35) << c.code;
        for (int n : l.Counts)
            EXPECT_EQ(n, 4);
    }
}

TEST(LcdGlyphs, HoverWidthMakesSegmentsHeavierAndDotsSmaller)
{
    TPolygonSet lit, unlit, hoverLit, hoverUnlit;
    BuildCellGlyph(19, 21, '8', false, ik7segment, isNormal, false, lit, unlit);
    BuildCellGlyph(19, 21, '8', false, ik7segment, isNormal, true, hoverLit, hoverUnlit);
    const double heavier = SegmentThickness(19, 21, isNormal, true);
    EXPECT_EQ(PolygonAt(hoverLit, 2), Poly(SegmentPolygon(3, 19, 21, heavier, ik7segment)));
    EXPECT_NE(PolygonAt(hoverLit, 2), PolygonAt(lit, 2));

    // A 40 x 56 cell: inset 3, pitch 6.8 x 8; isNormal dots 4.1 x 5, while hovering 3.53 x 4.33.
    EXPECT_EQ(Poly(DotPolygon(1, 1, 40, 56, isNormal, false)),
              QPolygon({{3, 0}, {7, 0}, {7, 5}, {3, 5}}));
    EXPECT_EQ(Poly(DotPolygon(1, 1, 40, 56, isNormal, true)),
              QPolygon({{3, 0}, {6, 0}, {6, 4}, {3, 4}}));
}

TEST(LcdGlyphs, SmallCellsKeepTheMinimumsAndReachPastTheEdges)
{
    // A 4 x 4 cell: t = 3 (the isNormal minimum); the lower-left segment's second vertex is
    // trunc(0.5 - 1.5) = trunc(-1) = -1, the decimal point reaches past the right edge.
    const double t = SegmentThickness(4, 4, isNormal, false);
    EXPECT_DOUBLE_EQ(t, 3);
    EXPECT_EQ(SegmentPolygon(1, 4, 4, t, ik7segment)[1], QPoint(-1, 1));
    EXPECT_GT(SegmentPolygon(8, 4, 4, t, ik7segment)[3].x(), 4);
    // Dots of a 5 x 7 cell are 1.5 wide (trunc 1) and overlap nothing; with isThick 3.5 they
    // overlap their neighbours.
    EXPECT_EQ(Poly(DotPolygon(1, 2, 5, 7, isThick, false)),
              QPolygon({{1, 0}, {4, 0}, {4, 3}, {1, 3}}));
    EXPECT_EQ(Poly(DotPolygon(1, 3, 5, 7, isThick, false)),
              QPolygon({{2, 0}, {5, 0}, {5, 3}, {2, 3}}));
}
