#include "framework/Colors.h"

#include <array>

namespace {

// The classic scheme of the desktop the program was designed on, indexed by system colour.
constexpr std::array<TColor, 25> kSystemColors = {
    RGBColor(212, 208, 200), // scroll bar
    RGBColor(58, 110, 165),  // background
    RGBColor(10, 36, 106),   // active caption
    RGBColor(128, 128, 128), // inactive caption
    RGBColor(212, 208, 200), // menu
    RGBColor(255, 255, 255), // window
    RGBColor(0, 0, 0),       // window frame
    RGBColor(0, 0, 0),       // menu text
    RGBColor(0, 0, 0),       // window text
    RGBColor(255, 255, 255), // caption text
    RGBColor(212, 208, 200), // active border
    RGBColor(212, 208, 200), // inactive border
    RGBColor(128, 128, 128), // application work space
    RGBColor(10, 36, 106),   // highlight
    RGBColor(255, 255, 255), // highlight text
    RGBColor(212, 208, 200), // button face
    RGBColor(128, 128, 128), // button shadow
    RGBColor(128, 128, 128), // grey text
    RGBColor(0, 0, 0),       // button text
    RGBColor(212, 208, 200), // inactive caption text
    RGBColor(255, 255, 255), // button highlight
    RGBColor(64, 64, 64),    // 3-D dark shadow
    RGBColor(212, 208, 200), // 3-D light
    RGBColor(0, 0, 0),       // info text
    RGBColor(255, 255, 225), // info background
};

} // namespace

TColor ColorToRGB(TColor c)
{
    if ((c & 0xFF000000u) == 0xFF000000u) {
        const unsigned index = c & 0xFFu;
        return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
    }
    return c & 0x00FFFFFFu;
}

QColor ToQColor(TColor c)
{
    const TColor v = ColorToRGB(c);
    return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

TColor FromQColor(const QColor& c)
{
    return RGBColor(c.red(), c.green(), c.blue());
}
