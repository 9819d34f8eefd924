// ctest-labels: gui net
// ctest-serial
// The real program against the project's echo responder in a private network namespace, with a
// real notification daemon (dunst) on a private D-Bus session bus and an X server of its own:
// a host that loses every third echo never raises an alert and the statistics window, opened
// from the pop-up menu, shows 33 % loss (read as a user would: its copy button, then the
// clipboard); a host that stops answering raises exactly one "down" after three lost cycles
// and, when it answers again, exactly one "up". Cycles are counted in the history file.
#include "support/NetNamespace.h"
#include "support/NotificationDaemon.h"
#include "support/ProgramUnderTest.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
constexpr int kWait = 20000;

class AlertsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why =
                ProgramUnavailable({"dbus-daemon", "dunst", "dunstctl", "xdotool", "xclip"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(Dir.isValid());
        RelaxStrictStringChecks();
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";

        Daemon = std::make_unique<NotificationDaemon>(Dir.path(), X->Display());
        ASSERT_TRUE(Daemon->Error().isEmpty()) << Daemon->Error().toStdString();

        Ns = std::make_unique<NetNamespace>();
        ASSERT_TRUE(Ns->Ok()) << Ns->Error();
        Ns->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
    }

    void TearDown() override
    {
        App.Stop();
        Responder.Stop();
        Daemon.reset();
    }

    QString Tool(const QString& program, const QStringList& args) const
    {
        return Daemon->Tool(program, args);
    }

    void StartResponder(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{ZM_ECHO_RESPONDER};
        argv.insert(argv.end(), args.begin(), args.end());
        Responder = Ns->Spawn(argv);
        ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
    }

    void StartProgram()
    {
        const QString config = Dir.filePath("config");
        QDir().mkpath(config);
        WriteStoredSettings(config, {{"HostEdit_Text", "127.0.0.1"},
                                     {"SpinEdit1_Value", "1"},
                                     {"SpinEdit3_Value", "300"},
                                     {"CheckBoxPing_Checked", "True"}});
        App = Ns->Spawn({kProgram.toStdString()},
                        {"DISPLAY=" + X->Display().toStdString(), "QT_QPA_PLATFORM=xcb",
                         "DBUS_SESSION_BUS_ADDRESS=" + Daemon->Address().toStdString(),
                         "XDG_CONFIG_HOME=" + config.toStdString(),
                         "XDG_STATE_HOME=" + Dir.filePath("state").toStdString(),
                         "ZMPING2_SOUND_PLAYER=true",
                         "ZMPING2_INSTANCE_KEY=zmping2-alerts-" + std::to_string(getpid())},
                        false);
        ASSERT_TRUE(App.Running());
    }

    // Opens the statistics window from the pop-up menu, as a user would: a right click on the
    // history meter, then the menu's fourth item (Ayarlar, Gizle, the web site, İstatistikler).
    bool OpenStatistics()
    {
        QString main;
        WaitFor(
            [&] {
                main =
                    Tool("xdotool", {"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"})
                        .section('\n', 0, 0);
                return !main.isEmpty();
            },
            kWait);
        if (main.isEmpty())
            return false;
        return WaitFor(
            [&] {
                Tool("xdotool", {"mousemove", "--window", main, "120", "90", "click", "3"});
                QThread::msleep(400);
                Tool("xdotool", {"key", "Down", "Down", "Down", "Down", "Return"});
                return WaitFor(
                    [&] {
                        Stats = Tool("xdotool", {"search", "--onlyvisible", "--name",
                                                 "^ZEMBRA Ping - İstatistikler$"})
                                    .section('\n', 0, 0);
                        return !Stats.isEmpty();
                    },
                    2000);
            },
            kWait);
    }

    // A figure of the statistics window, as its copy button puts it on the clipboard: the
    // session's and the window's value of a row.
    QStringList Figure(const QString& name) const
    {
        // The button lies below the figures, at (8, 265) with 160 x 24 pixels.
        Tool("xdotool", {"mousemove", "--window", Stats, "88", "277", "click", "1"});
        for (const QString& line : Tool("xclip", {"-o", "-selection", "clipboard"}).split('\n'))
            if (line.startsWith(name + ' '))
                return line.mid(20).split(QRegularExpression(" +"), Qt::SkipEmptyParts);
        return {};
    }
    // Cycles so far: the history file's sample rows (not those of events, such as the start).
    int Sent() const
    {
        const QDir history(Dir.filePath("state/ZmPing2/history"));
        static const QRegularExpression sample(",(good|normal|bad|lost|failed|unknown host),");
        int lines = 0;
        for (const QString& name : history.entryList({"*.csv"}, QDir::Files)) {
            QFile f(history.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                for (const QByteArray& line : f.readAll().split('\n'))
                    lines += QString::fromUtf8(line).contains(sample) ? 1 : 0;
        }
        return lines;
    }

    QTemporaryDir Dir;
    QString Stats; // the statistics window, once open
    std::unique_ptr<XServer> X;
    std::unique_ptr<NotificationDaemon> Daemon;
    std::unique_ptr<NetNamespace> Ns;
    ChildProcess Responder, App;
};

} // namespace

