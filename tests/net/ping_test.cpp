// Unit tests of the ping component TPing on a fake ICMP layer and a fake resolver:
// properties, relays, and every order of events around a lookup and a ping.
#include "NetFakes.h"
#include "net/Ping.h"

#include <QCoreApplication>
#include <QMetaProperty>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Component {
    FakeIcmpLayer* Layer;
    std::shared_ptr<FakeResolver> Resolver = std::make_shared<FakeResolver>();
    std::unique_ptr<TPing> Ping;
    std::vector<std::string> Events;
    bool InsideDnsLookup = false;

    ~Component()
    {
        Ping.reset();
        Resolver->DropHeld();
    }
    explicit Component(FakeResolver::Run mode = FakeResolver::Run::Inline)
    {
        Resolver->Mode = mode;
        auto layer = std::make_unique<FakeIcmpLayer>();
        Layer = layer.get();
        Ping = std::make_unique<TPing>(nullptr, std::move(layer), Resolver);
        Attach();
    }
    void Attach()
    {
        TPing* p = Ping.get();
        p->OnDisplay = [this, p](QObject* s, TICMP* icmp, const QString& m) {
            EXPECT_EQ(s, p);
            EXPECT_EQ(icmp, p->Icmp());
            Events.push_back("display:" + m.toStdString());
        };
        p->OnEchoRequest = [this, p](QObject* s, TICMP* icmp) {
            EXPECT_EQ(s, p);
            EXPECT_EQ(icmp, p->Icmp());
            Events.push_back("request");
        };
        p->OnEchoReply = [this, p](QObject* s, TICMP* icmp, int e) {
            EXPECT_EQ(s, p);
            EXPECT_EQ(icmp, p->Icmp());
            Events.push_back("reply:" + std::to_string(e));
        };
        p->OnDnsLookupDone = [this, p](QObject* s, quint16 e) {
            EXPECT_EQ(s, p);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            Events.push_back(std::string(InsideDnsLookup ? "done-inside:" : "done:") +
                             std::to_string(e));
        };
    }
    void Lookup(const QString& host)
    {
        InsideDnsLookup = true;
        Ping->DnsLookup(host);
        InsideDnsLookup = false;
    }
    // Lets posted completions arrive.
    void Settle(std::chrono::milliseconds t = 50ms)
    {
        const auto end = std::chrono::steady_clock::now() + t;
        while (std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
    }
    bool WaitForEvents(std::size_t n, std::chrono::milliseconds t = 5000ms)
    {
        return QTest::qWaitFor([&] { return Events.size() >= n; }, static_cast<int>(t.count()));
    }
};

using Strings = std::vector<std::string>;

} // namespace

TEST(Ping, PublishedPropertiesMapToTheEngine)
{
    Component c;
    const QMetaObject* mo = c.Ping->metaObject();
    for (const char* name : {"Address", "Size", "Timeout", "TTL", "Flags"})
        EXPECT_GE(mo->indexOfProperty(name), 0) << name;
    EXPECT_EQ(c.Ping->property("Address").toString(), "");
    EXPECT_EQ(c.Ping->property("Size").toInt(), 56);
    EXPECT_EQ(c.Ping->property("Timeout").toInt(), 4000);
    EXPECT_EQ(c.Ping->property("TTL").toInt(), 64);
    EXPECT_EQ(c.Ping->property("Flags").toInt(), 0);
    EXPECT_TRUE(c.Ping->setProperty("Size", 32));
    EXPECT_TRUE(c.Ping->setProperty("Timeout", 1000));
    EXPECT_TRUE(c.Ping->setProperty("TTL", 300));
    EXPECT_TRUE(c.Ping->setProperty("Flags", 2));
    EXPECT_TRUE(c.Ping->setProperty("Address", "127.0.0.1"));
    EXPECT_EQ(c.Ping->Icmp()->Size(), 32);
    EXPECT_EQ(c.Ping->Icmp()->Timeout(), 1000);
    EXPECT_EQ(c.Ping->Icmp()->TTL(), 300);
    EXPECT_EQ(c.Ping->Icmp()->Flags(), 2);
    EXPECT_EQ(c.Ping->Icmp()->Address(), "127.0.0.1");
    EXPECT_EQ(c.Ping->Ping(), 1);
    EXPECT_EQ(c.Layer->Requests.at(0).Ttl, 44);
    EXPECT_EQ(c.Layer->Requests.at(0).Data.size(), 32u);
}

