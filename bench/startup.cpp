// Start-up, memory and idle cost of the monitor, side by side with the floor for any Qt
// Widgets program here (bin/zm_qt_floor: one empty window):
//   startup_first_paint  time from starting the process to the main window's first frame on the
//                        X server (bench/support/FirstFrame.h), on
//                        a day like any other: the settings are there from an earlier start
//                        (median of ZM_BENCH_STARTS starts of each, default 21, alternating)
//   startup_first_run_paint  the same for the very first start, which creates the settings
//                        (only the host is stored before it)
//   rss_after_cycle      resident memory once the first ping cycle has ended
//   cpu_auto_ping        CPU time over a run of automatic pinging at a 1 s interval to
//                        127.0.0.1, as a share of one core (ZM_BENCH_SECONDS, default 60)
//   cpu_auto_ping_hidden the same with the window hidden in a tray (trayer)
// Each figure is printed with its ratio to the floor's. Both programs draw on an X server of
// the benchmark's own (Xvfb); the first cycle's end is read from the monitor's status channel.
#include "support/FirstFrame.h"
#include "support/ProcStatus.h"
#include "support/XvfbDisplay.h"
#include "tests/support/StoredSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

QString BinDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
}

class Program {
public:
    // stored: settings stored in the program's own configuration folder before it starts.
    Program(const QString& exe, const XvfbDisplay& display, const QStringList& extraEnv,
            const TStoredSettings& stored = {}, const QStringList& args = {})
    {
        if (!stored.isEmpty())
            WriteStoredSettings(FConfig.path(), stored);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display.Name);
        env.remove("DBUS_SESSION_BUS_ADDRESS"); // no desktop's tray or accessibility bus
        env.insert("XDG_CONFIG_HOME", FConfig.path());
        env.insert("ZMPING2_INSTANCE_KEY",
                   QStringLiteral("zmping2-bench-%1-%2").arg(getpid()).arg(++Serial));
        for (const QString& kv : extraEnv)
            env.insert(kv.section('=', 0, 0), kv.section('=', 1));
        FEnv = env;
        FExe = exe;
        FFrame = std::make_unique<FirstFrame>(display.Name);
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.setStandardOutputFile(QProcess::nullDevice());
        FProcess.setStandardErrorFile(QProcess::nullDevice());
        FClock.start();
        FProcess.start(exe, args);
    }
    ~Program()
    {
        FProcess.kill();
        FProcess.waitForFinished(3000);
    }
    // Milliseconds from the start to the first frame; -1 if it never came.
    double WaitFirstPaint() { return FFrame->Ok() ? FFrame->Wait(FClock) : -1; }
    // What the monitor's status channel says now ("ZmPing2 --status").
    QByteArray Status() const
    {
        QProcess p;
        p.setProcessEnvironment(FEnv);
        p.start(FExe, {"--status"});
        p.waitForFinished(5000);
        return p.readAllStandardOutput();
    }
    pid_t Pid() const { return pid_t(FProcess.processId()); }
    QString Config() const { return FConfig.path(); }
    static inline int Serial = 0;

private:
    QTemporaryDir FConfig;
    QProcessEnvironment FEnv;
    QString FExe;
    std::unique_ptr<FirstFrame> FFrame;
    QProcess FProcess;
    QElapsedTimer FClock;
};

