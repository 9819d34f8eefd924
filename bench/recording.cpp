// Cost of putting a sample on disk: what the monitoring cycle itself pays when the recorder
// listens to the hub (it only hands the sample over; the files are written on the recorder's
// thread), also while that thread is busy writing, and the whole write of one sample (the history
// line appended and the metrics file replaced), each as the median over many samples; next to the
// reference of one bare write() of a history line to an open file. The files go to a temporary
// folder, or inside the folder given as the first argument (to measure another file system).
#include "monitor/HistoryFile.h"
#include "monitor/SampleHub.h"
#include "monitor/SampleRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace Monitor;

namespace {

constexpr int kSamples = 3000;

double MedianUs(std::vector<qint64>& ns)
{
    std::nth_element(ns.begin(), ns.begin() + long(ns.size() / 2), ns.end());
    return double(ns[ns.size() / 2]) / 1000.0;
}

TSample Sample(int i)
{
    TSample s;
    s.Time = QDateTime::currentDateTime();
    s.Host = QStringLiteral("localhost");
    s.Address = QStringLiteral("127.0.0.1");
    const bool lost = i % 20 == 0;
    s.Outcome = lost ? TOutcome::Lost : TOutcome::Good;
    s.RoundTripUs = lost ? -1 : 12000.0 + (i * 7919) % 48000;
    s.StatusCode = lost ? 11010 : 0;
    s.StatusText = lost ? QStringLiteral("Request timed out") : QStringLiteral("No error");
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir config; // the hub's options; never the user's own
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QTemporaryDir files(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/zmping2-bench-XXXXXX"
                                 : QDir::tempPath() + "/zmping2-bench-XXXXXX");
    if (!files.isValid()) {
        std::fprintf(stderr, "bench_recording: cannot make a folder for the files\n");
        return 1;
    }

    TSampleHub hub;
    hub.SetMetricsFile(files.filePath("zmping2.prom"));
    auto* recorder = new TSampleRecorder(&hub, files.filePath("history"));
    QElapsedTimer t;
    std::vector<qint64> onCycle, whole;
    for (int i = 0; i < kSamples; ++i) {
        const TSample s = Sample(i);
        t.start();
        hub.Add(s);
        onCycle.push_back(t.nsecsElapsed());
        recorder->Flush();
        whole.push_back(t.nsecsElapsed());
    }

    // Back to back while the thread is still writing: the cycle never waits for the disk.
    std::vector<qint64> busy;
    for (int i = 0; i < kSamples; ++i) {
        const TSample s = Sample(i);
        t.start();
        hub.Add(s);
        busy.push_back(t.nsecsElapsed());
    }
    recorder->Flush();
    std::sort(busy.begin(), busy.end());
    const double busyP99 = double(busy[busy.size() * 99 / 100]) / 1000.0;
    const double busyMax = double(busy.back()) / 1000.0;

    TSampleHub bare;
    std::vector<qint64> hubOnly;
    for (int i = 0; i < kSamples; ++i) {
        const TSample s = Sample(i);
        t.start();
        bare.Add(s);
        hubOnly.push_back(t.nsecsElapsed());
    }

    const QByteArray line = HistoryLine(Sample(1));
    const int fd = ::open(QFile::encodeName(files.filePath("reference.csv")).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    std::vector<qint64> reference;
    for (int i = 0; i < kSamples; ++i) {
        t.start();
        if (::write(fd, line.constData(), size_t(line.size())) != line.size())
            return 1;
        reference.push_back(t.nsecsElapsed());
    }
    ::close(fd);

    const double cycle = MedianUs(onCycle), write = MedianUs(whole), floor = MedianUs(reference);
    std::printf("record_sample_on_cycle_median %.2f us\n", cycle);
    std::printf("record_sample_on_cycle_while_writing_median %.2f us\n", MedianUs(busy));
    std::printf("record_sample_on_cycle_while_writing_p99 %.2f us\n", busyP99);
    std::printf("record_sample_on_cycle_while_writing_max %.2f us\n", busyMax);
    std::printf("sample_hub_add_without_recorder_median %.2f us\n", MedianUs(hubOnly));
    std::printf("record_sample_written_median %.2f us\n", write);
    std::printf("reference_write_one_line_median %.2f us\n", floor);
    std::printf("record_sample_written_ratio %.1f x\n", write / floor);
    std::printf("target record_sample_written_median < 1000\n");
    std::printf("target record_sample_on_cycle_median < 1000\n");
    return 0;
}
