// IPv6 in the host field: literals and their canonical text, and which family a name with both
// is pinged on (component and engine over the fakes).
#include "NetFakes.h"
#include "net/Ping.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString Canonical(const QString& text)
{
    HostAddress a;
    return ParseAddressLiteral(text, &a) == LiteralKind::Address ? AddressText(a) : QString();
}

} // namespace

TEST(HostAddress, LiteralsReadInEveryFormAndShowCanonically)
{
    EXPECT_EQ(Canonical("::1"), "::1");
    EXPECT_EQ(Canonical("[::1]"), "::1");
    EXPECT_EQ(Canonical("2001:DB8:0:0:0:0:0:1"), "2001:db8::1");
    EXPECT_EQ(Canonical("2001:db8:0:0:1:0:0:1"), "2001:db8::1:0:0:1");    // the first longest run
    EXPECT_EQ(Canonical("2001:db8:0:1:1:1:1:1"), "2001:db8:0:1:1:1:1:1"); // one zero stays
    EXPECT_EQ(Canonical("::ffff:192.0.2.1"), "::ffff:192.0.2.1");
    EXPECT_EQ(Canonical("[fe80::1%lo]"), "fe80::1%lo");
    EXPECT_EQ(Canonical("fe80::1%1"), "fe80::1%lo"); // loopback is interface 1
    EXPECT_EQ(Canonical("FFFF:ffff:ffff:ffff:ffff:ffff:255.255.255.255"),
              "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"); // the longest text, whole
    EXPECT_EQ(Canonical("127.1"), "127.0.0.1");           // IPv4 keeps inet_addr's forms

    const std::pair<const char*, LiteralKind> others[] = {
        {"localhost", LiteralKind::Name},
        {"zm.test", LiteralKind::Name},
        {"[::1", LiteralKind::Malformed},
        {"::1]", LiteralKind::Malformed},
        {"[localhost]", LiteralKind::Malformed},
        {"1:2:3:4:5:6:7:8:9", LiteralKind::Malformed},
        {"fe80::1%", LiteralKind::Malformed},
        {":: 1", LiteralKind::Malformed},
        {"fe80::1%no-such-if0", LiteralKind::UnknownZone},
        {"fe80::1%999999", LiteralKind::UnknownZone},
    };
    for (const auto& [text, kind] : others) {
        HostAddress a;
        EXPECT_EQ(ParseAddressLiteral(text, &a), kind) << text;
    }
}

// The component hands the controller the address of the family the setting asks for; the
// engine then sends to it.
TEST(HostAddress, DualStackNamePrefersIPv4UnlessIPv6IsPreferred)
{
    auto layer = std::make_unique<FakeIcmpLayer>();
    FakeIcmpLayer* fake = layer.get();
    auto resolver = std::make_shared<FakeResolver>();
    resolver->Answer("dual.test", "127.0.0.5");
    resolver->Answer6("dual.test", "fd00::5");
    resolver->Answer6("six.test", "fd00::6");
    TPing ping(nullptr, std::move(layer), resolver);
    QStringList results;
    ping.OnDnsLookupDone = [&](QObject*, quint16 error) {
        results << (error ? QString::number(error) : ping.DnsResult());
    };
    const auto lookup = [&](const char* name) {
        ping.DnsLookup(name);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ping.LookupHandle() == 0; }, 5000));
    };
    lookup("dual.test");
    lookup("six.test");
    ping.SetPreferIPv6(true);
    lookup("dual.test");
    lookup("[fd00::7]");
    EXPECT_EQ(results, (QStringList{"127.0.0.5", "fd00::6", "fd00::5", "fd00::7"}));

    // The engine resolves a name itself by the same rule, again after the setting changes.
    ping.SetAddress("dual.test");
    ASSERT_EQ(ping.Ping(), 1);
    ping.SetPreferIPv6(false);
    ASSERT_EQ(ping.Ping(), 1);
    ASSERT_EQ(fake->Requests.size(), 2u);
    EXPECT_TRUE(fake->Requests[0].V6);
    EXPECT_EQ(ping.Icmp()->ReplyAddress6(), Ip6Address{});
    EXPECT_FALSE(fake->Requests[1].V6);
    EXPECT_EQ(fake->Requests[1].Address, Ip("127.0.0.5"));
    EXPECT_EQ(ping.HostIP(), "127.0.0.5");
}