// User + system CPU seconds of a process.
double CpuSeconds(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray all = f.readAll();
    const QList<QByteArray> fields = all.mid(all.lastIndexOf(')') + 2).split(' ');
    // Fields after the command: state is index 0, utime 11, stime 12.
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// The status line shows a round trip once the first cycle has had its reply.
bool CycleEnded(const QByteArray& status)
{
    return status.contains("\"rtt_ms\":") && !status.contains("\"rtt_ms\":null");
}

// The q-quantile (0.5: the median) of the samples, by the nearest rank.
double Quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

void Print(const char* name, double value, const char* unit, double floor)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::printf("%s_floor %.3f %s\n", name, floor, unit);
    if (floor > 0)
        std::printf("%s_ratio %.2f x\n", name, value / floor);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString monitor = BinDir() + QStringLiteral("/ZmPing2");
    const QString floor = BinDir() + QStringLiteral("/zm_qt_floor");
    if (!QFileInfo(monitor).isExecutable() || !QFileInfo(floor).isExecutable()) {
        std::fprintf(stderr, "build ZmPing2 and zm_qt_floor first (%s)\n", qPrintable(BinDir()));
        return 1;
    }
    XvfbDisplay display;
    if (display.Name.isEmpty()) {
        std::fprintf(stderr, "needs Xvfb (scripts/setup installs it) to see the first frames\n");
        return 1;
    }
    std::printf("# display %s\n", qPrintable(display.Name));

    // Start-up to first paint, alternating the programs. The regular starts share settings
    // made by one start before them (not timed).
    QTemporaryDir regular;
    const TStoredSettings hostOnLoopback{{"HostEdit_Text", "127.0.0.1"}};
    WriteStoredSettings(regular.path(), hostOnLoopback);
    const QString regularConfig = "XDG_CONFIG_HOME=" + regular.path();
    {
        Program p(monitor, display, {regularConfig});
        p.WaitFirstPaint();
    }
    std::vector<double> tMonitor, tFirstRun, tFloor;
    const int starts = qEnvironmentVariableIsSet("ZM_BENCH_STARTS")
                           ? std::max(1, qEnvironmentVariableIntValue("ZM_BENCH_STARTS"))
                           : 21;
    for (int i = 0; i < starts; ++i) {
        {
            Program p(floor, display, {});
            tFloor.push_back(p.WaitFirstPaint());
        }
        {
            // Host on the loopback: the first cycle needs no resolver.
            Program p(monitor, display, {regularConfig});
            tMonitor.push_back(p.WaitFirstPaint());
        }
        {
            // A configuration folder of its own, with nothing stored but the host.
            Program p(monitor, display, {}, hostOnLoopback);
            tFirstRun.push_back(p.WaitFirstPaint());
        }
    }
    auto quartiles = [](const char* name, const std::vector<double>& t) {
        std::printf(" %s %.1f/%.1f/%.1f", name, Quantile(t, 0.25), Quantile(t, 0.5),
                    Quantile(t, 0.75));
    };
    std::printf("# first paint over %d starts each, quartiles in ms:", starts);
    quartiles("monitor", tMonitor);
    quartiles("first-run", tFirstRun);
    quartiles("floor", tFloor);
    std::printf("\n");
    if (qEnvironmentVariableIsSet("ZM_BENCH_RAW")) {
        for (size_t i = 0; i < tMonitor.size(); ++i)
            std::printf("# start %zu: monitor %.1f ms, first run %.1f ms, floor %.1f ms\n", i,
                        tMonitor[i], tFirstRun[i], tFloor[i]);
    }
    Print("startup_first_paint", Quantile(tMonitor, 0.5), "ms", Quantile(tFloor, 0.5));
    Print("startup_first_run_paint", Quantile(tFirstRun, 0.5), "ms", Quantile(tFloor, 0.5));

    // Memory after one cycle, and CPU over a run of automatic pinging, both side by side.
    Program mon(monitor, display, {"ZMPING2_SOUND_PLAYER=true"},
                {{"HostEdit_Text", "127.0.0.1"},
                 {"SpinEdit1_Value", "1"},
                 {"CheckBoxPing_Checked", "True"}});
    Program flo(floor, display, {});
    mon.WaitFirstPaint();
    flo.WaitFirstPaint();
    for (int i = 0; i < 200 && !CycleEnded(mon.Status()); ++i)
        QThread::msleep(25);
    QThread::msleep(300);
    Print("rss_after_cycle", RssKb(mon.Pid()) / 1024.0, "MiB", RssKb(flo.Pid()) / 1024.0);

    const int seconds = qEnvironmentVariableIsSet("ZM_BENCH_SECONDS")
                            ? qEnvironmentVariableIntValue("ZM_BENCH_SECONDS")
                            : 60;
    const double m0 = CpuSeconds(mon.Pid()), f0 = CpuSeconds(flo.Pid());
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(seconds);
    const double w = wall.nsecsElapsed() / 1e9;
    const double m = (CpuSeconds(mon.Pid()) - m0) / w * 100,
                 f = (CpuSeconds(flo.Pid()) - f0) / w * 100;
    Print("cpu_auto_ping", m, "%core", f);

    // The same with the window hidden in the notification area of a tray on the display.
    double hidden = -1;
    if (!QStandardPaths::findExecutable("trayer").isEmpty()) {
        QProcess tray;
        QProcessEnvironment trayEnv = QProcessEnvironment::systemEnvironment();
        trayEnv.insert("DISPLAY", display.Name);
        tray.setProcessEnvironment(trayEnv);
        tray.start("trayer", {"--edge", "top", "--align", "right", "--SetDockType", "false"});
        tray.waitForStarted(5000);
        QThread::msleep(1000);
        Program hid(monitor, display, {"ZMPING2_SOUND_PLAYER=true"},
                    {{"HostEdit_Text", "127.0.0.1"},
                     {"SpinEdit1_Value", "1"},
                     {"CheckBoxPing_Checked", "True"}},
                    {"--hidden"});
        for (int i = 0; i < 400 && !CycleEnded(hid.Status()); ++i)
            QThread::msleep(25);
        const double h0 = CpuSeconds(hid.Pid());
        QElapsedTimer hw;
        hw.start();
        QThread::sleep(seconds);
        hidden = (CpuSeconds(hid.Pid()) - h0) / (hw.nsecsElapsed() / 1e9) * 100;
        tray.terminate();
        tray.waitForFinished(3000);
    }
    std::printf("cpu_auto_ping_hidden %.3f %%core\n", hidden);
    // Targets, one a line, checked by scripts/bench against the figures above.
    std::printf("target startup_first_paint_ratio <= 1.15\n"
                "target startup_first_run_paint_ratio <= 1.5\n"
                "target rss_after_cycle_ratio <= 1.15\n"
                "target cpu_auto_ping <= 0.05\n"
                "target cpu_auto_ping_hidden <= 0.02\n");
    return 0;
}
