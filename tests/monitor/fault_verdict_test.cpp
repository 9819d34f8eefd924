// The fault verdict on hand-made probe records: the order of the places, the rule that a hop's
// loss counts only when it lasts to the host (rate-limiting routers), unreachable messages, and
// name resolution.
#include "monitor/FaultVerdict.h"
#include "net/HostAddress.h"
#include "net/IcmpLayer.h"

#include <gtest/gtest.h>

using namespace Monitor;

namespace {

HostAddress A(const char* text)
{
    HostAddress a;
    EXPECT_EQ(ParseAddressLiteral(QString::fromLatin1(text), &a), LiteralKind::Address);
    return a;
}

// One hop: who answers and how many of three probes.
struct THop {
    const char* Address; // nullptr: silent
    int Received = 3;
    bool Unreachable = false;
};

// A path from 192.0.2.2 through the gateway 192.0.2.1 to `target`; the last hop given is the
// host when it answers with an echo reply.
TFaultInput Path(const std::vector<THop>& hops, const char* target = "203.0.113.130",
                 int gatewayAnswers = 3)
{
    TFaultInput in;
    PathRecords& p = in.Path;
    p.Target = A(target);
    p.Route.Ok = true;
    p.Route.Route.Gateway = A("192.0.2.1");
    p.Gateway.Sent = 3;
    p.Gateway.Received = gatewayAnswers;
    int ttl = 0;
    for (const THop& h : hops) {
        HopRecord r;
        r.Ttl = ++ttl;
        for (int i = 0; i < 3; ++i) {
            IcmpEchoResult e;
            if (h.Address && i < h.Received) {
                e.Replies = 1;
                e.From = A(h.Address).V4;
                e.Status = h.Unreachable                        ? IcmpStatus::DestHostUnreachable
                           : QLatin1String(h.Address) == target ? 0
                                                                : IcmpStatus::TtlExpiredTransit;
            } else {
                e.Error = IcmpStatus::ReqTimedOut;
            }
            r.Add(e, false);
        }
        p.Hops.push_back(r);
    }
    return in;
}

TFaultVerdict Decide(const TFaultInput& in)
{
    return DecideFault(in, QDateTime::currentDateTime());
}

} // namespace

TEST(FaultVerdict, EachPlaceInItsOrder)
{
    TFaultInput noRoute = Path({});
    noRoute.Path.Route.Ok = false;
    noRoute.Path.Route.Error = "No route to 203.0.113.130: Network is unreachable";
    TFaultVerdict v = Decide(noRoute);
    EXPECT_EQ(v.Where, TFaultWhere::Computer);
    EXPECT_EQ(v.Hop, 0);
    EXPECT_EQ(FaultText(v.Where), "Bu bilgisayarın ağ bağlantısı yok");
    EXPECT_TRUE(FaultEvidence(v).contains("Network is unreachable"));

    // Everything silent, the gateway's own echoes too; then answering but not forwarding.
    v = Decide(Path({{nullptr}, {nullptr}, {nullptr}, {nullptr}}, "203.0.113.130", 0));
    EXPECT_EQ(v.Where, TFaultWhere::LocalNetwork);
    EXPECT_EQ(v.Hop, 1);
    EXPECT_EQ(v.Address, "192.0.2.1");
    EXPECT_EQ(v.Evidence, TEvidence::GatewaySilent);
    v = Decide(Path({{nullptr}, {nullptr}}));
    EXPECT_EQ(v.Evidence, TEvidence::GatewayNoForward);

    // Loss from the first hop past the gateway, and from a router in another network.
    v = Decide(Path({{"192.0.2.1"}, {nullptr}, {nullptr}, {nullptr}}));
    EXPECT_EQ(v.Where, TFaultWhere::Provider);
    EXPECT_EQ(v.Hop, 2);
    EXPECT_TRUE(FaultEvidence(v).contains("son yanıt veren 192.0.2.1"));
    TFaultInput further = Path({{"192.0.2.1"}, {"198.51.100.2"}, {nullptr}, {nullptr}});
    EXPECT_EQ(Decide(further).Where, TFaultWhere::BeyondProvider);
    // ... unless that router is in the provider's own network (or a private range).
    further = Path({{"192.0.2.1"}, {"198.51.100.2"}, {"198.51.7.1", 3, true}, {nullptr}});
    EXPECT_EQ(Decide(further).Where, TFaultWhere::Provider);
    EXPECT_EQ(Decide(further).Hop, 3);

    // Every router answers and the host, known to be four hops away, does not.
    TFaultInput hostSilent = Path({{"192.0.2.1"}, {"198.51.100.2"}, {"203.0.113.2"}, {nullptr}});
    hostSilent.KnownHops = 4;
    v = Decide(hostSilent);
    EXPECT_EQ(v.Where, TFaultWhere::Host);
    EXPECT_EQ(v.Hop, 4);
    EXPECT_EQ(v.Address, "203.0.113.130");
    // Without the distance the silence cannot be pinned on the host...
    hostSilent.KnownHops = 0;
    EXPECT_EQ(Decide(hostSilent).Where, TFaultWhere::BeyondProvider);
    // ... unless it is on the link, where the first hop is the host.
    TFaultInput onLink = Path({{nullptr}}, "192.0.2.9");
    onLink.Path.Route.Route.Gateway.reset();
    EXPECT_EQ(Decide(onLink).Where, TFaultWhere::Host);

    // A router that says the host is unreachable is the fault, even as the last router.
    v = Decide(Path(
        {{"192.0.2.1"}, {"198.51.100.2"}, {"203.0.113.2", 3, true}, {"203.0.113.2", 3, true}}));
    EXPECT_EQ(v.Where, TFaultWhere::BeyondProvider);
    EXPECT_EQ(v.Hop, 3);
    EXPECT_EQ(v.Address, "203.0.113.2");
    EXPECT_EQ(v.Evidence, TEvidence::HopUnreachable);
    // Its messages rate-limited away at its own hop, it still speaks at a later one.
    TFaultInput limited =
        Path({{"192.0.2.1"}, {"198.51.100.2"}, {nullptr}, {"203.0.113.2", 1, true}});
    limited.KnownHops = 4;
    v = Decide(limited);
    EXPECT_EQ(v.Where, TFaultWhere::BeyondProvider);
    EXPECT_EQ(v.Hop, 3);
    EXPECT_EQ(v.Address, "203.0.113.2");
    EXPECT_EQ(v.Evidence, TEvidence::HopUnreachable);
}

