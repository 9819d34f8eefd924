// Unit tests of the ICMP echo engine TICMP on a fake ICMP layer and a fake resolver.
#include "NetFakes.h"
#include "net/icmp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Engine {
    FakeIcmpLayer* Layer;
    std::shared_ptr<FakeResolver> Resolver = std::make_shared<FakeResolver>();
    std::unique_ptr<TICMP> Icmp;
    std::vector<std::string> Events;

    ~Engine()
    {
        Icmp.reset();
        Resolver->DropHeld();
    }
    Engine()
    {
        auto layer = std::make_unique<FakeIcmpLayer>();
        Layer = layer.get();
        Icmp = std::make_unique<TICMP>(std::move(layer), Resolver);
        Icmp->OnDisplay = [this](TICMP* s, const QString& m) {
            EXPECT_EQ(s, Icmp.get());
            Events.push_back("display:" + m.toStdString());
        };
        Icmp->OnEchoRequest = [this](TICMP* s) {
            EXPECT_EQ(s, Icmp.get());
            Events.push_back("request");
        };
        Icmp->OnEchoReply = [this](TICMP* s, int e) {
            EXPECT_EQ(s, Icmp.get());
            Events.push_back("reply:" + std::to_string(e));
        };
    }
};

std::vector<std::uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

const std::string kText = "Round-trip probe payload of the ping monitor.";

} // namespace

TEST(IcmpRecord, LayoutIsThe28ByteRecordOfTheWindowsService)
{
    EXPECT_EQ(sizeof(TIcmpEchoReply), 28u);
    TIcmpEchoReply r{};
    r.Address = 0x0100007F;
    r.Status = 11010;
    r.RoundTripTime = 150;
    r.DataSize = 56;
    r.Options.TTL = 64;
    r.Options.Flags = 2;
    std::uint8_t b[28];
    std::memcpy(b, &r, 28);
    const std::uint8_t expected[28] = {127,  0,    0, 1,  // Address
                                       0x02, 0x2B, 0, 0,  // Status 11010
                                       150,  0,    0, 0,  // RoundTripTime
                                       56,   0,    0, 0,  // DataSize, Reserved
                                       0,    0,    0, 0,  // Data
                                       64,   0,    2, 0,  // TTL, TOS, Flags, OptionsSize
                                       0,    0,    0, 0}; // OptionsData
    EXPECT_EQ(0, std::memcmp(b, expected, 28));
}

TEST(Icmp, DefaultsOfTheConstructor)
{
    Engine e;
    EXPECT_EQ(e.Icmp->Size(), 56);
    EXPECT_EQ(e.Icmp->Timeout(), 4000);
    EXPECT_EQ(e.Icmp->TTL(), 64);
    EXPECT_EQ(e.Icmp->Flags(), 0);
    EXPECT_TRUE(e.Icmp->Address().isEmpty());
    EXPECT_TRUE(e.Icmp->HostName().isEmpty());
    EXPECT_TRUE(e.Icmp->HostIP().isEmpty());
    EXPECT_EQ(e.Icmp->LastError(), 0);
    EXPECT_FALSE(e.Icmp->AddressResolved());
    const TIcmpEchoReply zero{};
    EXPECT_EQ(0, std::memcmp(&e.Icmp->Reply(), &zero, sizeof zero));
    EXPECT_EQ(e.Icmp->ErrorString(), "No error");
}

TEST(Icmp, NoLayerMeansUnableToGetPingHandle)
{
    try {
        TICMP icmp(nullptr, std::make_shared<FakeResolver>());
        FAIL() << "no exception";
    } catch (const TICMPException& ex) {
        EXPECT_EQ(ex.Message(), "Unable to get ping handle");
        const Exception& base = ex; // derives from the framework's base exception
        EXPECT_STREQ(base.what(), "Unable to get ping handle");
    }
    EXPECT_STREQ(kErrInitWinsock, "Error initialising Winsock");
    EXPECT_STREQ(kErrRegisterIcmpDll, "Unable to register icmp.dll");
    EXPECT_STREQ(kErrLoadDllFunctions, "Error loading dll functions");
}

