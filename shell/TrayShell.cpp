#include "shell/TrayShell.h"

#include "framework/MessageBox.h"
#include "shell/Icon.h"
#include "shell/IconList.h"
#include "shell/QtNotifyIcon.h"
#include "shell/TimerThread.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QWidget>
#include <algorithm>

TTrayIcon::TTrayIcon(QObject* AOwner, std::unique_ptr<INotifyIcon> Shell)
    : QObject(AOwner), FShell(std::move(Shell))
{
    if (!FShell)
        FShell = std::make_unique<TQtNotifyIcon>();
    FShell->SetCallback([this](std::uint32_t Message, std::uint32_t MouseMessage) {
        HandleCallback(Message, MouseMessage);
    });
    FShell->SetAvailabilityCallback([this](bool) {
        if (OnNotifyAreaChange && !FDestroying)
            RunGuarded([this] { OnNotifyAreaChange(this); });
    });
    FIcon = new TIcon();
    FIcon->OnChange = [this](QObject*) { IconChanged(); };
    FIcons = new TIconList();
    FIcons->OnChange = [this](QObject*) { IconChanged(); };
}

TTrayIcon::~TTrayIcon()
{
    FDestroying = true;
    FEnabled = false;
    FIcons->OnChange = nullptr;
    FIcon->OnChange = nullptr;
    SetAnimated(false);
    Deactivate();
    FShell->SetCallback(nullptr);
    FShell->SetAvailabilityCallback(nullptr);
    FShell.reset();
    delete FIcon;
    delete FIcons;
}

void TTrayIcon::SetActive(bool Value)
{
    if (Value == FActive)
        return;
    FActive = Value;
    if (Value)
        Activate();
    else
        Deactivate();
}

void TTrayIcon::SetHint(const QString& Value)
{
    if (Value == FHint)
        return;
    FHint = Value;
    IconChanged();
}

void TTrayIcon::SetIcon(const TIcon* Value)
{
    FIcon->Assign(Value);
}

void TTrayIcon::SetIcons(const TIconList* Value)
{
    FIcons->Assign(Value);
}

void TTrayIcon::SetInterval(quint16 Value)
{
    FInterval = Value;
    if (FTimerThread)
        FTimerThread->SetInterval(Value);
}

void TTrayIcon::Loaded()
{
    if (FActive)
        Activate();
}

bool TTrayIcon::HasImage(const TIcon* Icon) const
{
    return Icon && !Icon->Empty();
}

TIcon* TTrayIcon::CurrentIcon() const
{
    if (FIcons->Count() > 0 && FAnimated)
        return FIcons->Icons(std::clamp(FFrameIndex, 0, FIcons->Count() - 1));
    return FIcon;
}

void TTrayIcon::FillNotifyData(TNotifyIconData& Data)
{
    Data.cbSize = NotifyIconDataSize;
    Data.hWnd = reinterpret_cast<std::uintptr_t>(this);
    Data.uID = 0;
    Data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Data.uCallbackMessage = TrayCallbackMessage;
    const TIcon* icon = CurrentIcon();
    Data.hIcon = icon ? icon->Image() : QImage();
    const qsizetype bar = FHint.indexOf(QLatin1Char('|'));
    Data.szTip = (bar < 0 ? FHint : FHint.left(bar)).left(NotifyTipLength);
}

void TTrayIcon::Activate()
{
    Deactivate();
    if (!HasImage(CurrentIcon()))
        return; // nothing is shown while there is no image
    FLeftPressed = false;
    FRightPressed = false;
    FillNotifyData(FData);
    FAdded = FShell->Add(FData);
    if (FAnimated && FTimerThread)
        FTimerThread->Resume();
}

void TTrayIcon::Deactivate()
{
    FShell->Delete(FData);
    FAdded = false;
    FLeftPressed = false;
    FRightPressed = false;
    if (FAnimated && FTimerThread)
        FTimerThread->Pause();
}

void TTrayIcon::IconChanged()
{
    if (FIcons->Count() == 0)
        SetAnimated(false);
    if (FAdded) {
        if (HasImage(CurrentIcon())) {
            FillNotifyData(FData);
            FShell->Modify(FData);
        } else {
            Deactivate();
        }
    }
    // While Active, a failed add is retried on every later change.
    if (!FAdded && FActive && !FDestroying)
        Activate();
}

