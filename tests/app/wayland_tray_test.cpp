// ctest-labels: gui
// ctest-serial
// The real program on a Wayland desktop: a headless sway compositor, a waybar panel whose tray
// is a StatusNotifierItem host, and a D-Bus session bus of the test's own. The compositor refuses
// to run as root, so as root everything of the desktop (bus, compositor, panel, program) runs as
// the unprivileged user that scripts/setup creates. The program runs in a network namespace of
// its own, where it may open ICMP sockets and where the test can take the line down; it pings
// only 127.0.0.1 there.
#include "support/StoredSettings.h"
#include "support/WaitFor.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
const char* const kUser = "zmping2-test";
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
constexpr int kWait = 20000;
constexpr int kBarHeight = 30;

// Runs a process until the test ends, then kills it.
struct TProcess {
    std::unique_ptr<QProcess> P = std::make_unique<QProcess>();
    ~TProcess()
    {
        if (P->state() != QProcess::NotRunning) {
            P->kill();
            P->waitForFinished(5000);
        }
    }
};

class WaylandDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"sway", "waybar", "grim", "swaymsg", "dbus-daemon", "setpriv",
                                 "unshare", "nsenter", "ip"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << "missing " << tool << " (scripts/setup installs it)";
        if (!QFileInfo(kProgram).isExecutable())
            GTEST_SKIP() << "the program is not built: " << kProgram.toStdString();
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root: for the program's network namespace, and to run the "
                            "desktop as "
                         << kUser;
        const passwd* user = ::getpwnam(kUser);
        if (!user)
            GTEST_SKIP() << "no user " << kUser << " to run the desktop as (scripts/setup)";
        Uid = user->pw_uid;
        Gid = user->pw_gid;
        ASSERT_TRUE(Dir.isValid());
        Runtime = Dir.path();
        ASSERT_EQ(::chown(QFile::encodeName(Runtime).constData(), Uid, Gid), 0);
        ASSERT_TRUE(QDir().mkpath(Runtime + "/config"));
        ASSERT_EQ(::chown(QFile::encodeName(Runtime + "/config").constData(), Uid, Gid), 0);
        // A copy the desktop's user can surely run, wherever the build folder lies.
        Program = Runtime + "/ZmPing2";
        ASSERT_TRUE(QFile::copy(kProgram, Program));
        StartBus();
        StartSway();
    }

    void TearDown() override
    {
        // Closed before the bus goes, as a private connection must be.
        if (Connection) {
            Connection.reset();
            QDBusConnection::disconnectFromBus(QStringLiteral("zm-wayland-test"));
        }
    }

    // The desktop's environment, as its user has it.
    QProcessEnvironment Env() const
    {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", Runtime);
        env.insert("XDG_RUNTIME_DIR", Runtime);
        env.insert("XDG_CONFIG_HOME", Runtime + "/config");
        env.insert("DBUS_SESSION_BUS_ADDRESS", Bus);
        if (!Display.isEmpty())
            env.insert("WAYLAND_DISPLAY", Display);
        env.insert("SWAYSOCK", Runtime + "/sway.sock");
        env.insert("WLR_BACKENDS", "headless");
        env.insert("WLR_RENDERER", "pixman");
        env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("ZMPING2_SOUND_PLAYER", "true");
        for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
            if (qEnvironmentVariableIsSet(keep))
                env.insert(keep, qEnvironmentVariable(keep));
        // Qt's Wayland plug-ins are unloaded at exit, and the system libraries they brought
        // leave allocations that the leak checker reports without a library to suppress them
        // by. The program's own leaks are checked by the tests on X11 and off-screen.
        env.insert("LSAN_OPTIONS", "detect_leaks=0");
        return env;
    }

    QStringList AsUser() const
    {
        // Ended with the test, should the test itself die.
        return {"setpriv",
                QStringLiteral("--reuid=%1").arg(Uid),
                QStringLiteral("--regid=%1").arg(Gid),
                "--clear-groups",
                "--pdeathsig=KILL",
                "--"};
    }

    void Start(TProcess& p, const QStringList& command)
    {
        p.P->setProcessEnvironment(Env());
        // The desktop's chatter would bury the test's own report.
        p.P->setStandardOutputFile(QProcess::nullDevice());
        p.P->setStandardErrorFile(Runtime + "/desktop.log", QIODevice::Append);
        p.P->start(command.first(), command.mid(1));
        ASSERT_TRUE(p.P->waitForStarted(10000)) << command.join(' ').toStdString();
    }

    // Runs a command as the desktop's user to its end; returns its exit status.
    int RunAsUser(const QStringList& command, QString* out = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(Env());
        const QStringList all = AsUser() + command;
        p.start(all.first(), all.mid(1));
        p.waitForFinished(kWait);
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    void WriteFile(const QString& name, const QByteArray& data)
    {
        QFile f(Runtime + '/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    void StartBus()
    {
        Bus = "unix:path=" + Runtime + "/bus";
        // A session bus that the test (root) may talk on as well.
        WriteFile("bus.conf", "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                              "Configuration 1.0//EN\" "
                              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>" +
                                  Bus.toUtf8() +
                                  "</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\"><allow user=\"*\"/>"
                                  "<allow own=\"*\"/><allow send_destination=\"*\"/>"
                                  "<allow receive_sender=\"*\"/>"
                                  "</policy></busconfig>\n");
        Start(BusDaemon, AsUser() + QStringList{"dbus-daemon", "--nofork",
                                                "--config-file=" + Runtime + "/bus.conf"});
        ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(Runtime + "/bus"); }, kWait));
        Connection = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(Bus, QStringLiteral("zm-wayland-test")));
        ASSERT_TRUE(Connection->isConnected()) << Connection->lastError().message().toStdString();
    }

    void StartSway()
    {
        // The program's windows float as on a desktop with a window manager that stacks them.
        WriteFile("sway.conf", "output * bg #1e3250 solid_color\n"
                               "for_window [app_id=\"net.zembra.ZmPing2\"] floating enable\n");
        Start(Sway, AsUser() + QStringList{"sway", "-c", Runtime + "/sway.conf"});
        // sway names its display socket itself.
        ASSERT_TRUE(WaitFor(
            [&] {
                Display = QDir(Runtime).entryList({"wayland-?"}, QDir::System).value(0);
                return !Display.isEmpty();
            },
            kWait))
            << "sway did not start";
        ASSERT_TRUE(WaitFor([&] { return SwayTree().contains("HEADLESS-1"); }, kWait))
            << "sway answers no IPC";
    }

    void StartBar()
    {
        WriteFile("waybar.json", "{\"layer\": \"top\", \"position\": \"top\", \"height\": 30, "
                                 "\"modules-right\": [\"tray\"], "
                                 "\"tray\": {\"icon-size\": 24, \"spacing\": 4}}\n");
        WriteFile("waybar.css", "* { font-family: DejaVu Sans; font-size: 12px; }\n"
                                "window#waybar { background: #303030; }\n");
        Start(Bar, AsUser() + QStringList{"waybar", "-c", Runtime + "/waybar.json", "-s",
                                          Runtime + "/waybar.css"});
        ASSERT_TRUE(WaitFor(
            [&] { return Connection->interface()->isServiceRegistered(kWatcher).value(); }, kWait))
            << "waybar registered no StatusNotifierWatcher";
    }

    // The program as the desktop's user, in a network namespace of its own where that user may
    // open ICMP sockets; `stored`: settings stored before it starts.
    void StartProgram(const QStringList& args, const TStoredSettings& stored = {})
    {
        if (!stored.isEmpty()) {
            const QString folder = Runtime + "/config/ZmPing2";
            WriteStoredSettings(Runtime + "/config", stored);
            // Written by the test (root): the desktop's user reads them and stores over them.
            for (const QString& name :
                 QStringList{"."} + QDir(folder).entryList(QDir::Files | QDir::Hidden))
                ASSERT_EQ(::chown(QFile::encodeName(folder + '/' + name).constData(), Uid, Gid), 0)
                    << name.toStdString();
        }
        App.P->setProcessEnvironment(Env());
        App.P->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        App.P->start("unshare", {"--net", "sh", "-c",
                                 "ip link set lo up && "
                                 "echo 0 2147483647 > /proc/sys/net/ipv4/ping_group_range && "
                                 "exec " +
                                     AsUser().join(' ') + ' ' + Program + ' ' + args.join(' ')});
        ASSERT_TRUE(App.P->waitForStarted(10000));
    }

    QString SwayTree()
    {
        QString out;
        RunAsUser({"swaymsg", "-t", "get_tree"}, &out);
        return out;
    }
    bool MainWindowShown() { return SwayTree().contains("\"ZEMBRA Ping s2.04f\""); }

    // The registered items' service names.
    QStringList Items()
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kWatcher, "/StatusNotifierWatcher",
                                                        "org.freedesktop.DBus.Properties", "Get");
        m << kWatcher << QStringLiteral("RegisteredStatusNotifierItems");
        const QDBusMessage r = Connection->call(m);
        if (r.type() != QDBusMessage::ReplyMessage)
            return {};
        return qvariant_cast<QDBusVariant>(r.arguments().value(0)).variant().toStringList();
    }

    QVariant ItemProperty(const QString& item, const QString& name)
    {
        QDBusMessage m =
            QDBusMessage::createMethodCall(item.section('/', 0, 0), '/' + item.section('/', 1),
                                           "org.freedesktop.DBus.Properties", "Get");
        m << kItem << name;
        const QDBusMessage r = Connection->call(m);
        return r.type() == QDBusMessage::ReplyMessage
                   ? qvariant_cast<QDBusVariant>(r.arguments().value(0)).variant()
                   : QVariant();
    }

    // The centre pixel of the item's 32 x 32 icon (the host draws what it is given).
    QRgb IconCentre(const QString& item)
    {
        const QVariant v = ItemProperty(item, "IconPixmap");
        const QDBusArgument arg = qvariant_cast<QDBusArgument>(v);
        QRgb centre = 0;
        arg.beginArray();
        while (!arg.atEnd()) {
            int w = 0, h = 0;
            QByteArray argb; // big-endian ARGB32
            arg.beginStructure();
            arg >> w >> h >> argb;
            arg.endStructure();
            const qsizetype at = (qsizetype(h / 2) * w + w / 2) * 4;
            if (w == 32 && argb.size() >= at + 4)
                centre = qRgb(uchar(argb[at + 1]), uchar(argb[at + 2]), uchar(argb[at + 3]));
        }
        arg.endArray();
        return centre;
    }

    void Activate(const QString& item)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(
            item.section('/', 0, 0), '/' + item.section('/', 1), kItem, "Activate");
        m << 10 << 10;
        Connection->call(m);
    }

    // The labels of the exported menu, in order.
    QStringList MenuLabels(const QString& item)
    {
        const QString path = qvariant_cast<QDBusObjectPath>(ItemProperty(item, "Menu")).path();
        QDBusMessage m = QDBusMessage::createMethodCall(item.section('/', 0, 0), path,
                                                        "com.canonical.dbusmenu", "GetLayout");
        m << 0 << -1 << QStringList{"label"};
        const QDBusMessage r = Connection->call(m);
        QStringList labels;
        if (r.type() == QDBusMessage::ReplyMessage)
            Collect(qvariant_cast<QDBusArgument>(r.arguments().value(1)), labels);
        return labels;
    }
    static void Collect(const QDBusArgument& node, QStringList& labels)
    {
        int id = 0;
        QVariantMap props;
        node.beginStructure();
        node >> id >> props;
        if (props.contains("label"))
            labels << props.value("label").toString();
        node.beginArray();
        while (!node.atEnd()) {
            QDBusVariant child;
            node >> child;
            Collect(qvariant_cast<QDBusArgument>(child.variant()), labels);
        }
        node.endArray();
        node.endStructure();
    }

    // A screenshot by grim, as the desktop's user.
    QImage Screenshot(const QString& keepAs = {})
    {
        const QString file = Runtime + "/shot.png";
        QFile::remove(file);
        if (RunAsUser({"grim", file}) != 0)
            return {};
        if (!keepAs.isEmpty()) {
            QFile::remove(keepAs);
            QFile::copy(file, keepAs);
        }
        return QImage(file);
    }
    // The pixels of a colour in the bar (Bar) or below it.
    static int Count(const QImage& shot, QRgb colour, bool Bar = true)
    {
        int n = 0;
        for (int y = Bar ? 0 : kBarHeight;
             y < (Bar ? std::min(kBarHeight, shot.height()) : shot.height()); ++y)
            for (int x = 0; x < shot.width(); ++x)
                n += (shot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        return n;
    }

    uid_t Uid = 0;
    gid_t Gid = 0;
    QTemporaryDir Dir;
    QString Runtime, Bus, Display, Program;
    std::unique_ptr<QDBusConnection> Connection;
    TProcess BusDaemon, Sway, Bar, App;
};

} // namespace

