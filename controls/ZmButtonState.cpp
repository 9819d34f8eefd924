#include "controls/ZmButtonState.h"

void TZmButtonState::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && FHost.TabStop() && FHost.Usable())
        FHost.TakeFocus();
    if (button != mbLeft || !FHost.Enabled()) {
        if (FHost.HasPopupMenu())
            FHost.PopupAt(x + FHost.Width(), y + FHost.Height());
        return;
    }
    FHeld = true;
    FDown = true;
    FHost.MouseDownEvent(button, shift, x, y);
    FHost.Repaint();
    if (FHost.HasPopupMenu()) {
        if (!DropDown())
            return;
        // The menu has closed: finish the press as a release, which clicks.
        MouseUp(mbLeft, {}, x, y);
    }
}

void TZmButtonState::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    const bool wasDown = FDown;
    FHeld = false;
    FDown = false;
    if (FHost.Usable())
        FHost.Repaint();
    FHost.MouseUpEvent(button, shift, x, y);
    if (wasDown)
        Click();
}

void TZmButtonState::MouseEnter()
{
    if (!FHost.Usable())
        return;
    if (FHost.ShowCaption())
        FHost.DrawHoverCaption();
    // Coming back while held looks pressed again.
    if (FHeld)
        MouseDown(mbLeft, {}, 10, 10);
}

void TZmButtonState::MouseLeave()
{
    if (!FHost.Usable())
        return;
    FDown = false;
    FHost.Repaint();
}

void TZmButtonState::Click()
{
    if (FHost.Usable()) {
        FHeld = false;
        FDown = false;
        FHost.Repaint();
    }
    FHost.ClickEvent();
}

bool TZmButtonState::DropDown()
{
    return FHost.DropDownMenu();
}

void TZmButtonState::KeyDown(bool space)
{
    if (space) {
        if (!FDown) {
            FDown = true;
            FHost.Repaint();
        }
        if (FHost.HasPopupMenu() && DropDown())
            KeyUp(true);
    } else if (FDown) {
        FDown = false;
        FHost.Repaint();
    }
}

void TZmButtonState::KeyUp(bool space)
{
    if (!FDown)
        return;
    if (space && !FHost.HasPopupMenu()) {
        Click();
        return;
    }
    FDown = false;
    FHost.Repaint();
}

void TZmButtonState::KeyPress(int ch)
{
    if (ch != 13)
        return;
    if (FHost.HasPopupMenu())
        DropDown();
    else
        Click();
}

void TZmButtonState::FocusChanged(bool focused)
{
    if (focused != FHasFocus) {
        FHasFocus = focused;
        FDown = false;
        FHeld = false;
        FHost.Repaint();
    } else if (FHeld || FDown) {
        FHeld = false;
        FDown = false;
        FHost.Repaint();
    }
}