TEST(Ping, AddressFollowsTheEngineRuleOfReuse)
{
    Component c;
    c.Resolver->Answer("ahost", "127.0.0.7");
    c.Ping->SetAddress("ahost");
    c.Ping->Ping();
    c.Ping->SetAddress("ahost");
    c.Ping->Ping();
    EXPECT_EQ(c.Resolver->Lookups(), 1);
}

TEST(Ping, NoLayerMakesTheConstructorFail)
{
    EXPECT_THROW(TPing(nullptr, nullptr, std::make_shared<FakeResolver>()), TICMPException);
}

TEST(Ping, OwnerDestroysTheComponent)
{
    auto owner = std::make_unique<QObject>();
    auto* p =
        new TPing(owner.get(), std::make_unique<FakeIcmpLayer>(), std::make_shared<FakeResolver>());
    EXPECT_EQ(p->parent(), owner.get());
    owner.reset(); // frees p; ASan tells if anything is left
}

TEST(Ping, DottedLookupCompletesInsideDnsLookupThenOnePing)
{
    Component c;
    // The controller's way: on success set Address := DnsResult and Ping, from the handler.
    c.Ping->OnDnsLookupDone = [&](QObject*, quint16 e) {
        c.Events.push_back(std::string(c.InsideDnsLookup ? "done-inside:" : "done:") +
                           std::to_string(e));
        if (e == 0) {
            c.Ping->SetAddress(c.Ping->DnsResult());
            c.Ping->Ping();
        }
    };
    c.Lookup("127.0.0.1");
    EXPECT_EQ(c.Events, (Strings{"done-inside:0", "request", "reply:1"}));
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.1");
    EXPECT_EQ(c.Ping->HostName(), "127.0.0.1");
    EXPECT_EQ(c.Ping->HostIP(), "127.0.0.1");
    EXPECT_EQ(c.Ping->Reply().Address, Ip("127.0.0.1"));
    EXPECT_EQ(c.Ping->Reply().RoundTripTime, 12u);
    EXPECT_EQ(c.Ping->ErrorString(), "No error");
    EXPECT_EQ(c.Resolver->Lookups(), 0);
    c.Settle();
    EXPECT_EQ(c.Events.size(), 3u);
}

TEST(Ping, DottedResultIsCanonical)
{
    Component c;
    c.Lookup("127.1");
    EXPECT_EQ(c.Events, Strings{"done-inside:0"});
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.1");
    EXPECT_EQ(c.Ping->LookupHandle(), 0u);
}

TEST(Ping, NameCompletesLaterOnTheUserInterfaceThread)
{
    for (auto mode : {FakeResolver::Run::Inline, FakeResolver::Run::Thread}) {
        Component c(mode);
        c.Resolver->Answer("ahost", "127.0.0.5");
        c.Lookup("ahost");
        EXPECT_TRUE(c.Events.empty()) << "a name never completes inside DnsLookup";
        EXPECT_NE(c.Ping->LookupHandle(), 0u);
        EXPECT_TRUE(c.Ping->DnsResult().isEmpty());
        ASSERT_TRUE(c.WaitForEvents(1));
        EXPECT_EQ(c.Events, Strings{"done:0"});
        EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.5");
        EXPECT_EQ(c.Ping->LookupHandle(), 0u);
        c.Settle();
        EXPECT_EQ(c.Events.size(), 1u);
    }
}

TEST(Ping, ResolverFailuresArriveWithTheirCodesAndNoResult)
{
    for (int code : {WinSock::WSAHOST_NOT_FOUND, WinSock::WSATRY_AGAIN, WinSock::WSANO_RECOVERY,
                     WinSock::WSANO_DATA}) {
        Component c;
        c.Resolver->Fail("bad", code);
        c.Ping->DnsLookup("127.0.0.1"); // an earlier result is cleared by the next lookup
        c.Events.clear();
        c.Lookup("bad");
        EXPECT_TRUE(c.Ping->DnsResult().isEmpty());
        ASSERT_TRUE(c.WaitForEvents(1));
        EXPECT_EQ(c.Events, Strings{"done:" + std::to_string(code)});
        EXPECT_TRUE(c.Ping->DnsResult().isEmpty());
    }
}

