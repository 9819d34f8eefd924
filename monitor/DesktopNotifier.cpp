#include "monitor/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

namespace Monitor {

namespace {

std::function<void(const QString&, const QString&)>& Hook()
{
    static std::function<void(const QString&, const QString&)> hook;
    return hook;
}

} // namespace

void SetNotifyHook(std::function<void(const QString& title, const QString& body)> hook)
{
    Hook() = std::move(hook);
}

void NotifyDesktop(const QString& title, const QString& body, TUrgency urgency, unsigned replaces,
                   std::function<void(unsigned id)> onShown)
{
    if (Hook()) {
        Hook()(title, body);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The icon installed under the desktop entry's name (hicolor theme).
    const QString entry = QGuiApplication::desktopFileName();
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency)));
    if (!entry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), entry);
    call << title                   // app_name
         << uint(replaces) << entry // app_icon
         << title                   // summary
         << body                    // body
         << QStringList()           // actions
         << hints                   // hints
         << int(-1);                // expire_timeout: the service's default
    // Without a service the bus answers with an error, which nobody waits for.
    const QDBusPendingCall pending = bus.asyncCall(call);
    if (!onShown)
        return;
    auto* watcher = new QDBusPendingCallWatcher(pending);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, onShown = std::move(onShown)] {
                         const QDBusPendingReply<uint> reply = *watcher;
                         if (!reply.isError())
                             onShown(reply.value());
                         watcher->deleteLater();
                     });
}

} // namespace Monitor
