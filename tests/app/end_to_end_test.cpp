// ctest-labels: gui net
// ctest-serial
// The real program, started as a process on an X server of its own, pinging test hosts that
// the project's echo responder plays inside a private network namespace. What it shows is read
// from its accessibility tree, as a screen reader reads it; its alarm through a player command
// that records each request.
#include "support/NetNamespace.h"
#include "support/ProgramUnderTest.h"
#include "support/ProgramView.h"

#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");

using Shown = ProgramView;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = ProgramUnavailable(); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(Dir.isValid());
        RelaxStrictStringChecks();
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";
        Ns = std::make_unique<NetNamespace>();
        ASSERT_TRUE(Ns->Ok()) << Ns->Error();
        Ns->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
        A11y = std::make_unique<AccessibilityBus>();
        if (!A11y->Ok())
            GTEST_SKIP() << A11y->Error().toStdString();
        // The player stand-in: records the file it was asked to play.
        Recorder = Dir.filePath("player.sh");
        QFile f(Recorder);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\n")
                    .arg(Dir.filePath("played"))
                    .toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Starts the program in the namespace; `wrapper` runs it through another command.
    void StartProgram(std::vector<std::string> wrapper = {})
    {
        const QString config = Config();
        QDir().mkpath(config);
        std::vector<std::string> env{"DISPLAY=" + X->Display().toStdString(), "QT_QPA_PLATFORM=xcb",
                                     "XDG_CONFIG_HOME=" + config.toStdString(),
                                     "ZMPING2_SOUND_PLAYER=" + Recorder.toStdString(),
                                     "ZMPING2_INSTANCE_KEY=zmping2-e2e-" +
                                         std::to_string(getpid())};
        for (const std::string& e : A11y->Env())
            env.push_back(e);
        wrapper.push_back(kProgram.toStdString());
        App = Ns->Spawn(wrapper, env, false);
        EXPECT_TRUE(App.Running());
    }

    // The program's XDG_CONFIG_HOME.
    QString Config() const { return Dir.filePath("config"); }

    // Runs the program against a responder started with the given arguments until its first
    // cycle has ended, and returns what it showed.
    Shown RunAgainst(const std::vector<std::string>& responderArgs)
    {
        std::vector<std::string> argv{ZM_ECHO_RESPONDER};
        argv.insert(argv.end(), responderArgs.begin(), responderArgs.end());
        Responder = Ns->Spawn(argv);
        EXPECT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
        StartProgram();
        return ReadFirstCycle(*A11y, X->Display());
    }

    Shown Read() const { return ReadView(A11y->Tree()); }

    QString Xdo(const QStringList& args) const { return ::Xdo(X->Display(), args); }

    QStringList Played() const
    {
        // The player is started detached; give it a moment to write.
        QFile f(Dir.filePath("played"));
        for (int i = 0; i < 40 && !f.exists(); ++i)
            QThread::msleep(50);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    void TearDown() override
    {
        App.Stop();
        Responder.Stop();
    }

    QTemporaryDir Dir;
    QString Recorder;
    std::unique_ptr<XServer> X;
    std::unique_ptr<AccessibilityBus> A11y;
    std::unique_ptr<NetNamespace> Ns;
    ChildProcess Responder, App;
};

} // namespace

TEST_F(EndToEnd, SlowButGoodHostReadsItsTime)
{
    const Shown s = RunAgainst({"--delay-ms", "150"});
    ASSERT_FALSE(s.Log.isEmpty());
    EXPECT_EQ(s.Log.first(), "Resolving host 'localhost'");
    EXPECT_TRUE(s.Log.last().startsWith("Received 32 bytes from 127.0.0.1 in 15"))
        << s.Log.last().toStdString();
    // The responder waits 150 ms; a busy machine may add a few milliseconds of scheduling.
    ASSERT_TRUE(s.Readout.endsWith(" ms")) << s.Readout.toStdString();
    const int ms = s.Readout.section(' ', 0, 0).toInt();
    EXPECT_GE(ms, 150);
    EXPECT_LE(ms, 165);
    EXPECT_EQ(s.Lamp, "İyi");
    EXPECT_TRUE(Played().isEmpty());
}

