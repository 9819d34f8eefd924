#pragma once
#include <QFlags>
#include <QtCore/qnamespace.h>
#include <functional>
#include <optional>
#include <utility>

class QMouseEvent;
class QObject;

// Mouse buttons and shift states carried by the mouse events of the controls.
enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftFlag {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// The button of a Qt mouse event as the mouse events carry it; none for other buttons (back,
// forward ...), which the controls do not report.
std::optional<TMouseButton> MouseButtonOf(Qt::MouseButton button);
// The keys and the buttons held during a Qt mouse event (on a release, without the button that
// came up).
TShiftState ShiftStateOf(const QMouseEvent& event);
// The keys alone (Shift, Alt, Ctrl) of a set of Qt keyboard modifiers.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;

// Raises an event; an event with no handler is skipped.
template <class Event, class... Args> void Fire(const Event& event, Args&&... args)
{
    if (event)
        event(std::forward<Args>(args)...);
}
