#include "shell/TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>

bool StatusNotifierHostPresent()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

bool WaitForTrayHost(int Ms)
{
    if (QGuiApplication::platformName() != QLatin1String("wayland") ||
        !QDBusConnection::sessionBus().isConnected())
        return StatusNotifierHostPresent();
    const QDeadlineTimer deadline(Ms);
    while (!StatusNotifierHostPresent()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}