TEST_F(EndToEnd, TooSlowHostTurnsRedAndSoundsTheAlarm)
{
    const Shown s = RunAgainst({"--delay-ms", "800"});
    ASSERT_TRUE(s.Readout.endsWith(" ms")) << s.Readout.toStdString();
    const int ms = s.Readout.section(' ', 0, 0).toInt();
    EXPECT_GE(ms, 800);
    EXPECT_LT(ms, 1000); // the time-out
    EXPECT_EQ(s.Lamp, "Kötü");
    const QStringList played = Played();
    ASSERT_EQ(played.size(), 1);
    EXPECT_EQ(played[0], QFileInfo(kProgram).absolutePath() + "/alarm.wav");
    EXPECT_TRUE(QFileInfo::exists(played[0]));
}

TEST_F(EndToEnd, SilentHostTimesOut)
{
    const Shown s = RunAgainst({"--drop"});
    EXPECT_EQ(s.Readout, "Time out");
    EXPECT_EQ(s.Lamp, "Kötü");
    ASSERT_FALSE(s.Log.isEmpty());
    EXPECT_EQ(s.Log.last(), "Cannot ping host (127.0.0.1) : Request timed out");
    EXPECT_EQ(Played().size(), 1);
}

TEST_F(EndToEnd, UnreachableHostIsAFailedPing)
{
    const Shown s = RunAgainst({"--unreachable", "1"});
    EXPECT_EQ(s.Readout, "Time out");
    EXPECT_EQ(s.Lamp, "Kötü");
    ASSERT_FALSE(s.Log.isEmpty());
    EXPECT_TRUE(s.Log.last().startsWith("Cannot ping host (127.0.0.1) : "))
        << s.Log.last().toStdString();
}

// A screen reader can read and drive the program: every control has a name, the readout, lamp
// and meter announce each change, and the flat buttons press.
TEST_F(EndToEnd, AccessibilityNamesEveryControlAndAnnouncesChanges)
{
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "no xdotool to drive the program with";
    Responder = Ns->Spawn({ZM_ECHO_RESPONDER, "--delay-ms", "150"});
    ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
    WriteStoredSettings(Config(), {{"SpinEdit1_Value", "1"},
                                   {"CheckBoxPing_Checked", "True"},
                                   {"HostEdit_Text", "127.0.0.1"}});
    QProcess* heard = A11y->Watch(6);
    StartProgram();
    ASSERT_TRUE(OpenSettingsWindow(X->Display()));
    ASSERT_TRUE(WaitFor([&] { return Read().CycleEnded(); }, 15000)) << A11y->Dump().toStdString();
    const QList<AccessibleNode> tree = A11y->Tree();
    const QString dump = A11y->Dump();
    const QStringList controls{"push button", "check box", "spin box", "text",
                               "label",       "indicator", "chart"};
    for (const AccessibleNode& n : tree)
        EXPECT_TRUE(!controls.contains(n.Role) || !n.Name.isEmpty())
            << "an unnamed " << n.Role.toStdString() << "\n"
            << dump.toStdString();
    for (const char* button : {"Ayarlar (F5)", "Gizle (Esc)", "Kapat", "Ping", "Vazgeç"})
        EXPECT_TRUE(Find(tree, "push button", QString::fromUtf8(button))) << button;
    for (const char* box : {"Bağlantı kötü ise alarm ver", "Otomatik Ping", "Her Zaman Üstte"})
        EXPECT_TRUE(Find(tree, "check box", QString::fromUtf8(box))) << box;
    EXPECT_TRUE(Find(tree, "check box", QStringLiteral("Otomatik Ping"))->Has("checked"));
    EXPECT_EQ(Find(tree, "text", QStringLiteral("Host"))->Text, "127.0.0.1");
    const struct {
        const char* Name;
        double Value, Min, Max;
    } spins[] = {{"ms Aşağısı iyi", 200, INT_MIN, INT_MAX},
                 {"ms Yukarısı Kötü", 700, INT_MIN, INT_MAX},
                 {"ms Time Out", 1000, INT_MIN, INT_MAX},
                 {"Ping Aralığı", 1, 1, 999},
                 {"Byte", 32, 0, 1024}};
    for (const auto& want : spins) {
        const AccessibleNode* n = Find(tree, "spin box", QString::fromUtf8(want.Name));
        ASSERT_TRUE(n && n->Value) << want.Name << "\n" << dump.toStdString();
        EXPECT_EQ(*n->Value, want.Value) << want.Name;
        EXPECT_EQ(*n->Min, want.Min) << want.Name;
        EXPECT_EQ(*n->Max, want.Max) << want.Name;
    }
    const Shown shown = ReadView(tree);
    EXPECT_EQ(shown.Lamp, "İyi");
    ASSERT_TRUE(shown.Readout.endsWith(" ms")) << shown.Readout.toStdString();
    const AccessibleNode* meter = Find(tree, "chart", QStringLiteral("Yanıt süreleri"));
    ASSERT_TRUE(meter && meter->Value);
    EXPECT_GE(*meter->Value, 150);
    EXPECT_EQ(*meter->Min, 0);
    EXPECT_GE(*meter->Max, *meter->Value);

    // Each change was announced as it happened.
    ASSERT_TRUE(heard->waitForFinished(15000));
    const QString said = QString::fromUtf8(heard->readAllStandardOutput());
    EXPECT_TRUE(said.contains(QRegularExpression(R"(accessible-name label "1[5-9]\d ms")")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("accessible-name indicator \"İyi\"")))
        << said.toStdString();
    EXPECT_TRUE(
        said.contains(QRegularExpression(R"(accessible-value chart "Yanıt süreleri" 1[5-9]\d)")))
        << said.toStdString();

    // The flat button presses as a push button does: Ayarlar shows the settings again.
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitFor([&] { return ShownProgramWindows(X->Display()) == 1; }, 5000));
    ASSERT_TRUE(A11y->Press("push button", QStringLiteral("Ayarlar (F5)")));
    EXPECT_TRUE(WaitFor([&] { return ShownProgramWindows(X->Display()) == 2; }, 5000));
}

