// ctest-labels: gui net
// ctest-serial
// The real program at the start of a chain of real routers (tests/support/NetChain.h): each
// landmark is broken in turn (the computer's interface, its default route, the gateway's
// forwarding, a blackhole on the provider's router, an unreachable route on the far router, the
// host's echo replies, a name server that never answers) and the program, told by its own line
// alerts that the line is down, must say where, at which hop and why, read through --status.
// A router that rate-limits its Time Exceeded messages while it forwards is never blamed. Both
// IP versions and both socket kinds; one chain serves every case.
#include "support/NetChain.h"
#include "support/ProgramUnderTest.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");

NetChain* gChain = nullptr;

struct TCase {
    const char* Name;
    std::function<void(bool v6)> Break, Mend;
    const char* Where;
    int Hop; // 0: null
    std::function<QString(bool v6)> Address;
    const char* Evidence;             // a part of the evidence
    const char* OrEvidence = nullptr; // another part it may say instead (then no address)
};

class FaultEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (ProgramUnavailable({"unshare", "python3"}).empty())
            gChain = new NetChain;
    }
    static void TearDownTestSuite()
    {
        delete gChain;
        gChain = nullptr;
    }

    void SetUp() override
    {
        if (const std::string why = ProgramUnavailable({"unshare", "python3"}); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(gChain && gChain->Ok()) << (gChain ? gChain->Error() : "");
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override { App.Stop(); }

    NetChain& C() { return *gChain; }

    // The program in the chain's first namespace, pinging `host` every second, its line down
    // after two bad cycles; its resolver reads a resolv.conf of the test's (the chain's name
    // server, one second per try), bound over /etc/resolv.conf in a mount namespace of its own.
    void Start(const QString& host, bool datagram, const QString& display = {})
    {
        C().Sysctl(NetChain::Pc, "net.ipv4.ping_group_range", datagram ? "0 2147483647" : "1 0");
        const QString config = Dir.filePath("config");
        QDir().mkpath(config);
        WriteStoredSettings(config, {{"HostEdit_Text", host},
                                     {"SpinEdit1_Value", "1"},
                                     {"SpinEdit3_Value", "500"},
                                     {"CheckBoxPing_Checked", "True"}});
        TRegIniFile options(QStringLiteral("Software\\ZmPing2"), false, TRegRoot::CurrentUser,
                            config + QStringLiteral("/ZmPing2/registry.reg"));
        options.WriteString(QStringLiteral("Options"), QStringLiteral("DownAfter"), "2");
        options.WriteString(QStringLiteral("Options"), QStringLiteral("UpAfter"), "1");
        options.WriteString(QStringLiteral("Options"), QStringLiteral("MetricsFile"), Metrics());
        QFile resolv(Dir.filePath("resolv.conf"));
        ASSERT_TRUE(resolv.open(QIODevice::WriteOnly));
        resolv.write(QByteArray("nameserver ") + NetChain::kNameServer4 +
                     "\noptions timeout:1 attempts:1\n");
        resolv.close();
        Socket = Dir.filePath("socket");
        std::vector<std::string> env{"ZMPING2_SOUND_PLAYER=true",
                                     "XDG_CONFIG_HOME=" + config.toStdString(),
                                     "XDG_STATE_HOME=" + Dir.filePath("state").toStdString(),
                                     "ZMPING2_INSTANCE_KEY=" + Socket.toStdString()};
        if (display.isEmpty()) {
            env.push_back("QT_QPA_PLATFORM=offscreen");
        } else {
            env.push_back("QT_QPA_PLATFORM=xcb");
            env.push_back("DISPLAY=" + display.toStdString());
        }
        App = C().Ns(NetChain::Pc)
                  .Spawn({"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c",
                          "mount --bind \"$0\" /etc/resolv.conf && exec \"$@\"",
                          resolv.fileName().toStdString(), kProgram.toStdString()},
                         env, false);
        ASSERT_TRUE(App.Running());
    }

    QString Metrics() const { return Dir.filePath("zmping2.prom"); }

    // The fault column of the history's rows, as Python's csv module reads them.
    QStringList FaultColumn()
    {
        QProcess py;
        py.start("python3", {"-c",
                             "import csv,sys,glob\n"
                             "for f in glob.glob(sys.argv[1] + '/*.csv'):\n"
                             "    for r in csv.DictReader(open(f, newline='')):\n"
                             "        print(r['fault'] or '-')\n",
                             Dir.filePath("state/ZmPing2/history")});
        py.waitForFinished(20000);
        return QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QJsonObject Status()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZMPING2_INSTANCE_KEY", Socket);
        p.setProcessEnvironment(env);
        p.start(kProgram, {"--status"});
        p.waitForFinished(10000);
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }

    // Waits until the line is up and no fault is claimed.
    bool WaitUp(int ms = 20000)
    {
        return WaitFor(
            [&] {
                const QJsonObject s = Status();
                return s["line"] == "up" && s["status"] != "off" &&
                       s["fault"].toObject()["where"].isNull();
            },
            ms);
    }

    void Check(const TCase& c, bool v6)
    {
        SCOPED_TRACE(std::string(c.Name) + (v6 ? " (IPv6)" : " (IPv4)"));
        ASSERT_TRUE(WaitUp()) << "the line is not up before the break";
        c.Break(v6);
        QJsonObject fault;
        const bool found = WaitFor(
            [&] {
                fault = Status()["fault"].toObject();
                return !fault["where"].isNull();
            },
            20000);
        // The metrics file and the history say the same while the line stays down.
        const QString series = QStringLiteral("zmping2_fault_info{host=\"%1\",where=\"%2\"} 1\n")
                                   .arg(v6 ? NetChain::kHost6 : NetChain::kHost4, c.Where);
        const bool metrics = found && WaitFor(
                                          [&] {
                                              QFile f(Metrics());
                                              return f.open(QIODevice::ReadOnly) &&
                                                     f.readAll().contains(series.toUtf8());
                                          },
                                          5000);
        const bool history = found && FaultColumn().contains(c.Where);
        c.Mend(v6);
        ASSERT_TRUE(found) << "no verdict";
        EXPECT_TRUE(metrics) << "no " << series.toStdString();
        EXPECT_TRUE(history) << "no history row with " << c.Where;
        EXPECT_EQ(fault["where"].toString().toStdString(), c.Where)
            << fault["evidence"].toString().toStdString();
        if (c.Hop > 0)
            EXPECT_EQ(fault["hop"].toInt(), c.Hop);
        else
            EXPECT_TRUE(fault["hop"].isNull());
        const QString evidence = fault["evidence"].toString();
        const bool instead = c.OrEvidence && evidence.contains(QString::fromUtf8(c.OrEvidence));
        if (c.Address && !instead) {
            EXPECT_EQ(fault["address"].toString(), c.Address(v6));
        }
        EXPECT_TRUE(instead || evidence.contains(QString::fromUtf8(c.Evidence)))
            << evidence.toStdString();
        EXPECT_FALSE(fault["time"].toString().isEmpty());
    }

    std::vector<std::string> Family(bool v6) const
    {
        return v6 ? std::vector<std::string>{"-6"} : std::vector<std::string>{};
    }
    bool Ip(NetChain::Node n, bool v6, std::vector<std::string> args)
    {
        std::vector<std::string> all = Family(v6);
        all.insert(all.end(), args.begin(), args.end());
        return C().Ip(n, all);
    }

    // The cases, by name.
    TCase Case(const std::string& name)
    {
        auto gw = [](bool v6) { return QString(v6 ? NetChain::kGw6 : NetChain::kGw4); };
        auto far = [](bool v6) { return QString(v6 ? NetChain::kFar6 : NetChain::kFar4); };
        auto host = [](bool v6) { return QString(v6 ? NetChain::kHost6 : NetChain::kHost4); };
        auto hostNet = [](bool v6) { return v6 ? "2001:db8:4::2/128" : "203.0.113.130/32"; };
        auto restoreDefault = [this](bool v6) {
            Ip(NetChain::Pc, v6,
               {"route", "replace", "default", "via", v6 ? NetChain::kGw6 : NetChain::kGw4});
        };
        if (name == "interface down")
            return {"interface down",
                    [this](bool) {
                        C().Ip(NetChain::Pc, {"link", "set", "eth0", "down"});
                    },
                    [this, restoreDefault](bool v6) {
                        C().Ip(NetChain::Pc, {"link", "set", "eth0", "up"});
                        Ip(NetChain::Pc, true,
                           {"addr", "replace", "2001:db8:1::2/64", "dev", "eth0", "nodad"});
                        restoreDefault(v6);
                        restoreDefault(!v6);
                    },
                    "computer",
                    0,
                    nullptr,
                    "yol yok"};
        if (name == "default route removed")
            return {"default route removed",
                    [this](bool v6) {
                        Ip(NetChain::Pc, v6, {"route", "del", "default"});
                    },
                    restoreDefault,
                    "computer",
                    0,
                    nullptr,
                    "yol yok"};
        if (name == "gateway forwarding off")
            return {
                "gateway forwarding off",
                [this](bool v6) {
                    C().Sysctl(NetChain::Gw,
                               v6 ? "net.ipv6.conf.all.forwarding" : "net.ipv4.ip_forward", "0");
                },
                [this](bool v6) {
                    C().Sysctl(NetChain::Gw,
                               v6 ? "net.ipv6.conf.all.forwarding" : "net.ipv4.ip_forward", "1");
                },
                "local-network",
                1,
                gw,
                "iletmiyor"};
        if (name == "blackhole at the provider")
            return {"blackhole at the provider",
                    [this, hostNet](bool v6) {
                        Ip(NetChain::Prov, v6, {"route", "add", "blackhole", hostNet(v6)});
                    },
                    [this, hostNet](bool v6) {
                        Ip(NetChain::Prov, v6, {"route", "del", "blackhole", hostNet(v6)});
                    },
                    "provider",
                    2,
                    nullptr,
                    "2. adımdan başlayarak yanıt yok"};
        if (name == "unreachable beyond the provider")
            return {"unreachable beyond the provider",
                    [this, hostNet](bool v6) {
                        Ip(NetChain::Far, v6, {"route", "add", "unreachable", hostNet(v6)});
                    },
                    [this, hostNet](bool v6) {
                        Ip(NetChain::Far, v6, {"route", "del", "unreachable", hostNet(v6)});
                    },
                    "beyond-provider", 3, far, "hedefe ulaşamıyor",
                    // The kernel rate-limits the far router's unreachable messages (about one
                    // a second to us); when all of a diagnosis' are held back, the silence
                    // from hop 3 on still names the place.
                    "3. adımdan başlayarak yanıt yok"};
        // The host stops answering while the provider's router answers Time Exceeded once in
        // a hundred seconds at most, forwarding all the while: the host is at fault, not it.
        return {
            "host silent, provider rate-limited",
            [this](bool v6) {
                C().Sysctl(NetChain::Prov,
                           v6 ? "net.ipv6.icmp.ratelimit" : "net.ipv4.icmp_ratelimit", "100000");
                C().Sysctl(NetChain::Host,
                           v6 ? "net.ipv6.icmp.echo_ignore_all" : "net.ipv4.icmp_echo_ignore_all",
                           "1");
            },
            [this](bool v6) {
                C().Sysctl(NetChain::Host,
                           v6 ? "net.ipv6.icmp.echo_ignore_all" : "net.ipv4.icmp_echo_ignore_all",
                           "0");
                C().Sysctl(NetChain::Prov,
                           v6 ? "net.ipv6.icmp.ratelimit" : "net.ipv4.icmp_ratelimit", "1000");
            },
            "host",
            4,
            host,
            "2. adım yanıtlarını sınırlıyor"};
    }

    QTemporaryDir Dir;
    QString Socket;
    ChildProcess App;
};

const char* const kAll[] = {"interface down",
                            "default route removed",
                            "gateway forwarding off",
                            "blackhole at the provider",
                            "unreachable beyond the provider",
                            "host silent, provider rate-limited"};

TEST_F(FaultEndToEnd, EveryLandmarkOverIPv4WithDatagramSockets)
{
    Start(NetChain::kHost4, true);
    for (const char* name : kAll)
        Check(Case(name), false);
}

TEST_F(FaultEndToEnd, EveryLandmarkOverIPv6WithRawSockets)
{
    Start(NetChain::kHost6, false);
    for (const char* name : kAll)
        Check(Case(name), true);
}

TEST_F(FaultEndToEnd, TheOtherPairingsOnTheRoutersCases)
{
    Start(NetChain::kHost4, false);
    Check(Case("blackhole at the provider"), false);
    Check(Case("host silent, provider rate-limited"), false);
    App.Stop();
    Start(NetChain::kHost6, true);
    Check(Case("gateway forwarding off"), true);
    Check(Case("unreachable beyond the provider"), true);
}

TEST_F(FaultEndToEnd, ANameServerThatNeverAnswersIsTheFault)
{
    // A name server in the chain that reads every query and never answers one.
    ChildProcess silent = C().Ns(NetChain::Host)
                              .Spawn({"/usr/bin/python3", "-c",
                                      "import socket,sys,time\n"
                                      "s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM)\n"
                                      "s.bind(('203.0.113.131',53))\n"
                                      "print('ready',flush=True)\n"
                                      "while True: s.recv(4096)\n"});
    ASSERT_TRUE(silent.WaitForLine("ready", std::chrono::seconds(10)));
    Start("uzak.example", true);
    QJsonObject fault;
    ASSERT_TRUE(WaitFor(
        [&] {
            fault = Status()["fault"].toObject();
            return !fault["where"].isNull();
        },
        30000))
        << "no verdict";
    EXPECT_EQ(fault["where"].toString(), "name-resolution");
    EXPECT_TRUE(fault["hop"].isNull());
    EXPECT_EQ(fault["address"].toString(), NetChain::kNameServer4);
    EXPECT_TRUE(fault["evidence"].toString().contains("Ad sunucuları yanıt vermiyor"))
        << fault["evidence"].toString().toStdString();
    App.Stop();
    silent.Stop();
}

// The diagnosis window, opened from the pop-up menu as a user would, under an X server of the
// test's own: live while open, its table lists the gateway and every hop with their addresses,
// and its verdict follows a host that stops answering. Read through its copy button.
TEST_F(FaultEndToEnd, TheDiagnosisWindowShowsThePathLive)
{
    if (const std::string why = ProgramUnavailable({"xdotool", "xclip"}); !why.empty())
        GTEST_SKIP() << why;
    RelaxStrictStringChecks();
    XServer x;
    if (x.Display().isEmpty())
        GTEST_SKIP() << "no Xvfb";
    auto tool = [&](const QStringList& args, const QString& program = "xdotool") {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", x.Display());
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    Start(NetChain::kHost4, true, x.Display());
    ASSERT_TRUE(WaitUp());
    QString main, window;
    ASSERT_TRUE(WaitFor(
        [&] {
            main = tool({"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"})
                       .section('\n', 0, 0);
            return !main.isEmpty();
        },
        20000));
    // A right click on the history meter, then the menu's tenth item.
    ASSERT_TRUE(WaitFor(
        [&] {
            tool({"mousemove", "--window", main, "120", "90", "click", "3"});
            QThread::msleep(400);
            tool({"key", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down",
                  "Down", "Return"});
            return WaitFor(
                [&] {
                    window = tool({"search", "--onlyvisible", "--name",
                                   "^ZEMBRA Ping - Bağlantı tanısı$"})
                                 .section('\n', 0, 0);
                    return !window.isEmpty();
                },
                2000);
        },
        20000));
    auto copied = [&] {
        tool({"mousemove", "--window", window, "88", "380", "click", "1"});
        return tool({"-o", "-selection", "clipboard", "-t", "UTF8_STRING"}, "xclip");
    };
    QString text;
    const QStringList hops{"192.0.2.1", "198.51.100.2", "203.0.113.2", "203.0.113.130"};
    ASSERT_TRUE(WaitFor(
        [&] {
            text = copied();
            for (int i = 0; i < hops.size(); ++i)
                if (!text.contains(
                        QRegularExpression(QStringLiteral("\\n%1 +%2 ")
                                               .arg(i + 1)
                                               .arg(QRegularExpression::escape(hops[i])))))
                    return false;
            return text.contains("Yolda sorun bulunmadı");
        },
        20000))
        << text.toStdString();
    EXPECT_TRUE(text.contains("ağ geçidi 192.0.2.1")) << text.toStdString();

    // The host goes quiet: the open window's rounds find it, and say so to --status as well.
    C().Sysctl(NetChain::Host, "net.ipv4.icmp_echo_ignore_all", "1");
    const bool found = WaitFor(
        [&] {
            text = copied();
            return text.contains("Yalnız karşı bilgisayar yanıt vermiyor");
        },
        20000);
    const QString where = Status()["fault"].toObject()["where"].toString();
    C().Sysctl(NetChain::Host, "net.ipv4.icmp_echo_ignore_all", "0");
    EXPECT_TRUE(found) << text.toStdString();
    EXPECT_EQ(where, "host");
}

} // namespace
