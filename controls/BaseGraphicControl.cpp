#include "controls/BaseGraphicControl.h"

#include <QMouseEvent>

TBaseGraphicControl::TBaseGraphicControl(QWidget* parent) : QWidget(parent)
{
    // Moves are reported without a pressed button too.
    setMouseTracking(true);
}

QString TBaseGraphicControl::About() const
{
    return QStringLiteral("v4.06");
}

void TBaseGraphicControl::mousePressEvent(QMouseEvent* event)
{
    const std::optional<TMouseButton> button = MouseButtonOf(event->button());
    if (!button)
        return;
    if (*button == mbLeft)
        FClicked = true;
    const QPoint pos = event->position().toPoint();
    Fire(OnMouseDown, this, *button, ShiftStateOf(*event), pos.x(), pos.y());
}

void TBaseGraphicControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const std::optional<TMouseButton> button = MouseButtonOf(event->button());
    if (!button)
        return;
    if (*button == mbLeft)
        Fire(OnDblClick, this);
    const QPoint pos = event->position().toPoint();
    Fire(OnMouseDown, this, *button, ShiftStateOf(*event) | ssDouble, pos.x(), pos.y());
}

void TBaseGraphicControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    Fire(OnMouseMove, this, ShiftStateOf(*event), pos.x(), pos.y());
}

void TBaseGraphicControl::mouseReleaseEvent(QMouseEvent* event)
{
    const std::optional<TMouseButton> button = MouseButtonOf(event->button());
    if (!button)
        return;
    const QPoint pos = event->position().toPoint();
    if (*button == mbLeft && FClicked) {
        FClicked = false;
        // A click counts only when the button comes up over the control.
        if (rect().contains(pos))
            Fire(OnClick, this);
    }
    Fire(OnMouseUp, this, *button, ShiftStateOf(*event), pos.x(), pos.y());
}
