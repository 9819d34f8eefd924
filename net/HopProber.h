#pragma once
// Probes the landmarks of the path to a host: the route the kernel would take (net/RouteQuery),
// the gateway (plain echoes), the name servers in use (net/ResolverList) and every hop on the
// way (echo requests to the host with a TTL, or hop limit, of 1, 2, 3 ... that each router
// answers with Time Exceeded). It goes through the echo engine's own ICMP layer and socket kind,
// one socket per hop, each with an echo identifier of its own, so the main cycle never sees the
// prober's replies nor the prober the cycle's.
//
// Gentle: one probe per hop and round, rounds at least a second apart (the gateway's own echo
// takes hop 1's turn, after hop 1 was silent); hops past the host are dropped once the host
// has answered. The results are plain records (no Qt), which the fault
// verdict (monitor/FaultVerdict.h) reads.
#include "net/IcmpLayer.h"
#include "net/ResolverList.h"
#include "net/RouteQuery.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What one landmark (a hop, or the gateway's own echoes) has answered so far.
struct HopRecord {
    int Ttl = 0;              // 1-based hop; 0 for the direct echoes to the gateway
    HostAddress Address;      // who answered last; Usable() false while nobody has
    int Sent = 0;             // probes sent
    int Received = 0;         // probes answered (echo reply or an ICMP error message)
    int Unreachable = 0;      // answers that were an unreachable message: the path ends there
    int LastStatus = -1;      // status of the last answer (0 echo reply, 11013 time exceeded ...)
    bool Reached = false;     // the host itself answered an echo
    std::int64_t LastNs = -1; // round trips of the answers
    std::int64_t SumNs = 0;
    std::int64_t BestNs = -1;
    std::int64_t WorstNs = -1;

    // The last kRecent probes, bit 0 the latest: answered, and answered by an unreachable
    // message. A live diagnosis judges by them, not by everything since the window opened.
    static constexpr int kRecent = 3;
    std::uint8_t RecentAnswered = 0;
    std::uint8_t RecentUnreachable = 0;
    int RecentSent = 0; // at most kRecent

    bool Silent() const { return Sent > 0 && Received == 0; }
    // No recent probe answered, or every recent answer said the destination is unreachable.
    bool RecentlyFails() const;
    bool RecentlyUnreachable() const;
    // Some recent answer was an unreachable message.
    bool RecentlyRefused() const;
    // Recent probes without an answer.
    int RecentLost() const;
    void Add(const IcmpEchoResult& r, bool v6);
};

struct PathRecords {
    HostAddress Target; // Usable() false when no address of the host is known
    RouteResult Route;  // to the target
    ResolverList Resolvers;
    HopRecord Gateway;           // Sent 0 when the host is on the link (no gateway)
    std::vector<HopRecord> Hops; // Hops[i] is hop i + 1
    int Rounds = 0;              // rounds finished
    IcmpSocketKind Kind = IcmpSocketKind::Auto;
    std::string Error; // why nothing could be probed (no ICMP socket ...)

    // The hop at which the host answered (1-based), 0 while it has not.
    int HostHop() const;
};

class HopProber {
public:
    struct Settings {
        int MaxHops = 16;
        int Rounds = 3;        // 0: until stopped
        int TimeoutMs = 1000;  // per probe
        int IntervalMs = 1000; // between the starts of two rounds
        IcmpSocketKind Kind = IcmpSocketKind::Auto;
    };

    // Probes the path to `target` on the calling thread (a worker's), calling `progress` after
    // each round with the records so far (on the same thread). `stop` ends it early, within
    // a moment: waits are cut short.
    static PathRecords Run(const HostAddress& target, const Settings& settings,
                           const std::function<void(const PathRecords&)>& progress,
                           const std::atomic<bool>& stop);
};
