#pragma once
// A host's address of either family, and the host field's address literals.
//
// IPv4 keeps its inet_addr semantics (net/HostResolver.h: DottedAddress). IPv6 literals are
// accepted with or without brackets ("::1", "[::1]") and, for scoped addresses, with a zone
// index after '%' that names an interface or gives its number ("fe80::1%eth0", "[fe80::1%2]").
// Every address is shown in its canonical text (RFC 5952: lower case, the longest run of zero
// groups shortened), a zone by its interface's name.
#include "net/IpAddress.h"

#include <QString>

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
