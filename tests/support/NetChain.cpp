#include "support/NetChain.h"

#include <unistd.h>

namespace {

std::string IpTool()
{
    for (const char* p : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
        if (::access(p, X_OK) == 0)
            return p;
    return {};
}

} // namespace

bool NetChain::Ip(Node node, const std::vector<std::string>& args)
{
    static const std::string tool = IpTool();
    if (tool.empty())
        return false;
    std::vector<std::string> argv{tool};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess p = FNs[node]->Spawn(argv, {}, false);
    int status = -1;
    return p.Running() && p.Wait(std::chrono::seconds(10), &status) && status == 0;
}

bool NetChain::Link(Node a, const std::string& nameA, Node b, const std::string& nameB)
{
    // Made in a's namespace, the far end moved into b's through the test's own descriptor.
    const std::string target =
        "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(FNs[b]->Fd());
    return Ip(a, {"link", "add", nameA, "type", "veth", "peer", "name", nameB, "netns", target}) &&
           Ip(a, {"link", "set", nameA, "up"}) && Ip(b, {"link", "set", nameB, "up"});
}

NetChain::NetChain()
{
    if (IpTool().empty()) {
        FError = "needs the ip tool (iproute2)";
        return;
    }
    for (int i = 0; i < NodeCount; ++i) {
        FNs.push_back(std::make_unique<NetNamespace>(NetNamespace::Options{true}));
        if (!FNs.back()->Ok()) {
            FError = FNs.back()->Error();
            return;
        }
        // Addresses usable at once (no duplicate detection), routers that forward.
        NetNamespace& ns = *FNs.back();
        ns.SetSysctl("net.ipv6.conf.all.accept_dad", "0");
        ns.SetSysctl("net.ipv6.conf.default.accept_dad", "0");
        if (i != Pc && i != Host) {
            ns.SetSysctl("net.ipv4.ip_forward", "1");
            ns.SetSysctl("net.ipv6.conf.all.forwarding", "1");
        }
    }
    struct Step {
        Node N;
        std::vector<std::string> Args;
    };
    const bool linked = Link(Pc, "eth0", Gw, "lan") && Link(Gw, "wan", Prov, "south") &&
                        Link(Prov, "north", Far, "south") && Link(Far, "north", Host, "eth0");
    if (!linked) {
        FError = "cannot link the namespaces with veth pairs";
        return;
    }
    const std::vector<Step> steps = {
        {Pc, {"addr", "add", "192.0.2.2/24", "dev", "eth0"}},
        {Pc, {"-6", "addr", "add", "2001:db8:1::2/64", "dev", "eth0", "nodad"}},
        {Pc, {"route", "add", "default", "via", kGw4}},
        {Pc, {"-6", "route", "add", "default", "via", kGw6}},
        {Gw, {"addr", "add", "192.0.2.1/24", "dev", "lan"}},
        {Gw, {"-6", "addr", "add", "2001:db8:1::1/64", "dev", "lan", "nodad"}},
        {Gw, {"addr", "add", "198.51.100.1/24", "dev", "wan"}},
        {Gw, {"-6", "addr", "add", "2001:db8:2::1/64", "dev", "wan", "nodad"}},
        {Gw, {"route", "add", "default", "via", kProv4}},
        {Gw, {"-6", "route", "add", "default", "via", kProv6}},
        {Prov, {"addr", "add", "198.51.100.2/24", "dev", "south"}},
        {Prov, {"-6", "addr", "add", "2001:db8:2::2/64", "dev", "south", "nodad"}},
        {Prov, {"addr", "add", "203.0.113.1/25", "dev", "north"}},
        {Prov, {"-6", "addr", "add", "2001:db8:3::1/64", "dev", "north", "nodad"}},
        {Prov, {"route", "add", "192.0.2.0/24", "via", "198.51.100.1"}},
        {Prov, {"-6", "route", "add", "2001:db8:1::/64", "via", "2001:db8:2::1"}},
        {Prov, {"route", "add", "default", "via", kFar4}},
        {Prov, {"-6", "route", "add", "default", "via", kFar6}},
        {Far, {"addr", "add", "203.0.113.2/25", "dev", "south"}},
        {Far, {"-6", "addr", "add", "2001:db8:3::2/64", "dev", "south", "nodad"}},
        {Far, {"addr", "add", "203.0.113.129/25", "dev", "north"}},
        {Far, {"-6", "addr", "add", "2001:db8:4::1/64", "dev", "north", "nodad"}},
        {Far, {"route", "add", "default", "via", "203.0.113.1"}},
        {Far, {"-6", "route", "add", "default", "via", "2001:db8:3::1"}},
        {Host, {"addr", "add", "203.0.113.130/25", "dev", "eth0"}},
        {Host, {"addr", "add", "203.0.113.131/25", "dev", "eth0"}},
        {Host, {"-6", "addr", "add", "2001:db8:4::2/64", "dev", "eth0", "nodad"}},
        {Host, {"route", "add", "default", "via", "203.0.113.129"}},
        {Host, {"-6", "route", "add", "default", "via", "2001:db8:4::1"}},
    };
    for (const Step& s : steps) {
        if (!Ip(s.N, s.Args)) {
            FError = "ip";
            for (const std::string& a : s.Args)
                FError += " " + a;
            FError += " failed";
            return;
        }
    }
}