TEST(Icmp, ErrorTable)
{
    const std::pair<int, const char*> table[] = {
        {0, "No error"},
        {11001, "Buffer too small"},
        {11002, "Destination network unreachable"},
        {11003, "Destination host unreachable"},
        {11004, "Destination protocol unreachable"},
        {11005, "Destination port unreachable"},
        {11006, "No resources"},
        {11007, "Bad option"},
        {11008, "Hardware error"},
        {11009, "Packet too big"},
        {11010, "Request timed out"},
        {11011, "Bad request"},
        {11012, "Bad route"},
        {11013, "TTL expired in transit"},
        {11014, "TTL expired in reassembly"},
        {11015, "Parameter problem"},
        {11016, "Source quench"},
        {11017, "Option too big"},
        {11018, "Bad Destination"},
        {11019, "Address deleted"},
        {11020, "Spec MTU change"},
        {11021, "MTU change"},
        {11050, "General failure"},
        {11255, "Pending"},
        {11000, "ICMP error #11000"},
        {11022, "ICMP error #11022"},
        {-1, "ICMP error #-1"},
        {10004, "ICMP error #10004"},
    };
    for (const auto& [code, text] : table)
        EXPECT_EQ(IcmpErrorText(code), text) << code;
}

TEST(Icmp, PayloadIsTheTextThenBlanks)
{
    for (int size : {0, 1, 32, 45, 46, 56, 100, 1024}) {
        Engine e;
        e.Icmp->SetAddress("127.0.0.1");
        e.Icmp->SetSize(size);
        ASSERT_EQ(e.Icmp->Ping(), 1);
        ASSERT_EQ(e.Layer->Requests.size(), 1u);
        std::string expected = kText.substr(0, std::min<std::size_t>(size, 45));
        expected.resize(static_cast<std::size_t>(size), ' ');
        EXPECT_EQ(e.Layer->Requests[0].Data, Bytes(expected)) << "Size " << size;
        EXPECT_GE(e.Layer->Requests[0].ReceiveSize,
                  IcmpReceiveAreaSize(static_cast<std::size_t>(size)));
    }
}

TEST(Icmp, PayloadForSizes32_56_100)
{
    std::vector<std::uint8_t> b(100);
    FillIcmpPayload(b.data(), 32);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 32), "Round-trip probe payload of the ");
    FillIcmpPayload(b.data(), 56);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 56), kText + std::string(11, ' '));
    FillIcmpPayload(b.data(), 100);
    EXPECT_EQ(std::string(b.begin(), b.end()), kText + std::string(55, ' '));
}

TEST(Icmp, TtlAndFlagsSendTheirLowBytes)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Icmp->Ping();
    e.Icmp->SetTTL(300);
    e.Icmp->SetFlags(0x102);
    e.Icmp->Ping();
    e.Icmp->SetTTL(-1);
    e.Icmp->SetFlags(-1);
    e.Icmp->Ping();
    ASSERT_EQ(e.Layer->Requests.size(), 3u);
    EXPECT_EQ(e.Layer->Requests[0].Ttl, 64);
    EXPECT_EQ(e.Layer->Requests[0].Flags, 0);
    EXPECT_EQ(e.Layer->Requests[1].Ttl, 44);
    EXPECT_EQ(e.Layer->Requests[1].Flags, 2);
    EXPECT_EQ(e.Layer->Requests[2].Ttl, 255);
    EXPECT_EQ(e.Layer->Requests[2].Flags, 255);
}

