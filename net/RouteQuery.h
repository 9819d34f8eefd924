#pragma once
// Which way the kernel would send a packet to an address right now: the output interface (its
// index, name and whether it is up with a carrier), the local source address, and the next-hop
// gateway (none when the address is on the link itself). Asked over netlink (RTM_GETROUTE, then
// RTM_GETLINK for the interface) every time, since routes change with the network; nothing is
// sent on the network. No Qt here, so the reply parsers build alone for their fuzz target.
#include "net/IpAddress.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct RouteInfo {
    bool V6 = false;
    int IfIndex = 0;    // output interface
    std::string IfName; // "" when the index has no name
    bool IfUp = false;  // administratively up and with a carrier (IFF_UP and IFF_RUNNING)
    HostAddress Source; // preferred local address; Usable() is false when none
    std::optional<HostAddress> Gateway; // next hop; none when the address is on link
    bool Local = false;                 // the address is this computer's own
};

struct RouteResult {
    bool Ok = false;
    RouteInfo Route;
    std::string Error; // English, why there is no usable route (Ok false)
};

// Asks the kernel which route it would use to `destination` now.
RouteResult QueryRoute(const HostAddress& destination);

// The parsers of the kernel's replies, as received (one or more netlink messages). True with the
// fields they carry filled in; false with `error` set for an error reply, a route that discards
// (unreachable, blackhole, prohibit) or bytes that are no such reply.
bool ParseRouteReply(const std::uint8_t* data, std::size_t size, RouteInfo& out,
                     std::string& error);
bool ParseLinkReply(const std::uint8_t* data, std::size_t size, RouteInfo& out, std::string& error);
