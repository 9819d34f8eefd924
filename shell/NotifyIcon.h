#pragma once
#include <QImage>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>

class QMenu;

// The notification record handed to the notification area before each add or modify: the
// fields of the shell's first, 88-byte record, with the icon and tip as Qt values.
struct TNotifyIconData {
    std::uint32_t cbSize = 0;
    std::uintptr_t hWnd = 0; // identifies the component that receives the callbacks
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    QImage hIcon;  // the image of the current icon
    QString szTip; // at most 63 characters
};

constexpr std::uint32_t NotifyIconDataSize = 88;
constexpr std::uint32_t NIF_MESSAGE = 0x1;
constexpr std::uint32_t NIF_ICON = 0x2;
constexpr std::uint32_t NIF_TIP = 0x4;
constexpr int NotifyTipLength = 63;

// The message the notification area sends back for the icon.
constexpr std::uint32_t TrayCallbackMessage = 0xB054;

// Mouse messages carried by a callback.
constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x201;
constexpr std::uint32_t WM_LBUTTONUP = 0x202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x204;
constexpr std::uint32_t WM_RBUTTONUP = 0x205;
constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x206;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x207;
constexpr std::uint32_t WM_MBUTTONUP = 0x208;
constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x209;

// The notification area as the tray icon component sees it: add, modify and delete one icon,
// and mouse messages coming back on the user-interface thread.
class INotifyIcon {
public:
    // (callback message of the record, mouse message)
    using TCallback = std::function<void(std::uint32_t Message, std::uint32_t MouseMessage)>;

    virtual ~INotifyIcon() = default;
    virtual bool Add(const TNotifyIconData& Data) = 0;
    virtual bool Modify(const TNotifyIconData& Data) = 0;
    virtual bool Delete(const TNotifyIconData& Data) = 0;
    virtual void SetCallback(TCallback Callback) = 0;
    // Whether a notification area exists at all on this desktop (it may appear later).
    virtual bool IsAvailable() const = 0;
    // Told, on the user-interface thread, when a notification area appears or goes away while
    // the icon is wanted.
    using TAvailabilityCallback = std::function<void(bool Available)>;
    virtual void SetAvailabilityCallback(TAvailabilityCallback Callback) = 0;
    // The cursor position in screen coordinates, read when a callback is handled.
    virtual QPoint CursorPos() const = 0;
    // Shows the menu at the screen position and returns when it has closed.
    virtual void ShowMenu(QMenu* Menu, QPoint Pos) = 0;
    // The icon's menu, for a notification area that shows menus itself (a StatusNotifierItem
    // host, which draws the exported menu on a right click); others are served by ShowMenu.
    virtual void SetMenu(QMenu*) {}
};