TEST(FaultVerdict, LossCountsOnlyWhenItLastsToTheHost)
{
    // Hop 2 answers one probe in three (or none) yet forwards: the host answers.
    for (int received : {0, 1}) {
        const TFaultVerdict v = Decide(
            Path({{"192.0.2.1"}, {"198.51.100.2", received}, {"203.0.113.2"}, {"203.0.113.130"}}));
        EXPECT_EQ(v.Where, TFaultWhere::None);
        EXPECT_EQ(v.RateLimited, QList<int>{2});
        EXPECT_TRUE(FaultEvidence(v).contains("2. adım yanıtlarını sınırlıyor")) << received;
    }
    // The same router while the host is down: the host is blamed, not the router.
    TFaultInput in = Path({{"192.0.2.1"}, {nullptr}, {"203.0.113.2"}, {nullptr}});
    in.KnownHops = 4;
    const TFaultVerdict v = Decide(in);
    EXPECT_EQ(v.Where, TFaultWhere::Host);
    EXPECT_EQ(v.RateLimited, QList<int>{2});
    // A live diagnosis judges by the last three rounds: a host that answered long ago and
    // is silent now is at fault.
    HopRecord& host = in.Path.Hops[3];
    IcmpEchoResult reply;
    reply.Replies = 1;
    reply.From = A("203.0.113.130").V4;
    IcmpEchoResult lost;
    lost.Error = IcmpStatus::ReqTimedOut;
    host = HopRecord{};
    host.Ttl = 4;
    host.Add(reply, false);
    for (int i = 0; i < 3; ++i)
        host.Add(lost, false);
    EXPECT_EQ(Decide(in).Where, TFaultWhere::Host);
    // A host that loses some probes but not all is no fault of the path.
    EXPECT_EQ(Decide(Path({{"192.0.2.1"}, {"203.0.113.130", 1}})).Where, TFaultWhere::None);
}

TEST(FaultVerdict, NameResolution)
{
    // No address known and the servers do not answer: their addresses are the evidence.
    TFaultInput in;
    in.NameGiven = true;
    in.NameError = 11002;
    in.Path.Resolvers.Servers = {A("203.0.113.131")};
    TFaultVerdict v = Decide(in);
    EXPECT_EQ(v.Where, TFaultWhere::NameResolution);
    EXPECT_EQ(v.Address, "203.0.113.131");
    EXPECT_EQ(FaultEvidence(v), "Ad sunucuları yanıt vermiyor (203.0.113.131)");
    in.NameError = 11001;
    EXPECT_EQ(Decide(in).Evidence, TEvidence::NameNotFound);

    // The address answers, the name does not resolve.
    TFaultInput answers = Path({{"192.0.2.1"}, {"203.0.113.130"}});
    answers.NameGiven = true;
    answers.NameError = 11002;
    EXPECT_EQ(Decide(answers).Evidence, TEvidence::NameFailsAddressAnswers);
    // A broken path explains the failing name: the path's verdict stands.
    TFaultInput broken = Path({{"192.0.2.1"}, {nullptr}, {nullptr}});
    broken.NameGiven = true;
    broken.NameError = 11002;
    EXPECT_EQ(Decide(broken).Where, TFaultWhere::Provider);
}

TEST(FaultVerdict, HopsFromTheReplyTtl)
{
    EXPECT_EQ(HopsFromReplyTtl(64), 1);
    EXPECT_EQ(HopsFromReplyTtl(61), 4);
    EXPECT_EQ(HopsFromReplyTtl(120), 9);
    EXPECT_EQ(HopsFromReplyTtl(250), 6);
    EXPECT_EQ(HopsFromReplyTtl(0), 0);
}