TEST(Icmp, SuccessfulEchoRaisesRequestThenReplyAndFillsTheRecord)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Layer->RoundTripNs = 12345678;
    EXPECT_EQ(e.Icmp->Ping(), 1);
    EXPECT_EQ(e.Events, (std::vector<std::string>{"request", "reply:1"}));
    EXPECT_EQ(e.Icmp->LastError(), 0);
    EXPECT_EQ(e.Icmp->ErrorString(), "No error");
    const TIcmpEchoReply& r = e.Icmp->Reply();
    EXPECT_EQ(r.Address, Ip("127.0.0.1"));
    EXPECT_EQ(r.Status, 0u);
    EXPECT_EQ(r.RoundTripTime, 12u);
    EXPECT_EQ(r.DataSize, 56);
    EXPECT_EQ(r.Options.TTL, 64);
    EXPECT_EQ(r.Data, 0u);
    EXPECT_EQ(r.Options.OptionsData, 0u);
    EXPECT_DOUBLE_EQ(e.Icmp->LastRoundTripMicroseconds(), 12345.678);
    EXPECT_EQ(e.Layer->Requests[0].Address, Ip("127.0.0.1"));
}

TEST(Icmp, RoundTripTimeIsTruncatedToWholeMilliseconds)
{
    const std::pair<std::int64_t, std::uint32_t> cases[] = {
        {0, 0}, {999999, 0}, {1000000, 1}, {150000000, 150}, {150999999, 150}, {151000000, 151}};
    for (const auto& [ns, ms] : cases) {
        Engine e;
        e.Icmp->SetAddress("127.0.0.1");
        e.Layer->RoundTripNs = ns;
        e.Icmp->Ping();
        EXPECT_EQ(e.Icmp->Reply().RoundTripTime, ms) << ns;
    }
}

TEST(Icmp, TimeOutIsAFailedSendWith11010)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Layer->Answer = [](const IcmpEchoParams&) { return FakeIcmpLayer::TimedOut(); };
    EXPECT_EQ(e.Icmp->Ping(), 0);
    EXPECT_EQ(e.Events, (std::vector<std::string>{"request", "reply:0"}));
    EXPECT_EQ(e.Icmp->LastError(), 11010);
    EXPECT_EQ(e.Icmp->ErrorString(), "Request timed out");
    EXPECT_EQ(e.Icmp->Reply().Status, 11010u);
    EXPECT_EQ(e.Icmp->Reply().Address, 0u);
    EXPECT_EQ(e.Icmp->Reply().RoundTripTime, 0u);
    EXPECT_EQ(e.Icmp->LastRoundTripMicroseconds(), -1.0);
}

TEST(Icmp, ErrorMessageQuotingTheRequestCountsAsAReplyWithItsStatus)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Layer->Answer = [](const IcmpEchoParams&) {
        return FakeIcmpLayer::ErrorMessage(Ip("127.0.0.9"), 11003, 2500000);
    };
    EXPECT_EQ(e.Icmp->Ping(), 1);
    EXPECT_EQ(e.Events, (std::vector<std::string>{"request", "reply:1"}));
    EXPECT_EQ(e.Icmp->Reply().Status, 11003u);
    EXPECT_EQ(e.Icmp->Reply().Address, Ip("127.0.0.9"));
    EXPECT_EQ(e.Icmp->Reply().RoundTripTime, 2u);
    EXPECT_EQ(e.Icmp->Reply().DataSize, 0);
    EXPECT_EQ(e.Icmp->LastError(), 11003);
    EXPECT_EQ(e.Icmp->ErrorString(), "Destination host unreachable");
    // The next good reply clears it again.
    e.Layer->Answer = nullptr;
    EXPECT_EQ(e.Icmp->Ping(), 1);
    EXPECT_EQ(e.Icmp->LastError(), 0);
    EXPECT_EQ(e.Icmp->Reply().Status, 0u);
}

