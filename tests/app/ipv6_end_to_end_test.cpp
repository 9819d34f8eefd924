// ctest-labels: gui net
// ctest-serial
// The real program pinging IPv6 hosts inside a private network namespace: names come from the
// namespace's own hosts file (a mount namespace of the program's own with /etc/hosts bound over),
// IPv6 echoes are answered by the project's echo responder on an extra address of the
// namespace's loopback, IPv4 ones by the namespace's kernel.
#include "support/NetNamespace.h"
#include "support/ProgramUnderTest.h"
#include "support/ProgramView.h"

#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(text);
}

class Ipv6EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = ProgramUnavailable({"unshare"}); !why.empty())
            GTEST_SKIP() << why;
        RelaxStrictStringChecks();
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            GTEST_SKIP() << "no xdotool to open the settings window with";
        A11y = std::make_unique<AccessibilityBus>();
        if (!A11y->Ok())
            GTEST_SKIP() << A11y->Error().toStdString();
        NetNamespace::Options o;
        o.KernelAnswersEcho = true; // IPv4; IPv6 is the responder's
        Ns = std::make_unique<NetNamespace>(o);
        ASSERT_TRUE(Ns->Ok()) << Ns->Error();
        Ns->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
        if (!Ns->SetSysctl("net.ipv6.icmp.echo_ignore_all", "1"))
            GTEST_SKIP() << "no IPv6 in the namespace";
        ChildProcess ip = Ns->Spawn(
            {"/usr/sbin/ip", "-6", "addr", "add", "2001:db8:5a::2/128", "dev", "lo", "nodad"});
        int status = -1;
        ASSERT_TRUE(ip.Wait(std::chrono::seconds(10), &status) && status == 0) << status;
        WriteFile(Dir.filePath("hosts"), "127.0.0.1 localhost\n"
                                         "127.0.0.1 zm-dual.test\n"
                                         "2001:db8:5a::2 zm-dual.test\n"
                                         "2001:db8:5a::2 zm-six.test\n");
        Responder = Ns->Spawn({ZM_ECHO_RESPONDER, "--ipv6", "--delay-ms", "150"});
        ASSERT_TRUE(Responder.WaitForLine("ready", std::chrono::seconds(10)));
    }
    void TearDown() override
    {
        App.Stop();
        Responder.Stop();
    }

    // Runs the program on `host` until its first cycle has ended; returns the log, then the
    // readout as the last line.
    QStringList Run(const QString& host, bool preferIPv6)
    {
        const QString config = Dir.filePath("config");
        QDir(config + "/ZmPing2").removeRecursively();
        QDir().mkpath(config + "/ZmPing2");
        WriteFile(config + "/ZmPing2/registry.reg",
                  QByteArray("Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\Software\\ZmPing2\\Options]\n"
                             "\"PreferIPv6\"=\"") +
                      (preferIPv6 ? "1" : "0") + "\"\n\n");
        WriteStoredSettings(config, {{"HostEdit_Text", host}});
        std::vector<std::string> env{
            "DISPLAY=" + X->Display().toStdString(), "QT_QPA_PLATFORM=xcb",
            "XDG_CONFIG_HOME=" + config.toStdString(), "ZMPING2_SOUND_PLAYER=/bin/true",
            "ZMPING2_INSTANCE_KEY=zmping2-e2e6-" + std::to_string(getpid())};
        for (const std::string& e : A11y->Env())
            env.push_back(e);
        App = Ns->Spawn(
            {"/usr/bin/unshare", "-m", "/bin/sh", "-c",
             "mount --bind '" + Dir.filePath("hosts").toStdString() + "' /etc/hosts && exec \"$0\"",
             kProgram.toStdString()},
            env, false);
        ProgramView shown = ReadFirstCycle(*A11y, X->Display());
        App.Stop();
        return shown.Log << shown.Readout;
    }

    QTemporaryDir Dir;
    std::unique_ptr<XServer> X;
    std::unique_ptr<AccessibilityBus> A11y;
    std::unique_ptr<NetNamespace> Ns;
    ChildProcess Responder, App;
};

} // namespace

TEST_F(Ipv6EndToEnd, DualStackNameIsPingedOnIPv4UnlessIPv6IsPreferred)
{
    QStringList shown = Run("zm-dual.test", false);
    ASSERT_GE(shown.size(), 4) << shown.join('\n').toStdString();
    EXPECT_EQ(shown[1], "Host 'zm-dual.test' is 127.0.0.1");
    EXPECT_TRUE(shown[shown.size() - 2].startsWith("Received 32 bytes from 127.0.0.1 in "));

    shown = Run("zm-dual.test", true);
    ASSERT_GE(shown.size(), 4) << shown.join('\n').toStdString();
    EXPECT_EQ(shown[1], "Host 'zm-dual.test' is 2001:db8:5a::2");
    EXPECT_EQ(shown[2], "Sending 32 bytes to 2001:db8:5a::2 (2001:db8:5a::2)");
    EXPECT_TRUE(shown[shown.size() - 2].startsWith("Received 32 bytes from 2001:db8:5a::2 in "))
        << shown.join('\n').toStdString();
}

// A name with only an IPv6 address is pinged there, and the readout shows the time.
TEST_F(Ipv6EndToEnd, IPv6OnlyNameShowsItsTimeOnTheReadout)
{
    const QStringList shown = Run("zm-six.test", false);
    ASSERT_GE(shown.size(), 4) << shown.join('\n').toStdString();
    EXPECT_EQ(shown[1], "Host 'zm-six.test' is 2001:db8:5a::2");
    EXPECT_TRUE(shown[shown.size() - 2].startsWith("Received 32 bytes from 2001:db8:5a::2 in "))
        << shown.join('\n').toStdString();
    const QString readout = shown.last();
    ASSERT_TRUE(readout.endsWith(" ms")) << readout.toStdString();
    EXPECT_GE(readout.section(' ', 0, 0).toInt(), 150);
    EXPECT_LE(readout.section(' ', 0, 0).toInt(), 165); // a busy machine's scheduling
}

// A malformed literal and an unknown zone say so in the log, then fail as an unknown host.
TEST_F(Ipv6EndToEnd, BadLiteralsSayWhyInTheLog)
{
    EXPECT_EQ(Run("[2001:db8::5a::2]", false),
              (QStringList{"Resolving host '[2001:db8::5a::2]'",
                           "Malformed IPv6 address '[2001:db8::5a::2]'",
                           "Unknown Host '[2001:db8::5a::2]'", "Host yok"}));
    EXPECT_EQ(Run("fe80::1%zm9", false),
              (QStringList{"Resolving host 'fe80::1%zm9'",
                           "No network interface for the zone of 'fe80::1%zm9'",
                           "Unknown Host 'fe80::1%zm9'", "Host yok"}));
}
