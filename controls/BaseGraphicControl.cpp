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

TMouseButton TBaseGraphicControl::MouseButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

TShiftState TBaseGraphicControl::ShiftStateOf(const QMouseEvent& event)
{
    TShiftState s;
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    const Qt::MouseButtons buttons = event.buttons();
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

void TBaseGraphicControl::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        FClicked = true;
    Fire(OnMouseDown, this, MouseButtonOf(event->button()), ShiftStateOf(*event), pos.x(), pos.y());
}

void TBaseGraphicControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        Fire(OnDblClick, this);
    Fire(OnMouseDown, this, MouseButtonOf(event->button()), ShiftStateOf(*event) | ssDouble,
         pos.x(), pos.y());
}

void TBaseGraphicControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    Fire(OnMouseMove, this, ShiftStateOf(*event), pos.x(), pos.y());
}

void TBaseGraphicControl::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && FClicked) {
        FClicked = false;
        // A click counts only when the button comes up over the control.
        if (rect().contains(pos))
            Fire(OnClick, this);
    }
    Fire(OnMouseUp, this, MouseButtonOf(event->button()), ShiftStateOf(*event), pos.x(), pos.y());
}