TEST(Icmp, TimeOutIsHandedToTheLayerAsADeadline)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Icmp->SetTimeout(1000);
    e.Icmp->Ping();
    e.Icmp->SetTimeout(0);
    e.Icmp->Ping();
    ASSERT_EQ(e.Layer->Requests.size(), 2u);
    EXPECT_LE(e.Layer->Requests[0].Wait, 1000ms);
    EXPECT_GT(e.Layer->Requests[0].Wait, 900ms);
    EXPECT_LE(e.Layer->Requests[1].Wait, 0ms);
}

TEST(Icmp, DottedAddressNeedsNoResolver)
{
    Engine e;
    e.Icmp->SetAddress("127.1");
    EXPECT_EQ(e.Icmp->Ping(), 1);
    EXPECT_EQ(e.Resolver->Lookups(), 0);
    EXPECT_TRUE(e.Icmp->AddressResolved());
    EXPECT_EQ(e.Icmp->HostName(), "127.1");
    EXPECT_EQ(e.Icmp->HostIP(), "127.0.0.1");
    EXPECT_EQ(e.Icmp->IPAddress(), Ip("127.0.0.1"));
}

TEST(Icmp, NameResolvesThroughTheResolver)
{
    Engine e;
    e.Resolver->Answer("ahost", "127.0.0.7", "ahost.example");
    e.Icmp->SetAddress("ahost");
    EXPECT_EQ(e.Icmp->Ping(), 1);
    EXPECT_EQ(e.Resolver->Names(), std::vector<std::string>{"ahost"});
    EXPECT_EQ(e.Icmp->HostName(), "ahost.example");
    EXPECT_EQ(e.Icmp->HostIP(), "127.0.0.7");
    EXPECT_EQ(e.Layer->Requests.at(0).Address, Ip("127.0.0.7"));
    // Without an official name the host name is the text itself.
    e.Resolver->Answer("bhost", "127.0.0.8");
    e.Icmp->SetAddress("bhost");
    e.Icmp->Ping();
    EXPECT_EQ(e.Icmp->HostName(), "bhost");
}

TEST(Icmp, SameAddressResolvesOnceAndANewOneAgain)
{
    Engine e;
    e.Resolver->Answer("ahost", "127.0.0.7");
    e.Resolver->Answer("bhost", "127.0.0.8");
    e.Icmp->SetAddress("ahost");
    e.Icmp->Ping();
    e.Icmp->SetAddress("ahost");
    EXPECT_TRUE(e.Icmp->AddressResolved());
    e.Icmp->Ping();
    EXPECT_EQ(e.Resolver->Lookups(), 1);
    e.Icmp->SetAddress("bhost");
    EXPECT_FALSE(e.Icmp->AddressResolved());
    e.Icmp->Ping();
    EXPECT_EQ(e.Resolver->Lookups(), 2);
    EXPECT_EQ(e.Layer->Requests.at(2).Address, Ip("127.0.0.8"));
}

TEST(Icmp, FailedResolutionReportsTwiceAndIsRetriedOnTheNextPing)
{
    Engine e;
    e.Resolver->Fail("nohost", WinSock::WSAHOST_NOT_FOUND);
    e.Icmp->SetAddress("nohost");
    EXPECT_EQ(e.Icmp->Ping(), 0);
    EXPECT_EQ(e.Events, (std::vector<std::string>{"display:Unable to resolve nohost",
                                                  "display:Invalid host address"}));
    EXPECT_EQ(e.Icmp->LastError(), 11018);
    EXPECT_EQ(e.Icmp->ErrorString(), "Bad Destination");
    EXPECT_FALSE(e.Icmp->AddressResolved());
    EXPECT_EQ(e.Icmp->IPAddress(), kNoAddress);
    EXPECT_TRUE(e.Layer->Requests.empty());
    e.Resolver->Answer("nohost", "127.0.0.3");
    EXPECT_EQ(e.Icmp->Ping(), 1);
    EXPECT_EQ(e.Resolver->Lookups(), 2);
}

