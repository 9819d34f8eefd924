#include "monitor/FaultVerdict.h"

#include "net/HostAddress.h"
#include "net/HostResolver.h"

#include <QCoreApplication>
#include <QStringList>
#include <arpa/inet.h>

namespace Monitor {

namespace {

QString Tx(const char* source, bool translated)
{
    return translated ? QCoreApplication::translate("FaultVerdict", source)
                      : QString::fromUtf8(source);
}

bool Fails(const HopRecord& h)
{
    return h.RecentlyFails();
}

// Private and shared (carrier-grade NAT) IPv4 ranges, and IPv6 unique-local addresses: a
// provider's inner routers often use them right after the gateway.
bool PrivateAddress(const HostAddress& a)
{
    if (a.V6)
        return (a.Ip6.Bytes[0] & 0xFE) == 0xFC;
    const std::uint32_t v = ntohl(a.V4);
    return (v >> 24) == 10 || (v >> 20) == (172u << 4 | 1) || (v >> 16) == (192u << 8 | 168) ||
           (v >> 22) == (100u << 2 | 1);
}

} // namespace

bool SameProviderNetwork(const HostAddress& a, const HostAddress& b)
{
    if (!a.Usable() || !b.Usable() || a.V6 != b.V6)
        return false;
    if (a.V6)
        return std::equal(a.Ip6.Bytes.begin(), a.Ip6.Bytes.begin() + 6, b.Ip6.Bytes.begin());
    return (ntohl(a.V4) >> 16) == (ntohl(b.V4) >> 16);
}

int HopsFromReplyTtl(int ttl)
{
    if (ttl <= 0 || ttl > 255)
        return 0;
    const int initial = ttl <= 64 ? 64 : ttl <= 128 ? 128 : 255;
    return initial - ttl + 1;
}

TFaultVerdict DecideFault(const TFaultInput& in, const QDateTime& when)
{
    TFaultVerdict v;
    v.Time = when;
    const PathRecords& p = in.Path;
    const bool nameFailed = in.NameGiven && in.NameError != 0;
    auto nameVerdict = [&] {
        v.Where = TFaultWhere::NameResolution;
        QStringList servers;
        for (const HostAddress& s : p.Resolvers.Servers)
            servers << AddressText(s);
        if (!servers.isEmpty())
            v.Address = servers.first();
        if (in.NameError == WinSock::WSAHOST_NOT_FOUND || in.NameError == WinSock::WSANO_DATA) {
            v.Evidence = TEvidence::NameNotFound;
        } else {
            v.Evidence = TEvidence::NameUnanswered;
            v.Detail = servers.join(QStringLiteral(", "));
        }
        return v;
    };

    if (!p.Target.Usable()) {
        if (nameFailed)
            return nameVerdict();
        v.Evidence = TEvidence::NoAddressKnown;
        return v;
    }
    if (!p.Route.Ok) {
        v.Where = TFaultWhere::Computer;
        v.Evidence = TEvidence::NoRoute;
        v.Detail = QString::fromStdString(p.Route.Error);
        return v;
    }
    if (!p.Error.empty() || p.Hops.empty()) {
        v.Evidence = TEvidence::CannotProbe;
        v.Detail = QString::fromStdString(p.Error);
        return v;
    }

    const std::vector<HopRecord>& hops = p.Hops;
    const int reached = p.HostHop();
    // Without a gateway the host is on the link: the first hop is the host itself.
    const int knownHops = p.Route.Route.Gateway ? in.KnownHops : 1;
    // How far the path goes: to the host when it answered or its distance is known, else one
    // hop past the last that answered.
    int last = reached > 0 ? reached : knownHops;
    if (last <= 0) {
        int answered = 0;
        for (const HopRecord& h : hops)
            if (h.Received > 0)
                answered = h.Ttl;
        last = answered + 1;
    }
    last = std::min<int>(last, int(hops.size()));
    int begin = 0;
    for (int h = last; h >= 1 && Fails(hops[std::size_t(h - 1)]); --h)
        begin = h;
    const int end = begin > 0 ? begin - 1 : reached > 0 ? reached - 1 : last;
    for (int h = 1; h <= end; ++h) {
        const HopRecord& r = hops[std::size_t(h - 1)];
        if (r.RecentLost() > 0)
            v.RateLimited << h;
    }

    if (begin == 0) {
        if (nameFailed) {
            v.Where = TFaultWhere::NameResolution;
            v.Evidence = TEvidence::NameFailsAddressAnswers;
            v.Address = AddressText(p.Target);
            return v;
        }
        v.Evidence = TEvidence::PathAnswers;
        return v;
    }

    const HopRecord& at = hops[std::size_t(begin - 1)];
    v.Hop = begin;
    if (at.Address.Usable())
        v.Address = AddressText(at.Address);
    const std::optional<HostAddress>& gateway = p.Route.Route.Gateway;
    if (gateway && begin == 1) {
        v.Where = TFaultWhere::LocalNetwork;
        v.Address = AddressText(*gateway);
        v.Evidence =
            p.Gateway.Received > 0 ? TEvidence::GatewayNoForward : TEvidence::GatewaySilent;
        return v;
    }
    // A router on the failing stretch that says "unreachable" is where the path ends; its
    // messages are rate-limited too, so any probe past the start may carry them.
    const HopRecord* refusing = nullptr;
    for (std::size_t h = std::size_t(begin - 1); h < hops.size() && !refusing; ++h)
        if (hops[h].RecentlyRefused() && hops[h].Address.Usable())
            refusing = &hops[h];
    if (last == begin && (reached > 0 || knownHops > 0) && !refusing) {
        v.Where = TFaultWhere::Host;
        v.Address = AddressText(p.Target);
        v.Evidence = TEvidence::HostSilent;
        return v;
    }
    v.Evidence = refusing ? TEvidence::HopUnreachable : TEvidence::HopSilent;
    if (refusing)
        v.Address = AddressText(refusing->Address);
    if (v.Evidence == TEvidence::HopSilent && begin > 1 &&
        hops[std::size_t(begin - 2)].Address.Usable())
        v.Detail = AddressText(hops[std::size_t(begin - 2)].Address);
    // The provider's hops: the first past the gateway (hop 1 on a direct link), and those after
    // it that lie in its network.
    const int first = gateway ? 2 : 1;
    int providerEnd = first;
    const HostAddress& firstAddress =
        hops.size() >= std::size_t(first) ? hops[std::size_t(first - 1)].Address : HostAddress{};
    for (int h = first + 1; h <= int(hops.size()); ++h) {
        const HostAddress& a = hops[std::size_t(h - 1)].Address;
        if (SameProviderNetwork(a, firstAddress) || PrivateAddress(a))
            providerEnd = h;
        else
            break;
    }
    const bool providerRefuses = refusing && SameProviderNetwork(refusing->Address, firstAddress);
    v.Where = begin <= providerEnd || providerRefuses ? TFaultWhere::Provider
                                                      : TFaultWhere::BeyondProvider;
    return v;
}

QString FaultWhereName(TFaultWhere where)
{
    switch (where) {
    case TFaultWhere::None:
        return {};
    case TFaultWhere::Computer:
        return QStringLiteral("computer");
    case TFaultWhere::LocalNetwork:
        return QStringLiteral("local-network");
    case TFaultWhere::NameResolution:
        return QStringLiteral("name-resolution");
    case TFaultWhere::Provider:
        return QStringLiteral("provider");
    case TFaultWhere::BeyondProvider:
        return QStringLiteral("beyond-provider");
    case TFaultWhere::Host:
        return QStringLiteral("host");
    }
    return {};
}

QString FaultText(TFaultWhere where)
{
    switch (where) {
    case TFaultWhere::None:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Yolda sorun bulunmadı"), true);
    case TFaultWhere::Computer:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Bu bilgisayarın ağ bağlantısı yok"), true);
    case TFaultWhere::LocalNetwork:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Sorun yerel ağda"), true);
    case TFaultWhere::NameResolution:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Ad çözümlemesi çalışmıyor"), true);
    case TFaultWhere::Provider:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Sorun servis sağlayıcısında"), true);
    case TFaultWhere::BeyondProvider:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Sorun servis sağlayıcısının ötesinde"), true);
    case TFaultWhere::Host:
        return Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Yalnız karşı bilgisayar yanıt vermiyor"),
                  true);
    }
    return {};
}

