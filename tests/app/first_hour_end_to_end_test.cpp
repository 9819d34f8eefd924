// ctest-labels: gui net
// ctest-serial
// A newcomer's first hour with the real program on an X server of its own, with a real
// notification daemon (dunst) on a private D-Bus session bus and the project's echo responder
// in a private network namespace, all read back as a user or a script would: the windows
// (titles, the statistics' copy button, screenshots), --status, the history file, the
// notifications dunst got and the calls on the bus (dbus-monitor).
#include "support/NetNamespace.h"
#include "support/NotificationDaemon.h"
#include "support/ProgramUnderTest.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
constexpr int kWait = 20000;

struct TRun {
    int Status = -1;
    QString Out;
};

class FirstHour : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = ProgramUnavailable(
                {"dbus-daemon", "dbus-monitor", "dunst", "dunstctl", "xdotool", "xclip", "import"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(Dir.isValid());
        RelaxStrictStringChecks();
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";
        Daemon = std::make_unique<NotificationDaemon>(Dir.path(), X->Display());
        ASSERT_TRUE(Daemon->Error().isEmpty()) << Daemon->Error().toStdString();
        Monitor.setProcessEnvironment(Env());
        Monitor.setStandardErrorFile(QProcess::nullDevice());
        Monitor.start("dbus-monitor",
                      {"interface='org.freedesktop.Notifications'", "type='method_return'"});
        ASSERT_TRUE(Monitor.waitForStarted(5000));
        Ns = std::make_unique<NetNamespace>();
        ASSERT_TRUE(Ns->Ok()) << Ns->Error();
        Ns->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
    }

    void TearDown() override
    {
        App.Stop();
        Responder.Stop();
        if (Monitor.state() != QProcess::NotRunning) {
            Monitor.kill();
            Monitor.waitForFinished(3000);
        }
        Daemon.reset();
    }

    QProcessEnvironment Env() const
    {
        QProcessEnvironment env = Daemon->Env();
        env.insert("ZMPING2_INSTANCE_KEY", Dir.filePath("socket"));
        return env;
    }

    QString Tool(const QString& program, const QStringList& args) const
    {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    TRun Run(const QStringList& args) const
    {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start(kProgram, args);
        p.waitForFinished(20000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput())};
    }

    QJsonObject Status() const
    {
        return QJsonDocument::fromJson(Run({"--status"}).Out.trimmed().toUtf8()).object();
    }

    void StartResponder(const std::vector<std::string>& args = {})
    {
        std::vector<std::string> argv{ZM_ECHO_RESPONDER};
        argv.insert(argv.end(), args.begin(), args.end());
        Responder = Ns->Spawn(argv);
        ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
    }

    // Settings of the settings window and of the options key, as an earlier run left them.
    void Store(const TStoredSettings& settings, const TStoredSettings& options = {})
    {
        WriteStoredSettings(Config(), settings);
        TRegIniFile key(QStringLiteral("Software\\ZmPing2"), false, TRegRoot::CurrentUser,
                        Config() + QStringLiteral("/ZmPing2/registry.reg"));
        for (const auto& [name, value] : options)
            key.WriteString(QStringLiteral("Options"), name, value);
    }

    QString Config() const { return Dir.filePath("config"); }

    void StartProgram(const std::vector<std::string>& args = {},
                      const std::vector<std::string>& env = {},
                      std::vector<std::string> wrapper = {})
    {
        QDir().mkpath(Config());
        std::vector<std::string> argv = std::move(wrapper);
        argv.push_back(kProgram.toStdString());
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> all{"DISPLAY=" + X->Display().toStdString(),
                                     "QT_QPA_PLATFORM=xcb",
                                     "DBUS_SESSION_BUS_ADDRESS=" + Daemon->Address().toStdString(),
                                     "XDG_CONFIG_HOME=" + Config().toStdString(),
                                     "XDG_STATE_HOME=" + Dir.filePath("state").toStdString(),
                                     "ZMPING2_SOUND_PLAYER=/bin/true",
                                     "ZMPING2_INSTANCE_KEY=" +
                                         Dir.filePath("socket").toStdString()};
        for (const std::string& e : env) { // later values win
            const std::string name = e.substr(0, e.find('=') + 1);
            std::erase_if(all, [&](const std::string& a) { return a.starts_with(name); });
            all.push_back(e);
        }
        App = Ns->Spawn(argv, all, false);
        ASSERT_TRUE(App.Running());
        ASSERT_TRUE(WaitFor([&] { return !Status().value("time").isNull(); }, kWait))
            << "the program took no sample";
    }

    QString Window(const QString& title) const
    {
        QString id;
        WaitFor(
            [&] {
                id = Tool("xdotool", {"search", "--onlyvisible", "--name", title})
                         .section('\n', 0, 0);
                return !id.isEmpty();
            },
            kWait);
        return id;
    }

    // Opens the pop-up menu on the history meter and picks its n-th item (from 1).
    void MenuItem(int n) const
    {
        const QString main = Window("^ZEMBRA Ping s2.04f$");
        Tool("xdotool", {"mousemove", "--window", main, "120", "90", "click", "3"});
        QThread::msleep(500);
        QStringList keys{"key"};
        for (int i = 0; i < n; ++i)
            keys << "Down";
        keys << "Return";
        Tool("xdotool", keys);
    }

    // F5 on the main window; the settings window carries the main window's caption too.
    QString OpenSettings() const
    {
        const QString main = Window("^ZEMBRA Ping s2.04f$");
        Tool("xdotool", {"windowfocus", "--sync", main, "key", "F5"});
        QString settings;
        WaitFor(
            [&] {
                const QStringList all =
                    Tool("xdotool", {"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"})
                        .split('\n', Qt::SkipEmptyParts);
                for (const QString& id : all)
                    if (id != main)
                        settings = id;
                return !settings.isEmpty();
            },
            kWait);
        QThread::msleep(300);
        return settings;
    }

    QImage Grab(const QString& window) const
    {
        const QString file = Dir.filePath("grab.png");
        Tool("import", {"-window", window, file});
        return QImage(file);
    }

    // What a message box says, selected and copied as a user would: a click into its text,
    // Ctrl+A, Ctrl+C.
    QString MessageText(const QString& box) const
    {
        Tool("xclip", {"-i", "-selection", "clipboard", "/dev/null"});
        Tool("xdotool", {"mousemove", "--window", box, "150", "18", "click", "1"});
        QThread::msleep(200);
        Tool("xdotool", {"key", "ctrl+a", "ctrl+c"});
        QString text;
        WaitFor(
            [&] {
                text = Tool("xclip", {"-o", "-selection", "clipboard", "-t", "UTF8_STRING"});
                return !text.isEmpty();
            },
            5000);
        return text;
    }

    // The bodies of every notification dunst has had, oldest first.
    QStringList Notices() const
    {
        QStringList bodies;
        for (const NotificationDaemon::Notice& n : Daemon->Notices())
            bodies << n.Body;
        return bodies;
    }

    // Runs the program in a mount namespace of its own whose /etc/resolv.conf names a name
    // server that refuses at once: 127.0.0.1 of the network namespace, where nothing listens.
    // Lookups stay on its loopback.
    std::vector<std::string> WithRefusingNameServer() const
    {
        const QString resolv = Dir.filePath("resolv.conf");
        QFile f(resolv);
        if (f.open(QIODevice::WriteOnly))
            f.write("nameserver 127.0.0.1\noptions timeout:1 attempts:1\n");
        return {"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                "mount --bind '" + resolv.toStdString() +
                    "' /etc/resolv.conf && exec \"$0\" \"$@\""};
    }

    // The Notify calls seen on the bus so far.
    QStringList NotifyCalls()
    {
        Watched += QString::fromUtf8(Monitor.readAllStandardOutput());
        QStringList calls = Watched.split("method call ");
        calls.removeIf([](const QString& c) { return !c.contains("member=Notify"); });
        return calls;
    }

    QTemporaryDir Dir;
    std::unique_ptr<XServer> X;
    std::unique_ptr<NotificationDaemon> Daemon;
    QProcess Monitor;
    QString Watched;
    std::unique_ptr<NetNamespace> Ns;
    ChildProcess Responder, App;
};

} // namespace

