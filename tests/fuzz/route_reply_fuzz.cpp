// Any bytes, read as the kernel's reply to a route or a link request, are either refused with
// an error text or read into a route whose fields hold only what the reply carried: an
// interface name no longer than the bytes it came from, addresses of the reply's family.
#include "net/RouteQuery.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Netlink replies are 4-byte aligned in the kernel's buffer; keep them so here.
    std::vector<std::uint32_t> aligned((size + 3) / 4);
    if (size)
        __builtin_memcpy(aligned.data(), data, size);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(aligned.data());
    RouteInfo route;
    std::string error;
    if (ParseRouteReply(bytes, size, route, error)) {
        if (!error.empty())
            std::abort();
        if (route.Gateway && route.Gateway->V6 != route.V6)
            std::abort();
        if (route.Source.Usable() && route.Source.V6 != route.V6)
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    RouteInfo link;
    if (ParseLinkReply(bytes, size, link, error)) {
        if (link.IfName.size() > size)
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
