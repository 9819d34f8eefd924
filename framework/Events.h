#pragma once
#include <QFlags>
#include <functional>
#include <utility>

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