TEST(Icmp, ResolveAddressAloneLeavesTheResolverCode)
{
    Engine e;
    e.Resolver->Fail("busy", WinSock::WSATRY_AGAIN);
    e.Icmp->SetAddress("busy");
    e.Icmp->ResolveAddress();
    EXPECT_EQ(e.Icmp->LastError(), 11002);
    EXPECT_EQ(e.Events, std::vector<std::string>{"display:Unable to resolve busy"});
}

TEST(Icmp, AllOnesAddressIsNoAddress)
{
    for (const char* text : {"255.255.255.255", "broadcast-name"}) {
        Engine e;
        e.Resolver->Answer(text, "255.255.255.255");
        e.Icmp->SetAddress(text);
        EXPECT_EQ(e.Icmp->Ping(), 0);
        EXPECT_EQ(e.Events, std::vector<std::string>{"display:Invalid host address"}) << text;
        EXPECT_EQ(e.Icmp->LastError(), 11018);
        EXPECT_TRUE(e.Icmp->AddressResolved()); // resolved, but to no address
        EXPECT_TRUE(e.Layer->Requests.empty());
        e.Events.clear();
        EXPECT_EQ(e.Icmp->Ping(), 0);
        EXPECT_EQ(e.Events, std::vector<std::string>{"display:Invalid host address"});
        EXPECT_EQ(e.Resolver->Lookups(), 1)
            << "the all-ones text goes to the resolver, as with gethostbyname";
    }
}

TEST(Icmp, BadSizeOrTimeoutIsABadRequestAndSendsNothing)
{
    const std::pair<int, int> cases[] = {
        {-1, 1000}, {65501, 1000},        {65535, 1000}, {70000, 1000}, {-2147483647 - 1, 1000},
        {56, -1},   {56, -2147483647 - 1}};
    for (const auto& [size, timeout] : cases) {
        Engine e;
        e.Icmp->SetAddress("127.0.0.1");
        e.Icmp->SetSize(size);
        e.Icmp->SetTimeout(timeout);
        const auto start = Clock::now();
        EXPECT_EQ(e.Icmp->Ping(), 0);
        EXPECT_LT(Clock::now() - start, 100ms);
        EXPECT_EQ(e.Events, (std::vector<std::string>{"request", "reply:0"}))
            << size << " " << timeout;
        EXPECT_EQ(e.Icmp->LastError(), 11011);
        EXPECT_EQ(e.Icmp->ErrorString(), "Bad request");
        EXPECT_TRUE(e.Layer->Requests.empty());
    }
}

TEST(Icmp, LargestSizeIsSent)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Icmp->SetSize(65500);
    EXPECT_EQ(e.Icmp->Ping(), 1);
    ASSERT_EQ(e.Layer->Requests.size(), 1u);
    EXPECT_EQ(e.Layer->Requests[0].Data.size(), 65500u);
    EXPECT_EQ(e.Layer->Requests[0].Data.back(), ' ');
    EXPECT_EQ(e.Icmp->Reply().DataSize, 65500);
}

TEST(Icmp, TtlWithLowByteZeroIsABadOption)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Icmp->SetTTL(256);
    EXPECT_EQ(e.Icmp->Ping(), 0);
    EXPECT_EQ(e.Events, (std::vector<std::string>{"request", "reply:0"}));
    EXPECT_EQ(e.Icmp->LastError(), 11007);
    EXPECT_TRUE(e.Layer->Requests.empty());
}

