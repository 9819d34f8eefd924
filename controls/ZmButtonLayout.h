#pragma once
// Where the flat hover button puts its picture and its caption. Pure arithmetic, so it is shared
// by the painting, the hover caption and the focus caption and can be checked without a widget.
#include <QObject>
#include <QPoint>

namespace ZmButton {
Q_NAMESPACE

// Where the picture stands relative to the caption.
enum TPicPos { poLeft, poRight, poTop, poBottom };
Q_ENUM_NS(TPicPos)

struct TContentInput {
    int W = 0, H = 0;   // button size
    int GW = 0, GH = 0; // picture size (0 when there is no work image)
    int tw = 0, th = 0; // caption size in the button's font
    bool HasPicture = false;
    bool ShowCaption = true;
    bool CaptionEmpty = false;
    TPicPos Align = poLeft;
    int Offset = 0; // 0 raised, 2 pressed
};

struct TContentPlacement {
    bool DrawPicture = false;
    QPoint Picture;
    bool DrawCaption = false;
    QPoint Caption;
};

// Integer division that truncates toward zero, as the button's arithmetic is defined.
constexpr int Div(int a, int b)
{
    return a / b;
}

TContentPlacement PlaceContent(const TContentInput& in);

} // namespace ZmButton

using ZmButton::TPicPos;
using enum ZmButton::TPicPos;
