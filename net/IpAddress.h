#pragma once
// An address of either family, as the ICMP layer and the resolver carry it (no Qt here: the
// packet reading is built without it). Texts and literals: net/HostAddress.h.
#include <array>
#include <cstdint>

struct Ip6Address {
    std::array<std::uint8_t, 16> Bytes{};
    std::uint32_t ScopeId = 0; // interface index of the zone; 0 none
    bool operator==(const Ip6Address&) const = default;
};

struct HostAddress {
    bool V6 = false;
    std::uint32_t V4 = 0xFFFFFFFFu; // network byte order; all ones: no address
    Ip6Address Ip6;

    static HostAddress FromV4(std::uint32_t a) { return HostAddress{false, a, {}}; }
    static HostAddress FromV6(const Ip6Address& a) { return HostAddress{true, 0, a}; }
    // A usable destination: an IPv6 address, or an IPv4 one that is not all ones.
    bool Usable() const { return V6 || V4 != 0xFFFFFFFFu; }
};