TEST(Icmp, HostTextThatIsNoHostNameFailsToResolveWithoutAskingTheResolver)
{
    const QString texts[] = {
        QString(),
        QStringLiteral(" "),
        QStringLiteral("local host"),
        QStringLiteral("localhost "),
        QStringLiteral("127.0.0.1 x"), // inet_addr would stop at the blank; a host text does not
        QStringLiteral("a\tb"),
        QString::fromUtf8("a\x01"
                          "b"),
        QString(QChar(0)) + QStringLiteral("x"),
        QStringLiteral("127.0.0.1") + QChar(0) + QStringLiteral("x"),
        QString::fromUtf8("örnek.com.tr"),
        QString::fromUtf8("İSTANBUL"),
        QString(256, QLatin1Char('a')),
        QString(1000000, QLatin1Char('x')),
    };
    for (const QString& text : texts) {
        Engine e;
        e.Icmp->SetAddress(text);
        const auto start = Clock::now();
        EXPECT_EQ(e.Icmp->Ping(), 0);
        EXPECT_LT(Clock::now() - start, 1000ms);
        ASSERT_EQ(e.Events.size(), 2u);
        EXPECT_EQ(QString::fromStdString(e.Events[0]),
                  QStringLiteral("display:Unable to resolve ") + text);
        EXPECT_EQ(e.Events[1], "display:Invalid host address");
        EXPECT_EQ(e.Icmp->LastError(), 11018);
        EXPECT_EQ(e.Resolver->Lookups(), 0);
        EXPECT_TRUE(e.Layer->Requests.empty());
        e.Icmp->ResolveAddress();
        EXPECT_EQ(e.Icmp->LastError(), 11001);
    }
    // 255 printable characters are still a name.
    Engine e;
    e.Icmp->SetAddress(QString(255, QLatin1Char('a')));
    e.Icmp->Ping();
    EXPECT_EQ(e.Resolver->Lookups(), 1);
}

TEST(Icmp, ResolvingANameWaitsNoLongerThanTheTimeOut)
{
    Engine e;
    e.Resolver->Mode = FakeResolver::Run::Held; // a lookup that hangs
    e.Resolver->Answer("slow", "127.0.0.4");
    e.Icmp->SetAddress("slow");
    e.Icmp->SetTimeout(200);
    const auto start = Clock::now();
    EXPECT_EQ(e.Icmp->Ping(), 0);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 400ms);
    EXPECT_EQ(e.Events, (std::vector<std::string>{"display:Unable to resolve slow",
                                                  "display:Invalid host address"}));
    // The abandoned lookup finishes later, on its own thread, harmlessly.
    ASSERT_EQ(e.Resolver->HeldCount(), 1u);
    e.Resolver->RunHeld(0, true);
    e.Icmp.reset();
}

TEST(Icmp, ALookupUsesPartOfTheTimeOutAndTheEchoTheRest)
{
    Engine e;
    e.Resolver->Mode = FakeResolver::Run::Thread;
    e.Resolver->Delay = 300ms;
    e.Resolver->Answer("slowish", "127.0.0.4");
    e.Icmp->SetAddress("slowish");
    e.Icmp->SetTimeout(1000);
    EXPECT_EQ(e.Icmp->Ping(), 1);
    ASSERT_EQ(e.Layer->Requests.size(), 1u);
    EXPECT_LE(e.Layer->Requests[0].Wait, 710ms);
    EXPECT_GT(e.Layer->Requests[0].Wait, 400ms);
    EXPECT_TRUE(e.Resolver->WaitFinished(1, 5000ms));
}

TEST(Icmp, ResolverThatCannotStartAWorkerFailsTheResolution)
{
    Engine e;
    e.Resolver->StartError = WinSock::WSAENOBUFS;
    e.Icmp->SetAddress("ahost");
    e.Icmp->ResolveAddress();
    EXPECT_EQ(e.Icmp->LastError(), 10055);
    EXPECT_FALSE(e.Icmp->AddressResolved());
}

TEST(Icmp, HandlerExceptionPropagatesAndNothingIsSent)
{
    Engine e;
    e.Icmp->SetAddress("127.0.0.1");
    e.Icmp->OnEchoRequest = [](TICMP*) { throw Exception("stop"); };
    EXPECT_THROW(e.Icmp->Ping(), Exception);
    EXPECT_TRUE(e.Layer->Requests.empty());
}

