#include "net/ReverseName.h"

#include "net/SockAddr.h"

#include <netdb.h>

std::string ReverseName(const HostAddress& a)
{
    sockaddr_storage ss;
    const socklen_t len = ToSockAddr(a, 0, ss);
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&ss), len, host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) != 0)
        return {};
    return host;
}
