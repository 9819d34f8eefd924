// ctest-labels: net
// The metrics file as Prometheus gets it: the node exporter from Debian, its textfile collector
// pointed at a test folder, listening on 127.0.0.1 only, scraped over HTTP.
#include "monitor/SampleHub.h"
#include "monitor/SampleRecorder.h"
#include "support/TempConfig.h"
#include "support/WaitFor.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Monitor;

namespace {

const QString kExporter = QStringLiteral("/usr/bin/prometheus-node-exporter");

sockaddr_in Loopback(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A port on 127.0.0.1 that nobody uses right now.
quint16 FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// The body of GET /metrics, empty when nothing answers.
QString Scrape(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = Loopback(port);
    QByteArray reply;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
        const QByteArray request = "GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
        char buffer[8192];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            reply.append(buffer, n);
    }
    ::close(fd);
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return body < 0 ? QString() : QString::fromUtf8(reply.mid(body + 4));
}

TSample Echo(double us)
{
    TSample s;
    s.Time = QDateTime::currentDateTime();
    s.Host = "localhost";
    s.Address = "127.0.0.1";
    s.Outcome = us < 0 ? TOutcome::Lost : TOutcome::Good;
    s.RoundTripUs = us;
    return s;
}

} // namespace

TEST(MetricsExporter, TheNodeExporterServesOurSeries)
{
    if (!QFileInfo(kExporter).isExecutable())
        GTEST_SKIP() << "prometheus-node-exporter is not installed (scripts/setup installs it)";
    TTempConfig config;
    QTemporaryDir dir;
    TSampleHub hub;
    hub.SetMetricsFile(dir.filePath("textfile/zmping2.prom"));
    QDir().mkpath(dir.filePath("textfile"));
    auto* recorder = new TSampleRecorder(&hub, dir.filePath("history"));
    // Three replies (0.3 ms, 20 ms, 700 ms), then four lost echoes: the line goes down.
    for (double us : {300.0, 20000.0, 700000.0, -1.0, -1.0, -1.0, -1.0})
        hub.Add(Echo(us));
    recorder->Flush();
    ASSERT_TRUE(hub.Alert().Down());

    const quint16 port = FreePort();
    QProcess exporter;
    exporter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    exporter.start(kExporter, {"--web.listen-address=127.0.0.1:" + QString::number(port),
                               "--collector.disable-defaults", "--collector.textfile",
                               "--collector.textfile.directory=" + dir.filePath("textfile")});
    ASSERT_TRUE(exporter.waitForStarted(10000));
    QString metrics;
    ASSERT_TRUE(WaitFor([&] { return !(metrics = Scrape(port)).isEmpty(); }, 20000))
        << "the exporter never answered on 127.0.0.1:" << port;
    exporter.terminate();
    exporter.waitForFinished(5000);

    const QStringList lines = metrics.split('\n');
    for (const char* expected :
         {"node_textfile_scrape_error 0", "zmping2_echo_requests_sent_total{host=\"localhost\"} 7",
          "zmping2_echo_requests_lost_total{host=\"localhost\"} 4",
          "zmping2_line_up{host=\"localhost\"} 0",
          "zmping2_fault_info{host=\"localhost\",where=\"none\"} 1",
          "zmping2_round_trip_seconds{host=\"localhost\"} NaN",
          "zmping2_round_trip_duration_seconds_bucket{host=\"localhost\",le=\"0.0005\"} 1",
          "zmping2_round_trip_duration_seconds_bucket{host=\"localhost\",le=\"0.01\"} 1",
          "zmping2_round_trip_duration_seconds_bucket{host=\"localhost\",le=\"0.025\"} 2",
          "zmping2_round_trip_duration_seconds_bucket{host=\"localhost\",le=\"0.5\"} 2",
          "zmping2_round_trip_duration_seconds_bucket{host=\"localhost\",le=\"1\"} 3",
          "zmping2_round_trip_duration_seconds_bucket{host=\"localhost\",le=\"+Inf\"} 3",
          "zmping2_round_trip_duration_seconds_count{host=\"localhost\"} 3",
          "# TYPE zmping2_round_trip_duration_seconds histogram",
          "# TYPE zmping2_echo_requests_sent_total counter"})
        EXPECT_TRUE(lines.contains(expected)) << expected << "\nscraped:\n"
                                              << metrics.toStdString();
    const QString sum = "zmping2_round_trip_duration_seconds_sum{host=\"localhost\"} ";
    const auto sumLine = std::find_if(lines.begin(), lines.end(),
                                      [&](const QString& l) { return l.startsWith(sum); });
    ASSERT_NE(sumLine, lines.end());
    EXPECT_NEAR(sumLine->mid(sum.size()).toDouble(), 0.7203, 1e-9);
}