TEST(IcmpLayerHelpers, StatusOfIcmpErrorMessages)
{
    EXPECT_EQ(IcmpStatusOfMessage(3, 0), 11002);
    EXPECT_EQ(IcmpStatusOfMessage(3, 1), 11003);
    EXPECT_EQ(IcmpStatusOfMessage(3, 2), 11004);
    EXPECT_EQ(IcmpStatusOfMessage(3, 3), 11005);
    EXPECT_EQ(IcmpStatusOfMessage(3, 4), 11009);
    EXPECT_EQ(IcmpStatusOfMessage(3, 5), 11012);
    EXPECT_EQ(IcmpStatusOfMessage(3, 6), 11002);
    EXPECT_EQ(IcmpStatusOfMessage(3, 7), 11003);
    EXPECT_EQ(IcmpStatusOfMessage(3, 13), 11003);
    EXPECT_EQ(IcmpStatusOfMessage(4, 0), 11016);
    EXPECT_EQ(IcmpStatusOfMessage(11, 0), 11013);
    EXPECT_EQ(IcmpStatusOfMessage(11, 1), 11014);
    EXPECT_EQ(IcmpStatusOfMessage(12, 0), 11015);
    EXPECT_EQ(IcmpStatusOfMessage(0, 0), 0);
    EXPECT_EQ(IcmpStatusOfMessage(5, 1), 0);
}

TEST(IcmpLayerHelpers, Checksum)
{
    // An echo request header with identifier 0x1234, sequence 1 and data "ab", and an odd tail.
    const std::uint8_t hdr[8] = {8, 0, 0, 0, 0x12, 0x34, 0, 1};
    const std::uint8_t data[3] = {'a', 'b', 'c'};
    // 0x0800 + 0x1234 + 0x0001 + 0x6162 + 0x6300 = 0xDE97 -> ~ = 0x2168
    EXPECT_EQ(IcmpChecksum(hdr, 8, data, 3), 0x2168);
    EXPECT_EQ(IcmpChecksum(hdr, 8, nullptr, 0),
              static_cast<std::uint16_t>(~(0x0800 + 0x1234 + 0x0001)));
}

TEST(IcmpLayerHelpers, ReceiveAreaHoldsAReplyOrAnErrorMessage)
{
    EXPECT_EQ(IcmpReceiveAreaSize(0), 576u);
    EXPECT_EQ(IcmpReceiveAreaSize(56), 576u);
    EXPECT_EQ(IcmpReceiveAreaSize(1024), 60u + 8u + 1024u);
    EXPECT_EQ(IcmpReceiveAreaSize(65500), 60u + 8u + 65500u);
}

TEST(HostText, DottedAndLookupTexts)
{
    std::uint32_t a = 0;
    EXPECT_TRUE(DottedAddress("127.0.0.1", &a));
    EXPECT_EQ(a, Ip("127.0.0.1"));
    EXPECT_TRUE(DottedAddress("127.1", &a));
    EXPECT_EQ(DottedText(a), "127.0.0.1");
    EXPECT_TRUE(DottedAddress("0x7f.1", &a));
    EXPECT_EQ(DottedText(a), "127.0.0.1");
    EXPECT_FALSE(DottedAddress("255.255.255.255", &a));
    EXPECT_FALSE(DottedAddress("localhost", &a));
    EXPECT_FALSE(DottedAddress("1.2.3.4.5", &a));
    EXPECT_FALSE(DottedAddress("127.0.0.1 ", &a));
    EXPECT_FALSE(DottedAddress("", &a));
    EXPECT_TRUE(IsLookupText("localhost"));
    EXPECT_TRUE(IsLookupText("255.255.255.255"));
    EXPECT_FALSE(IsLookupText(""));
    EXPECT_FALSE(IsLookupText("a b"));
    EXPECT_FALSE(IsLookupText(QString::fromUtf8("ş")));
    EXPECT_FALSE(IsLookupText(QString(256, QLatin1Char('a'))));
    EXPECT_EQ(DottedText(kNoAddress), "255.255.255.255");
}
