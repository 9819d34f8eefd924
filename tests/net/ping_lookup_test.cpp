// ctest-labels: net
// The ping component with the real resolver (getaddrinfo) and, where this user may open an ICMP
// socket, the real ICMP layer: a lookup of localhost completes asynchronously on the
// user-interface thread, and the controller's cycle (lookup, Address := DnsResult, Ping)
// reaches 127.0.0.1. Only names that /etc/hosts answers are looked up, so no query leaves.
#include "NetFakes.h"
#include "net/Ping.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// True when /etc/hosts maps localhost to a loopback address, so the resolver needs no DNS.
bool HostsFileKnowsLocalhost()
{
    QFile f(QStringLiteral("/etc/hosts"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QRegularExpression line(QStringLiteral("^\\s*127\\.\\S+\\s+(.*\\s)?localhost(\\s|$)"));
    while (!f.atEnd()) {
        if (line.match(QString::fromLatin1(f.readLine())).hasMatch())
            return true;
    }
    return false;
}

} // namespace

TEST(PingLookup, LocalhostCompletesAsynchronouslyOnTheUserInterfaceThread)
{
    if (!HostsFileKnowsLocalhost())
        GTEST_SKIP()
            << "net test skipped: /etc/hosts does not name localhost, and no DNS query may leave";
    TPing ping(nullptr, std::make_unique<FakeIcmpLayer>(), SystemHostResolver());
    std::vector<quint16> done;
    QThread* handlerThread = nullptr;
    bool inside = false;
    ping.OnDnsLookupDone = [&](QObject* sender, quint16 error) {
        EXPECT_EQ(sender, &ping);
        EXPECT_FALSE(inside) << "completed inside DnsLookup";
        handlerThread = QThread::currentThread();
        done.push_back(error);
    };
    inside = true;
    ping.DnsLookup(QStringLiteral("localhost"));
    inside = false;
    EXPECT_TRUE(done.empty());
    EXPECT_NE(ping.LookupHandle(), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !done.empty(); }, 10000));
    EXPECT_EQ(done, std::vector<quint16>{0});
    EXPECT_EQ(handlerThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(ping.DnsResult(), "127.0.0.1");
    QTest::qWait(50);
    EXPECT_EQ(done.size(), 1u);
}

TEST(PingLookup, ControllerCycleReaches127001)
{
    if (!HostsFileKnowsLocalhost())
        GTEST_SKIP()
            << "net test skipped: /etc/hosts does not name localhost, and no DNS query may leave";
    std::unique_ptr<TPing> ping;
    try {
        ping = std::make_unique<TPing>();
    } catch (const TICMPException& e) {
        GTEST_SKIP() << "net test skipped: no ICMP socket for this user ("
                     << e.Message().toStdString() << ")";
    }
    ping->SetTimeout(2000);
    ping->SetSize(32);
    std::vector<std::string> log;
    ping->OnDisplay = [&](QObject*, TICMP*, const QString& m) { log.push_back(m.toStdString()); };
    ping->OnEchoRequest = [&](QObject*, TICMP*) {
        log.push_back("Sending " + std::to_string(ping->Size()) + " bytes to " +
                      ping->HostName().toStdString() + " (" + ping->HostIP().toStdString() + ")");
    };
    ping->OnEchoReply = [&](QObject*, TICMP*, int error) {
        log.push_back(error ? "Received " + std::to_string(ping->Reply().DataSize) + " bytes"
                            : "Cannot ping host : " + ping->ErrorString().toStdString());
    };
    ping->OnDnsLookupDone = [&](QObject*, quint16 error) {
        log.push_back("done " + std::to_string(error) + " " + ping->DnsResult().toStdString());
        if (error == 0) {
            ping->SetAddress(ping->DnsResult());
            ping->Ping();
        }
    };
    ping->DnsLookup(QStringLiteral("localhost"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.size() >= 3; }, 10000));
    EXPECT_EQ(log, (std::vector<std::string>{"done 0 127.0.0.1",
                                             "Sending 32 bytes to 127.0.0.1 (127.0.0.1)",
                                             "Received 32 bytes"}));
}