// English by choice: the stored choice (the menu's "Dil / Language") gives English windows and
// English decimal marks, while --status keeps its dot in either language.
TEST_F(FirstHour, EnglishWindowsByChoice)
{
    StartResponder();
    Store({{"HostEdit_Text", "127.0.0.1"}});
    StartProgram();
    const QImage turkish = Grab(Window("^ZEMBRA Ping s2.04f$"));
    ASSERT_FALSE(turkish.isNull());
    EXPECT_EQ(Run({"--quit"}).Status, 0);
    App.Wait(std::chrono::seconds(10));

    Store({{"HostEdit_Text", "127.0.0.1"}}, {{"Language", "en"}});
    StartProgram();
    const QImage english = Grab(Window("^ZEMBRA Ping s2.04f$"));
    ASSERT_EQ(english.size(), turkish.size());
    // The button bar reads differently ("Settings (F5)", "Hide (Esc)", "Quit").
    EXPECT_TRUE(english.copy(0, 0, english.width(), 31) != turkish.copy(0, 0, turkish.width(), 31));
    english.save(Dir.filePath("english.png"));

    // The statistics window, from the menu: its title and its figures, as copied.
    MenuItem(4);
    const QString stats = Window("^ZEMBRA Ping - Statistics$");
    ASSERT_FALSE(stats.isEmpty()) << "no statistics window in English";
    Tool("xdotool", {"mousemove", "--window", stats, "88", "277", "click", "1"});
    const QString copied = Tool("xclip", {"-o", "-selection", "clipboard"});
    EXPECT_TRUE(copied.startsWith("ZmPing2 - Statistics\nHost: 127.0.0.1")) << copied.toStdString();
    EXPECT_TRUE(QRegularExpression(R"(\nLost +0\.0% +0\.0%\n)").match(copied).hasMatch())
        << copied.toStdString();
    EXPECT_TRUE(QRegularExpression(R"(\nAverage +\d+\.\d\d ms)").match(copied).hasMatch())
        << copied.toStdString();
    const QJsonObject s = Status();
    EXPECT_EQ(s["line"].toString(), "off") << "automatic pinging is off at first";
    EXPECT_TRUE(QRegularExpression(R"(^\d+ ms$)").match(s["readout"].toString()).hasMatch());
}

