#include "controls/ZmButtonLayout.h"

namespace ZmButton {

TContentPlacement PlaceContent(const TContentInput& in)
{
    TContentPlacement out;
    const int a = in.Offset;
    const int W = in.W, H = in.H, GW = in.GW, GH = in.GH, tw = in.tw, th = in.th;
    if (!in.HasPicture) {
        out.DrawCaption = in.ShowCaption;
        out.Caption = QPoint(Div(W, 2) - Div(tw, 2) + a, Div(H, 2) - Div(th, 2) + a);
        return out;
    }
    out.DrawPicture = true;
    if (in.CaptionEmpty || !in.ShowCaption) {
        out.Picture = QPoint(a + Div(W - GW, 2), a + Div(H - GH, 2));
        return out;
    }
    out.DrawCaption = true;
    const int L = Div(W, 2) - Div(GW + tw, 2) - 1;
    const int T = Div(H, 2) - Div(GH + th, 2) - 2;
    const int B = Div(H, 2) - Div(GH + th, 2) - 1;
    switch (in.Align) {
    case poLeft:
        out.Picture = QPoint(L, Div(H, 2) - Div(GH, 2));
        out.Caption = QPoint(Div(W, 2) + Div(GW - tw, 2) + 4, Div(H, 2) - Div(th, 2));
        break;
    case poRight:
        out.Picture = QPoint(L + tw + 5, Div(H, 2) - Div(GH, 2));
        out.Caption = QPoint(L, Div(H, 2) - Div(th, 2));
        break;
    case poTop:
        out.Picture = QPoint(Div(W, 2) - Div(GW, 2), T);
        out.Caption = QPoint(Div(W, 2) - Div(tw, 2), T + GH + 3);
        break;
    case poBottom:
        out.Picture = QPoint(Div(W, 2) - Div(GW, 2), B + th);
        out.Caption = QPoint(Div(W, 2) - Div(tw, 2), B);
        break;
    }
    out.Picture += QPoint(a, a);
    out.Caption += QPoint(a, a);
    return out;
}

} // namespace ZmButton
