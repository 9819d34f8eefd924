// ctest-labels: gui
// ctest-serial
// The real program, started as a process on an X server of its own and driven by xdotool as a
// user would drive it: its settings and the main window's place must survive a restart, Esc
// must store nothing, and a damaged or read-only configuration must not stop it. It pings only
// 127.0.0.1 or localhost. What it holds is read as a screen reader reads it (the settings
// window's controls, once that window has been shown) and from the X server (the windows' place
// and state); what it stored from the files in XDG_CONFIG_HOME.
#include "support/Accessibility.h"
#include "support/ProgramView.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
const QString kMainTitle = QStringLiteral("ZEMBRA Ping s2.04f");
// The settings window has the main window's title and a fixed width.
constexpr int kSettingsWidth = 425;

// How long the real program gets for each step it is waited for.
constexpr int kProgramWait = 20000;

using Values = QMap<QString, QString>;

// The string values of one key of a registry export file.
Values ReadRegistryKey(const QString& path, const QString& key)
{
    Values v;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return v;
    bool in = false;
    for (QString line : QString::fromUtf8(f.readAll()).split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            in = line.compare('[' + key + ']', Qt::CaseInsensitive) == 0;
        } else if (in && line.startsWith('"')) {
            const int eq = line.indexOf(QStringLiteral("\"=\""));
            if (eq > 0 && line.endsWith('"'))
                v.insert(line.mid(1, eq - 1),
                         line.mid(eq + 3, line.size() - eq - 4)
                             .replace(QStringLiteral("\\\""), QStringLiteral("\""))
                             .replace(QStringLiteral("\\\\"), QStringLiteral("\\")));
        }
    }
    return v;
}