TEST(Ping, NewLookupSupersedesTheOutstandingOneWithoutAnEvent)
{
    Component c(FakeResolver::Run::Held);
    c.Resolver->Answer("first", "127.0.0.1");
    c.Resolver->Answer("second", "127.0.0.2");
    c.Lookup("first");
    c.Lookup("second");
    EXPECT_TRUE(c.Events.empty());
    ASSERT_EQ(c.Resolver->HeldCount(), 2u);
    c.Resolver->RunHeld(1, true); // the second finishes first
    c.Resolver->RunHeld(0, true);
    c.Settle();
    EXPECT_EQ(c.Events, Strings{"done:0"});
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.2");
}

TEST(Ping, SupersededByADottedLookup)
{
    Component c(FakeResolver::Run::Held);
    c.Resolver->Answer("first", "127.0.0.1");
    c.Lookup("first");
    c.Lookup("127.0.0.9");
    EXPECT_EQ(c.Events, Strings{"done-inside:0"});
    c.Resolver->RunHeld(0, true);
    c.Settle();
    EXPECT_EQ(c.Events, Strings{"done-inside:0"});
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.9");
}

TEST(Ping, StaleCompletionChangesNothing)
{
    Component c(FakeResolver::Run::Held);
    c.Lookup("first");
    const quint32 handle = c.Ping->LookupHandle();
    c.Ping->WMAsyncGetHostByName(handle + 1, 0, Ip("127.0.0.3"));
    c.Ping->WMAsyncGetHostByName(0, 0, Ip("127.0.0.3"));
    EXPECT_TRUE(c.Events.empty());
    EXPECT_EQ(c.Ping->LookupHandle(), handle);
    EXPECT_TRUE(c.Ping->DnsResult().isEmpty());
    c.Ping->WMAsyncGetHostByName(handle, 0, Ip("127.0.0.3"));
    EXPECT_EQ(c.Events, Strings{"done:0"});
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.3");
    c.Ping->WMAsyncGetHostByName(handle, 0, Ip("127.0.0.4")); // no longer outstanding
    EXPECT_EQ(c.Events.size(), 1u);
}

TEST(Ping, CancelWithNothingOutstandingDoesNothing)
{
    Component c;
    c.Ping->CancelDnsLookup();
    c.Lookup("127.0.0.1");
    c.Ping->CancelDnsLookup();
    EXPECT_EQ(c.Events, Strings{"done-inside:0"});
}

TEST(Ping, CancelReports10004AndTheLookupNeverDelivers)
{
    for (bool finishedBeforeCancel : {false, true}) {
        Component c(FakeResolver::Run::Held);
        c.Resolver->Answer("host", "127.0.0.1");
        c.Lookup("host");
        if (finishedBeforeCancel)
            c.Resolver->RunHeld(0, true); // completion already posted, not yet handled
        c.Ping->CancelDnsLookup();
        EXPECT_EQ(c.Events, Strings{"done:10004"});
        EXPECT_EQ(c.Ping->LookupHandle(), 0u);
        if (!finishedBeforeCancel)
            c.Resolver->RunHeld(0, true);
        c.Settle();
        EXPECT_EQ(c.Events, Strings{"done:10004"});
        EXPECT_TRUE(c.Ping->DnsResult().isEmpty());
    }
}

TEST(Ping, DestroyingWithALookupOutstandingReports10004)
{
    Component c(FakeResolver::Run::Held);
    c.Resolver->Answer("host", "127.0.0.1");
    c.Lookup("host");
    c.Ping.reset();
    EXPECT_EQ(c.Events, Strings{"done:10004"});
    // The worker finishes after the component is gone: it must not touch it.
    c.Resolver->RunHeld(0, true);
    c.Settle();
    EXPECT_EQ(c.Events, Strings{"done:10004"});
}

TEST(Ping, WorkerStillRunningAfterDestructionIsNotWaitedFor)
{
    Component c(FakeResolver::Run::Thread);
    c.Resolver->Delay = 300ms;
    c.Resolver->Answer("host", "127.0.0.1");
    c.Lookup("host");
    const auto start = std::chrono::steady_clock::now();
    c.Ping.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_EQ(c.Events, Strings{"done:10004"});
    ASSERT_TRUE(c.Resolver->WaitFinished(1, 5000ms));
    c.Settle();
    EXPECT_EQ(c.Events, Strings{"done:10004"});
}

