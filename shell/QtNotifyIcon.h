#pragma once
#include "shell/NotifyIcon.h"
#include "shell/TrayActivation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

// The desktop's notification area through QSystemTrayIcon. The tray's activations become the
// mouse messages of the callback table. While the icon is wanted, a tray host that appears (or
// comes back after a restart of the panel) gets the icon shown again.
//
// A StatusNotifierItem host (the D-Bus tray of Wayland panels and of some X11 desktops) has no
// double click: it reports a click as one activation. There, one activation counts as the double
// click (it shows or hides the main window), and a second within the double-click interval is
// part of the same double click; the menu is exported for the host to draw on a right click.
class TQtNotifyIcon : public QObject, public INotifyIcon {
    Q_OBJECT
public:
    explicit TQtNotifyIcon(QObject* Parent = nullptr);
    ~TQtNotifyIcon() override;

    bool Add(const TNotifyIconData& Data) override;
    bool Modify(const TNotifyIconData& Data) override;
    bool Delete(const TNotifyIconData& Data) override;
    void SetCallback(TCallback Callback) override { FCallback = std::move(Callback); }
    void SetAvailabilityCallback(TAvailabilityCallback Callback) override
    {
        FAvailability = std::move(Callback);
    }
    bool IsAvailable() const override;
    QPoint CursorPos() const override;
    void ShowMenu(QMenu* Menu, QPoint Pos) override;
    void SetMenu(QMenu* Menu) override;

    // Where the host shows the icon, in screen coordinates (empty if unknown).
    QRect Geometry() const { return FTray.geometry(); }

private:
    void Apply(const TNotifyIconData& Data);
    void Activated(QSystemTrayIcon::ActivationReason Reason);
    void Watch();

    QSystemTrayIcon FTray;
    TCallback FCallback;
    TAvailabilityCallback FAvailability;
    std::uint32_t FMessage = 0;
    bool FWanted = false;
    bool FWasAvailable = false; // as last reported
    bool FAreaKnown = false;
    QTimer FWatch;
    QElapsedTimer FClock;
    TTrayActivationDecoder FDecoder;
    // Qt chose the D-Bus tray when the icon was made (it does so once, as here).
    bool FStatusNotifier = false;
};
