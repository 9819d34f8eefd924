#pragma once
// A path of real routers for tests, made of network namespaces joined by veth pairs, with kernel
// forwarding and the kernel's own echo replies and Time Exceeded messages:
//
//   pc ── gw ── prov ── far ── host
//   pc   eth0 192.0.2.2/24       2001:db8:1::2/64   default via gw
//   gw   lan  192.0.2.1/24       2001:db8:1::1/64
//        wan  198.51.100.1/24    2001:db8:2::1/64   default via prov
//   prov south 198.51.100.2/24    2001:db8:2::2/64
//        north 203.0.113.1/25     2001:db8:3::1/64   default via far
//   far  south 203.0.113.2/25     2001:db8:3::2/64   default via prov
//        north 203.0.113.129/25   2001:db8:4::1/64
//   host eth0 203.0.113.130/25   2001:db8:4::2/64   default via far
//             203.0.113.131 (a name server that never answers, when one is started)
//
// Only documentation addresses; nothing reaches the machine's own network. Every namespace is
// held by a descriptor and goes with the object. Commands run through `ip` inside a namespace
// (Ip), so a test can break a landmark and mend it again.
#include "support/NetNamespace.h"

#include <memory>
#include <string>
#include <vector>

class NetChain {
public:
    enum Node { Pc, Gw, Prov, Far, Host, NodeCount };

    NetChain();
    bool Ok() const { return FError.empty(); }
    const std::string& Error() const { return FError; }

    NetNamespace& Ns(Node node) { return *FNs[node]; }
    // Runs `ip ARGS...` in the node's namespace; true when it exits with 0.
    bool Ip(Node node, const std::vector<std::string>& args);
    bool Sysctl(Node node, const std::string& name, const std::string& value)
    {
        return FNs[node]->SetSysctl(name, value);
    }

    // The host's and the routers' addresses as the prober sees them (the side facing pc).
    static constexpr const char* kHost4 = "203.0.113.130";
    static constexpr const char* kHost6 = "2001:db8:4::2";
    static constexpr const char* kGw4 = "192.0.2.1";
    static constexpr const char* kGw6 = "2001:db8:1::1";
    static constexpr const char* kProv4 = "198.51.100.2";
    static constexpr const char* kProv6 = "2001:db8:2::2";
    static constexpr const char* kFar4 = "203.0.113.2";
    static constexpr const char* kFar6 = "2001:db8:3::2";
    static constexpr const char* kNameServer4 = "203.0.113.131";

private:
    bool Link(Node a, const std::string& nameA, Node b, const std::string& nameB);
    std::vector<std::unique_ptr<NetNamespace>> FNs;
    std::string FError;
};
