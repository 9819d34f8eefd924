// ctest-labels: gui net
// ctest-serial
// The real program pinging the echo responder in a private network namespace, watched only
// through what it offers its users: --status and --status --follow over its one-copy socket,
// --ping, its history file (read by Python's csv module) and its metrics file, set beforehand
// in its registry file. Another user reaches none of it.
#include "support/NetNamespace.h"
#include "support/ProgramUnderTest.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");

struct TRun {
    int Status = -1;
    QString Out;
};

class StatusEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = ProgramUnavailable(); !why.empty())
            GTEST_SKIP() << why;
        // The socket's folder is open to others: only the socket's own guards keep them out.
        QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ExeGroup | QFile::ExeOther);
        QDir(Dir.path()).mkpath("run");
        QFile::setPermissions(Dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther);
        Socket = Dir.filePath("run/socket");
        Env.insert("ZMPING2_INSTANCE_KEY", Socket);
        Ns = std::make_unique<NetNamespace>();
        ASSERT_TRUE(Ns->Ok()) << Ns->Error();
        Ns->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
        Responder = Ns->Spawn({ZM_ECHO_RESPONDER});
        ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
        // The metrics file is a setting, written before the start as a user may.
        QDir().mkpath(Dir.filePath("config/ZmPing2"));
        QDir().mkpath(Dir.filePath("metrics"));
        QFile reg(Dir.filePath("config/ZmPing2/registry.reg"));
        ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
        // Automatic pinging on (the line is watched), at an interval that never comes in the
        // test: the cycles are the first one and those --ping asks for.
        reg.write("Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\ZmPing2\\Options]\r\n\"MetricsFile\"=\"" +
                  Metrics().toUtf8() +
                  "\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF]\r\n"
                  "\"CheckBoxPing_Checked\"=\"True\"\r\n\"SpinEdit1_Value\"=\"999\"\r\n");
        reg.close();
        App = Ns->Spawn({kProgram.toStdString()},
                        {"QT_QPA_PLATFORM=offscreen", "ZMPING2_SOUND_PLAYER=true",
                         "XDG_CONFIG_HOME=" + Dir.filePath("config").toStdString(),
                         "XDG_STATE_HOME=" + Dir.filePath("state").toStdString(),
                         "ZMPING2_INSTANCE_KEY=" + Socket.toStdString()},
                        false);
        ASSERT_TRUE(App.Running());
    }

    void TearDown() override
    {
        if (Follow.state() != QProcess::NotRunning) {
            Follow.kill();
            Follow.waitForFinished(5000);
        }
        App.Stop();
        Responder.Stop();
    }

    QString Metrics() const { return Dir.filePath("metrics/zmping2.prom"); }

    TRun Run(const QStringList& args, const QStringList& prefix = {})
    {
        QProcess p;
        p.setProcessEnvironment(Env);
        const QStringList command = prefix + QStringList{kProgram} + args;
        p.start(command.first(), command.mid(1));
        p.waitForFinished(20000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput())};
    }

    static QJsonObject Json(const QString& line)
    {
        return QJsonDocument::fromJson(line.trimmed().toUtf8()).object();
    }

    // The history's sample outcomes as Python's csv module reads the day's file (the rows of
    // events beside them, such as the program's start, left out).
    QStringList Outcomes()
    {
        QProcess py;
        py.start("python3", {"-c",
                             "import csv,sys,glob\n"
                             "for f in glob.glob(sys.argv[1] + '/*.csv'):\n"
                             "    for r in list(csv.DictReader(open(f, newline=''))):\n"
                             "        if r['outcome'] in ('good', 'normal', 'bad', 'lost',"
                             " 'failed', 'unknown host'):\n"
                             "            print(r['outcome'], r['rtt_ms'] or '-')\n",
                             Dir.filePath("state/ZmPing2/history")});
        py.waitForFinished(20000);
        return QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    // Lines --status --follow printed so far.
    QStringList Followed()
    {
        FollowOut += QString::fromUtf8(Follow.readAllStandardOutput());
        return FollowOut.split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir Dir;
    QString Socket;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<NetNamespace> Ns;
    ChildProcess Responder, App;
    QProcess Follow;
    QString FollowOut;
};

} // namespace

