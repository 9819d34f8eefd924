#pragma once
#include <QColor>
#include <cstdint>

// Colours as the program stores them: 0x00BBGGRR for plain colours; a value whose high byte is
// 0xFF names a system colour by the index in its low byte.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clScrollBar = 0xFF000000;
constexpr TColor clBackground = 0xFF000001;
constexpr TColor clActiveCaption = 0xFF000002;
constexpr TColor clInactiveCaption = 0xFF000003;
constexpr TColor clMenu = 0xFF000004;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowFrame = 0xFF000006;
constexpr TColor clMenuText = 0xFF000007;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clCaptionText = 0xFF000009;
constexpr TColor clActiveBorder = 0xFF00000A;
constexpr TColor clInactiveBorder = 0xFF00000B;
constexpr TColor clAppWorkSpace = 0xFF00000C;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clGrayText = 0xFF000011;
constexpr TColor clBtnText = 0xFF000012;
constexpr TColor clInactiveCaptionText = 0xFF000013;
constexpr TColor clBtnHighlight = 0xFF000014;
constexpr TColor cl3DDkShadow = 0xFF000015;
constexpr TColor cl3DLight = 0xFF000016;
constexpr TColor clInfoText = 0xFF000017;
constexpr TColor clInfoBk = 0xFF000018;

constexpr TColor RGBColor(int r, int g, int b)
{
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) { return int(c & 0xFF); }
constexpr int GetGValue(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return int((c >> 16) & 0xFF); }

// Resolves a system colour to its plain value (a fixed classic desktop scheme, so what the
// program draws is the same on every desktop); a plain colour comes back unchanged.
TColor ColorToRGB(TColor c);

// The resolved colour as Qt sees it (always opaque).
QColor ToQColor(TColor c);
// The plain 0x00BBGGRR value of a Qt colour (alpha dropped).
TColor FromQColor(const QColor& c);
