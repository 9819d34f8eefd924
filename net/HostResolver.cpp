#include "net/HostResolver.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <system_error>
#include <thread>

HostResolver::~HostResolver() = default;

int HostResolver::RunDetached(std::function<void()> job)
{
    try {
        std::thread(std::move(job)).detach();
        return 0;
    } catch (const std::system_error&) {
        return WinSock::WSAENOBUFS;
    }
}

namespace {

int WinSockCodeOf(int gaiError)
{
    switch (gaiError) {
    case EAI_NONAME:
        return WinSock::WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return WinSock::WSATRY_AGAIN;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return WinSock::WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return WinSock::WSANO_DATA;
#endif
    default: // EAI_FAIL, EAI_MEMORY, EAI_SYSTEM and anything else
        return WinSock::WSANO_RECOVERY;
    }
}

class GetAddrInfoResolver final : public HostResolver {
public:
    HostLookup Lookup(const std::string& name) override
    {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM; // one entry per address, not one per socket type
        hints.ai_flags = AI_CANONNAME;
        addrinfo* list = nullptr;
        const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
        HostLookup r;
        if (rc != 0) {
            r.Error = WinSockCodeOf(rc);
            return r;
        }
        r.HasV4 = false;
        for (const addrinfo* a = list; a; a = a->ai_next) {
            if (!a->ai_addr)
                continue;
            if (!r.HasV4 && a->ai_family == AF_INET &&
                a->ai_addrlen >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
                r.HasV4 = true;
                r.Address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            } else if (!r.HasV6 && a->ai_family == AF_INET6 &&
                       a->ai_addrlen >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
                const auto* six = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
                r.HasV6 = true;
                std::memcpy(r.Address6.Bytes.data(), &six->sin6_addr, 16);
                r.Address6.ScopeId = six->sin6_scope_id;
            }
        }
        r.Error = r.HasV4 || r.HasV6 ? 0 : WinSock::WSANO_DATA;
        if (list->ai_canonname)
            r.OfficialName = list->ai_canonname;
        ::freeaddrinfo(list);
        return r;
    }
};

} // namespace

std::shared_ptr<HostResolver> SystemHostResolver()
{
    return std::make_shared<GetAddrInfoResolver>();
}

bool IsLookupText(const QString& text)
{
    if (text.isEmpty() || text.size() > 255)
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

bool DottedAddress(const QString& text, std::uint32_t* address)
{
    if (!IsLookupText(text))
        return false;
    const QByteArray ascii = text.toLatin1();
    const in_addr_t a = ::inet_addr(ascii.constData());
    if (a == INADDR_NONE)
        return false;
    if (address)
        *address = a;
    return true;
}

QString DottedText(std::uint32_t address)
{
    in_addr a{};
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return QString::fromLatin1(text);
}