TEST_F(WaylandDesktop, TheItemInAStatusNotifierTrayFollowsTheLineAndTogglesTheWindow)
{
    StartBar();
    // Automatic pinging every second, so that the icon can follow a change of the line.
    StartProgram({"--hidden"}, {{"HostEdit_Text", "127.0.0.1"},
                                {"SpinEdit1_Value", "1"},
                                {"CheckBoxPing_Checked", "True"}});

    QString item;
    ASSERT_TRUE(WaitFor(
        [&] {
            const QStringList items = Items();
            item = items.value(0);
            return items.size() == 1;
        },
        kWait))
        << "the program registered no item with the watcher";
    // Started hidden in the tray; the icon turns from off (maroon) to good (lime).
    EXPECT_TRUE(WaitFor([&] { return IconCentre(item) == qRgb(0, 255, 0); }, kWait))
        << std::hex << IconCentre(item);
    EXPECT_FALSE(MainWindowShown());

    // The menu is exported; the autostart item, the history window's, then the language
    // submenu, sit just before the quit item.
    const QStringList labels = MenuLabels(item);
    EXPECT_EQ(labels.value(0), QStringLiteral("Ayarlar\tF5")) << labels.join('|').toStdString();
    const qsizetype quit = labels.indexOf(QStringLiteral("Programı Kapat "));
    ASSERT_GT(quit, 0) << labels.join('|').toStdString();
    ASSERT_GE(quit, 5) << labels.join('|').toStdString();
    EXPECT_EQ(labels.mid(quit - 5, 5), (QStringList{"Oturum açılınca başlat", "Geçmiş",
                                                    "Dil / Language", "Türkçe", "English"}))
        << labels.join('|').toStdString();

    // The panel shows the icon: lime in the bar.
    QImage shot;
    EXPECT_TRUE(WaitFor(
        [&] {
            shot = Screenshot();
            return Count(shot, qRgb(0, 255, 0)) > 100;
        },
        kWait))
        << "no lime icon in the bar";

    // A click on the item (one activation) shows the main window; another, after the
    // double-click interval, hides it again.
    Activate(item);
    EXPECT_TRUE(WaitFor([&] { return MainWindowShown(); }, kWait)) << "activation did not show";
    // Kept for the README: the window drawn (its black meter) beside the icon in the bar.
    EXPECT_TRUE(
        WaitFor([&] { return Count(Screenshot("wayland_tray.png"), qRgb(0, 0, 0), false) > 20000; },
                kWait));
    QTest::qWait(1000);
    Activate(item);
    EXPECT_TRUE(WaitFor([&] { return !MainWindowShown(); }, kWait)) << "activation did not hide";

    // The line goes down in the program's namespace: the icon turns red (bad), in the bar too.
    ASSERT_EQ(QProcess::execute("nsenter",
                                {"--net=/proc/" + QString::number(App.P->processId()) + "/ns/net",
                                 "ip", "link", "set", "lo", "down"}),
              0);
    EXPECT_TRUE(WaitFor([&] { return IconCentre(item) == qRgb(255, 0, 0); }, kWait))
        << std::hex << IconCentre(item);
    EXPECT_TRUE(WaitFor([&] { return Count(Screenshot(), qRgb(255, 0, 0)) > 100; }, kWait))
        << "no red icon in the bar";

    EXPECT_EQ(RunAsUser({Program, "--quit"}), 0);
    EXPECT_TRUE(App.P->waitForFinished(kWait));
    EXPECT_EQ(App.P->exitCode(), 0);
}