QString FaultEvidence(const TFaultVerdict& v, bool t)
{
    QString s;
    switch (v.Evidence) {
    case TEvidence::None:
        break;
    case TEvidence::NoAddressKnown:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Karşı bilgisayarın adresi bilinmiyor"), t);
        break;
    case TEvidence::CannotProbe:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Yoklama yapılamadı: %1"), t).arg(v.Detail);
        break;
    case TEvidence::NoRoute:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Çekirdekte kullanılabilir yol yok: %1"), t)
                .arg(v.Detail);
        break;
    case TEvidence::PathAnswers:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Bütün adımlar ve karşı bilgisayar yanıt veriyor"),
               t);
        break;
    case TEvidence::GatewaySilent:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Ağ geçidi %1 yanıt vermiyor"), t).arg(v.Address);
        break;
    case TEvidence::GatewayNoForward:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict",
                                 "Ağ geçidi %1 yanıt veriyor ama paketleri iletmiyor"),
               t)
                .arg(v.Address);
        break;
    case TEvidence::HopSilent:
        s = v.Detail.isEmpty()
                ? Tx(QT_TRANSLATE_NOOP("FaultVerdict", "%1. adımdan başlayarak yanıt yok"), t)
                      .arg(v.Hop)
                : Tx(QT_TRANSLATE_NOOP("FaultVerdict",
                                       "%1. adımdan başlayarak yanıt yok (son yanıt veren %2)"),
                     t)
                      .arg(v.Hop)
                      .arg(v.Detail);
        break;
    case TEvidence::HopUnreachable:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "%1. adımdaki yönlendirici %2 hedefe ulaşamıyor"),
               t)
                .arg(v.Hop)
                .arg(v.Address);
        break;
    case TEvidence::HostSilent:
        s = v.Hop > 1
                ? Tx(QT_TRANSLATE_NOOP("FaultVerdict",
                                       "Yoldaki %1 adım yanıt veriyor, %2 vermiyor"),
                     t)
                      .arg(v.Hop - 1)
                      .arg(v.Address)
                : Tx(QT_TRANSLATE_NOOP("FaultVerdict", "%1 yanıt vermiyor"), t).arg(v.Address);
        break;
    case TEvidence::NameUnanswered:
        s = v.Detail.isEmpty()
                ? Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Ad sunucuları yanıt vermiyor"), t)
                : Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Ad sunucuları yanıt vermiyor (%1)"), t)
                      .arg(v.Detail);
        break;
    case TEvidence::NameNotFound:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "Ad sunucuları bu adı tanımıyor"), t);
        break;
    case TEvidence::NameFailsAddressAnswers:
        s = Tx(QT_TRANSLATE_NOOP("FaultVerdict", "%1 adresi yanıt veriyor ama ad çözülemiyor"), t)
                .arg(v.Address);
        break;
    }
    if (!v.RateLimited.isEmpty()) {
        QStringList hops;
        for (int h : v.RateLimited)
            hops << QString::number(h);
        s += Tx(QT_TRANSLATE_NOOP(
                    "FaultVerdict",
                    "; %1. adım yanıtlarını sınırlıyor ama iletiyor, sorun orada değil"),
                t)
                 .arg(hops.join(QStringLiteral(", ")));
    }
    return s;
}

QString FaultSummary(const TFaultVerdict& v)
{
    const QString e = FaultEvidence(v);
    return e.isEmpty() ? FaultText(v.Where) : FaultText(v.Where) + QStringLiteral(": ") + e;
}

} // namespace Monitor
