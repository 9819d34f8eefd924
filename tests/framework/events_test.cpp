#include "framework/Events.h"

#include <QMouseEvent>
#include <gtest/gtest.h>

TEST(Events, MouseEventsInTheControlsTerms)
{
    struct Case {
        QEvent::Type type;
        Qt::MouseButton button;
        Qt::MouseButtons held;
        Qt::KeyboardModifiers mods;
        std::optional<TMouseButton> expectedButton;
        TShiftState expectedShift;
    };
    for (const Case& c : {
             Case{QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, Qt::NoModifier,
                  mbRight, ssRight},
             // On a release the button that came up is no longer held.
             Case{QEvent::MouseButtonRelease,
                  Qt::LeftButton,
                  Qt::NoButton,
                  Qt::NoModifier,
                  mbLeft,
                  {}},
             Case{QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton | Qt::LeftButton,
                  Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, mbMiddle,
                  ssMiddle | ssLeft | ssShift | ssCtrl | ssAlt},
             Case{QEvent::MouseButtonPress,
                  Qt::BackButton,
                  Qt::BackButton,
                  Qt::NoModifier,
                  std::nullopt,
                  {}},
         }) {
        const QMouseEvent e(c.type, QPointF(1, 2), QPointF(1, 2), c.button, c.held, c.mods);
        EXPECT_EQ(MouseButtonOf(e.button()), c.expectedButton);
        EXPECT_EQ(ShiftStateOf(e), c.expectedShift);
    }
}
