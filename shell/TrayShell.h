#pragma once
#include "framework/Events.h"
#include "shell/NotifyIcon.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <memory>

class TIcon;
class TIconList;
class TTimerThread;

// One icon with a tool tip in the desktop's notification area. Mouse messages from the area
// become events; a right click opens PopupMenu; with Animated the icon cycles through Icons.
class TTrayIcon : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(TIcon* Icon READ Icon WRITE SetIcon)
    Q_PROPERTY(TIconList* Icons READ Icons WRITE SetIcons)
    Q_PROPERTY(bool Animated READ Animated WRITE SetAnimated)
    Q_PROPERTY(quint16 Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(QMenu* PopupMenu READ PopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(bool ShowDesign READ ShowDesign WRITE SetShowDesign)

public:
    // Shell: the notification area to use; none means the desktop's own (QSystemTrayIcon).
    explicit TTrayIcon(QObject* AOwner = nullptr, std::unique_ptr<INotifyIcon> Shell = {});
    ~TTrayIcon() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value);
    TIcon* Icon() const { return FIcon; }
    void SetIcon(const TIcon* Value);
    TIconList* Icons() const { return FIcons; }
    void SetIcons(const TIconList* Value);
    bool Animated() const { return FAnimated; }
    void SetAnimated(bool Value);
    quint16 Interval() const { return FInterval; }
    void SetInterval(quint16 Value);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value)
    {
        FPopupMenu = Value;
        FShell->SetMenu(Value);
    }
    // There is no design environment here: always False, and setting it has no effect.
    bool ShowDesign() const { return false; }
    void SetShowDesign(bool) {}

    TMouseEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    // A notification area appeared or went away while the icon is shown; NotifyAreaAvailable()
    // tells which. (The icon itself returns to a new area on its own.)
    TNotifyEvent OnNotifyAreaChange;

    // Call once all stored properties have been applied: shows the icon if Active.
    void Loaded();

    // The animation frame while animated (may be an empty entry), else Icon.
    TIcon* CurrentIcon() const;
    void Activate();
    void Deactivate();
    // Brings the shown icon up to date after a change of Icon, Icons, Hint or the frame.
    void IconChanged();
    // One animation step (on the user-interface thread).
    void AdvanceFrame();
    bool ActivateDefaultItem();
    bool ShowPopup(int X, int Y);
    static TShiftState GetShiftState();

    int FrameIndex() const { return FFrameIndex; }
    // The last add succeeded and the icon has not been removed since.
    bool Added() const { return FAdded; }
    // Whether the desktop has a notification area at all.
    bool NotifyAreaAvailable() const;
    const TNotifyIconData& NotifyData() const { return FData; }
    // The running animation thread, if any (for tests).
    TTimerThread* TimerThread() const { return FTimerThread.get(); }

    // Handles a message from the notification area (on the user-interface thread).
    void HandleCallback(std::uint32_t Message, std::uint32_t MouseMessage);

protected:
    virtual void FillNotifyData(TNotifyIconData& Data);
    virtual void DblClick();
    virtual void Click(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

private:
    void DispatchMouse(std::uint32_t MouseMessage);
    void PerformClick(TMouseButton Button, TShiftState Shift, int X, int Y);
    void PerformDblClick();
    bool HasImage(const TIcon* Icon) const;

    std::unique_ptr<INotifyIcon> FShell;
    TIcon* FIcon = nullptr;
    TIconList* FIcons = nullptr;
    QString FHint;
    QPointer<QMenu> FPopupMenu;
    bool FActive = true;
    bool FEnabled = true;
    bool FAnimated = false;
    quint16 FInterval = 150;
    bool FAdded = false;
    bool FLeftPressed = false;
    bool FRightPressed = false;
    bool FDestroying = false;
    int FFrameIndex = -1;
    unsigned FThreadSerial = 0;
    std::atomic<bool> FStepPending{false}; // a frame step posted by the worker, not yet run
    std::unique_ptr<TTimerThread> FTimerThread;
    TNotifyIconData FData;
};

// Whether the desktop has a notification area now (without creating an icon). Without one the
// program keeps its task-bar button and minimises instead of hiding.
bool NotificationAreaAvailable();
