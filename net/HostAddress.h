#pragma once
// A host's address of either family, and the host field's address literals.
//
// IPv4 keeps its inet_addr semantics (net/HostResolver.h: DottedAddress). IPv6 literals are
// accepted with or without brackets ("::1", "[::1]") and, for scoped addresses, with a zone
// index after '%' that names an interface or gives its number ("fe80::1%eth0", "[fe80::1%2]").
// Every address is shown in its canonical text (RFC 5952: lower case, the longest run of zero
// groups shortened), a zone by its interface's name.
#include <QString>
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

// How the host field's text reads as an address.
enum class LiteralKind {
    Name,        // no literal: a name to look up
    Address,     // an IPv4 or IPv6 literal, in *address
    Malformed,   // looks like an IPv6 literal (brackets, a colon) but is none
    UnknownZone, // a well-formed IPv6 literal whose zone names no interface here
};
LiteralKind ParseAddressLiteral(const QString& text, HostAddress* address);

// The clear log line for a text that is no usable literal (Malformed or UnknownZone).
QString LiteralFailureText(LiteralKind kind, const QString& text);

// Canonical text of an address ("127.0.0.1", "2001:db8::1", "fe80::1%eth0").
QString AddressText(const HostAddress& address);