TEST_F(StatusEndToEnd, StatusFollowPingHistoryAndMetricsTellTheSameStory)
{
    // The first cycle runs when the window shows.
    TRun status;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (status = Run({"--status"})).Status == 0 && !Json(status.Out)["time"].isNull();
        },
        20000))
        << "status " << status.Status << ": " << status.Out.toStdString();
    QJsonObject s = Json(status.Out);
    EXPECT_EQ(status.Out.count('\n'), 1) << "one line";
    EXPECT_EQ(s["host"].toString(), "localhost");
    EXPECT_EQ(s["address"].toString(), "127.0.0.1");
    EXPECT_EQ(s["status"].toString(), "good");
    EXPECT_EQ(s["line"].toString(), "up");
    EXPECT_GE(s["rtt_ms"].toDouble(-1), 0);
    EXPECT_TRUE(s["readout"].toString().endsWith(" ms")) << s["readout"].toString().toStdString();
    EXPECT_EQ(s["loss_percent"].toDouble(-1), 0);
    EXPECT_TRUE(s["auto_ping"].toBool(false));
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)")
                    .match(s["time"].toString())
                    .hasMatch())
        << s["time"].toString().toStdString();

    // A follower gets the present state at once, then a line per sample.
    Follow.setProcessEnvironment(Env);
    Follow.start(kProgram, {"--status", "--follow"});
    ASSERT_TRUE(WaitFor([&] { return Followed().size() == 1; }, 10000));
    EXPECT_EQ(Json(Followed()[0])["class"].toString(), "good");
    EXPECT_TRUE(Json(Followed()[0])["text"].toString().endsWith(" ms"));
    ASSERT_EQ(Run({"--ping"}).Status, 0);
    ASSERT_TRUE(WaitFor([&] { return Followed().size() == 2; }, 10000)) << "no line for --ping";
    EXPECT_EQ(Outcomes().size(), 2);

    // The host stops answering: three lost echoes take the line down.
    Responder.Stop();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Run({"--ping"}).Status, 0);
        ASSERT_TRUE(WaitFor([&] { return Followed().size() == 3 + i; }, 10000));
    }
    const QJsonObject bar = Json(Followed().last());
    EXPECT_EQ(bar["class"].toString(), "down");
    EXPECT_EQ(bar["full_text"].toString(), "Time out");
    status = Run({"--status"});
    EXPECT_EQ(status.Status, 1) << status.Out.toStdString();
    s = Json(status.Out);
    EXPECT_EQ(s["line"].toString(), "down");
    EXPECT_TRUE(s["rtt_ms"].isNull());
    EXPECT_EQ(s["loss_percent"].toDouble(), 60);

    const QStringList outcomes = Outcomes();
    ASSERT_EQ(outcomes.size(), 5) << outcomes.join('\n').toStdString();
    EXPECT_TRUE(QRegularExpression(R"(^good \d+\.\d{3}$)").match(outcomes[1]).hasMatch())
        << outcomes[1].toStdString();
    EXPECT_EQ(outcomes[4], "lost -");
    QFile metrics(Metrics());
    ASSERT_TRUE(metrics.open(QIODevice::ReadOnly)) << "no metrics file";
    const QByteArray text = metrics.readAll();
    EXPECT_TRUE(text.contains("zmping2_echo_requests_sent_total{host=\"localhost\"} 5\n"));
    EXPECT_TRUE(text.contains("zmping2_echo_requests_lost_total{host=\"localhost\"} 3\n"));
    EXPECT_TRUE(text.contains("zmping2_line_up{host=\"localhost\"} 0\n"));

    // The copy ends: the follower says so and keeps waiting for the next one.
    ASSERT_EQ(Run({"--quit"}).Status, 0);
    ASSERT_TRUE(WaitFor([&] { return Json(Followed().last())["class"] == "stopped"; }, 10000));
    EXPECT_EQ(Run({"--status"}).Status, 3);
}

TEST_F(StatusEndToEnd, AnotherUserCannotReachTheRunningCopy)
{
    const passwd* other = ::getpwnam("zmping2-test");
    if (::getuid() != 0 || !other)
        GTEST_SKIP() << "needs root and the user zmping2-test (scripts/setup makes it)";
    ASSERT_TRUE(WaitFor([&] { return Run({"--status"}).Status == 0; }, 20000));
    const QStringList asOther{"setpriv", QStringLiteral("--reuid=%1").arg(other->pw_uid),
                              QStringLiteral("--regid=%1").arg(other->pw_gid), "--clear-groups",
                              "--"};
    EXPECT_EQ(Run({"--status"}, asOther).Status, 3);
    EXPECT_EQ(Run({"--ping"}, asOther).Status, 1);
    // Even through a socket opened to everyone, the running copy answers nobody else.
    ASSERT_TRUE(QFile::setPermissions(Socket, QFileDevice::Permissions(0x6666)));
    QProcess raw;
    raw.start(asOther.first(), asOther.mid(1) + QStringList{"/usr/bin/python3", "-c",
                                                            "import socket,sys\n"
                                                            "s = socket.socket(socket.AF_UNIX)\n"
                                                            "s.connect(sys.argv[1])\n"
                                                            "try:\n"
                                                            "    s.sendall(b'status\\n')\n"
                                                            "    s.settimeout(5)\n"
                                                            "    data = s.recv(4096)\n"
                                                            "except OSError:\n"
                                                            "    data = b''\n"
                                                            "print('connected', repr(data))\n",
                                                            Socket});
    ASSERT_TRUE(raw.waitForFinished(20000));
    EXPECT_EQ(QString::fromUtf8(raw.readAllStandardOutput()).trimmed(), "connected b''")
        << raw.readAllStandardError().toStdString();
    EXPECT_EQ(Run({"--status"}).Status, 0) << "its own user still reaches it";
}
