#include "net/ResolverList.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

std::vector<HostAddress> ParseResolvConf(const std::string& text)
{
    std::vector<HostAddress> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line) && out.size() < 3) {
        std::istringstream words(line);
        std::string key, value;
        if (!(words >> key) || key != "nameserver" || !(words >> value))
            continue;
        std::string zone;
        if (const auto pct = value.find('%'); pct != std::string::npos) {
            zone = value.substr(pct + 1);
            value.resize(pct);
        }
        std::uint32_t v4;
        Ip6Address v6;
        if (::inet_pton(AF_INET, value.c_str(), &v4) == 1) {
            out.push_back(HostAddress::FromV4(v4));
        } else if (::inet_pton(AF_INET6, value.c_str(), v6.Bytes.data()) == 1) {
            if (!zone.empty() && zone.size() < 10 &&
                zone.find_first_not_of("0123456789") == std::string::npos)
                v6.ScopeId = static_cast<std::uint32_t>(std::strtoul(zone.c_str(), nullptr, 10));
            out.push_back(HostAddress::FromV6(v6));
        }
    }
    return out;
}

bool IsLocalStub(const HostAddress& a)
{
    if (!a.V6)
        return (ntohl(a.V4) >> 24) == 127;
    static const Ip6Address loopback{{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 0};
    return a.Ip6.Bytes == loopback.Bytes;
}

namespace {

// systemd-resolved's global and per-link servers: the Manager's DNS property, a(iiay) of
// (interface index, family, address bytes). Qt checks the message's types; a malformed entry
// is skipped.
bool ResolvedServers(std::vector<HostAddress>& out)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.resolve1"), QStringLiteral("/org/freedesktop/resolve1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.resolve1.Manager") << QStringLiteral("DNS");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QDBusArgument arg =
        reply.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>();
    if (arg.currentType() != QDBusArgument::ArrayType)
        return false;
    arg.beginArray();
    while (!arg.atEnd()) {
        int ifindex = 0, family = 0;
        QByteArray bytes;
        arg.beginStructure();
        arg >> ifindex >> family >> bytes;
        arg.endStructure();
        if (family == AF_INET && bytes.size() == 4) {
            std::uint32_t v4;
            std::memcpy(&v4, bytes.constData(), 4);
            out.push_back(HostAddress::FromV4(v4));
        } else if (family == AF_INET6 && bytes.size() == 16) {
            Ip6Address v6;
            std::memcpy(v6.Bytes.data(), bytes.constData(), 16);
            v6.ScopeId = ifindex > 0 ? std::uint32_t(ifindex) : 0;
            out.push_back(HostAddress::FromV6(v6));
        }
    }
    arg.endArray();
    return true;
}

} // namespace

ResolverList SystemResolvers(const std::string& path)
{
    ResolverList list;
    std::ifstream file(path);
    if (!file) {
        list.Error = "Cannot read " + path;
        return list;
    }
    std::ostringstream text;
    text << file.rdbuf();
    list.Servers = ParseResolvConf(text.str());
    if (list.Servers.empty()) {
        list.Error = "No name server in " + path;
        return list;
    }
    bool stubs = true;
    for (const HostAddress& a : list.Servers)
        stubs = stubs && IsLocalStub(a);
    if (!stubs)
        return list;
    std::vector<HostAddress> upstream;
    if (ResolvedServers(upstream) && !upstream.empty()) {
        list.Servers = std::move(upstream);
        list.FromStub = true;
    } else {
        list.StubOnly = true;
    }
    return list;
}
