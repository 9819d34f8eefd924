#include "net/RouteQuery.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string Text(const HostAddress& a)
{
    char buf[INET6_ADDRSTRLEN] = {};
    if (a.V6)
        ::inet_ntop(AF_INET6, a.Ip6.Bytes.data(), buf, sizeof buf);
    else
        ::inet_ntop(AF_INET, &a.V4, buf, sizeof buf);
    return buf;
}

// Walks the netlink messages in a buffer; calls fn(header, payload, payloadSize) for each whole
// one. Stops at the first that does not fit.
template <class F> void ForEachMessage(const std::uint8_t* data, std::size_t size, F&& fn)
{
    std::size_t at = 0;
    while (size - at >= sizeof(nlmsghdr)) {
        nlmsghdr h;
        std::memcpy(&h, data + at, sizeof h);
        if (h.nlmsg_len < sizeof(nlmsghdr) || h.nlmsg_len > size - at)
            return;
        if (!fn(h, data + at + NLMSG_HDRLEN,
                h.nlmsg_len >= NLMSG_HDRLEN ? h.nlmsg_len - NLMSG_HDRLEN : 0))
            return;
        at += NLMSG_ALIGN(h.nlmsg_len);
        if (at > size)
            return;
    }
}

// Walks the attributes after a fixed header of `fixed` bytes.
template <class F>
void ForEachAttribute(const std::uint8_t* p, std::size_t n, std::size_t fixed, F&& fn)
{
    std::size_t at = NLMSG_ALIGN(fixed);
    while (at < n && n - at >= sizeof(rtattr)) {
        rtattr a;
        std::memcpy(&a, p + at, sizeof a);
        if (a.rta_len < sizeof(rtattr) || a.rta_len > n - at)
            return;
        fn(a.rta_type, p + at + RTA_LENGTH(0), std::size_t(a.rta_len) - RTA_LENGTH(0));
        at += RTA_ALIGN(a.rta_len);
    }
}

bool ErrorMessage(const nlmsghdr& h, const std::uint8_t* p, std::size_t n, std::string& error)
{
    if (h.nlmsg_type != NLMSG_ERROR)
        return false;
    nlmsgerr e{};
    if (n < sizeof e) {
        error = "Short netlink error reply";
        return true;
    }
    std::memcpy(&e, p, sizeof e);
    error = e.error == 0 ? "No route reply" : std::strerror(-e.error);
    return true;
}

bool ReadAddress(bool v6, const std::uint8_t* p, std::size_t n, HostAddress& out)
{
    if (v6 && n == 16) {
        Ip6Address a;
        std::memcpy(a.Bytes.data(), p, 16);
        out = HostAddress::FromV6(a);
        return true;
    }
    if (!v6 && n == 4) {
        std::uint32_t a;
        std::memcpy(&a, p, 4);
        out = HostAddress::FromV4(a);
        return true;
    }
    return false;
}

} // namespace

bool ParseRouteReply(const std::uint8_t* data, std::size_t size, RouteInfo& out, std::string& error)
{
    bool found = false;
    error.clear();
    ForEachMessage(data, size, [&](const nlmsghdr& h, const std::uint8_t* p, std::size_t n) {
        if (ErrorMessage(h, p, n, error))
            return false;
        if (h.nlmsg_type != RTM_NEWROUTE)
            return true;
        rtmsg rt{};
        if (n < sizeof rt) {
            error = "Short route reply";
            return false;
        }
        std::memcpy(&rt, p, sizeof rt);
        if (rt.rtm_family != AF_INET && rt.rtm_family != AF_INET6) {
            error = "Route reply of an unknown family";
            return false;
        }
        switch (rt.rtm_type) {
        case RTN_UNREACHABLE:
            error = "The route is unreachable";
            return false;
        case RTN_BLACKHOLE:
            error = "The route is a blackhole";
            return false;
        case RTN_PROHIBIT:
            error = "The route is prohibited";
            return false;
        default:
            break;
        }
        out.V6 = rt.rtm_family == AF_INET6;
        out.Local = rt.rtm_type == RTN_LOCAL;
        ForEachAttribute(p, n, sizeof rt, [&](int type, const std::uint8_t* v, std::size_t len) {
            HostAddress a;
            if (type == RTA_OIF && len == 4) {
                std::int32_t i;
                std::memcpy(&i, v, 4);
                out.IfIndex = i;
            } else if (type == RTA_PREFSRC && ReadAddress(out.V6, v, len, a)) {
                out.Source = a;
            } else if (type == RTA_GATEWAY && ReadAddress(out.V6, v, len, a)) {
                out.Gateway = a;
            }
        });
        found = true;
        return false;
    });
    if (!found && error.empty())
        error = "No route reply";
    return found;
}

bool ParseLinkReply(const std::uint8_t* data, std::size_t size, RouteInfo& out, std::string& error)
{
    bool found = false;
    error.clear();
    ForEachMessage(data, size, [&](const nlmsghdr& h, const std::uint8_t* p, std::size_t n) {
        if (ErrorMessage(h, p, n, error))
            return false;
        if (h.nlmsg_type != RTM_NEWLINK)
            return true;
        ifinfomsg ifi{};
        if (n < sizeof ifi) {
            error = "Short link reply";
            return false;
        }
        std::memcpy(&ifi, p, sizeof ifi);
        out.IfUp = (ifi.ifi_flags & IFF_UP) && (ifi.ifi_flags & IFF_RUNNING);
        ForEachAttribute(p, n, sizeof ifi, [&](int type, const std::uint8_t* v, std::size_t len) {
            if (type == IFLA_IFNAME && len > 0)
                out.IfName.assign(reinterpret_cast<const char*>(v),
                                  ::strnlen(reinterpret_cast<const char*>(v), len));
        });
        found = true;
        return false;
    });
    if (!found && error.empty())
        error = "No link reply";
    return found;
}

