#pragma once
// The kernel's notices of network changes, as a route netlink socket subscribed to the link,
// address and route groups receives them: one datagram holds one or more messages. Only what
// changed is read (which kinds, how many); what the change means for the host is asked afresh
// (RouteQuery). No Qt here, so the parser builds alone for its fuzz target.
#include <cstddef>
#include <cstdint>

struct NetlinkChanges {
    int Links = 0;     // RTM_NEWLINK, RTM_DELLINK
    int Addresses = 0; // RTM_NEWADDR, RTM_DELADDR
    int Routes = 0;    // RTM_NEWROUTE, RTM_DELROUTE of the main and other tables (cached clones
                       // of routes are no change)
    int Others = 0;    // well-formed messages of any other type

    bool Any() const { return Links + Addresses + Routes > 0; }
};

// Adds the messages of one datagram to `out`. False (with what came before the fault counted)
// when the bytes are no well-formed netlink messages: a header cut short, a length beyond the
// datagram, or a change message too short for its fixed part.
bool ParseNetlinkChanges(const std::uint8_t* data, std::size_t size, NetlinkChanges& out);
