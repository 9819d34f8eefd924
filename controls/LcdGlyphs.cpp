#include "controls/LcdGlyphs.h"

#include <algorithm>
#include <cmath>

namespace Lcd {

namespace {

struct TSegmentEntry {
    char Character;
    const char* Flags;
};

struct TFontEntry {
    int Code;
    std::array<std::uint8_t, 7> Rows;
};

// Segment table: character, flags of segments 1-7 (1 lower left, 2 upper left, 3 top, 4 upper
// right, 5 lower right, 6 bottom, 7 middle).
constexpr TSegmentEntry kSegmentTable[] = {
    {'-', "0000001"}, {'0', "1111110"}, {'1', "0001100"}, {'2', "1011011"}, {'3', "0011111"},
    {'4', "0101101"}, {'5', "0110111"}, {'6', "1110111"}, {'7', "0011100"}, {'8', "1111111"},
    {'9', "0111111"}, {'A', "1111101"}, {'C', "1110010"}, {'E', "1110011"}, {'F', "1110001"},
    {'G', "1110110"}, {'H', "1101101"}, {'J', "1001110"}, {'L', "1100010"}, {'O', "1111110"},
    {'P', "1111001"}, {'U', "1101110"}, {'Y', "0101111"}, {'_', "0000010"}, {'b', "1100111"},
    {'c', "1000011"}, {'d', "1001111"}, {'h', "1100101"}, {'i', "1000000"}, {'j', "0000110"},
    {'l', "1100000"}, {'n', "1000101"}, {'o', "1000111"}, {'r', "1000001"}, {'t', "1100011"},
    {'u', "1000110"},
};

// The 5x7 font: code, rows 1-7 from the top; bit 4 is the leftmost column.
constexpr TFontEntry kFontTable[] = {
    {0x21, {0x06, 0x06, 0x06, 0x06, 0x00, 0x06, 0x06}}, // !
    {0x22, {0x0A, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00}}, // double quote
    {0x23, {0x00, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x00}}, // #
    {0x24, {0x0E, 0x15, 0x14, 0x0E, 0x05, 0x15, 0x0E}}, // $
    {0x25, {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}}, // %
    {0x26, {0x06, 0x09, 0x12, 0x0C, 0x0D, 0x12, 0x0D}}, // &
    {0x27, {0x0C, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00}}, // '
    {0x28, {0x04, 0x08, 0x08, 0x08, 0x08, 0x08, 0x04}}, // (
    {0x29, {0x04, 0x02, 0x02, 0x02, 0x02, 0x02, 0x04}}, // )
    {0x2A, {0x00, 0x15, 0x0E, 0x1F, 0x0E, 0x15, 0x00}}, // *
    {0x2B, {0x00, 0x00, 0x04, 0x0E, 0x04, 0x00, 0x00}}, // +
    {0x2C, {0x00, 0x00, 0x00, 0x00, 0x06, 0x06, 0x02}}, // ,
    {0x2D, {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}}, // -
    {0x2E, {0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x06}}, // .
    {0x2F, {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}}, // /
    {0x30, {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, // 0
    {0x31, {0x02, 0x06, 0x02, 0x02, 0x02, 0x02, 0x07}}, // 1
    {0x32, {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, // 2
    {0x33, {0x0E, 0x11, 0x01, 0x06, 0x01, 0x11, 0x0E}}, // 3
    {0x34, {0x11, 0x11, 0x11, 0x0F, 0x01, 0x01, 0x01}}, // 4
    {0x35, {0x1F, 0x10, 0x10, 0x1E, 0x01, 0x11, 0x0E}}, // 5
    {0x36, {0x0E, 0x11, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, // 6
    {0x37, {0x1F, 0x01, 0x01, 0x02, 0x02, 0x02, 0x02}}, // 7
    {0x38, {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, // 8
    {0x39, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x11, 0x0E}}, // 9
    {0x3A, {0x00, 0x06, 0x06, 0x00, 0x06, 0x06, 0x00}}, // :
    {0x3B, {0x00, 0x06, 0x06, 0x00, 0x06, 0x06, 0x02}}, // ;
    {0x3C, {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}}, // <
    {0x3D, {0x00, 0x00, 0x0E, 0x00, 0x0E, 0x00, 0x00}}, // =
    {0x3E, {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}}, // >
    {0x3F, {0x0E, 0x11, 0x01, 0x02, 0x00, 0x06, 0x06}}, // ?
    {0x40, {0x0E, 0x13, 0x15, 0x17, 0x10, 0x11, 0x0E}}, // at sign
    {0x41, {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, // A
    {0x42, {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}}, // B
    {0x43, {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, // C
    {0x44, {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}}, // D
    {0x45, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, // E
    {0x46, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}}, // F
    {0x47, {0x0E, 0x11, 0x10, 0x10, 0x13, 0x11, 0x0E}}, // G
    {0x48, {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, // H
    {0x49, {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, // I
    {0x4A, {0x03, 0x01, 0x01, 0x01, 0x01, 0x11, 0x0E}}, // J
    {0x4B, {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, // K
    {0x4C, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, // L
    {0x4D, {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, // M
    {0x4E, {0x11, 0x19, 0x19, 0x15, 0x17, 0x13, 0x11}}, // N
    {0x4F, {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, // O
    {0x50, {0x0E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}}, // P
    {0x51, {0x0E, 0x11, 0x11, 0x11, 0x15, 0x13, 0x0F}}, // Q
    {0x52, {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, // R
    {0x53, {0x0E, 0x11, 0x10, 0x0E, 0x01, 0x11, 0x0E}}, // S
    {0x54, {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, // T
    {0x55, {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, // U
    {0x56, {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, // V
    {0x57, {0x11, 0x11, 0x11, 0x11, 0x15, 0x15, 0x0A}}, // W
    {0x58, {0x11, 0x0A, 0x0E, 0x04, 0x0E, 0x0A, 0x11}}, // X
    {0x59, {0x11, 0x0A, 0x04, 0x04, 0x04, 0x04, 0x0E}}, // Y
    {0x5A, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}}, // Z
    {0x5B, {0x1C, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1C}}, // [
    {0x5C, {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00}}, // backslash
    {0x5D, {0x07, 0x01, 0x01, 0x01, 0x01, 0x01, 0x07}}, // ]
    {0x5E, {0x04, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}}, // ^
    {0x5F, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}}, // _
    {0x61, {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}}, // a
    {0x62, {0x10, 0x10, 0x1E, 0x11, 0x11, 0x11, 0x1E}}, // b
    {0x63, {0x00, 0x00, 0x0E, 0x11, 0x10, 0x11, 0x0E}}, // c
    {0x64, {0x01, 0x01, 0x0F, 0x11, 0x11, 0x11, 0x0F}}, // d
    {0x65, {0x00, 0x00, 0x0E, 0x11, 0x1E, 0x10, 0x0F}}, // e
    {0x66, {0x00, 0x00, 0x0E, 0x10, 0x1C, 0x10, 0x10}}, // f
    {0x67, {0x00, 0x00, 0x0E, 0x11, 0x0F, 0x01, 0x06}}, // g
    {0x68, {0x10, 0x10, 0x10, 0x1E, 0x11, 0x11, 0x11}}, // h
    {0x69, {0x00, 0x04, 0x00, 0x04, 0x04, 0x04, 0x0E}}, // i
    {0x6A, {0x00, 0x02, 0x00, 0x02, 0x02, 0x02, 0x0C}}, // j
    {0x6B, {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}}, // k
    {0x6C, {0x00, 0x04, 0x0C, 0x04, 0x04, 0x04, 0x0E}}, // l
    {0x6D, {0x00, 0x00, 0x0A, 0x15, 0x15, 0x15, 0x15}}, // m
    {0x6E, {0x00, 0x00, 0x1E, 0x11, 0x11, 0x11, 0x11}}, // n
    {0x6F, {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}}, // o
    {0x70, {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10}}, // p
    {0x71, {0x00, 0x00, 0x0F, 0x11, 0x0F, 0x01, 0x01}}, // q
    {0x72, {0x00, 0x00, 0x0E, 0x11, 0x10, 0x10, 0x10}}, // r
    {0x73, {0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E}}, // s
    {0x74, {0x10, 0x10, 0x1C, 0x10, 0x10, 0x11, 0x0E}}, // t
    {0x75, {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}}, // u
    {0x76, {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}}, // v
    {0x77, {0x00, 0x00, 0x11, 0x15, 0x15, 0x15, 0x0A}}, // w
    {0x78, {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}}, // x
    {0x79, {0x00, 0x00, 0x11, 0x11, 0x0F, 0x01, 0x06}}, // y
    {0x7A, {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}}, // z
    {0x7B, {0x06, 0x08, 0x08, 0x10, 0x08, 0x08, 0x06}}, // {
    {0x7C, {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, // vertical bar
    {0x7D, {0x0C, 0x02, 0x02, 0x01, 0x02, 0x02, 0x0C}}, // }
    {0x7E, {0x0A, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00}}, // ~
};

// The tables indexed by code, made once.
struct TTables {
    std::array<int, 256> Segments{}; // -1: no pattern; else segment k in bit k - 1
    std::array<const std::array<std::uint8_t, 7>*, 256> Font{};

    TTables()
    {
        Segments.fill(-1);
        for (const TSegmentEntry& e : kSegmentTable) {
            int bits = 0;
            for (int k = 0; k < 7; ++k)
                if (e.Flags[k] == '1')
                    bits |= 1 << k;
            Segments[static_cast<unsigned char>(e.Character)] = bits;
        }
        for (const TFontEntry& e : kFontTable)
            Font[e.Code] = &e.Rows;
    }
};

const TTables& Tables()
{
    static const TTables tables;
    return tables;
}

// trunc of a real expression. Every coordinate of a glyph is a rational number with a small
// denominator, so a double within 1e-7 of an integer stands for that integer exactly (1.5 * 28 / 6
// is 7, not 6.999...); everything else is truncated toward zero.
int Trunc(double x)
{
    const double r = std::nearbyint(x);
    if (std::fabs(x - r) < 1e-7)
        return int(r);
    return int(std::trunc(x));
}

struct TStyleRule {
    double Value;      // divisor (segments) or factor (dots)
    double HoverValue; // the same while the hover-width state is true
    double Minimum;
};

constexpr std::array<TStyleRule, 3> kThickness = {{{8, 6, 2}, {6, 5, 3}, {5, 4.5, 4}}};
constexpr std::array<TStyleRule, 3> kDotSize = {
    {{2.0 / 3, 1.0 / 2, 1.5}, {3.0 / 4, 2.0 / 3, 2.5}, {1.0, 3.0 / 4, 3.5}}};

const TStyleRule& Rule(const std::array<TStyleRule, 3>& table, TLcdIndicatorStyle style)
{
    return table[std::clamp(int(style), 0, 2)];
}

} // namespace

double SegmentThickness(int cw, int ch, TLcdIndicatorStyle style, bool hoverWidth)
{
    const TStyleRule& r = Rule(kThickness, style);
    const double t = std::min(cw, ch) / (hoverWidth ? r.HoverValue : r.Value);
    return t < r.Minimum ? r.Minimum : t;
}

std::array<QPoint, 6> SegmentPolygon(int segment, int cw, int ch, double t, TLcdIndicatorKind kind)
{
    const double u = cw / 8.0, v = ch / 8.0, h = t / 2;
    const auto P = [](double x, double y) { return QPoint(Trunc(x), Trunc(y)); };
    const auto T = Trunc;
    if (kind == ik9segment && (segment == 8 || segment == 9)) {
        // Colon dots: hexagons of half-width 2t/3.
        const double cx = segment == 8 ? 4 * u : 3.5 * u;
        const double cy = segment == 8 ? 2.5 * v : 5.5 * v;
        return {P(cx - t / 3, cy + 2 * t / 3), P(cx - 2 * t / 3, cy),
                P(cx - t / 3, cy - 2 * t / 3), P(cx + t / 3, cy - 2 * t / 3),
                P(cx + 2 * t / 3, cy),         P(cx + t / 3, cy + 2 * t / 3)};
    }
    if (kind == ik9segment && segment == 10)
        segment = 8; // the decimal point
    switch (segment) {
    case 1: // lower left
        return {QPoint(T(u), T(7 * v + h) - 1), QPoint(T(u - h), T(7 * v - h) - 1),
                P(1.5 * u - h, 4 * v + h),      P(1.5 * u, 4 * v),
                P(1.5 * u + h, 4 * v + h),      QPoint(T(u + h), T(7 * v - h) - 1)};
    case 2: // upper left
        return {QPoint(T(1.5 * u), T(4 * v) - 1),
                QPoint(T(1.5 * u - h), T(4 * v - h) - 1),
                P(2 * u - h, v + h),
                P(2 * u, v - h),
                P(2 * u + h, v + h),
                QPoint(T(1.5 * u + h), T(4 * v - h) - 1)};
    case 3: // top
        return {QPoint(T(2 * u) + 1, T(v - h)),       QPoint(T(2 * u + h) + 1, T(v - h)),
                QPoint(T(6.5 * u - h) - 1, T(v - h)), QPoint(T(6.5 * u) - 1, T(v - h)),
                QPoint(T(6.5 * u - h) - 1, T(v + h)), QPoint(T(2 * u + h) + 1, T(v + h))};
    case 4: // upper right
        return {P(6.5 * u, v - h),
                P(6.5 * u + h, v + h),
                QPoint(T(6 * u + h), T(4 * v - h) - 1),
                QPoint(T(6 * u), T(4 * v) - 1),
                QPoint(T(6 * u - h), T(4 * v - h) - 1),
                P(6.5 * u - h, v + h)};
    case 5: // lower right
        return {P(6 * u, 4 * v),
                P(6 * u + h, 4 * v + h),
                QPoint(T(5.5 * u + h), T(7 * v - h) - 1),
                QPoint(T(5.5 * u), T(7 * v + h) - 1),
                QPoint(T(5.5 * u - h), T(7 * v - h) - 1),
                P(6 * u - h, 4 * v + h)};
    case 6: // bottom
        return {QPoint(T(u) + 1, T(7 * v + h)),           QPoint(T(u + h) + 1, T(7 * v - h)),
                QPoint(T(5.5 * u - h) - 1, T(7 * v - h)), QPoint(T(5.5 * u) - 1, T(7 * v + h)),
                QPoint(T(5.5 * u - h) - 1, T(7 * v + h)), QPoint(T(u + h) + 1, T(7 * v + h))};
    case 7: // middle
        return {QPoint(T(1.5 * u) + 1, T(4 * v)),       QPoint(T(1.5 * u + h) + 1, T(4 * v - h)),
                QPoint(T(6 * u - h) - 1, T(4 * v - h)), QPoint(T(6 * u) - 1, T(4 * v)),
                QPoint(T(6 * u - h) - 1, T(4 * v + h)), QPoint(T(1.5 * u + h) + 1, T(4 * v + h))};
    case 8: // decimal point
    default:
        return {QPoint(T(5.5 * u + t / 4) + 1, T(7 * v)), QPoint(T(5.5 * u + h) + 1, T(7 * v - h)),
                P(5.5 * u + 5 * t / 4, 7 * v - h),        P(5.5 * u + 1.5 * t, 7 * v),
                P(5.5 * u + 5 * t / 4, 7 * v + h),        QPoint(T(5.5 * u + h) + 1, T(7 * v + h))};
    }
}

double DotSize(double pitch, TLcdIndicatorStyle style, bool hoverWidth)
{
    const TStyleRule& r = Rule(kDotSize, style);
    const double size = (hoverWidth ? r.HoverValue : r.Value) * pitch - 1;
    return size < r.Minimum ? r.Minimum : size;
}

std::array<QPoint, 4> DotPolygon(int row, int column, int cw, int ch, TLcdIndicatorStyle style,
                                 bool hoverWidth)
{
    const int inset = cw / 16 + 1;
    const double px = (cw - 2.0 * inset) / 5, py = ch / 7.0;
    const int sx = Trunc(DotSize(px, style, hoverWidth));
    const int sy = Trunc(DotSize(py, style, hoverWidth));
    const int x0 = Trunc((column - 1) * px + inset), y0 = Trunc((row - 1) * py);
    return {QPoint(x0, y0), QPoint(x0 + sx, y0), QPoint(x0 + sx, y0 + sy), QPoint(x0, y0 + sy)};
}

std::optional<std::uint8_t> SegmentPattern(int code)
{
    if (code < 0 || code > 255 || Tables().Segments[code] < 0)
        return std::nullopt;
    return std::uint8_t(Tables().Segments[code]);
}

const std::array<std::uint8_t, 7>* FontRows(int code)
{
    if (code < 0 || code > 255)
        return nullptr;
    return Tables().Font[code];
}

void BuildCellGlyph(int cw, int ch, int code, bool point, TLcdIndicatorKind kind,
                    TLcdIndicatorStyle style, bool hoverWidth, TPolygonSet& lit, TPolygonSet& unlit)
{
    if (kind == ik5x7matrix) {
        static constexpr std::array<std::uint8_t, 7> kBlank{};
        const std::array<std::uint8_t, 7>* rows = FontRows(code);
        if (!rows)
            rows = &kBlank;
        // DotPolygon's arithmetic, with what all 35 dots share worked out once.
        const int inset = cw / 16 + 1;
        const double px = (cw - 2.0 * inset) / 5, py = ch / 7.0;
        const int sx = Trunc(DotSize(px, style, hoverWidth));
        const int sy = Trunc(DotSize(py, style, hoverWidth));
        for (int r = 1; r <= 7; ++r) {
            const int y0 = Trunc((r - 1) * py);
            for (int c = 1; c <= 5; ++c) {
                const int x0 = Trunc((c - 1) * px + inset);
                const QPoint dot[4] = {QPoint(x0, y0), QPoint(x0 + sx, y0),
                                       QPoint(x0 + sx, y0 + sy), QPoint(x0, y0 + sy)};
                const bool on = ((*rows)[r - 1] >> (5 - c)) & 1;
                (on ? lit : unlit).Add(dot, 4);
            }
        }
        return;
    }

    // Flags of segments 1 ... 8 (ik7segment) or 1 ... 10 (ik9segment), segment k in bit k - 1.
    const bool nine = kind == ik9segment;
    const int count = nine ? 10 : 8;
    const int pointBit = 1 << (count - 1);
    int flags;
    if (code == '.' || code == ',')
        flags = pointBit;
    else if (nine && code == ':')
        flags = (0b11 << 7) | (point ? pointBit : 0);
    else
        flags = SegmentPattern(code).value_or(0) | (point ? pointBit : 0);

    const double t = SegmentThickness(cw, ch, style, hoverWidth);
    for (int k = 1; k <= count; ++k) {
        const auto segment = SegmentPolygon(k, cw, ch, t, kind);
        ((flags >> (k - 1)) & 1 ? lit : unlit).Add(segment.data(), 6);
    }
}

} // namespace Lcd