// One value of a profile (INI) file.
QString ReadProfile(const QString& path, const QString& section, const QString& name)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    bool in = false;
    for (QString line : QString::fromUtf8(f.readAll()).split('\n')) {
        line = line.trimmed();
        if (line.startsWith('['))
            in = line.compare('[' + section + ']', Qt::CaseInsensitive) == 0;
        else if (in && line.section('=', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
            return line.section('=', 1);
    }
    return {};
}

struct Geometry {
    int X = -1, Y = -1, W = -1, H = -1;
};

class Restart : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo(kProgram).isExecutable())
            GTEST_SKIP() << "the program is not built: " << kProgram.toStdString();
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            GTEST_SKIP() << "no xdotool to drive the program with";
        ASSERT_TRUE(Dir.isValid());
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";
        Config = Dir.filePath("config");
        Folder = Config + "/ZmPing2";
        QDir().mkpath(Folder);
        Registry = Folder + "/registry.reg";
        Profile = Folder + "/ZmPing2.INI";
        A11y = std::make_unique<AccessibilityBus>();
        if (!A11y->Ok())
            GTEST_SKIP() << A11y->Error().toStdString();
    }

    void TearDown() override
    {
        if (App && App->state() != QProcess::NotRunning) {
            App->kill();
            App->waitForFinished(5000);
        }
    }

    // The environment of a program on the test's own X server and session bus only: no
    // desktop's notification area.
    QProcessEnvironment OnTestDisplay() const
    {
        QProcessEnvironment env = A11y->ProcessEnv();
        env.insert("DISPLAY", X->Display());
        return env;
    }

    // Runs a tool on the test's X server and returns what it printed.
    QString Tool(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.setProcessEnvironment(OnTestDisplay());
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Starts the program; `wrapper` runs it through another command (e.g. unshare).
    void Start(const QStringList& wrapper = {})
    {
        App = std::make_unique<QProcess>();
        QProcessEnvironment env = OnTestDisplay();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", Config);
        env.insert("ZMPING2_SOUND_PLAYER", "true");
        env.insert("ZMPING2_INSTANCE_KEY", QStringLiteral("zmping2-restart-%1").arg(getpid()));
        App->setProcessEnvironment(env);
        App->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (wrapper.isEmpty())
            App->start(kProgram, {});
        else
            App->start(wrapper.first(), wrapper.mid(1) + QStringList{kProgram});
        ASSERT_TRUE(App->waitForStarted(10000));
    }

    // Moves the main window to the top left corner, out of the settings window's way.
    bool MoveMainAside()
    {
        if (!WaitState("mainVisible", "1"))
            return false;
        Xdo({"windowmove", MainWindow(), "20", "20"});
        return WaitFor([&] { return State().value("main").startsWith("20,20,"); }, kProgramWait);
    }

    // What the program holds now, by the names the program stores them under: the settings
    // window's controls as its accessibility tree gives them (readable once that window has been
    // shown), "main" as "x,y,w,h", and the windows' state as the X server knows it.
    Values State()
    {
        Values v;
        const QList<AccessibleNode> tree = A11y->Tree();
        if (const AccessibleNode* n = Find(tree, "text", QStringLiteral("Host")))
            v.insert("HostEdit.Text", n->Text);
        const std::pair<const char*, const char*> spins[] = {{"SpinEditALT", "ms Aşağısı iyi"},
                                                             {"SpinEditUST", "ms Yukarısı Kötü"},
                                                             {"SpinEdit3", "ms Time Out"},
                                                             {"SpinEdit1", "Ping Aralığı"},
                                                             {"SpinEditPingSize", "Byte"}};
        for (const auto& [field, name] : spins)
            if (const AccessibleNode* n = Find(tree, "spin box", QString::fromUtf8(name));
                n && n->Value)
                v.insert(QLatin1String(field) + ".Value", QString::number(qint64(*n->Value)));
        const std::pair<const char*, const char*> boxes[] = {
            {"CheckBoxAlarm", "Bağlantı kötü ise alarm ver"},
            {"CheckBoxPing", "Otomatik Ping"},
            {"CheckBoxStay", "Her Zaman Üstte"}};
        for (const auto& [field, name] : boxes)
            if (const AccessibleNode* n = Find(tree, "check box", QString::fromUtf8(name)))
                v.insert(QLatin1String(field) + ".Checked",
                         n->Has("checked") ? QStringLiteral("true") : QStringLiteral("false"));
        for (const AccessibleNode& n : tree)
            if (n.Role == "label" && n.Name.endsWith(QStringLiteral("Arası normal")))
                v.insert("Label7.Caption", n.Name);
        const QStringList shown = Xdo({"search", "--onlyvisible", "--name", '^' + kMainTitle + '$'})
                                      .split('\n', Qt::SkipEmptyParts);
        bool main = false, settings = false;
        for (const QString& id : shown) {
            const Geometry g = WindowGeometry(id);
            if (g.W == kSettingsWidth) {
                settings = true;
                continue;
            }
            main = true;
            v.insert("main", QStringLiteral("%1,%2,%3,%4").arg(g.X).arg(g.Y).arg(g.W).arg(g.H));
            v.insert("mainMinimized",
                     Tool("xprop", {"-id", id, "_NET_WM_STATE"}).contains("_NET_WM_STATE_HIDDEN")
                         ? "1"
                         : "0");
            v.insert("mainOffTaskBar", WindowType(id) == "UTILITY" ? "1" : "0");
        }
        v.insert("mainVisible", main ? "1" : "0");
        v.insert("settingsVisible", settings ? "1" : "0");
        return v;
    }

    bool WaitState(const QString& name, const QString& value, int ms = kProgramWait)
    {
        return WaitFor([&] { return State().value(name) == value; }, ms);
    }

    QString Xdo(const QStringList& args) { return Tool("xdotool", args); }

    Geometry WindowGeometry(const QString& id)
    {
        Geometry g;
        for (const QString& line : Xdo({"getwindowgeometry", "--shell", id}).split('\n')) {
            const int v = line.section('=', 1).toInt();
            if (line.startsWith("X="))
                g.X = v;
            else if (line.startsWith("Y="))
                g.Y = v;
            else if (line.startsWith("WIDTH="))
                g.W = v;
            else if (line.startsWith("HEIGHT="))
                g.H = v;
        }
        return g;
    }

    // The shown window with this title and (when given) this width; empty when there is none.
    QString FindWindow(const QString& title, int width = -1)
    {
        QString found;
        WaitFor(
            [&] {
                for (const QString& id :
                     Xdo({"search", "--onlyvisible", "--name", '^' + title + '$'}).split('\n')) {
                    if (!id.isEmpty() && (width < 0 || WindowGeometry(id).W == width)) {
                        found = id;
                        return true;
                    }
                }
                return false;
            },
            kProgramWait);
        return found;
    }

    // The shown main window: the window of that title which is not the settings window.
    QString MainWindow()
    {
        QString found;
        WaitFor(
            [&] {
                for (const QString& id :
                     Xdo({"search", "--onlyvisible", "--name", '^' + kMainTitle + '$'})
                         .split('\n', Qt::SkipEmptyParts))
                    if (WindowGeometry(id).W != kSettingsWidth) {
                        found = id;
                        return true;
                    }
                return false;
            },
            kProgramWait);
        return found;
    }
    QString SettingsWindow() { return FindWindow(kMainTitle, kSettingsWidth); }

    // A left click at (x, y) inside the window.
    void Click(const QString& id, int x, int y)
    {
        Xdo({"mousemove", "--window", id, QString::number(x), QString::number(y)});
        Xdo({"click", "1"});
    }

    // Replaces the text of the field at (x, y) with `text`, as typed.
    void Type(const QString& id, int x, int y, const QString& text)
    {
        Click(id, x, y);
        Xdo({"key", "ctrl+a"});
        Xdo({"type", "--delay", "30", text});
    }

    QString OpenSettings()
    {
        if (!WaitState("mainVisible", "1"))
            return {};
        const QString main = MainWindow();
        Click(main, 45, 16); // "Ayarlar (F5)"
        if (!WaitState("settingsVisible", "1"))
            return {};
        const QString id = SettingsWindow();
        // Beside the main window, which may be kept on top.
        Xdo({"windowmove", id, "560", "320"});
        if (!WaitFor([&] { return WindowGeometry(id).X == 560; }, kProgramWait))
            return {};
        Xdo({"windowfocus", id});
        return id;
    }

    // The X window type of a window ("NORMAL" has a task-bar button, "UTILITY" has none).
    QString WindowType(const QString& id)
    {
        // The first (preferred) of the types listed.
        const QRegularExpression first(QStringLiteral("= _NET_WM_WINDOW_TYPE_(\\w+)"));
        return first.match(Tool("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE"})).captured(1);
    }
    // The same of the shown main window; empty while there is none.
    QString MainWindowType()
    {
        const QString id = MainWindow();
        return id.isEmpty() ? QString() : WindowType(id);
    }

    // The main window's Kapat button quits; true when the program ended by itself with 0.
    bool Quit()
    {
        Click(MainWindow(), 213, 16);
        if (!App->waitForFinished(30000))
            return false;
        return App->exitStatus() == QProcess::NormalExit && App->exitCode() == 0;
    }

    QString Key() const { return QStringLiteral("HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF"); }

    QTemporaryDir Dir;
    std::unique_ptr<XServer> X;
    std::unique_ptr<AccessibilityBus> A11y;
    std::unique_ptr<QProcess> App;
    QString Config, Folder, Registry, Profile;
};

} // namespace