void TTrayIcon::SetAnimated(bool Value)
{
    const bool on = Value && FIcons->Count() > 0;
    if (on == FAnimated)
        return;
    if (on) {
        // The worker only posts the step; the step itself runs here, on the user-interface
        // thread, so the icon's state is never touched from two threads.
        const unsigned serial = ++FThreadSerial;
        FTimerThread = std::make_unique<TTimerThread>(
            [this, serial] {
                // One step waits in the queue at most: a busy user-interface thread (an echo
                // blocks it up to the time-out) gets no burst of frames afterwards.
                if (FStepPending.exchange(true))
                    return;
                QMetaObject::invokeMethod(
                    this,
                    [this, serial] {
                        FStepPending = false;
                        if (serial == FThreadSerial)
                            AdvanceFrame();
                    },
                    Qt::QueuedConnection);
            },
            FInterval, !FAdded);
        FAnimated = true;
    } else {
        FAnimated = false;
        ++FThreadSerial;
        if (FTimerThread) {
            FTimerThread->Detach();
            FTimerThread->Resume();
            FTimerThread->Terminate();
            FTimerThread.reset(); // joins: the woken thread ends at once
        }
    }
    FFrameIndex = 0;
    IconChanged();
}

void TTrayIcon::AdvanceFrame()
{
    if (FDestroying || !FAnimated)
        return;
    ++FFrameIndex;
    if (FFrameIndex >= FIcons->Count())
        FFrameIndex = 0;
    IconChanged();
}

bool TTrayIcon::NotifyAreaAvailable() const
{
    return FShell->IsAvailable();
}

TShiftState TTrayIcon::GetShiftState()
{
    return ShiftStateOf(QGuiApplication::queryKeyboardModifiers());
}

void TTrayIcon::HandleCallback(std::uint32_t Message, std::uint32_t MouseMessage)
{
    if (Message != TrayCallbackMessage || !FEnabled)
        return;
    // A handler's exception goes to the application's handler; the icon goes on working.
    RunGuarded([&] { DispatchMouse(MouseMessage); });
}

void TTrayIcon::DispatchMouse(std::uint32_t MouseMessage)
{
    const QPoint pos = FShell->CursorPos();
    const int x = pos.x();
    const int y = pos.y();
    const TShiftState shift = GetShiftState();
    switch (MouseMessage) {
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        MouseDown(mbLeft, shift | ssLeft, x, y);
        FLeftPressed = true;
        break;
    case WM_LBUTTONUP:
        if (FLeftPressed) {
            FLeftPressed = false;
            PerformClick(mbLeft, shift | ssLeft, x, y);
        }
        MouseUp(mbLeft, shift | ssLeft, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        PerformDblClick();
        MouseDown(mbLeft, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, shift | ssRight, x, y);
        FRightPressed = true;
        break;
    case WM_RBUTTONUP:
        if (FRightPressed) {
            FRightPressed = false;
            PerformClick(mbRight, shift | ssRight, x, y);
        }
        MouseUp(mbRight, shift | ssRight, x, y);
        break;
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift | ssDouble, x, y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift | ssMiddle, x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift | ssMiddle, x, y);
        break;
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift | ssDouble, x, y);
        break;
    default:
        break;
    }
}

void TTrayIcon::PerformClick(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbRight && ShowPopup(X, Y))
        return;
    Click(Button, Shift, X, Y);
}

void TTrayIcon::PerformDblClick()
{
    if (ActivateDefaultItem())
        return;
    DblClick();
}

bool TTrayIcon::ActivateDefaultItem()
{
    if (!FActive || !FPopupMenu)
        return false;
    QAction* def = FPopupMenu->defaultAction();
    for (QAction* action : FPopupMenu->actions())
        if (action == def && action->isEnabled()) {
            action->trigger();
            return true;
        }
    return false;
}

bool TTrayIcon::ShowPopup(int X, int Y)
{
    if (!FActive || !FPopupMenu)
        return false;
    // A menu's automatic pop-up is on unless its "AutoPopup" property says otherwise.
    const QVariant autoPopup = FPopupMenu->property("AutoPopup");
    if (autoPopup.isValid() && !autoPopup.toBool())
        return false;
    QPointer<QMenu> menu = FPopupMenu.data();
    menu->setProperty("PopupComponent", QVariant::fromValue<QObject*>(this));
    if (!FDestroying)
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
    QCoreApplication::processEvents();
    if (menu)
        FShell->ShowMenu(menu, QPoint(X, Y));
    return true;
}

void TTrayIcon::DblClick()
{
    Fire(OnDblClick, this);
}

void TTrayIcon::Click(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    Fire(OnClick, this, Button, Shift, X, Y);
}

void TTrayIcon::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    Fire(OnMouseDown, this, Button, Shift, X, Y);
}

void TTrayIcon::MouseMove(TShiftState Shift, int X, int Y)
{
    Fire(OnMouseMove, this, Shift, X, Y);
}

void TTrayIcon::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    Fire(OnMouseUp, this, Button, Shift, X, Y);
}

bool NotificationAreaAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}
