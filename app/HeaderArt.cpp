#include "app/HeaderArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace {
const QColor kDeepBlue(24, 64, 160);
const QColor kLightBlue(92, 140, 214);
const QColor kNearWhite(244, 246, 252);

// A vertical sheen over a horizontal blue gradient, as the bar's body.
void PaintBarBody(QPainter& p, const QRect& r)
{
    QLinearGradient across(r.left(), 0, r.right() + 1, 0);
    across.setColorAt(0, kDeepBlue);
    across.setColorAt(1, kLightBlue);
    p.fillRect(r, across);
    QLinearGradient sheen(0, r.top(), 0, r.bottom() + 1);
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    sheen.setColorAt(1, QColor(0, 0, 40, 50));
    p.fillRect(r, sheen);
}
} // namespace

QImage MakeHeaderBar()
{
    QImage img(109, 27, QImage::Format_RGB32);
    QPainter p(&img);
    PaintBarBody(p, img.rect());
    return img;
}

QImage MakeHeaderEnd()
{
    QImage img(121, 27, QImage::Format_RGB32);
    img.fill(kNearWhite);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // The blue continues from the bar and ends in a diagonal edge that leans to the right.
    QLinearGradient across(0, 0, 80, 0);
    across.setColorAt(0, kLightBlue);
    across.setColorAt(1, kLightBlue.lighter(125));
    QPolygonF body;
    body << QPointF(0, 0) << QPointF(78, 0) << QPointF(51, 27) << QPointF(0, 27);
    p.setPen(Qt::NoPen);
    p.setBrush(across);
    p.drawPolygon(body);
    // A soft fade at the cut, into the near-white end.
    QLinearGradient fade(50, 0, 84, 0);
    fade.setColorAt(0, QColor(255, 255, 255, 0));
    fade.setColorAt(1, QColor(kNearWhite.red(), kNearWhite.green(), kNearWhite.blue(), 160));
    p.setBrush(fade);
    p.drawPolygon(body);
    QLinearGradient sheen(0, 0, 0, 27);
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    sheen.setColorAt(1, QColor(0, 0, 40, 40));
    p.setBrush(sheen);
    p.drawPolygon(body);
    return img;
}

QImage MakeGreenBall()
{
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient body(QPointF(12, 11), 20, QPointF(11, 9));
    body.setColorAt(0, QColor(190, 255, 170));
    body.setColorAt(0.35, QColor(60, 210, 40));
    body.setColorAt(1, QColor(0, 90, 0));
    p.setPen(QPen(QColor(0, 70, 0), 1));
    p.setBrush(body);
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    // The gloss: a pale highlight near the top left.
    QRadialGradient gloss(QPointF(12, 9), 8);
    gloss.setColorAt(0, QColor(255, 255, 255, 220));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(QRectF(5, 3, 14, 11));
    return img;
}

QImage MakeCloseGlyph()
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    // The door frame and the open door leaf.
    p.setPen(QColor(64, 40, 16));
    p.setBrush(QColor(236, 220, 180));
    p.drawRect(6, 1, 8, 13);
    p.setBrush(QColor(150, 96, 40));
    p.drawPolygon(QPolygon({QPoint(6, 1), QPoint(10, 3), QPoint(10, 15), QPoint(6, 14)}));
    // The arrow leaving to the left.
    p.setPen(QPen(QColor(0, 128, 0), 2));
    p.drawLine(1, 8, 7, 8);
    p.drawLine(1, 8, 4, 5);
    p.drawLine(1, 8, 4, 11);
    return img;
}
