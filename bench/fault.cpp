// Fault location: how long after the line is judged down the verdict is there, and how many
// probes each hop got, in a chain of real routers (computer, gateway, provider router, far
// router, host: 4 hops) made of network namespaces, with the host's echo replies switched off.
// The monitor's sample hub takes the cycles' samples (one answered, then lost ones) and the
// real diagnosis probes the real chain; a 1 ms timer on the user-interface thread measures
// the longest stall meanwhile. For IPv4 and IPv6, with the datagram socket. Prints
//   fault_verdict_after_down_v4_s  fault_verdict_after_down_v6_s   (target <= 5 s)
//   fault_probes_per_hop_v4        fault_probes_per_hop_v6         (target <= 3)
//   fault_ui_longest_gap_ms
// Needs root (namespaces); says so and ends with 0 where it cannot run.
#include "app/FaultDiagnosis.h"
#include "monitor/SampleHub.h"
#include "support/NetChain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

struct TFigures {
    double Seconds = -1;
    int ProbesPerHop = 0;
    double LongestGapMs = 0;
    QString Where;
};

Monitor::TSample Sample(const QString& host, bool answered)
{
    Monitor::TSample s;
    s.Time = QDateTime::currentDateTime();
    s.Host = host;
    s.Address = host;
    s.Outcome = answered ? Monitor::TOutcome::Good : Monitor::TOutcome::Lost;
    s.RoundTripUs = answered ? 100 : -1;
    s.ReplyTtl = answered ? 61 : 0; // four hops away
    s.StatusCode = answered ? 0 : 11010;
    return s;
}

TFigures Measure(const QString& host)
{
    TFigures f;
    Monitor::TSampleHub hub;
    TFaultDiagnosis diagnosis(&hub);
    hub.Add(Sample(host, true));
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    qint64 last = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        f.LongestGapMs = std::max(f.LongestGapMs, double(now - last) / 1e6);
        last = now;
    });
    while (!hub.Alert().Down())
        hub.Add(Sample(host, false));
    clock.start();
    ticker.start();
    while (!hub.Fault().Time.isValid() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    if (hub.Fault().Time.isValid())
        f.Seconds = double(clock.nsecsElapsed()) / 1e9;
    ticker.stop();
    f.Where = Monitor::FaultWhereName(hub.Fault().Where);
    const PathRecords& r = diagnosis.Records();
    f.ProbesPerHop = r.Gateway.Sent;
    for (const HopRecord& h : r.Hops)
        f.ProbesPerHop = std::max(f.ProbesPerHop, h.Sent);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (::geteuid() != 0) {
        std::printf("fault: skipped (needs root for network namespaces)\n");
        return 0;
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_STATE_HOME", config.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    NetChain chain;
    if (!chain.Ok()) {
        std::fprintf(stderr, "fault: no router chain: %s\n", chain.Error().c_str());
        return 1;
    }
    chain.Sysctl(NetChain::Pc, "net.ipv4.ping_group_range", "0 2147483647");
    chain.Sysctl(NetChain::Host, "net.ipv4.icmp_echo_ignore_all", "1");
    chain.Sysctl(NetChain::Host, "net.ipv6.icmp.echo_ignore_all", "1");
    // The program's side lives in the first namespace (its sockets are opened there).
    chain.Ns(NetChain::Pc).EnterThisThread();
    QApplication app(argc, argv);

    double gap = 0;
    bool ok = true;
    for (const auto& [name, host] : {std::pair{"v4", NetChain::kHost4}, {"v6", NetChain::kHost6}}) {
        const TFigures f = Measure(QString::fromLatin1(host));
        if (f.Seconds < 0 || f.Where != "host") {
            std::fprintf(stderr, "fault: no right verdict over %s (%s)\n", name,
                         qPrintable(f.Where));
            ok = false;
        }
        std::printf("fault_verdict_after_down_%s_s %.3f s\n", name, f.Seconds);
        std::printf("fault_probes_per_hop_%s %d probes\n", name, f.ProbesPerHop);
        std::printf("target fault_verdict_after_down_%s_s <= 5\n", name);
        std::printf("target fault_probes_per_hop_%s <= 3\n", name);
        gap = std::max(gap, f.LongestGapMs);
    }
    std::printf("fault_ui_longest_gap_ms %.3f ms\n", gap);
    return ok ? 0 : 1;
}