TEST_F(AlertsEndToEnd, LossShowsInTheStatisticsAndAnOutageGivesOneDownAndOneUp)
{
    StartResponder({"--drop-every", "3"});
    StartProgram();
    ASSERT_TRUE(OpenStatistics()) << "the statistics window did not open from the menu";

    // Every third echo lost: 33 % whenever the count is a multiple of three, and no alert.
    ASSERT_TRUE(WaitFor([&] { return Sent() >= 6 && Sent() % 3 == 0; }, kWait)) << Sent();
    const QStringList loss = Figure("Kayıp");
    ASSERT_EQ(loss.size(), 2);
    EXPECT_EQ(loss[0], "%33,3");
    EXPECT_EQ(loss[1], "%33,3");
    EXPECT_TRUE(Daemon->Notices().isEmpty());

    // The host stops answering right after a reply: the third lost cycle takes the line down.
    ASSERT_TRUE(WaitFor([&] { return Sent() % 3 == 1; }, kWait));
    const int before = Sent();
    Responder.Stop();
    QList<NotificationDaemon::Notice> notices;
    ASSERT_TRUE(WaitFor(
        [&] {
            notices = Daemon->Notices();
            if (notices.isEmpty())
                return false;
            EXPECT_GE(Sent(), before + 3) << "down came too early";
            return true;
        },
        kWait));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].Summary, "ZmPing2");
    // The body says where the fault lies too: only the host itself is silent.
    EXPECT_EQ(notices[0].Body.section('\n', 0, 0), "127.0.0.1: bağlantı kesildi (yanıt yok)");
    EXPECT_EQ(notices[0].Body.section('\n', 1),
              "Yalnız karşı bilgisayar yanıt vermiyor: 127.0.0.1 yanıt vermiyor");
    const int down = Sent();
    ASSERT_TRUE(WaitFor([&] { return Sent() >= down + 3; }, kWait));
    EXPECT_EQ(Daemon->Notices().size(), 1) << "still down: nothing more";

    // It answers again: one "up", with how long it was down.
    StartResponder({});
    ASSERT_TRUE(WaitFor([&] { return Daemon->Notices().size() >= 2; }, kWait));
    const int up = Sent();
    ASSERT_TRUE(WaitFor([&] { return Sent() >= up + 3; }, kWait));
    // The line's notices only: the outage leaves the call quality low for a while, and that
    // may be said too.
    notices = Daemon->Notices();
    notices.removeIf([](const auto& n) { return n.Body.contains("bağlantı kalitesi"); });
    ASSERT_EQ(notices.size(), 2) << [&] {
        std::string all;
        for (const auto& n : notices)
            all += n.Body.toStdString() + "\n--\n";
        return all;
    }();
    EXPECT_TRUE(QRegularExpression("^127\\.0\\.0\\.1: bağlantı geri geldi \\(kesinti \\d+ sn\\)$")
                    .match(notices[1].Body)
                    .hasMatch())
        << notices[1].Body.toStdString();
}
