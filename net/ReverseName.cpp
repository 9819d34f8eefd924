#include "net/ReverseName.h"

#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::string ReverseName(const HostAddress& a)
{
    sockaddr_storage ss{};
    socklen_t len;
    if (a.V6) {
        auto* s6 = reinterpret_cast<sockaddr_in6*>(&ss);
        s6->sin6_family = AF_INET6;
        std::memcpy(&s6->sin6_addr, a.Ip6.Bytes.data(), 16);
        s6->sin6_scope_id = a.Ip6.ScopeId;
        len = sizeof *s6;
    } else {
        auto* s4 = reinterpret_cast<sockaddr_in*>(&ss);
        s4->sin_family = AF_INET;
        s4->sin_addr.s_addr = a.V4;
        len = sizeof *s4;
    }
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&ss), len, host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) != 0)
        return {};
    return host;
}