// --status says what it knows: unknown-host after a failed lookup (not "good"), and, with
// automatic pinging off, line "off" and exit status 4.
TEST_F(FirstHour, StatusSaysUnknownHostAndOff)
{
    StartResponder();
    Store({{"HostEdit_Text", "127.0.0.1"}});
    StartProgram({}, {}, WithRefusingNameServer());
    TRun r = Run({"--status"});
    EXPECT_EQ(r.Status, 4) << r.Out.toStdString();
    QJsonObject s = QJsonDocument::fromJson(r.Out.toUtf8()).object();
    EXPECT_EQ(s["status"].toString(), "good");
    EXPECT_EQ(s["line"].toString(), "off");

    // The host becomes a name nobody knows (typed in the settings window and confirmed).
    const QString settings = OpenSettings();
    ASSERT_FALSE(settings.isEmpty());
    // The host field: group box at (8, 40), the field at (42, 18) in it.
    Tool("xdotool",
         {"mousemove", "--window", settings, "100", "68", "click", "--repeat", "3", "1"});
    Tool("xdotool", {"type", "--window", settings, "zmping2-nowhere.test"});
    Tool("xdotool", {"key", "--window", settings, "Return"});
    ASSERT_TRUE(WaitFor([&] { return Status()["status"].toString() == "unknown-host"; }, kWait))
        << Run({"--status"}).Out.toStdString();
    s = Status();
    EXPECT_EQ(s["readout"].toString(), "Host yok");
    EXPECT_EQ(s["host"].toString(), "zmping2-nowhere.test");
}

// "Down" says why, urgently, with the program's icon and desktop entry; "up" takes its place on
// screen.
TEST_F(FirstHour, DownSaysWhyAndUpReplacesIt)
{
    StartResponder();
    Store({{"HostEdit_Text", "127.0.0.1"},
           {"SpinEdit1_Value", "1"},
           {"SpinEdit3_Value", "300"},
           {"CheckBoxPing_Checked", "True"}});
    StartProgram();
    Responder.Stop();
    ASSERT_TRUE(WaitFor(
        [&] {
            return Tool("dunstctl", {"count", "displayed"}) == "1";
        },
        kWait))
        << "no down notification";
    QStringList calls;
    ASSERT_TRUE(WaitFor([&] { return !(calls = NotifyCalls()).isEmpty(); }, kWait));
    ASSERT_EQ(calls.size(), 1);
    const QString down = calls[0];
    EXPECT_TRUE(down.contains("string \"127.0.0.1: bağlantı kesildi (yanıt yok)\""))
        << down.toStdString();
    EXPECT_TRUE(down.contains("string \"net.zembra.ZmPing2\"")) << "the icon";
    EXPECT_TRUE(QRegularExpression(R"("urgency"\s+variant\s+byte 2)").match(down).hasMatch());
    EXPECT_TRUE(QRegularExpression(R"("desktop-entry"\s+variant\s+string "net.zembra.ZmPing2")")
                    .match(down)
                    .hasMatch())
        << down.toStdString();

    StartResponder();
    // Up, and dunst's answer to it (after which it shows it).
    ASSERT_TRUE(WaitFor(
        [&] { return NotifyCalls().size() == 2 && NotifyCalls()[1].contains("method return"); },
        kWait))
        << "no up notification";
    const QString up = NotifyCalls()[1];
    EXPECT_TRUE(QRegularExpression(R"(string "ZmPing2"\s+uint32 [1-9]\d*\s)").match(up).hasMatch())
        << "up replaces the down: " << up.toStdString();
    EXPECT_EQ(Tool("dunstctl", {"count", "displayed"}), "1");
    const QStringList notices = Notices();
    ASSERT_EQ(notices.size(), 1) << notices.join('\n').toStdString();
    EXPECT_TRUE(notices[0].startsWith("127.0.0.1: bağlantı geri geldi (kesinti "))
        << notices[0].toStdString();
}

