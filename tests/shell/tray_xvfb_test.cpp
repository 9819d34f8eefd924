// ctest-labels: gui
// ctest-serial
#include "shell/Icon.h"
#include "shell/IconList.h"
#include "shell/QtNotifyIcon.h"
#include "shell/StatusIcons.h"
#include "shell/TrayShell.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// The real notification area: an X server of its own (Xvfb) with a tray host (trayer). The test
// process itself draws off-screen, so it starts the server and runs itself again on it
// (ZM_TRAY_CHILD set); the child shows the icon, finds it on the screen and double-clicks it.

namespace {

bool Missing(QStringList tools, QString& which)
{
    for (const QString& t : tools)
        if (QStandardPaths::findExecutable(t).isEmpty()) {
            which = t;
            return true;
        }
    return false;
}

int FreeDisplay()
{
    for (int n = 71; n < 200; ++n)
        if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) &&
            !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            return n;
    return -1;
}

// The pixels of one colour on the screen: how many, and the box around them.
struct TFound {
    int Count = 0;
    QRect Box;
};
TFound FindColor(QRgb color)
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    TFound found;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if ((screen.pixel(x, y) | 0xFF000000u) == color) {
                ++found.Count;
                found.Box |= QRect(x, y, 1, 1);
            }
    return found;
}

// Waits until at least Minimum pixels of the colour are on the screen.
TFound WaitForColor(QRgb color, int Minimum)
{
    TFound found;
    for (int i = 0; i < 100 && found.Count < Minimum; ++i) {
        QTest::qWait(100);
        found = FindColor(color);
    }
    return found;
}

bool RunTool(const QString& program, const QStringList& args)
{
    return QProcess::execute(program, args) == 0;
}

} // namespace

