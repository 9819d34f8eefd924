#include "app/HeaderPanel.h"

#include "app/HeaderArt.h"
#include "framework/Align.h"
#include "framework/ExtCtrls.h"
#include "framework/GdiDraw.h"
#include "framework/StdCtrls.h"

namespace {
const TColor kHeaderColor = 0x00D7CC7D;
}

TPanel* MakeHeaderPanel(QWidget* form, const QString& name, TLabel** caption)
{
    auto* panel = new TPanel(form);
    panel->SetBevels(bvNone, bvNone);
    panel->SetColor(kHeaderColor);
    panel->resize(form->width(), 35);
    SetAlign(panel, alTop);
    auto* end = new TImage(panel);
    end->SetPicture(MakeHeaderEnd());
    end->SetStretch(true);
    end->resize(121, 27);
    SetAlign(end, alRight);
    auto* bar = new TImage(panel);
    bar->SetPicture(MakeHeaderBar());
    bar->SetStretch(true);
    SetAlign(bar, alClient);
    auto* ball = new TImage(panel);
    ball->SetPicture(MakeGreenBall());
    ball->SetCenter(true);
    ball->SetStretch(true);
    ball->setGeometry(0, 3, 26, 26);
    ball->raise();
    auto* label = new TLabel(panel, 40, 6, name);
    label->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -19, true));
    SetFontColor(label, clWhite);
    label->SetTransparent(true);
    label->SetCaption(label->Caption()); // sized again for the larger font
    label->raise();
    if (caption)
        *caption = label;
    return panel;
}
