#pragma once
// The name servers the system resolver asks. From resolv.conf; where that names only a local
// stub (systemd-resolved's 127.0.0.53 or 127.0.0.54), the servers the stub itself asks, read
// from systemd-resolved over D-Bus when it runs. Without it, the stub is all that is known.
#include "net/IpAddress.h"

#include <string>
#include <vector>

struct ResolverList {
    std::vector<HostAddress> Servers; // in the order the resolver tries them
    bool StubOnly = false;            // Servers hold only the local stub; its upstream is unknown
    bool FromStub = false;            // Servers are the stub's upstream servers
    std::string Error;                // why the list is empty (no file, no servers in it)
};

// The nameserver lines of a resolv.conf text (at most the three the resolver uses, as glibc
// does; a zone after '%' is read as an interface number or dropped). Never fails: lines it
// cannot read are skipped.
std::vector<HostAddress> ParseResolvConf(const std::string& text);

// Whether an address is a local resolver stub (a loopback address).
bool IsLocalStub(const HostAddress& address);

// Reads /etc/resolv.conf (or `path`) and, for a local stub, asks systemd-resolved.
ResolverList SystemResolvers(const std::string& path = "/etc/resolv.conf");
