#include "monitor/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
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

void NotifyDesktop(const QString& title, const QString& body, TUrgency urgency)
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
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency)));
    call << title         // app_name
         << uint(0)       // replaces_id
         << QString()     // app_icon
         << title         // summary
         << body          // body
         << QStringList() // actions
         << hints         // hints
         << int(-1);      // expire_timeout: the service's default
    // Without a service the bus answers with an error, which nobody waits for.
    bus.asyncCall(call);
}

} // namespace Monitor