TEST_F(Restart, SettingsAndPlacementSurviveARestart)
{
    Start();
    ASSERT_TRUE(MoveMainAside());
    const QString s = OpenSettings();
    ASSERT_FALSE(s.isEmpty());
    EXPECT_EQ(State().value("HostEdit.Text"), "localhost");

    Type(s, 119, 68, "127.0.0.1"); // host
    Type(s, 54, 131, "150");       // good below
    Type(s, 54, 161, "600");       // bad above
    Type(s, 54, 219, "800");       // time-out
    Click(s, 50, 245);             // alarm off
    Click(s, 282, 104);            // automatic ping on
    Type(s, 346, 128, "7");        // interval
    Type(s, 290, 181, "64");       // packet size
    Click(s, 276, 219);            // stay on top
    const Values want{{"HostEdit.Text", "127.0.0.1"},
                      {"SpinEditALT.Value", "150"},
                      {"SpinEditUST.Value", "600"},
                      {"SpinEdit3.Value", "800"},
                      {"CheckBoxAlarm.Checked", "false"},
                      {"CheckBoxPing.Checked", "true"},
                      {"SpinEdit1.Value", "7"},
                      {"SpinEditPingSize.Value", "64"},
                      {"CheckBoxStay.Checked", "true"},
                      {"Label7.Caption", QStringLiteral("150-600 Arası normal")}};
    for (auto it = want.begin(); it != want.end(); ++it)
        ASSERT_TRUE(WaitState(it.key(), it.value(), 5000))
            << it.key().toStdString() << " is " << State().value(it.key()).toStdString();

    // The close button saves.
    Click(SettingsWindow(), 325, 246);
    ASSERT_TRUE(WaitState("settingsVisible", "0"));
    ASSERT_TRUE(
        WaitFor([&] { return ReadRegistryKey(Registry, Key()).value("SpinEdit1_Value") == "7"; },
                kProgramWait))
        << "nothing stored at the close request";

    const QString main = MainWindow();
    ASSERT_FALSE(main.isEmpty());
    Xdo({"windowsize", main, "450", "260"});
    Xdo({"windowmove", main, "100", "120"});
    ASSERT_TRUE(WaitState("main", "100,120,450,260")) << State().value("main").toStdString();
    ASSERT_TRUE(Quit());

    const Values storedWant{{"HostEdit_Text", "127.0.0.1"},
                            {"SpinEditALT_Value", "150"},
                            {"SpinEditUST_Value", "600"},
                            {"SpinEdit3_Value", "800"},
                            {"CheckBoxAlarm_Checked", "False"},
                            {"CheckBoxPing_Checked", "True"},
                            {"SpinEdit1_Value", "7"},
                            {"SpinEditPingSize_Value", "64"},
                            {"CheckBoxStay_Checked", "True"},
                            {"Label7_Caption", QStringLiteral("150-600 Arası normal")}};
    auto ExpectStored = [&](const Values& stored) {
        for (auto it = storedWant.begin(); it != storedWant.end(); ++it)
            EXPECT_EQ(stored.value(it.key()).toStdString(), it.value().toStdString())
                << it.key().toStdString();
    };
    ExpectStored(ReadRegistryKey(Registry, Key()));
    EXPECT_EQ(ReadProfile(Profile, "TAnaF", "NormPos"), "100,120,550,380");

    Start();
    ASSERT_TRUE(WaitState("mainVisible", "1"));
    ASSERT_TRUE(WaitState("main", "100,120,450,260")) << State().value("main").toStdString();
    const Geometry g = WindowGeometry(MainWindow());
    ASSERT_FALSE(OpenSettings().isEmpty());
    const Values back = State();
    for (auto it = want.begin(); it != want.end(); ++it)
        EXPECT_EQ(back.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(g.X, 100);
    EXPECT_EQ(g.Y, 120);
    EXPECT_EQ(g.W, 450);
    EXPECT_EQ(g.H, 260);
    ASSERT_TRUE(Quit());
    ExpectStored(ReadRegistryKey(Registry, Key()));
}

TEST_F(Restart, HidingTheSettingsByEscStoresNothing)
{
    Start();
    ASSERT_TRUE(MoveMainAside());
    QString s = OpenSettings();
    ASSERT_FALSE(s.isEmpty());
    Click(s, 325, 246); // stored once by the close button
    ASSERT_TRUE(WaitState("settingsVisible", "0"));
    ASSERT_TRUE(WaitFor(
        [&] { return ReadRegistryKey(Registry, Key()).value("SpinEditPingSize_Value") == "32"; },
        kProgramWait));
    QFile reg(Registry);
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    const QByteArray before = reg.readAll();
    reg.close();

    s = OpenSettings();
    ASSERT_FALSE(s.isEmpty());
    Type(s, 290, 181, "64");
    ASSERT_TRUE(WaitState("SpinEditPingSize.Value", "64", 5000));
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitState("settingsVisible", "0"));
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    EXPECT_EQ(reg.readAll(), before);
    reg.close();

    // Shown again: the stored value replaces the unsaved change.
    s = OpenSettings();
    ASSERT_FALSE(s.isEmpty());
    EXPECT_TRUE(WaitState("SpinEditPingSize.Value", "32", 5000))
        << State().value("SpinEditPingSize.Value").toStdString();
    ASSERT_TRUE(Quit());
}

