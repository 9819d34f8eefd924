// Any text read as resolv.conf gives at most the three name servers the resolver uses, each a
// well-formed address, and never fails.
#include "net/ResolverList.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<HostAddress> servers = ParseResolvConf(text);
    if (servers.size() > 3)
        std::abort();
    for (const HostAddress& a : servers)
        if (!a.Usable() &&
            !(a.V4 == 0xFFFFFFFFu && text.find("255.255.255.255") != std::string::npos))
            std::abort();
    return 0;
}