TEST(TrayOnXvfb, IconAppearsInTheTrayAndADoubleClickReachesOnDblClick)
{
    if (qEnvironmentVariableIsSet("ZM_TRAY_CHILD"))
        GTEST_SKIP() << "runs in the parent only";
    QString missing;
    if (Missing({"Xvfb", "trayer", "xdotool"}, missing))
        GTEST_SKIP() << missing.toStdString() << " is not installed (scripts/setup installs it)";
    const int display = FreeDisplay();
    ASSERT_GT(display, 0) << "no free X display number";
    const QString name = QStringLiteral(":%1").arg(display);

    QProcess xvfb;
    xvfb.start("Xvfb", {name, "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"});
    ASSERT_TRUE(xvfb.waitForStarted(5000));
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QTest::qWait(50);
    ASSERT_TRUE(QFile::exists(socket)) << "Xvfb did not start";

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", name);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("ZM_TRAY_CHILD", "1");
    env.remove("DBUS_SESSION_BUS_ADDRESS"); // the XEmbed tray of trayer, not a desktop's
    env.remove("WAYLAND_DISPLAY");
    // libxkbcommon-x11 reads past a string's end in strndup, which strict string checks take
    // for an overflow when Qt connects to the X server.
    if (env.contains("ASAN_OPTIONS"))
        env.insert(
            "ASAN_OPTIONS",
            env.value("ASAN_OPTIONS").replace("strict_string_checks=1", "strict_string_checks=0"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=TrayChild.*"});
    ASSERT_TRUE(child.waitForStarted(5000));
    const bool finished = child.waitForFinished(90000);
    const QByteArray output = child.readAll();
    if (!finished)
        child.kill();
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    std::cout << output.toStdString();
    ASSERT_TRUE(finished) << "child timed out";
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << "the child test did not run";
}

TEST(TrayChild, ShowsTheIconToALateTrayAndTakesADoubleClick)
{
    if (!qEnvironmentVariableIsSet("ZM_TRAY_CHILD"))
        GTEST_SKIP() << "runs on the test's own X server only";
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");

    auto shell = std::make_unique<TQtNotifyIcon>();
    TQtNotifyIcon* area = shell.get();
    TTrayIcon tray(nullptr, std::move(shell));
    int clicks = 0, doubles = 0;
    tray.OnClick = [&](QObject*, TMouseButton, TShiftState, int, int) { ++clicks; };
    tray.OnDblClick = [&](QObject*) { ++doubles; };
    // Each report of the area coming or going, as the tray icon saw it then.
    QList<bool> areaChanges;
    tray.OnNotifyAreaChange = [&](QObject*) { areaChanges.append(tray.NotifyAreaAvailable()); };
    LoadStatusIcons(*tray.Icons());
    tray.SetHint("ZEMBRA Ping - 15 ms");
    tray.SetIcon(tray.Icons()->Icons(3)); // lime
    tray.Loaded();

    // No tray host yet: the add fails, and the desktop says there is no notification area.
    EXPECT_FALSE(tray.NotifyAreaAvailable());
    EXPECT_FALSE(NotificationAreaAvailable());
    EXPECT_FALSE(tray.Added());

    // The host comes later and still gets the icon.
    const QStringList trayerArgs = {
        "--edge",  "top",      "--align",       "right", "--widthtype",   "pixel",
        "--width", "120",      "--height",      "40",    "--SetDockType", "false",
        "--tint",  "0x404040", "--transparent", "true",  "--alpha",       "0"};
    QProcess trayer;
    trayer.start("trayer", trayerArgs);
    ASSERT_TRUE(trayer.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([] { return NotificationAreaAvailable(); }, 10000)) << "no tray host";
    // The tray embeds the icon widget.
    ASSERT_TRUE(WaitFor([&] { return area->Geometry().width() > 0; }, 15000))
        << "the tray did not embed the icon";
    tray.SetHint("ZEMBRA Ping - 16 ms"); // the retried add now succeeds
    EXPECT_TRUE(tray.Added());
    EXPECT_TRUE(WaitFor([&] { return areaChanges == QList<bool>{true}; }))
        << "area reports: " << areaChanges.size();

    // The icon is really drawn in the tray: a lime disc of tray-icon size at the top right,
    // where trayer sits.
    const TFound lime = WaitForColor(qRgb(0, 255, 0), 50);
    ASSERT_GE(lime.Count, 50) << "no lime disc on the screen";
    std::cout << "lime disc at " << lime.Box.x() << "," << lime.Box.y() << " " << lime.Box.width()
              << "x" << lime.Box.height() << "\n";
    EXPECT_GE(lime.Box.left(), 640 - 120);
    EXPECT_LE(lime.Box.bottom(), 40);
    EXPECT_LE(lime.Box.width(), 40);

    // A status change swaps the picture in place.
    tray.SetIcon(tray.Icons()->Icons(1)); // red
    const TFound red = WaitForColor(qRgb(255, 0, 0), 50);
    EXPECT_GE(red.Count, 50) << "the icon did not turn red";
    EXPECT_EQ(FindColor(qRgb(0, 255, 0)).Count, 0);

    const QPoint centre = red.Box.center();
    ASSERT_TRUE(RunTool("xdotool",
                        {"mousemove", QString::number(centre.x()), QString::number(centre.y())}));
    QTest::qWait(200);
    ASSERT_TRUE(RunTool("xdotool", {"click", "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_TRUE(WaitFor([&] { return doubles == 1; }));
    QTest::qWait(500);
    EXPECT_EQ(doubles, 1) << "exactly one double click";
    EXPECT_EQ(clicks, 1) << "a double click gives one click too";

    // A right click opens the menu at the pointer instead of clicking.
    QMenu menu;
    menu.addAction("Ayarlar");
    tray.SetPopupMenu(&menu);
    QRect menuAt;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (menu.isVisible()) {
            menuAt = menu.geometry();
            menu.close();
        }
    });
    closer.start(50);
    ASSERT_TRUE(RunTool("xdotool", {"click", "3"}));
    ASSERT_TRUE(WaitFor([&] { return !menuAt.isNull(); })) << "no menu";
    closer.stop();
    // At the pointer, moved left as far as the screen's edge needs.
    EXPECT_TRUE(menuAt.adjusted(-20, -20, 20, 20).contains(centre)) << "menu away from the pointer";
    QTest::qWait(300);
    EXPECT_EQ(clicks, 1) << "no click event while the menu was shown";

    // The panel restarts: the icon comes back to the new tray by itself.
    trayer.terminate();
    ASSERT_TRUE(trayer.waitForFinished(5000));
    EXPECT_TRUE(WaitFor([] { return FindColor(qRgb(255, 0, 0)).Count == 0; }, 10000))
        << "the icon stayed after the tray went";
    EXPECT_TRUE(WaitFor([&] {
        return areaChanges == QList<bool>{true, false};
    })) << "area reports: "
        << areaChanges.size();
    trayer.start("trayer", trayerArgs);
    ASSERT_TRUE(trayer.waitForStarted(5000));
    EXPECT_GE(WaitForColor(qRgb(255, 0, 0), 50).Count, 50) << "the icon did not come back";
    EXPECT_TRUE(WaitFor([&] {
        return areaChanges == QList<bool>{true, false, true};
    })) << "area reports: "
        << areaChanges.size();

    trayer.terminate();
    trayer.waitForFinished(5000);
}
