#include "net/HostAddress.h"

#include "net/HostResolver.h"

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>

namespace {

// The zone of a literal: an interface name, or its number; 0 when no interface has it.
std::uint32_t ZoneIndex(const QByteArray& zone)
{
    if (zone.isEmpty() || zone.size() >= IF_NAMESIZE)
        return 0;
    bool number = false;
    const uint n = zone.toUInt(&number);
    if (number) {
        char name[IF_NAMESIZE];
        return n != 0 && ::if_indextoname(n, name) ? n : 0;
    }
    return ::if_nametoindex(zone.constData());
}

} // namespace

LiteralKind ParseAddressLiteral(const QString& text, HostAddress* address)
{
    std::uint32_t v4 = 0;
    if (DottedAddress(text, &v4)) {
        if (address)
            *address = HostAddress::FromV4(v4);
        return LiteralKind::Address;
    }
    const bool bracketed = text.startsWith(QLatin1Char('['));
    if (!bracketed && !text.contains(QLatin1Char(':')))
        return LiteralKind::Name;
    if (!IsLookupText(text))
        return LiteralKind::Malformed;
    QByteArray body = text.toLatin1();
    if (bracketed) {
        if (!body.endsWith(']'))
            return LiteralKind::Malformed;
        body = body.mid(1, body.size() - 2);
    }
    QByteArray zone;
    if (const qsizetype percent = body.indexOf('%'); percent >= 0) {
        zone = body.mid(percent + 1);
        body.truncate(percent);
        if (zone.isEmpty())
            return LiteralKind::Malformed;
    }
    in6_addr a{};
    if (::inet_pton(AF_INET6, body.constData(), &a) != 1)
        return LiteralKind::Malformed;
    Ip6Address ip6;
    std::memcpy(ip6.Bytes.data(), &a, sizeof a);
    if (!zone.isEmpty()) {
        ip6.ScopeId = ZoneIndex(zone);
        if (ip6.ScopeId == 0)
            return LiteralKind::UnknownZone;
    }
    if (address)
        *address = HostAddress::FromV6(ip6);
    return LiteralKind::Address;
}

QString LiteralFailureText(LiteralKind kind, const QString& text)
{
    if (kind == LiteralKind::UnknownZone)
        return QStringLiteral("No network interface for the zone of '") + text + QLatin1Char('\'');
    return QStringLiteral("Malformed IPv6 address '") + text + QLatin1Char('\'');
}

QString AddressText(const HostAddress& address)
{
    if (!address.V6)
        return DottedText(address.V4);
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET6, address.Ip6.Bytes.data(), text, sizeof text);
    QString s = QString::fromLatin1(text);
    if (address.Ip6.ScopeId != 0) {
        char name[IF_NAMESIZE] = {};
        s += QLatin1Char('%') + (::if_indextoname(address.Ip6.ScopeId, name)
                                     ? QString::fromLatin1(name)
                                     : QString::number(address.Ip6.ScopeId));
    }
    return s;
}
