#pragma once
// A HostAddress as the socket calls take it.
#include "net/IpAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

// Fills `out` with the address and port (host byte order); returns its length.
inline socklen_t ToSockAddr(const HostAddress& a, std::uint16_t port, sockaddr_storage& out)
{
    out = sockaddr_storage{};
    if (a.V6) {
        auto* s6 = reinterpret_cast<sockaddr_in6*>(&out);
        s6->sin6_family = AF_INET6;
        s6->sin6_port = htons(port);
        std::memcpy(&s6->sin6_addr, a.Ip6.Bytes.data(), 16);
        s6->sin6_scope_id = a.Ip6.ScopeId;
        return sizeof *s6;
    }
    auto* s4 = reinterpret_cast<sockaddr_in*>(&out);
    s4->sin_family = AF_INET;
    s4->sin_port = htons(port);
    s4->sin_addr.s_addr = a.V4;
    return sizeof *s4;
}
