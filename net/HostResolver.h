#pragma once
// The Linux layer that stands in for WinSock's host resolution (gethostbyname,
// WSAAsyncGetHostByName) and its address helpers (inet_addr, inet_ntoa).
//
// `HostResolver` is the seam: the echo engine (TICMP) and the ping component (TPing) call it,
// the real implementation is getaddrinfo (both families), unit tests put a fake in its place.
#include "net/HostAddress.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// WinSock error codes the lookups report.
namespace WinSock {
constexpr int WSAEINTR = 10004;          // interrupted call: a cancelled lookup
constexpr int WSAENOBUFS = 10055;        // no worker could be started for a lookup
constexpr int WSAHOST_NOT_FOUND = 11001; // host not found (also: text that is no host name)
constexpr int WSATRY_AGAIN = 11002;      // temporary failure (also: the lookup outlived its wait)
constexpr int WSANO_RECOVERY = 11003;    // non-recoverable failure
constexpr int WSANO_DATA = 11004;        // the name exists but has no address
} // namespace WinSock

// The all-ones address: inet_addr's "no address" (INADDR_NONE).
constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

// Result of one host lookup.
struct HostLookup {
    int Error = 0;             // 0, or a WinSock code of the table above
    std::uint32_t Address = 0; // first IPv4 address of the entry, network byte order
    std::string OfficialName;  // the entry's official (canonical) name; may be empty
    bool HasV4 = true;         // false when the name has no IPv4 address
    bool HasV6 = false;
    Ip6Address Address6; // first IPv6 address, when HasV6

    // The address to ping: IPv4 when the name has one, unless IPv6 is preferred and it has one.
    HostAddress Pick(bool preferV6) const
    {
        return HasV6 && (preferV6 || !HasV4) ? HostAddress::FromV6(Address6)
                                             : HostAddress::FromV4(Address);
    }
};

class HostResolver {
public:
    virtual ~HostResolver();
    // Looks one host name up (blocking). Called on a worker thread, so it must be thread-safe.
    // `name` is never empty and holds printable ASCII only (see IsLookupText).
    virtual HostLookup Lookup(const std::string& name) = 0;
    // Runs `job` off the calling thread and returns at once: 0 when the job was started, else a
    // WinSock code (the job is then dropped). The default starts a detached thread.
    virtual int RunDetached(std::function<void()> job);
};

// The real resolver: getaddrinfo for both families with the canonical name. Failures map to 11001
// host not found, 11002 try again, 11003 no recovery, 11004 no data.
std::shared_ptr<HostResolver> SystemHostResolver();

// Text that may be handed to a resolver: 1 to 255 characters, each printable ASCII other than the
// blank (0x21..0x7E). Anything else (empty, too long, blanks, control characters, letters
// outside ASCII) is no host name: lookups of it fail with 11001 without asking any resolver.
bool IsLookupText(const QString& text);

// inet_addr semantics on a host text: true with the address (network byte order) when the text
// is a dotted address in any form inet_addr accepts ("127.0.0.1", "127.1", "0x7f.1" ...). The
// all-ones "255.255.255.255" is, as with inet_addr, no address (false). Only texts that pass
// IsLookupText are considered, so trailing blanks or junk after a blank never count as dotted.
bool DottedAddress(const QString& text, std::uint32_t* address);

// inet_ntoa: dotted text of an address in network byte order.
QString DottedText(std::uint32_t address);
