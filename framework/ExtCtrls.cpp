#include "framework/ExtCtrls.h"

#include "framework/GdiDraw.h"

#include <QPainter>

TPanel::TPanel(QWidget* parent) : QWidget(parent)
{
    SetBevels(bvRaised, bvNone);
}

void TPanel::SetCaption(const QString& caption)
{
    FCaption = caption;
    update();
}

void TPanel::SetColor(TColor color)
{
    FColor = color;
    // Children that erase their own background (the readout's transparent modes) follow the
    // panel's colour: Qt hands a parent's palette down to every child that has not set its own.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    setPalette(pal);
    update();
}

void TPanel::SetBevels(TPanelBevel outer, TPanelBevel inner)
{
    FOuter = outer;
    FInner = inner;
    const int m = (outer != bvNone) + (inner != bvNone);
    setContentsMargins(m, m, m, m);
    update();
}

void TPanel::DrawBevel(QPainter& p, QRect& r, TPanelBevel bevel)
{
    if (bevel == bvNone)
        return;
    const QColor light = ToQColor(clBtnHighlight), dark = ToQColor(clBtnShadow);
    const QColor tl = bevel == bvRaised ? light : dark, br = bevel == bvRaised ? dark : light;
    Gdi::Line(p, r.left(), r.bottom(), r.left(), r.top(), tl);
    Gdi::Line(p, r.left(), r.top(), r.right() + 1, r.top(), tl);
    Gdi::Line(p, r.right(), r.top() + 1, r.right(), r.bottom() + 1, br);
    Gdi::Line(p, r.left() + 1, r.bottom(), r.right(), r.bottom(), br);
    r.adjust(1, 1, -1, -1);
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ToQColor(FColor));
    QRect r = rect();
    DrawBevel(p, r, FOuter);
    DrawBevel(p, r, FInner);
    if (!FCaption.isEmpty()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, Qt::AlignCenter, FCaption);
    }
}

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::SetPicture(const QImage& picture)
{
    FPicture = picture;
    update();
}

void TImage::SetStretch(bool stretch)
{
    FStretch = stretch;
    update();
}

void TImage::SetCenter(bool center)
{
    FCenter = center;
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter p(this);
    if (FStretch) {
        p.drawImage(rect(), FPicture);
        return;
    }
    QPoint at(0, 0);
    if (FCenter)
        at = QPoint((width() - FPicture.width()) / 2, (height() - FPicture.height()) / 2);
    p.drawImage(at, FPicture);
}

TShape::TShape(QWidget* parent, TShapeType shape) : QWidget(parent), FShape(shape) {}

void TShape::SetBrushColor(TColor color)
{
    FBrush = color;
    update();
    SayColor();
}

void TShape::SetColorWords(TColor color, const QString& words)
{
    FColorWords.insert(color, words);
    SayColor();
}

void TShape::SayColor()
{
    // Setting the name tells assistive technology; only a real change is worth a notice.
    const QString words = FColorWords.value(FBrush);
    if (words != accessibleName())
        setAccessibleName(words);
}

void TShape::SetPenColor(TColor color)
{
    FPen = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ToQColor(FPen), 1));
    p.setBrush(ToQColor(FBrush));
    int x = 0, y = 0, w = width(), h = height();
    if (FShape == stCircle) {
        // Square bounding box, centred along the longer side.
        if (w < h) {
            y += (h - w) / 2;
            h = w;
        } else {
            x += (w - h) / 2;
            w = h;
        }
        // The box excludes its right column and bottom row; Qt's outline covers one pixel
        // more than the rectangle it is given.
        p.drawEllipse(QRect(x, y, w - 1, h - 1));
    } else {
        p.drawRect(QRect(x, y, w - 1, h - 1));
    }
}

TTimer::TTimer(QObject* parent) : QObject(parent)
{
    connect(&FTimer, &QTimer::timeout, this, [this] { Fire(OnTimer, this); });
    Update();
}

void TTimer::SetInterval(int ms)
{
    if (ms == FInterval)
        return;
    FInterval = ms;
    Update();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == FEnabled)
        return;
    FEnabled = enabled;
    Update();
}

void TTimer::Update()
{
    FTimer.stop();
    if (FEnabled && FInterval > 0)
        FTimer.start(FInterval);
}