// Waiting for an echo never freezes the window: with a host that drops every request and a
// time-out of 99999999 ms, F5, Esc and the quit command answer at once, and quitting saves.
TEST_F(EndToEnd, WindowAnswersWhileAnEchoIsOutstanding)
{
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "no xdotool to drive the program with";
    Responder = Ns->Spawn({ZM_ECHO_RESPONDER, "--drop"});
    ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
    WriteStoredSettings(Config(), {{"SpinEdit3_Value", "99999999"},
                                   {"SpinEdit1_Value", "1"},
                                   {"CheckBoxPing_Checked", "True"},
                                   {"HostEdit_Text", "127.0.0.1"}});
    StartProgram();
    // F5 answers while the echo is outstanding (the log says it was sent).
    ASSERT_TRUE(OpenSettingsWindow(X->Display()));
    ASSERT_TRUE(WaitFor(
        [&] {
            const Shown s = Read();
            return !s.Log.isEmpty() && s.Log.last().startsWith("Sending 32 bytes to 127.0.0.1");
        },
        20000));
    Xdo({"key", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return ShownProgramWindows(X->Display()) == 1; }, 3000));
    const QString main =
        Xdo({"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"}).section('\n', 0, 0);
    ASSERT_FALSE(main.isEmpty());
    Xdo({"windowfocus", "--sync", main});
    Xdo({"key", "F5"});
    EXPECT_TRUE(WaitFor([&] { return ShownProgramWindows(X->Display()) == 2; }, 3000));
    Xdo({"key", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return ShownProgramWindows(X->Display()) == 1; }, 3000));
    // Ticks meanwhile start nothing: one request reached the responder.
    QThread::msleep(2500);
    Responder.Drain();
    std::size_t requests = 0;
    for (std::size_t at = 0; (at = Responder.Output().find("-> drop", at)) != std::string::npos;
         ++at)
        ++requests;
    EXPECT_EQ(requests, 1u) << Responder.Output();
    // Kapat quits at once, the echo still outstanding, and saves the settings (read in at the
    // start, so only that save can store them again).
    QFile reg(Config() + "/ZmPing2/registry.reg");
    ASSERT_TRUE(reg.remove());
    Xdo({"mousemove", "--window", main, "213", "16"});
    Xdo({"click", "1"});
    int status = -1;
    ASSERT_TRUE(App.Wait(std::chrono::seconds(5), &status)) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(reg.readAll().contains("\"SpinEdit3_Value\"=\"99999999\""));
}

