// ctest-labels: gui net
// ctest-serial
// The real program, once, through three things that must not be taken for an outage and one
// that must be told although the line is up. It runs on an X server of its own with a real
// notification daemon (dunst) on a private session bus, a private system bus on which this test
// stands in for the login manager (org.freedesktop.login1), and its own network namespace wired
// by two veth pairs to a second namespace that holds the host 203.0.113.5 and the project's
// echo responder:
//   quality: a host that loses every third echo gives one "degraded", and once it answers
//            evenly one "recovered" (--status and the metrics file agree);
//   network: the default route switched to the second interface, removed, and restored: a
//            marker in the history each time (with NetworkManager's name of the connection,
//            from a stand-in on the system bus), no "down" within the grace, then "no network";
//   sleep:   PrepareForSleep lets go of the delay inhibitor, no cycle runs while asleep, the
//            history has the gap, the bad cycles before the sleep do not count after it, and
//            nothing is notified.
#include "support/NetNamespace.h"
#include "support/NotificationDaemon.h"
#include "support/ProgramUnderTest.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
const QString kHost = QStringLiteral("203.0.113.5");
constexpr int kWait = 30000;

// The login manager's side of the system bus: hands out delay inhibitors (the write end of a
// pipe whose read end the test keeps, so it sees when the program lets go) and sends
// PrepareForSleep.
class Login1 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~Login1() override
    {
        for (int fd : Held)
            ::close(fd);
    }
    int Taken = 0;
    std::vector<int> Held; // read ends, one per inhibitor handed out
    // Whether the latest inhibitor handed out has been let go of.
    bool LatestReleased() const
    {
        if (Held.empty())
            return false;
        pollfd p{Held.back(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString&, const QString&,
                                    const QString& mode)
    {
        int fds[2];
        if (what != "sleep" || mode != "delay" || ::pipe(fds) != 0)
            return {};
        ++Taken;
        Held.push_back(fds[0]);
        QDBusUnixFileDescriptor out(fds[1]); // a copy travels; ours goes at once
        ::close(fds[1]);
        return out;
    }
};

// NetworkManager's side, as far as the program asks it: which device an interface is, its
// active connection, and that connection's name. Only vb0 is NetworkManager's here.
class NmManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
public slots:
    QDBusObjectPath GetDeviceByIpIface(const QString& name)
    {
        if (name == "vb0")
            return QDBusObjectPath("/org/freedesktop/NetworkManager/Devices/7");
        sendErrorReply("org.freedesktop.NetworkManager.UnknownDevice", name);
        return {};
    }
};
class NmDevice : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device")
    Q_PROPERTY(QDBusObjectPath ActiveConnection READ ActiveConnection)
public:
    QDBusObjectPath ActiveConnection() const
    {
        return QDBusObjectPath("/org/freedesktop/NetworkManager/ActiveConnection/3");
    }
};
class NmActive : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QString Id READ Id)
public:
    QString Id() const { return QStringLiteral("Test Wi-Fi"); }
};

class LineEventsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why =
                ProgramUnavailable({"dbus-daemon", "dunst", "dunstctl", "/usr/sbin/ip"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(Dir.isValid());
        RelaxStrictStringChecks();
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";
        Daemon = std::make_unique<NotificationDaemon>(Dir.path(), X->Display());
        ASSERT_TRUE(Daemon->Error().isEmpty()) << Daemon->Error().toStdString();
        Session = Daemon->Address();
        System = StartSystemBus();
        ASSERT_FALSE(System.isEmpty());

        SystemBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(System, QStringLiteral("zm-test-system")));
        ASSERT_TRUE(SystemBus->isConnected());
        ASSERT_TRUE(SystemBus->registerService("org.freedesktop.login1"));
        ASSERT_TRUE(SystemBus->registerObject("/org/freedesktop/login1", &Manager,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(SystemBus->registerService("org.freedesktop.NetworkManager"));
        ASSERT_TRUE(SystemBus->registerObject("/org/freedesktop/NetworkManager", &Nm,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(SystemBus->registerObject("/org/freedesktop/NetworkManager/Devices/7", &NmWifi,
                                              QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(SystemBus->registerObject("/org/freedesktop/NetworkManager/ActiveConnection/3",
                                              &NmWifiActive, QDBusConnection::ExportAllProperties));

        // The computer (the program's namespace) and, across two links, the host's.
        Here = std::make_unique<NetNamespace>();
        There = std::make_unique<NetNamespace>();
        ASSERT_TRUE(Here->Ok()) << Here->Error();
        ASSERT_TRUE(There->Ok()) << There->Error();
        Here->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
        StartResponder({"--drop-every", "3"});
        // The far ends go into the host's namespace through the test's own descriptor of it.
        const std::string there =
            "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(There->Fd());
        for (const char* link : {"a", "b"}) {
            const std::string near = std::string("v") + link + "0";
            const std::string far = std::string("v") + link + "1";
            ASSERT_TRUE(Ip(
                *Here, {"link", "add", near, "type", "veth", "peer", "name", far, "netns", there}));
            ASSERT_TRUE(Ip(*Here, {"link", "set", near, "up"}));
            ASSERT_TRUE(Ip(*There, {"link", "set", far, "up"}));
        }
        ASSERT_TRUE(Ip(*Here, {"addr", "add", "198.51.100.2/24", "dev", "va0"}));
        ASSERT_TRUE(Ip(*Here, {"addr", "add", "192.0.2.2/24", "dev", "vb0"}));
        ASSERT_TRUE(Ip(*There, {"addr", "add", "198.51.100.1/24", "dev", "va1"}));
        ASSERT_TRUE(Ip(*There, {"addr", "add", "192.0.2.1/24", "dev", "vb1"}));
        ASSERT_TRUE(Ip(*There, {"addr", "add", kHost.toStdString() + "/32", "dev", "lo"}));
        ASSERT_TRUE(Ip(*Here, {"route", "add", "default", "via", "198.51.100.1", "dev", "va0"}));
    }

    void TearDown() override
    {
        App.Stop();
        Responder.Stop();
        SystemBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("zm-test-system"));
        Daemon.reset();
        if (SystemBusDaemon.state() != QProcess::NotRunning) {
            SystemBusDaemon.terminate();
            if (!SystemBusDaemon.waitForFinished(3000)) {
                SystemBusDaemon.kill();
                SystemBusDaemon.waitForFinished(3000);
            }
        }
    }

    // The stand-in system bus, on a socket file of its own.
    QString StartSystemBus()
    {
        SystemBusDaemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                              "--address=unix:path=" + Dir.filePath("system-bus")});
        if (!SystemBusDaemon.waitForStarted(5000) ||
            !WaitFor([&] { return SystemBusDaemon.canReadLine(); }, kWait))
            return {};
        return QString::fromUtf8(SystemBusDaemon.readLine()).trimmed();
    }

    static bool Ip(NetNamespace& ns, const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{"/usr/sbin/ip"};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess p = ns.Spawn(argv, {}, false);
        int status = -1;
        return p.Running() && p.Wait(std::chrono::seconds(10), &status) && status == 0;
    }

    void StartResponder(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{ZM_ECHO_RESPONDER};
        argv.insert(argv.end(), args.begin(), args.end());
        Responder = There->Spawn(argv);
        ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
    }

    QString Tool(const QString& program, const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = Daemon->Env();
        env.insert("ZMPING2_INSTANCE_KEY", Dir.filePath("instance"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    void StartProgram()
    {
        const QString config = Dir.filePath("config");
        QDir().mkpath(config + "/ZmPing2");
        WriteStoredSettings(config, {{"HostEdit_Text", kHost},
                                     {"SpinEdit1_Value", "1"},
                                     {"SpinEdit3_Value", "300"},
                                     {"CheckBoxPing_Checked", "True"}});
        // Limits of the monitor's own: a short window, hold and grace keep the test short.
        TRegIniFile options(QStringLiteral("Software\\ZmPing2"), false, TRegRoot::CurrentUser,
                            config + QStringLiteral("/ZmPing2/registry.reg"));
        for (const auto& [name, value] :
             TStoredSettings{{"QualityWindow", "10"},
                             {"QualityHold", "5"},
                             {"GraceSeconds", "6"},
                             {"MetricsFile", Dir.filePath("zmping2.prom")}})
            options.WriteString(QStringLiteral("Options"), name, value);
        App = Here->Spawn({kProgram.toStdString()},
                          {"DISPLAY=" + X->Display().toStdString(), "QT_QPA_PLATFORM=xcb",
                           "DBUS_SESSION_BUS_ADDRESS=" + Session.toStdString(),
                           "DBUS_SYSTEM_BUS_ADDRESS=" + System.toStdString(),
                           "XDG_CONFIG_HOME=" + config.toStdString(),
                           "XDG_STATE_HOME=" + Dir.filePath("state").toStdString(),
                           "ZMPING2_SOUND_PLAYER=true",
                           "ZMPING2_INSTANCE_KEY=" + Dir.filePath("instance").toStdString()},
                          false);
        ASSERT_TRUE(App.Running());
    }

    // The history's rows: outcome and description (status_text), oldest first.
    QList<QStringList> Rows() const
    {
        QList<QStringList> rows;
        const QDir history(Dir.filePath("state/ZmPing2/history"));
        for (const QString& name : history.entryList({"*.csv"}, QDir::Files, QDir::Name)) {
            QFile f(history.filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
            for (const QString& line : lines.mid(1))
                if (!line.isEmpty()) {
                    const QStringList fields = CsvFields(line);
                    rows.append({fields.value(3), fields.value(6)});
                }
        }
        return rows;
    }
    // One line's fields, as RFC 4180 quotes them.
    static QStringList CsvFields(const QString& line)
    {
        QStringList fields{QString()};
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.last() += line[++i];
            else if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                fields.append(QString());
            else
                fields.last() += c;
        }
        return fields;
    }
    int Count(const QString& outcome, qsizetype from = 0) const
    {
        int n = 0;
        for (const QStringList& row : Rows().mid(from))
            n += row[0] == outcome;
        return n;
    }

    QStringList Notices() const
    {
        QStringList out;
        for (const NotificationDaemon::Notice& n : Daemon->Notices())
            out << n.Body;
        return out;
    }

    QJsonObject Status() const
    {
        return QJsonDocument::fromJson(Tool(kProgram, {"--status"}).toUtf8()).object();
    }

    void Sleep(bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << start;
        ASSERT_TRUE(SystemBus->send(signal));
    }

    QTemporaryDir Dir;
    std::unique_ptr<XServer> X;
    std::unique_ptr<NotificationDaemon> Daemon;
    QProcess SystemBusDaemon;
    QString Session, System;
    std::unique_ptr<QDBusConnection> SystemBus;
    Login1 Manager;
    NmManager Nm;
    NmDevice NmWifi;
    NmActive NmWifiActive;
    std::unique_ptr<NetNamespace> Here, There;
    ChildProcess Responder, App;
};

} // namespace

TEST_F(LineEventsEndToEnd, QualityNetworkChangesAndSleepRaiseOnlyTheRightNotices)
{
    StartProgram();
    ASSERT_TRUE(WaitFor([&] { return Manager.Taken == 1; }, kWait)) << "no delay inhibitor";

    // Every third echo lost (never three in a row): one "degraded", with a poor MOS.
    QStringList notices;
    ASSERT_TRUE(WaitFor([&] { return !(notices = Notices()).isEmpty(); }, kWait));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(
        QRegularExpression("^203\\.0\\.113\\.5: bağlantı kalitesi düştü \\(MOS \\d,\\d\\d\\)$")
            .match(notices[0])
            .hasMatch())
        << notices[0].toStdString();
    QJsonObject status = Status();
    EXPECT_EQ(status["quality"].toString(), "degraded");
    EXPECT_LT(status["mos"].toDouble(5), 4.0);
    std::printf("degraded: mos %.2f, quality %s\n", status["mos"].toDouble(),
                qPrintable(status["quality"].toString()));
    EXPECT_EQ(status["line"].toString(), "up");

    // It answers evenly: one "recovered", and the MOS of a clean short link.
    Responder.Stop();
    StartResponder({});
    ASSERT_TRUE(WaitFor([&] { return Notices().size() >= 2; }, kWait));
    notices = Notices();
    ASSERT_EQ(notices.size(), 2);
    EXPECT_TRUE(notices[1].startsWith("203.0.113.5: bağlantı kalitesi düzeldi (MOS "))
        << notices[1].toStdString();
    status = Status();
    EXPECT_EQ(status["quality"].toString(), "good");
    EXPECT_GT(status["mos"].toDouble(), 4.3);
    std::printf("recovered: mos %.2f, quality %s\n", status["mos"].toDouble(),
                qPrintable(status["quality"].toString()));
    QFile metrics(Dir.filePath("zmping2.prom"));
    ASSERT_TRUE(metrics.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QRegularExpression("\nzmping2_mos\\{host=\"203\\.0\\.113\\.5\"\\} 4\\.\\d+\n")
                    .match(QString::fromUtf8(metrics.readAll()))
                    .hasMatch());

    // The default route moves to the second interface: a marker, and pinging goes on there.
    qsizetype mark = Rows().size();
    ASSERT_TRUE(Ip(*Here, {"route", "replace", "default", "via", "192.0.2.1", "dev", "vb0"}));
    ASSERT_TRUE(WaitFor([&] { return Count("network change", mark) == 1; }, kWait));
    EXPECT_TRUE(Rows().mid(mark).contains(
        QStringList{"network change", "Network changed: vb0 (Test Wi-Fi), gateway 192.0.2.1"}))
        << "NetworkManager names the connection";
    mark = Rows().size();
    ASSERT_TRUE(WaitFor([&] { return Count("good", mark) >= 2; }, kWait));

    // No route left: failures at once, but the "down" waits for the grace, then says why.
    ASSERT_TRUE(Ip(*Here, {"route", "del", "default"}));
    ASSERT_TRUE(WaitFor([&] { return Count("network change", mark) == 1; }, kWait));
    EXPECT_TRUE(
        Rows().mid(mark).contains(QStringList{"network change", "Network changed: no route"}));
    ASSERT_TRUE(WaitFor([&] { return Count("failed", mark) >= 3; }, kWait));
    EXPECT_EQ(Notices().size(), 2) << "three failures within the grace tell nothing";
    EXPECT_EQ(Status()["line"].toString(), "down");
    ASSERT_TRUE(WaitFor([&] { return Notices().size() >= 3; }, kWait));
    EXPECT_EQ(Notices().value(2), "203.0.113.5: bu bilgisayarın ağ bağlantısı yok");

    // The route comes back: a marker, and the line is told up.
    mark = Rows().size();
    ASSERT_TRUE(Ip(*Here, {"route", "add", "default", "via", "198.51.100.1", "dev", "va0"}));
    ASSERT_TRUE(WaitFor([&] { return Notices().size() >= 4; }, kWait));
    EXPECT_TRUE(Notices().value(3).startsWith("203.0.113.5: bağlantı geri geldi"));
    EXPECT_TRUE(Rows().mid(mark).contains(
        QStringList{"network change", "Network changed: va0, gateway 198.51.100.1"}));
    ASSERT_TRUE(WaitFor([&] { return Status()["line"].toString() == "up"; }, kWait));

    // Two lost cycles, then the computer sleeps: the inhibitor is let go of, no cycle runs.
    Responder.Stop();
    mark = Rows().size();
    ASSERT_TRUE(WaitFor([&] { return Count("lost", mark) >= 2; }, kWait));
    Sleep(true);
    ASSERT_TRUE(WaitFor([&] { return Count("asleep", mark) == 1; }, kWait));
    EXPECT_TRUE(WaitFor([&] { return Manager.LatestReleased(); }, 5000)) << "inhibitor kept";
    ASSERT_EQ(Count("lost", mark), 2) << "a third cycle slipped in before the sleep";
    const qsizetype asleep = Rows().size();
    QThread::msleep(2500);
    EXPECT_EQ(Rows().size(), asleep) << "no cycle while asleep";

    // It wakes with the host still silent: the two before the sleep do not count, so one lost
    // echo after it leaves the line up; the host answers again within the grace.
    Sleep(false);
    ASSERT_TRUE(WaitFor([&] { return Count("awake", mark) == 1; }, kWait));
    EXPECT_TRUE(WaitFor([&] { return Manager.Taken == 2; }, 5000)) << "no inhibitor after waking";
    const qsizetype awake = Rows().size();
    ASSERT_TRUE(WaitFor([&] { return Count("lost", awake) >= 1; }, kWait));
    EXPECT_EQ(Status()["line"].toString(), "up") << "the counters did not start afresh";
    StartResponder({});
    ASSERT_TRUE(WaitFor([&] { return Count("good", awake) >= 2; }, kWait));
    EXPECT_EQ(Notices().size(), 4) << Notices().join('\n').toStdString();
    // What a person would have read, for the test's log.
    for (const QString& notice : Notices())
        std::printf("notice: %s\n", notice.toUtf8().constData());
}

#include "line_events_end_to_end_test.moc"
