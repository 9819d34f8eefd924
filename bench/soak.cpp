// Soak: the real program pinging automatically at its shortest interval (1 s) for a few
// minutes, against the project's echo responder answering after 3 ms in a network namespace of
// the benchmark's own, with a tray host (trayer) on an X server of its own. Prints
//   soak_cycles                        cycles measured (after the settling time)
//   soak_rss_start / soak_rss_end      resident memory once settled, and at the end
//   soak_rss_growth_per_1000_cycles    (end - start) / cycles x 1000, target under 256 KB
//   soak_fds_start / soak_fds_end      open descriptors, which must not change
//   soak_threads_start / soak_threads_end   threads, which must not change
// ZM_BENCH_SETTLE (default 30) and ZM_BENCH_SECONDS (default 180) set the two spans in seconds.
// Needs root (for the namespace), unshare, ip, Xvfb and trayer.
#include "support/ProcStatus.h"
#include "support/XvfbDisplay.h"
#include "tests/support/StoredSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int Seconds(const char* name, int fallback)
{
    return qEnvironmentVariableIsSet(name) ? std::max(1, qEnvironmentVariableIntValue(name))
                                           : fallback;
}

// Requests the responder answered so far: one per cycle.
int Cycles(const QString& responderLog)
{
    QFile f(responderLog);
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("-> reply")) : 0;
}

// What the program holds at one moment, and how many cycles it has run.
struct Sample {
    long Rss;
    qsizetype Fds, Threads;
    int Cycles;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString monitor = dir + QStringLiteral("/../bin/ZmPing2");
    const QString responder = dir + QStringLiteral("/../tests/tools/echo_responder");
    if (!QFileInfo(monitor).isExecutable() || !QFileInfo(responder).isExecutable()) {
        std::fprintf(stderr, "build ZmPing2 and echo_responder first (%s)\n", qPrintable(dir));
        return 1;
    }
    if (::geteuid() != 0 || QStandardPaths::findExecutable("trayer").isEmpty()) {
        // Not a failure of the program: this machine cannot run the benchmark.
        std::printf("# skipped: needs root (a network namespace) and trayer (a tray host)\n");
        return 0;
    }
    const int settle = Seconds("ZM_BENCH_SETTLE", 30);
    const int seconds = Seconds("ZM_BENCH_SECONDS", 180);
    XvfbDisplay display;
    if (display.Name.isEmpty()) {
        std::printf("# skipped: no Xvfb\n");
        return 0;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display.Name);
    env.remove("DBUS_SESSION_BUS_ADDRESS"); // the XEmbed tray of the benchmark's own display
    QProcess tray;
    tray.setProcessEnvironment(env);
    tray.start("trayer", {"--edge", "top", "--align", "right", "--SetDockType", "false"});
    tray.waitForStarted(5000);

    QTemporaryDir work;
    const QString log = work.filePath("responder.log");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_CONFIG_HOME", work.path());
    env.insert("ZMPING2_SOUND_PLAYER", "true");
    env.insert("ZMPING2_INSTANCE_KEY", QStringLiteral("zmping2-soak-%1").arg(getpid()));
    WriteStoredSettings(work.path(), {{"HostEdit_Text", "127.0.0.1"},
                                      {"SpinEdit1_Value", "1"},
                                      {"CheckBoxPing_Checked", "True"}});
    QProcess program;
    program.setProcessEnvironment(env);
    program.setStandardErrorFile(QProcess::nullDevice());
    // Should the benchmark itself end early, the namespace goes with it.
    program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // A namespace with loopback only, where the responder (not the kernel) answers. The
    // program is the first process of a process namespace of its own: when it ends, the kernel
    // ends the responder with it, and unshare ends it when unshare itself is ended.
    program.start("unshare",
                  {"--net", "--pid", "--fork", "--kill-child=SIGTERM", "/bin/sh", "-c",
                   "ip link set lo up && echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all && "
                   "echo '0 2147483647' > /proc/sys/net/ipv4/ping_group_range || exit 1; "
                   "\"$0\" --delay-ms 3 > \"$1\" & sleep 0.3; exec \"$2\"",
                   responder, log, monitor});
    if (!program.waitForStarted(5000)) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    // The shell that starts the program in the namespace replaces itself with it: the program
    // is unshare's only child.
    pid_t pid = -1;
    for (int i = 0; i < 100 && pid <= 0; ++i) {
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(program.processId()));
        if (children.open(QIODevice::ReadOnly))
            pid = pid_t(children.readAll().trimmed().split(' ').value(0).toInt());
        if (pid <= 0)
            QThread::msleep(50);
    }
    auto sample = [&] {
        return Sample{RssKb(pid), ProcEntries(pid, "fd"), ProcEntries(pid, "task"), Cycles(log)};
    };
    program.waitForFinished(settle * 1000);
    const Sample start = sample();
    program.waitForFinished(seconds * 1000);
    const Sample end = sample();
    const bool ran = program.state() == QProcess::Running && start.Rss > 0 && end.Rss > 0;
    program.terminate();
    program.waitForFinished(10000);
    tray.terminate();
    tray.waitForFinished(3000);
    if (!ran || end.Cycles <= start.Cycles) {
        std::fprintf(stderr, "the program did not keep running and pinging\n");
        return 1;
    }
    const int cycles = end.Cycles - start.Cycles;
    const double growth = double(end.Rss - start.Rss) / cycles * 1000.0;
    std::printf("soak_cycles %d cycles\n", cycles);
    std::printf("soak_rss_start %ld KB\n", start.Rss);
    std::printf("soak_rss_end %ld KB\n", end.Rss);
    std::printf("soak_rss_growth_per_1000_cycles %.1f KB\n", growth);
    std::printf("soak_rss_growth_ratio_to_target %.2f x\n", growth / 256.0);
    std::printf("soak_fds_start %lld fds\n", static_cast<long long>(start.Fds));
    std::printf("soak_fds_end %lld fds\n", static_cast<long long>(end.Fds));
    std::printf("soak_threads_start %lld threads\n", static_cast<long long>(start.Threads));
    std::printf("soak_threads_end %lld threads\n", static_cast<long long>(end.Threads));
    std::printf("soak_fds_growth %lld fds\n", static_cast<long long>(end.Fds - start.Fds));
    std::printf("soak_threads_growth %lld threads\n",
                static_cast<long long>(end.Threads - start.Threads));
    std::printf("target soak_rss_growth_per_1000_cycles < 256\n");
    std::printf("target soak_fds_growth <= 0\n");
    std::printf("target soak_threads_growth <= 0\n");
    return 0;
}
