#pragma once
// The press / hover / focus / key state machine of the flat hover button, apart from painting.
// The button forwards its input notices here; everything the machine wants done (repaint, click,
// menus, events) goes back through TZmButtonHost, so a fake host can watch it in tests.
#include "framework/Events.h"

class TZmButtonHost {
public:
    virtual ~TZmButtonHost() = default;
    // It and all its parents are visible and enabled.
    virtual bool Usable() const = 0;
    virtual bool Enabled() const = 0;
    virtual bool TabStop() const = 0;
    virtual bool ShowCaption() const = 0;
    virtual bool HasPopupMenu() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void Repaint() = 0;
    virtual void DrawHoverCaption() = 0;
    virtual void TakeFocus() = 0;
    // Shows the pop-up menu at a client point (blocking until it closes).
    virtual void PopupAt(int x, int y) = 0;
    // Drops the pop-up menu down below the button (blocking until it closes). False when the
    // button was destroyed meanwhile (by a menu command): then nothing more may be done.
    virtual bool DropDownMenu() = 0;
    virtual void MouseDownEvent(TMouseButton button, TShiftState shift, int x, int y) = 0;
    virtual void MouseUpEvent(TMouseButton button, TShiftState shift, int x, int y) = 0;
    // The framework's click: the form's modal result, then OnClick.
    virtual void ClickEvent() = 0;
};

class TZmButtonState {
public:
    explicit TZmButtonState(TZmButtonHost& host) : FHost(host) {}

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MouseEnter();
    void MouseLeave();
    // The click operation (also the keyboard's and the drop-down's).
    void Click();
    // False when the button did not survive its menu.
    bool DropDown();
    // Key codes: only Space matters to key down and key up; Enter arrives as the character 13.
    void KeyDown(bool space);
    void KeyUp(bool space);
    void KeyPress(int ch);
    void FocusChanged(bool focused);

    bool Down() const { return FDown; }
    bool Held() const { return FHeld; }
    bool HasFocus() const { return FHasFocus; }

private:
    TZmButtonHost& FHost;
    bool FDown = false;
    bool FHeld = false;
    bool FHasFocus = false;
};