TEST_F(Restart, DamagedRegistryIsKeptAsideAndTheDefaultsAreUsed)
{
    const QByteArray damaged = "this is not a registry file\n";
    {
        QFile f(Registry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    Start();
    // The report comes in a message box of its own, once; Enter dismisses it.
    const QString box = FindWindow("ZmPing2");
    ASSERT_FALSE(box.isEmpty()) << "no message about the damaged file; the program "
                                << (App->state() == QProcess::NotRunning
                                        ? "ended with " + std::to_string(App->exitCode())
                                        : std::string("runs"));
    const QStringList aside = QDir(Folder).entryList({"registry.reg.broken-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(Folder + '/' + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    Xdo({"windowfocus", box});
    Xdo({"key", "Return"});

    ASSERT_TRUE(WaitState("mainVisible", "1"));
    ASSERT_FALSE(OpenSettings().isEmpty());
    EXPECT_EQ(State().value("HostEdit.Text"), "localhost");
    EXPECT_EQ(State().value("SpinEditPingSize.Value"), "32");
    EXPECT_EQ(App->state(), QProcess::Running);
    ASSERT_TRUE(Quit());
    EXPECT_EQ(ReadRegistryKey(Registry, Key()).value("HostEdit_Text"), "localhost");
    EXPECT_EQ(QDir(Folder).entryList({"registry.reg.broken-*"}, QDir::Files), aside);
}

TEST_F(Restart, ReadOnlyConfigurationLosesNothing)
{
    // Settings stored by an earlier run.
    WriteStoredSettings(Config, {{"HostEdit_Text", "127.0.0.1"}, {"SpinEditPingSize_Value", "64"}});
    Start();
    ASSERT_TRUE(WaitState("mainVisible", "1"));
    ASSERT_TRUE(Quit());
    ASSERT_EQ(ReadRegistryKey(Registry, Key()).value("SpinEditPingSize_Value"), "64");
    QFile reg(Registry), prof(Profile);
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    ASSERT_TRUE(prof.open(QIODevice::ReadOnly));
    const QByteArray registryBefore = reg.readAll(), profileBefore = prof.readAll();
    reg.close();
    prof.close();
    const QStringList filesBefore = QDir(Folder).entryList(QDir::Files | QDir::Hidden);

    // As root file modes stop nothing: the folder is a read-only bind mount for the program.
    QStringList wrapper;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable("unshare").isEmpty())
            GTEST_SKIP() << "no unshare to make the folder read-only";
        wrapper = {"unshare", "-m", "sh", "-c",
                   QStringLiteral("mount --bind '%1' '%1' && mount -o remount,bind,ro '%1' '%1' "
                                  "&& exec \"$0\"")
                       .arg(Folder)};
    } else {
        QFile::setPermissions(Folder, QFile::ReadOwner | QFile::ExeOwner);
        QFile::setPermissions(Registry, QFile::ReadOwner);
        QFile::setPermissions(Profile, QFile::ReadOwner);
    }
    Start(wrapper);
    ASSERT_TRUE(WaitState("mainVisible", "1", 30000)) << "the program did not come up";
    ASSERT_TRUE(MoveMainAside());
    // A save that fails (here: at the settings window's close request) is reported and the
    // program runs on.
    const QString s = OpenSettings();
    ASSERT_FALSE(s.isEmpty());
    EXPECT_EQ(State().value("SpinEditPingSize.Value"), "64");
    EXPECT_EQ(State().value("HostEdit.Text"), "127.0.0.1");
    Type(s, 290, 181, "96");
    ASSERT_TRUE(WaitState("SpinEditPingSize.Value", "96", 5000));
    Click(s, 325, 246);
    const QString box = FindWindow("ZmPing2");
    ASSERT_FALSE(box.isEmpty()) << "the failed save was not reported";
    Xdo({"windowfocus", box});
    Xdo({"key", "Return"});
    EXPECT_EQ(App->state(), QProcess::Running);
    ASSERT_TRUE(WaitState("settingsVisible", "0"));
    Click(MainWindow(), 213, 16);
    // The failed saves at quitting (the placement, then what was not stored since the last
    // load) are reported one by one; each is answered until the program has ended.
    WaitFor(
        [&] {
            const QString more = Xdo({"search", "--onlyvisible", "--name", "^ZmPing2$"});
            if (!more.isEmpty()) {
                Xdo({"windowfocus", more.section('\n', 0, 0)});
                Xdo({"key", "Return"});
            }
            // QProcess notices the end only while waiting for it.
            return App->waitForFinished(50) || App->state() == QProcess::NotRunning;
        },
        30000);
    EXPECT_EQ(App->state(), QProcess::NotRunning);

    if (::geteuid() != 0) {
        QFile::setPermissions(Folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(Registry, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(Profile, QFile::ReadOwner | QFile::WriteOwner);
    }
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    ASSERT_TRUE(prof.open(QIODevice::ReadOnly));
    EXPECT_EQ(reg.readAll(), registryBefore);
    EXPECT_EQ(prof.readAll(), profileBefore);
    EXPECT_EQ(QDir(Folder).entryList(QDir::Files | QDir::Hidden), filesBefore);
}

// The notification area comes and goes while the program runs (a panel started late, or one
// that quits): the main window moves between the task bar and the area, and is never lost.
TEST_F(Restart, MainWindowFollowsANotificationAreaThatComesAndGoes)
{
    if (QStandardPaths::findExecutable("trayer").isEmpty() ||
        QStandardPaths::findExecutable("xprop").isEmpty())
        GTEST_SKIP() << "trayer and xprop are needed (scripts/setup installs them)";
    Start();
    ASSERT_TRUE(WaitState("mainVisible", "1"));
    EXPECT_EQ(State().value("mainOffTaskBar"), "0");
    EXPECT_EQ(MainWindowType(), "NORMAL");

    QProcess trayer;
    trayer.setProcessEnvironment(OnTestDisplay());
    const QStringList trayerArgs = {"--edge", "top", "--align", "right", "--SetDockType", "false"};
    trayer.start("trayer", trayerArgs);
    ASSERT_TRUE(trayer.waitForStarted(5000));
    // The shown window stays shown and leaves the task bar.
    ASSERT_TRUE(WaitState("mainOffTaskBar", "1"));
    EXPECT_EQ(State().value("mainVisible"), "1");
    EXPECT_TRUE(WaitFor([&] { return MainWindowType() == "UTILITY"; }, kProgramWait));

    // Hidden into the area, then the area goes: the window comes back minimised, with a
    // task-bar button.
    Xdo({"windowfocus", MainWindow()});
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitState("mainVisible", "0"));
    trayer.terminate();
    ASSERT_TRUE(trayer.waitForFinished(5000));
    ASSERT_TRUE(WaitState("mainOffTaskBar", "0"));
    EXPECT_TRUE(WaitState("mainVisible", "1"));
    EXPECT_EQ(State().value("mainMinimized"), "1");
    EXPECT_EQ(App->state(), QProcess::Running);
    ASSERT_TRUE(Quit());
}

// kill, a logout or a shutdown end the program as its quit command does: a change hidden with
// Esc and the window's place are saved, and the program ends by itself with 0.
TEST_F(Restart, SignalsEndTheProgramAsQuitDoes)
{
    Start();
    ASSERT_TRUE(MoveMainAside());
    const QString s = OpenSettings();
    ASSERT_FALSE(s.isEmpty());
    Type(s, 119, 68, "127.0.0.2");
    ASSERT_TRUE(WaitState("HostEdit.Text", "127.0.0.2", 5000));
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitState("settingsVisible", "0"));
    ::kill(pid_t(App->processId()), SIGTERM);
    ASSERT_TRUE(App->waitForFinished(10000));
    EXPECT_EQ(App->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(App->exitCode(), 0);
    EXPECT_EQ(ReadRegistryKey(Registry, Key()).value("HostEdit_Text"), "127.0.0.2");
    EXPECT_EQ(ReadProfile(Profile, "TAnaF", "NormPos").section(',', 0, 1), "20,20");

    Start();
    ASSERT_TRUE(WaitState("mainVisible", "1"));
    ASSERT_FALSE(OpenSettings().isEmpty());
    EXPECT_EQ(State().value("HostEdit.Text"), "127.0.0.2");
    // The other two signals end it the same way.
    for (int signal : {SIGHUP, SIGINT}) {
        QFile::remove(Profile);
        ::kill(pid_t(App->processId()), signal);
        ASSERT_TRUE(App->waitForFinished(10000)) << signal;
        EXPECT_EQ(App->exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(App->exitCode(), 0) << signal;
        EXPECT_TRUE(QFile::exists(Profile)) << signal;
        if (signal == SIGHUP) {
            Start();
            ASSERT_TRUE(WaitState("mainVisible", "1"));
        }
    }
}

// The display goes away under the program (the session ends with the X server): the toolkit
// ends the program, and what was not stored yet is stored on the way out.
TEST_F(Restart, LostDisplayStillSavesTheSettings)
{
    WriteStoredSettings(Config, {{"HostEdit_Text", "127.0.0.3"}});
    Start();
    ASSERT_TRUE(WaitState("mainVisible", "1"));
    ASSERT_FALSE(OpenSettings().isEmpty());
    ASSERT_TRUE(WaitState("HostEdit.Text", "127.0.0.3"));
    // Read in; from here on only the save on the way out can store it.
    ASSERT_TRUE(QFile::remove(Registry));
    X.reset();
    ASSERT_TRUE(App->waitForFinished(10000));
    EXPECT_EQ(ReadRegistryKey(Registry, Key()).value("HostEdit_Text"), "127.0.0.3");
    EXPECT_FALSE(ReadProfile(Profile, "TAnaF", "NormPos").isEmpty());
}
