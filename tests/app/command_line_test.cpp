// ctest-labels: gui
// The real program's command line: what needs no window runs without a display, and the
// commands for a running copy reach it through its one-copy socket.
#include "support/WaitFor.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");

struct TRun {
    int Status = -1;
    QString Out, Err;
};

// Runs the program to its end with no display of any kind.
TRun RunProgram(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kProgram, args);
    p.waitForFinished(20000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo(kProgram).isExecutable())
            GTEST_SKIP() << "the program is not built: " << kProgram.toStdString();
        Env.remove("DISPLAY");
        Env.remove("WAYLAND_DISPLAY");
        Env.remove("DBUS_SESSION_BUS_ADDRESS");
        // Were a window opened, this platform would fail for want of an X server.
        Env.insert("QT_QPA_PLATFORM", "xcb");
        Env.insert("XDG_CONFIG_HOME", Dir.filePath("config"));
        Env.insert("ZMPING2_INSTANCE_KEY", Dir.filePath("socket"));
    }
    QTemporaryDir Dir;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(CommandLine, HelpVersionAndMistakesNeedNoDisplay)
{
    const TRun help = RunProgram({"--help"}, Env);
    EXPECT_EQ(help.Status, 0);
    EXPECT_TRUE(help.Out.startsWith("Usage: ZmPing2 ")) << help.Out.toStdString();
    EXPECT_TRUE(help.Out.contains("--hidden"));
    // Help wins over everything but a mistake.
    EXPECT_EQ(RunProgram({"--quit", "--version", "--help"}, Env).Out, help.Out);
    const TRun version = RunProgram({"--version"}, Env);
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, QStringLiteral("ZmPing2 " ZM_VERSION "\n"));
    for (const QStringList& wrong :
         {QStringList{"--frobnicate"}, QStringList{"stray"}, QStringList{"--show", "--quit"},
          QStringList{"--hidden", "--quit"}, QStringList{"-platform"}, QStringList{"--follow"},
          QStringList{"--status", "--ping"}, QStringList{"--hidden", "--status"},
          QStringList{"--language", "fr"}, QStringList{"--language"},
          // A report needs a range in order, dates it can read and somewhere to go.
          QStringList{"--report", "2026-12-02", "2026-12-01", "--output", "r.pdf"},
          QStringList{"--report", "2026-12-01", "2026-12-02"},
          QStringList{"--report", "2026-12-01", "--output", "r.pdf"},
          QStringList{"--report", "1.12.2026", "2026-12-02", "--output", "r.pdf"},
          QStringList{"--status", "--host", "h"},
          QStringList{"--report", "2026-12-01", "2026-12-02", "--output"}}) {
        const TRun r = RunProgram(wrong, Env);
        EXPECT_EQ(r.Status, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(r.Out.isEmpty());
        EXPECT_TRUE(r.Err.contains("Usage: ZmPing2 ")) << r.Err.toStdString();
    }
    // The manual page names every option the help names, and every exit status.
    QFile man(ZM_SOURCE_DIR "/resources/ZmPing2.1");
    ASSERT_TRUE(man.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(man.readAll()).remove('\\');
    const QString options = page.section(".SH OPTIONS", 1).section("\n.SH ", 0, 0);
    static const QRegularExpression option("--[a-z]+"), described("\n\\.TP\n([^\n]*)");
    QStringList headings;
    for (auto m = described.globalMatch(options); m.hasNext();)
        headings << m.next().captured(1);
    for (auto m = option.globalMatch(help.Out); m.hasNext();) {
        const QString o = m.next().captured();
        EXPECT_TRUE(headings.join(' ').contains(QRegularExpression(o + "\\b")))
            << o.toStdString() << " is not described in the manual page";
    }
    for (const char* status : {".B 0\n", ".B 1\n", ".B 2\n", ".B 3\n", ".B 4\n"})
        EXPECT_TRUE(page.contains(status)) << "exit status " << status;
    // Nothing runs yet to be told anything.
    EXPECT_EQ(RunProgram({"--show"}, Env).Status, 1);
    EXPECT_EQ(RunProgram({"--quit"}, Env).Status, 1);
    EXPECT_EQ(RunProgram({"--ping"}, Env).Status, 1);
    EXPECT_EQ(RunProgram({"--status"}, Env).Status, 3);
}

TEST_F(CommandLine, ShowAndQuitReachTheRunningCopy)
{
    QProcessEnvironment env = Env;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZMPING2_SOUND_PLAYER", "true");
    QProcess app;
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(kProgram, {"--hidden"});
    ASSERT_TRUE(app.waitForStarted(10000));
    // Once it listens, --show reaches it.
    ASSERT_TRUE(WaitFor([&] { return RunProgram({"--show"}, Env).Status == 0; }, 20000))
        << "the running copy never answered --show";
    EXPECT_EQ(app.state(), QProcess::Running);
    // A second copy started hidden leaves the first as it is and ends at once.
    EXPECT_EQ(RunProgram({"--hidden", "-platform", "offscreen"}, env).Status, 0);
    EXPECT_EQ(RunProgram({"--quit"}, Env).Status, 0);
    ASSERT_TRUE(app.waitForFinished(20000)) << "--quit did not end the running copy";
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_EQ(RunProgram({"--quit"}, Env).Status, 1);
}