TEST(Ping, ALookupThatCannotStartRaisesAndStaysIdle)
{
    Component c;
    c.Resolver->StartError = WinSock::WSAENOBUFS;
    try {
        c.Ping->DnsLookup("some.host");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "some.host: can't start DNS lookup, error #10055");
    }
    EXPECT_EQ(c.Ping->LookupHandle(), 0u);
    c.Settle();
    EXPECT_TRUE(c.Events.empty());
    // A host text with a percent sign or %1 is not taken as a format.
    try {
        c.Ping->DnsLookup("%s%1");
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "%s%1: can't start DNS lookup, error #10055");
    }
    EXPECT_STREQ(kErrCantStartLookup, "%s: can't start DNS lookup, error #%d");
    EXPECT_STREQ(kErrCancelFailed, "WSACancelAsyncRequest failed, error #%d");
}

TEST(Ping, TextThatIsNoHostNameFailsLaterWith11001)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("   "),
        QStringLiteral("local host"),
        QStringLiteral("127.0.0.1 "),
        QString::fromUtf8("a\x07"
                          "b"),
        QStringLiteral("127.0.0.1") + QChar(0),
        QString::fromUtf8("ğüşıöç.com.tr"),
        QString(300, QLatin1Char('a')),
        QString(2000000, QLatin1Char('q')),
    };
    for (const QString& text : texts) {
        Component c;
        c.Lookup(text);
        EXPECT_TRUE(c.Events.empty());
        ASSERT_TRUE(c.WaitForEvents(1));
        EXPECT_EQ(c.Events, Strings{"done:11001"});
        EXPECT_TRUE(c.Ping->DnsResult().isEmpty());
        EXPECT_EQ(c.Resolver->Lookups(), 0);
    }
}

TEST(Ping, AllOnesLookupSucceedsButThePingFindsNoAddress)
{
    Component c;
    c.Resolver->Answer("255.255.255.255", "255.255.255.255");
    c.Lookup("255.255.255.255");
    EXPECT_TRUE(c.Events.empty()) << "all ones is no dotted address: it is looked up";
    ASSERT_TRUE(c.WaitForEvents(1));
    EXPECT_EQ(c.Ping->DnsResult(), "255.255.255.255");
    c.Ping->SetAddress(c.Ping->DnsResult());
    EXPECT_EQ(c.Ping->Ping(), 0);
    EXPECT_EQ(c.Events, (Strings{"done:0", "display:Invalid host address"}));
    EXPECT_EQ(c.Ping->Icmp()->LastError(), 11018);
}

TEST(Ping, UnresolvableAddressGivesTwoDisplaysAndNoEcho)
{
    Component c;
    c.Ping->SetAddress("nohost");
    EXPECT_EQ(c.Ping->Ping(), 0);
    EXPECT_EQ(c.Events,
              (Strings{"display:Unable to resolve nohost", "display:Invalid host address"}));
}

TEST(Ping, TimeOutAndErrorReplies)
{
    Component c;
    c.Ping->SetAddress("127.0.0.1");
    c.Layer->Answer = [](const IcmpEchoParams&) { return FakeIcmpLayer::TimedOut(); };
    EXPECT_EQ(c.Ping->Ping(), 0);
    EXPECT_EQ(c.Ping->ErrorString(), "Request timed out");
    c.Layer->Answer = [](const IcmpEchoParams&) {
        return FakeIcmpLayer::ErrorMessage(Ip("127.0.0.1"), IcmpStatus::DestPortUnreachable);
    };
    EXPECT_EQ(c.Ping->Ping(), 1);
    EXPECT_EQ(c.Ping->Reply().Status, 11005u);
    EXPECT_EQ(c.Ping->ErrorString(), "Destination port unreachable");
    EXPECT_EQ(c.Events, (Strings{"request", "reply:0", "request", "reply:1"}));
}

TEST(Ping, BadSettingsFailThroughTheReplyEvent)
{
    Component c;
    c.Ping->SetAddress("127.0.0.1");
    c.Ping->SetSize(-5);
    EXPECT_EQ(c.Ping->Ping(), 0);
    c.Ping->SetSize(100000);
    EXPECT_EQ(c.Ping->Ping(), 0);
    c.Ping->SetSize(32);
    c.Ping->SetTimeout(-1);
    EXPECT_EQ(c.Ping->Ping(), 0);
    EXPECT_EQ(c.Ping->ErrorString(), "Bad request");
    EXPECT_EQ(c.Events,
              (Strings{"request", "reply:0", "request", "reply:0", "request", "reply:0"}));
    EXPECT_TRUE(c.Layer->Requests.empty());
}