// Typing a host with automatic pinging on: the cycles for "127" and the unconfirmed
// "127.0.0.9" show, but the history gets none of them and the line raises no alert.
TEST_F(FirstHour, TypingAHostIsNoOutage)
{
    StartResponder();
    Store({{"HostEdit_Text", "127.0.0.1"},
           {"SpinEdit1_Value", "1"},
           {"SpinEdit3_Value", "300"},
           {"CheckBoxPing_Checked", "True"}});
    StartProgram({}, {}, WithRefusingNameServer());
    const QString settings = OpenSettings();
    ASSERT_FALSE(settings.isEmpty());
    Tool("xdotool",
         {"mousemove", "--window", settings, "100", "68", "click", "--repeat", "3", "1"});
    // "127" (no route to 0.0.0.127: every cycle fails) long enough for three cycles, which
    // would take the line down; then the rest, answered, but still not confirmed.
    Tool("xdotool", {"type", "--window", settings, "127"});
    QThread::msleep(3600);
    Tool("xdotool", {"type", "--window", settings, ".0.0.9"});
    QThread::msleep(2500);
    EXPECT_EQ(Status()["host"].toString(), "127.0.0.1") << "no sample for the text being typed";
    Tool("xdotool", {"key", "--window", settings, "Tab"}); // leaving the field confirms it
    ASSERT_TRUE(WaitFor([&] { return Status()["host"].toString() == "127.0.0.9"; }, kWait));

    QStringList hosts;
    const QDir history(Dir.filePath("state/ZmPing2/history"));
    for (const QString& name : history.entryList({"*.csv"})) {
        QFile csv(history.filePath(name));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        for (const QString& line :
             QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts).mid(1))
            hosts << line.section(',', 1, 1);
    }
    hosts.removeDuplicates();
    EXPECT_EQ(hosts, (QStringList{"127.0.0.1", "127.0.0.9"}));
    EXPECT_TRUE(NotifyCalls().isEmpty()) << "typing raised no alert";
}

// What cannot be done is said on screen, once: an alarm with a player that fails, and the
// history folder with no file manager.
TEST_F(FirstHour, FailuresShowOnScreenOnce)
{
    const QString player = Dir.filePath("player.sh");
    QFile f(player);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho 'aplay: main:831: audio open error: No such file or directory' >&2\n"
            "exit 1\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    StartResponder({"--drop"});
    Store({{"HostEdit_Text", "127.0.0.1"},
           {"SpinEdit1_Value", "1"},
           {"SpinEdit3_Value", "300"},
           {"CheckBoxPing_Checked", "True"}});
    // No xdg-open on the path: no file manager.
    StartProgram({}, {"ZMPING2_SOUND_PLAYER=" + player.toStdString(), "PATH=/nonexistent"});
    const QString notice = Window("^ZmPing2$");
    ASSERT_FALSE(notice.isEmpty()) << "no notice about the alarm";
    QThread::msleep(3000); // three more failed alarms
    EXPECT_EQ(Tool("xdotool", {"search", "--onlyvisible", "--name", "^ZmPing2$"}).count('\n'), 0)
        << "one notice per run";
    EXPECT_EQ(MessageText(notice),
              "Alarm sesi çalınamıyor: player.sh: aplay: main:831: audio open error: No such file "
              "or directory\nYerine masaüstünün uyarı sesi çalıyor.");
    Tool("xdotool", {"key", "Escape"}); // closes the box, which has the focus
    ASSERT_TRUE(WaitFor(
        [&] {
            return Tool("xdotool", {"search", "--onlyvisible", "--name", "^ZmPing2$"}).isEmpty();
        },
        kWait));

    MenuItem(8); // Geçmiş klasörünü aç
    const QString folder = Window("^ZmPing2$");
    ASSERT_FALSE(folder.isEmpty()) << "nothing said about the folder";
    EXPECT_EQ(MessageText(folder), "Klasör açılamadı (dosya yöneticisi yok).\nKlasörün yolu:\n" +
                                       Dir.filePath("state/ZmPing2/history"));
}