TEST_F(WaylandDesktop, WithoutATrayTheWindowShowsAndTheProgramRunsAsUsual)
{
    // No panel: nothing watches for items. Even when asked to start hidden, the window shows
    // (after a bounded wait for a panel).
    StartProgram({"--hidden"});
    EXPECT_TRUE(WaitFor([&] { return MainWindowShown(); }, kWait))
        << "the main window did not show";
    EXPECT_TRUE(App.P->state() == QProcess::Running);
    EXPECT_TRUE(WaitFor(
        [&] { return Count(Screenshot("wayland_no_tray.png"), qRgb(0, 0, 0), false) > 20000; },
        kWait));
    EXPECT_EQ(RunAsUser({Program, "--show"}), 0);
    EXPECT_EQ(RunAsUser({Program, "--quit"}), 0);
    EXPECT_TRUE(App.P->waitForFinished(kWait));
    EXPECT_EQ(App.P->exitCode(), 0);
    EXPECT_EQ(RunAsUser({Program, "--quit"}), 1);
}

TEST_F(WaylandDesktop, StartedBeforeThePanelTheProgramWaitsForItsTray)
{
    // At log-in the program may come up before the panel.
    StartProgram({"--hidden"});
    QTest::qWait(1500);
    StartBar();
    EXPECT_TRUE(WaitFor([&] { return Items().size() == 1; }, kWait))
        << "the program never registered with the late panel";
    EXPECT_FALSE(MainWindowShown());
    EXPECT_EQ(RunAsUser({Program, "--quit"}), 0);
    EXPECT_TRUE(App.P->waitForFinished(kWait));
}