TEST(Ping, LookupAgainFromTheDoneHandler)
{
    // The timer of the controller may start the next cycle from anywhere, even from the handler.
    Component c;
    c.Resolver->Answer("again", "127.0.0.6");
    int calls = 0;
    c.Ping->OnDnsLookupDone = [&](QObject*, quint16 e) {
        c.Events.push_back("done:" + std::to_string(e));
        if (++calls == 1)
            c.Ping->DnsLookup("again");
    };
    c.Lookup("127.0.0.1");
    ASSERT_TRUE(c.WaitForEvents(2));
    EXPECT_EQ(c.Events, (Strings{"done:0", "done:0"}));
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.6");
}

TEST(Ping, LookupOverItsLimitFailsAndItsWorkerIsReusedNotMultiplied)
{
    Component c(FakeResolver::Run::Held);
    c.Resolver->Answer("host", "127.0.0.5");
    c.Ping->SetTimeout(1000); // the limit is at least 3 s
    EXPECT_EQ(c.Ping->LookupLimitMs(), 3000);
    const auto start = std::chrono::steady_clock::now();
    c.Lookup("host");
    ASSERT_TRUE(c.WaitForEvents(1, 6000ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 3000ms);
    EXPECT_EQ(c.Events, Strings{"done:11002"});
    // The stuck worker's answer serves the next lookup of the same name.
    c.Lookup("host");
    EXPECT_EQ(c.Resolver->HeldCount(), 1u);
    c.Resolver->RunHeld(0, true);
    ASSERT_TRUE(c.WaitForEvents(2));
    EXPECT_EQ(c.Events.back(), "done:0");
    EXPECT_EQ(c.Ping->DnsResult(), "127.0.0.5");
    // No more than two workers run at once, whatever the names.
    for (const char* name : {"a", "b", "c", "d"})
        c.Lookup(name);
    EXPECT_EQ(c.Resolver->HeldCount(), 3u);
    c.Ping->CancelDnsLookup();
}

TEST(Ping, AfterANetworkChangeALookupAsksAfreshInsteadOfTakingOverAStuckWorker)
{
    Component c(FakeResolver::Run::Held);
    c.Resolver->Answer("host", "127.0.0.5");
    c.Lookup("host"); // asks the old network's name server, which does not answer
    c.Ping->ForgetLookups();
    c.Lookup("host");
    ASSERT_EQ(c.Resolver->HeldCount(), 2u) << "the second lookup took over the stuck worker";
    c.Resolver->RunHeld(1, true);
    ASSERT_TRUE(c.WaitForEvents(1));
    EXPECT_EQ(c.Events, Strings{"done:0"});
    c.Resolver->DropHeld();
}

TEST(Ping, EchoWaitsOffTheCallingThreadAndRepliesThroughTheEventLoop)
{
    Component c;
    c.Ping->SetAddress("127.0.0.1");
    QThread* echoThread = nullptr;
    c.Layer->Answer = [&](const IcmpEchoParams& p) {
        echoThread = QThread::currentThread();
        IcmpEchoResult r;
        r.Replies = 1;
        r.From = p.Address;
        r.RoundTripNs = 7'000'000;
        return r;
    };
    QThread* replyThread = nullptr;
    c.Ping->OnEchoReply = [&, relay = c.Ping->OnEchoReply](QObject* s, TICMP* i, int e) {
        replyThread = QThread::currentThread();
        relay(s, i, e);
    };
    ASSERT_TRUE(c.Ping->PingAsync());
    EXPECT_EQ(c.Events, Strings{"request"}); // raised inside the call, as Ping does
    EXPECT_FALSE(c.Ping->PingAsync());       // one at a time
    ASSERT_TRUE(c.WaitForEvents(2));
    EXPECT_EQ(c.Events, (Strings{"request", "reply:1"}));
    EXPECT_NE(echoThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(replyThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(c.Ping->Reply().RoundTripTime, 7u);
    EXPECT_FALSE(c.Ping->EchoOutstanding());
    // An unusable address sends nothing and says why.
    c.Ping->SetAddress("255.255.255.255");
    EXPECT_FALSE(c.Ping->PingAsync());
    EXPECT_EQ(c.Events.back(), "display:Invalid host address");
}