// A name server that never answers: each lookup fails at its limit and says so everywhere
// (readout, lamp, tray, alarm), and lookups never pile up: one query, threads steady.
TEST_F(EndToEnd, SilentNameServerGivesUnknownHostAndNoPileOfLookups)
{
    if (QStandardPaths::findExecutable("unshare").isEmpty())
        GTEST_SKIP() << "no unshare for the program's own resolver configuration";
    // The silent name server: a UDP socket on 127.0.0.1:53 of the namespace that reads and
    // never replies.
    const int dns = Ns->Run([] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(53);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            throw std::runtime_error("cannot bind the silent name server");
        timeval tv{0, 100000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        return fd;
    });
    std::atomic<bool> stop{false};
    std::atomic<int> queries{0};
    std::thread server([&] {
        char buf[1500];
        while (!stop)
            if (::recv(dns, buf, sizeof buf, 0) > 0)
                ++queries;
    });
    const QString resolv = Dir.filePath("resolv.conf");
    {
        QFile f(resolv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("nameserver 127.0.0.1\noptions timeout:30 attempts:5\n");
    }
    WriteStoredSettings(Config(), {{"SpinEdit1_Value", "1"},
                                   {"CheckBoxPing_Checked", "True"},
                                   {"HostEdit_Text", "zmping2-silent.test"}});
    StartProgram({"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                  "mount --bind '" + resolv.toStdString() + "' /etc/resolv.conf && exec \"$0\""});
    ASSERT_TRUE(OpenSettingsWindow(X->Display()));
    const auto threads = [&] {
        return QDir(QStringLiteral("/proc/%1/task").arg(App.Pid()))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
            .size();
    };
    // The first lookup fails at its limit (3 s with the 1000 ms time-out).
    ASSERT_TRUE(WaitFor([&] { return Read().Readout == "Host yok"; }, 15000))
        << Read().Readout.toStdString();
    const qsizetype threadsAtFirst = threads();
    QThread::msleep(9000);
    const qsizetype threadsLater = threads();
    // Read between two cycles: each one starts by clearing the log.
    Shown s;
    WaitFor([&] { return (s = Read()).Log.size() == 2; }, 5000);
    stop = true;
    server.join();
    ::close(dns);
    EXPECT_EQ(s.Lamp, "Kapalı");
    EXPECT_EQ(s.Log, (QStringList{"Resolving host 'zmping2-silent.test'",
                                  "Unknown Host 'zmping2-silent.test'"}));
    EXPECT_GE(Played().size(), 2);
    // Three more cycles have failed meanwhile, all on the first lookup's one query.
    EXPECT_LE(queries.load(), 2);
    EXPECT_GE(queries.load(), 1);
    EXPECT_LE(threadsLater, threadsAtFirst) << threadsAtFirst << " threads, then " << threadsLater;
}

// Without permission for any ICMP socket the program reports it (the engine's text, with the
// reason and the remedies; see the ICMP socket tests) and ends when the message is closed.
TEST_F(EndToEnd, NoIcmpPermissionIsReportedAndEndsTheProgram)
{
    for (const char* tool : {"xdotool", "setpriv"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << "needs " << tool;
    Ns->SetSysctl("net.ipv4.ping_group_range", "1 0"); // no datagram ICMP sockets
    StartProgram({QStandardPaths::findExecutable("setpriv").toStdString(),
                  "--bounding-set=-net_raw", "--inh-caps=-net_raw"});
    QString box;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = Xdo({"search", "--onlyvisible", "--name", "^ZmPing2$"}).section('\n', 0, 0);
            return !box.isEmpty();
        },
        20000))
        << "no message";
    EXPECT_TRUE(Xdo({"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"}).isEmpty());
    Xdo({"windowfocus", "--sync", box});
    Xdo({"key", "Return"});
    int status = -1;
    ASSERT_TRUE(App.Wait(std::chrono::seconds(10), &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}
