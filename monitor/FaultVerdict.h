#pragma once
// Where the fault lies, decided from what the hop prober found (net/HopProber.h), in this order:
//   computer         no route to the host, the interface is down or has no address
//   local-network    the gateway does not answer, or answers but forwards nothing (hop 1 fails)
//   name-resolution  the host's name does not resolve while its address answers, or no address
//                    is known and the name servers do not answer
//   provider         the loss begins at the provider's hops (the first hop past the gateway and
//                    those after it in the same network: IPv4 /16, IPv6 /48) and lasts to the host
//   beyond-provider  the loss begins further on and lasts to the host
//   host             every hop answers, the host does not
// A hop's loss counts only when it lasts at every later hop, up to the host: a router that
// rate-limits its Time Exceeded messages while it forwards perfectly is never the fault (the
// evidence names it). An unreachable message from a router fails its hop and every later one.
// The host's distance comes from its own answer, else from what the line learnt while it was up.
#include "net/HopProber.h"

#include <QDateTime>
#include <QString>

namespace Monitor {

enum class TFaultWhere {
    None,
    Computer,
    LocalNetwork,
    NameResolution,
    Provider,
    BeyondProvider,
    Host
};

// What the evidence says; its text is made from the verdict's fields (FaultEvidence).
enum class TEvidence {
    None,
    NoAddressKnown,   // nothing to probe
    CannotProbe,      // no ICMP socket (Detail: why)
    NoRoute,          // Detail: the kernel's reason
    PathAnswers,      // every hop and the host answer
    GatewaySilent,    // the gateway answers nothing
    GatewayNoForward, // the gateway answers its own echoes but forwards nothing
    HopSilent,        // loss begins at Hop (silent from there on)
    HopUnreachable,   // the router at Hop says the destination is unreachable
    HostSilent,       // every hop answers, the host does not
    NameUnanswered,   // the name servers do not answer (Detail: the servers)
    NameNotFound,     // the name servers answer: no such name
    NameFailsAddressAnswers
};

struct TFaultVerdict {
    TFaultWhere Where = TFaultWhere::None;
    int Hop = 0;     // 1-based; 0 none
    QString Address; // the landmark at fault, canonical text; empty none
    TEvidence Evidence = TEvidence::None;
    QString Detail;
    QList<int> RateLimited; // hops that lost probes yet forward (not at fault)
    QDateTime Time;

    bool Known() const { return Where != TFaultWhere::None; }
};

// What the verdict is decided from.
struct TFaultInput {
    PathRecords Path;
    bool NameGiven = false; // the host was given as a name
    int NameError = 0;      // its lookup now: 0 resolved, else the WinSock code
    int KnownHops = 0;      // the host's distance while the line was up; 0 unknown
};

TFaultVerdict DecideFault(const TFaultInput& input, const QDateTime& when);

// Machine name of a place ("computer", "local-network" ...; "" for none).
QString FaultWhereName(TFaultWhere where);
// The short sentence people read ("Bu bilgisayarın ağ bağlantısı yok" ...), translated.
QString FaultText(TFaultWhere where);
// The evidence in one line (Turkish: the program's source language; translated when asked).
QString FaultEvidence(const TFaultVerdict& verdict, bool translated = true);
// Sentence and evidence together, for the notification and the tray's tool tip.
QString FaultSummary(const TFaultVerdict& verdict);

// The hops a host is away from the TTL (or hop limit) of its echo reply: the sender's initial
// value is taken as the next of 64, 128 and 255 at or above it. 0 for no reply.
int HopsFromReplyTtl(int ttl);

// Whether two router addresses lie in the same provider network (IPv4 /16, IPv6 /48).
bool SameProviderNetwork(const HostAddress& a, const HostAddress& b);

} // namespace Monitor
