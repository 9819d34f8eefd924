#include "shell/QtNotifyIcon.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QStyleHints>

namespace {
constexpr int WatchInterval = 2000; // ms between looks for a tray host that came or went
}

TQtNotifyIcon::TQtNotifyIcon(QObject* Parent) : QObject(Parent)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    FStatusNotifier = bus.isConnected() && bus.interface()->isServiceRegistered(
                                               QStringLiteral("org.kde.StatusNotifierWatcher"));
    FClock.start();
    connect(&FTray, &QSystemTrayIcon::activated, this, &TQtNotifyIcon::Activated);
    FWatch.setInterval(WatchInterval);
    connect(&FWatch, &QTimer::timeout, this, &TQtNotifyIcon::Watch);
}

TQtNotifyIcon::~TQtNotifyIcon()
{
    FWatch.stop();
    FTray.hide();
}

void TQtNotifyIcon::Apply(const TNotifyIconData& Data)
{
    if (Data.uFlags & NIF_MESSAGE)
        FMessage = Data.uCallbackMessage;
    if (Data.uFlags & NIF_ICON)
        FTray.setIcon(Data.hIcon.isNull() ? QIcon() : QIcon(QPixmap::fromImage(Data.hIcon)));
    if (Data.uFlags & NIF_TIP)
        FTray.setToolTip(Data.szTip);
}

bool TQtNotifyIcon::Add(const TNotifyIconData& Data)
{
    Apply(Data);
    const bool available = IsAvailable();
    // After the first add the watch alone follows the area, so that a retried add does not
    // swallow the news of an area that has just appeared.
    if (!FAreaKnown)
        FWasAvailable = available;
    FAreaKnown = true;
    FWanted = true;
    FTray.show();
    FWatch.start();
    return available;
}

bool TQtNotifyIcon::Modify(const TNotifyIconData& Data)
{
    if (!FWanted)
        return false;
    Apply(Data);
    return true;
}

bool TQtNotifyIcon::Delete(const TNotifyIconData&)
{
    const bool was = FWanted;
    FWanted = false;
    FWatch.stop();
    FTray.hide();
    return was;
}

bool TQtNotifyIcon::IsAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QPoint TQtNotifyIcon::CursorPos() const
{
    return QCursor::pos();
}

void TQtNotifyIcon::ShowMenu(QMenu* Menu, QPoint Pos)
{
    if (Menu)
        Menu->exec(Pos);
}

void TQtNotifyIcon::SetMenu(QMenu* Menu)
{
    // An XEmbed tray would open a menu set here by itself as well as through ShowMenu.
    if (FStatusNotifier)
        FTray.setContextMenu(Menu);
}

void TQtNotifyIcon::Watch()
{
    const bool available = IsAvailable();
    const bool changed = available != FWasAvailable;
    if (FWanted && available && !FWasAvailable) {
        // A host appeared: show the icon to it afresh.
        FTray.hide();
        FTray.show();
    }
    FWasAvailable = available;
    if (FWanted && changed && FAvailability)
        FAvailability(available);
}

void TQtNotifyIcon::Activated(QSystemTrayIcon::ActivationReason Reason)
{
    TTrayActivationDecoder::TActivation activation;
    switch (Reason) {
    case QSystemTrayIcon::Trigger:
        activation =
            FStatusNotifier ? TTrayActivationDecoder::DoubleClick : TTrayActivationDecoder::Trigger;
        break;
    case QSystemTrayIcon::DoubleClick:
        activation = TTrayActivationDecoder::DoubleClick;
        break;
    case QSystemTrayIcon::Context:
        activation = TTrayActivationDecoder::Context;
        break;
    case QSystemTrayIcon::MiddleClick:
        activation = TTrayActivationDecoder::MiddleClick;
        break;
    default:
        return;
    }
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    for (std::uint32_t message : FDecoder.Decode(activation, FClock.elapsed(), interval))
        if (FCallback)
            FCallback(FMessage, message);
}
