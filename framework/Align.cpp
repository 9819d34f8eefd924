#include "framework/Align.h"

#include <QEvent>
#include <QWidget>

namespace {

const char* const kAlignProperty = "zmAlign";
const char* const kFilterProperty = "zmAlignFilter";

class AlignFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::ContentsRectChange ||
            event->type() == QEvent::Show)
            ArrangeAligned(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

TAlign GetAlign(const QWidget* w)
{
    const QVariant v = w->property(kAlignProperty);
    return v.isValid() ? TAlign(v.toInt()) : alNone;
}

void SetAlign(QWidget* w, TAlign align)
{
    w->setProperty(kAlignProperty, int(align));
    QWidget* parent = w->parentWidget();
    if (!parent)
        return;
    if (!parent->property(kFilterProperty).toBool()) {
        parent->installEventFilter(new AlignFilter(parent));
        parent->setProperty(kFilterProperty, true);
    }
    ArrangeAligned(parent);
}

void ArrangeAligned(QWidget* parent)
{
    QRect area = parent->contentsRect();
    const QList<QWidget*> children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (QWidget* c : children) {
            if (GetAlign(c) != pass || c->isHidden())
                continue;
            switch (pass) {
            case alTop:
                c->setGeometry(area.left(), area.top(), area.width(), c->height());
                area.setTop(area.top() + c->height());
                break;
            case alBottom:
                c->setGeometry(area.left(), area.bottom() + 1 - c->height(), area.width(),
                               c->height());
                area.setBottom(area.bottom() - c->height());
                break;
            case alLeft:
                c->setGeometry(area.left(), area.top(), c->width(), area.height());
                area.setLeft(area.left() + c->width());
                break;
            case alRight:
                c->setGeometry(area.right() + 1 - c->width(), area.top(), c->width(),
                               area.height());
                area.setRight(area.right() - c->width());
                break;
            case alClient:
                c->setGeometry(area.left(), area.top(), std::max(0, area.width()),
                               std::max(0, area.height()));
                break;
            case alNone:
                break;
            }
        }
    }
}
