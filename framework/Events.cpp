#include "framework/Events.h"

#include <QMouseEvent>

std::optional<TMouseButton> MouseButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return mbLeft;
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return std::nullopt;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers mods)
{
    TShiftState s;
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    return s;
}

TShiftState ShiftStateOf(const QMouseEvent& event)
{
    TShiftState s = ShiftStateOf(event.modifiers());
    const Qt::MouseButtons buttons = event.buttons();
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}
