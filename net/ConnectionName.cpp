#include "net/ConnectionName.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");

QVariant Ask(QDBusConnection& bus, const QString& path, const QString& interface,
             const QString& method, const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, method);
    call.setArguments(args);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kConnectionNameTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QVariant v = reply.arguments().constFirst();
    return v.canConvert<QDBusVariant>() ? v.value<QDBusVariant>().variant() : v;
}

QVariant Property(QDBusConnection& bus, const QString& path, const QString& interface,
                  const QString& name)
{
    return Ask(bus, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
               {interface, name});
}

} // namespace

QString ConnectionName(const QString& interfaceName)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (interfaceName.isEmpty() || !bus.isConnected() || !bus.interface())
        return {};
    bus.interface()->setTimeout(kConnectionNameTimeoutMs);
    if (!bus.interface()->isServiceRegistered(kService))
        return {};
    const QVariant device = Ask(bus, QStringLiteral("/org/freedesktop/NetworkManager"), kService,
                                QStringLiteral("GetDeviceByIpIface"), {interfaceName});
    const QString devicePath = device.value<QDBusObjectPath>().path();
    if (devicePath.isEmpty())
        return {};
    const QString active = Property(bus, devicePath, kService + QStringLiteral(".Device"),
                                    QStringLiteral("ActiveConnection"))
                               .value<QDBusObjectPath>()
                               .path();
    if (active.isEmpty() || active == QLatin1String("/"))
        return {};
    return Property(bus, active, kService + QStringLiteral(".Connection.Active"),
                    QStringLiteral("Id"))
        .toString();
}