namespace {

// One request and its reply over a fresh netlink socket; the reply's bytes or an error text.
bool Ask(const void* request, std::size_t size, std::uint8_t* reply, std::size_t capacity,
         std::size_t& got, std::string& error)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        error = std::string("Cannot open a netlink socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    bool ok = ::sendto(fd, request, size, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
              ssize_t(size);
    if (!ok)
        error = std::string("Cannot ask the kernel for a route: ") + std::strerror(errno);
    if (ok) {
        // The kernel answers at once; the limit only guards against a reply that never comes.
        pollfd pfd{fd, POLLIN, 0};
        ssize_t n = -1;
        if (::poll(&pfd, 1, 2000) == 1)
            n = ::recv(fd, reply, capacity, 0);
        ok = n > 0;
        got = ok ? std::size_t(n) : 0;
        if (!ok)
            error = "The kernel did not answer the route request";
    }
    ::close(fd);
    return ok;
}

// The source address the kernel picks for a datagram to `to` (nothing is sent by connect).
HostAddress SourceFor(const HostAddress& to)
{
    HostAddress none;
    const int fd = ::socket(to.V6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return none;
    sockaddr_storage ss{};
    socklen_t len;
    if (to.V6) {
        auto* s6 = reinterpret_cast<sockaddr_in6*>(&ss);
        s6->sin6_family = AF_INET6;
        s6->sin6_port = htons(9);
        std::memcpy(&s6->sin6_addr, to.Ip6.Bytes.data(), 16);
        s6->sin6_scope_id = to.Ip6.ScopeId;
        len = sizeof *s6;
    } else {
        auto* s4 = reinterpret_cast<sockaddr_in*>(&ss);
        s4->sin_family = AF_INET;
        s4->sin_port = htons(9);
        s4->sin_addr.s_addr = to.V4;
        len = sizeof *s4;
    }
    HostAddress out;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&ss), len) == 0) {
        sockaddr_storage me{};
        socklen_t mlen = sizeof me;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&me), &mlen) == 0) {
            if (to.V6) {
                Ip6Address a;
                std::memcpy(a.Bytes.data(), &reinterpret_cast<sockaddr_in6*>(&me)->sin6_addr, 16);
                if (a != Ip6Address{})
                    out = HostAddress::FromV6(a);
            } else {
                const std::uint32_t a = reinterpret_cast<sockaddr_in*>(&me)->sin_addr.s_addr;
                if (a != 0)
                    out = HostAddress::FromV4(a);
            }
        }
    }
    ::close(fd);
    return out;
}

} // namespace

RouteResult QueryRoute(const HostAddress& destination)
{
    RouteResult result;
    if (!destination.Usable()) {
        result.Error = "No address to route to";
        return result;
    }
    struct {
        nlmsghdr H;
        rtmsg R;
        alignas(4) std::uint8_t Attr[RTA_SPACE(16)];
    } req{};
    const std::size_t alen = destination.V6 ? 16 : 4;
    req.H.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg)) + RTA_SPACE(alen);
    req.H.nlmsg_type = RTM_GETROUTE;
    req.H.nlmsg_flags = NLM_F_REQUEST;
    req.H.nlmsg_seq = 1;
    req.R.rtm_family = destination.V6 ? AF_INET6 : AF_INET;
    req.R.rtm_dst_len = destination.V6 ? 128 : 32;
    rtattr a{};
    a.rta_len = static_cast<unsigned short>(RTA_LENGTH(alen));
    a.rta_type = RTA_DST;
    std::memcpy(req.Attr, &a, sizeof a);
    std::memcpy(req.Attr + RTA_LENGTH(0),
                destination.V6 ? static_cast<const void*>(destination.Ip6.Bytes.data())
                               : static_cast<const void*>(&destination.V4),
                alen);

    alignas(nlmsghdr) std::uint8_t reply[8192];
    std::size_t got = 0;
    std::string error;
    if (!Ask(&req, req.H.nlmsg_len, reply, sizeof reply, got, error) ||
        !ParseRouteReply(reply, got, result.Route, error)) {
        result.Error = "No route to " + Text(destination) + ": " + error;
        return result;
    }
    result.Route.Source = SourceFor(destination);

    struct {
        nlmsghdr H;
        ifinfomsg I;
    } link{};
    link.H.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    link.H.nlmsg_type = RTM_GETLINK;
    link.H.nlmsg_flags = NLM_F_REQUEST;
    link.H.nlmsg_seq = 2;
    link.I.ifi_family = AF_UNSPEC;
    link.I.ifi_index = result.Route.IfIndex;
    if (!Ask(&link, link.H.nlmsg_len, reply, sizeof reply, got, error) ||
        !ParseLinkReply(reply, got, result.Route, error)) {
        result.Error = "No interface for the route to " + Text(destination) + ": " + error;
        return result;
    }
    if (!result.Route.IfUp) {
        result.Error = "The interface " + result.Route.IfName + " is down";
        return result;
    }
    if (!result.Route.Source.Usable() || (!result.Route.Source.V6 && result.Route.Source.V4 == 0)) {
        result.Error = "No local address on " + result.Route.IfName;
        return result;
    }
    result.Ok = true;
    return result;
}
