// The history on a month of one-second samples: 30 day files (about 2.6 million lines, with an
// outage every evening, a night-time stop of the program and automatic pinging off at noon)
// are written to a temporary folder, then measured beside the reference of reading the same
// files once with a plain buffered line reader:
//   - the first summary build of the 30 days (cold), and opening the history window's 30-day
//     view with the summaries present (warm);
//   - one zoom or pan step of the window's graph (the columns rebuilt and the graph drawn);
//   - resident memory added by the open window with the month loaded;
//   - what recording one sample costs the monitoring cycle.
#include "app/HistoryForm.h"
#include "monitor/HistoryFile.h"
#include "monitor/HistoryTimeline.h"
#include "monitor/SampleHub.h"
#include "monitor/SampleRecorder.h"
#include "monitor/SummaryStore.h"
#include "support/ProcStatus.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Monitor;

namespace {

constexpr int kDays = 30;

// One day of one-second samples of 192.0.2.1 (a documentation address; nothing is sent).
qint64 WriteDay(const QString& folder, const QDate& day, unsigned& seed)
{
    const QDateTime start = day.startOfDay();
    const int offset = start.offsetFromUtc() / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                  std::abs(offset) % 60);
    const QByteArray date = day.toString(Qt::ISODate).toLatin1();
    QByteArray text = HistoryHeader();
    text.reserve(90 * 86400);
    char line[160];
    auto event = [&](int s, const char* name, const char* what) {
        const int n = std::snprintf(
            line, sizeof line, "%sT%02d:%02d:%02d.000%s,provider.example,,%s,,0,%s\r\n",
            date.constData(), s / 3600, s / 60 % 60, s % 60, zone, name, what);
        text.append(line, n);
    };
    for (int s = 0; s < 86400; ++s) {
        if (s == 3 * 3600)
            event(s, "end", "Program ended");
        if (s >= 3 * 3600 && s < 4 * 3600)
            continue; // the program was not running
        if (s == 4 * 3600)
            event(s, "start", "Program started");
        if (s == 12 * 3600)
            event(s, "auto ping off", "Automatic pinging off");
        if (s >= 12 * 3600 && s < 12 * 3600 + 1800)
            continue;
        if (s == 12 * 3600 + 1800)
            event(s, "auto ping on", "Automatic pinging on");
        seed = seed * 1103515245u + 12345u;
        const bool outage = s >= 20 * 3600 && s < 20 * 3600 + 600;
        const bool lost = outage || (seed >> 16) % 200 == 0;
        const double rtt = 12.0 + double((seed >> 8) % 4000) / 100.0;
        const int n =
            lost
                ? std::snprintf(line, sizeof line,
                                "%sT%02d:%02d:%02d.%03d%s,provider.example,192.0.2.1,lost,,11010,"
                                "Request timed out\r\n",
                                date.constData(), s / 3600, s / 60 % 60, s % 60, int(seed % 1000),
                                zone)
                : std::snprintf(
                      line, sizeof line,
                      "%sT%02d:%02d:%02d.%03d%s,provider.example,192.0.2.1,good,%.3f,0,Success\r\n",
                      date.constData(), s / 3600, s / 60 % 60, s % 60, int(seed % 1000), zone, rtt);
        text.append(line, n);
    }
    QFile f(folder + QLatin1Char('/') + HistoryFileName(day));
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return -1;
    return text.size();
}

// The reference: every line of every file through a plain buffered reader.
qint64 ReadPlain(const QString& folder, qint64& lines)
{
    lines = 0;
    std::vector<char> buf(1 << 16);
    for (const QString& name : QDir(folder).entryList({"*.csv"}, QDir::Files)) {
        std::FILE* f = std::fopen(QFile::encodeName(folder + "/" + name).constData(), "r");
        if (!f)
            return -1;
        while (std::fgets(buf.data(), int(buf.size()), f))
            ++lines;
        std::fclose(f);
    }
    return lines;
}

double Median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir config, dir(QDir::tempPath() + "/zmping2-bench-history-XXXXXX");
    if (!dir.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString folder = dir.filePath("history"), storePath = dir.filePath("history.sqlite");
    QDir().mkpath(folder);
    unsigned seed = 7;
    qint64 bytes = 0;
    const QDate today = QDate::currentDate();
    for (int d = kDays - 1; d >= 0; --d) {
        const qint64 n = WriteDay(folder, today.addDays(-d), seed);
        if (n < 0)
            return 1;
        bytes += n;
    }
    // Every figure is read from files in the page cache: the first pass reads them in.
    qint64 lines = 0;
    ReadPlain(folder, lines);
    QElapsedTimer t;
    t.start();
    ReadPlain(folder, lines);
    const double reference = double(t.nsecsElapsed()) / 1e6;
    std::printf("history_files %d days\n", kDays);
    std::printf("history_lines %lld lines\n", lines);
    std::printf("history_bytes %.1f MB\n", double(bytes) / 1e6);
    std::printf("reference_plain_line_reader %.1f ms\n", reference);

    double cold = 0;
    {
        TSummaryStore store(storePath);
        t.start();
        const TRefreshResult r = store.Refresh(folder);
        cold = double(t.nsecsElapsed()) / 1e6;
        if (!r.Error.isEmpty() || r.Summarised != kDays) {
            std::fprintf(stderr, "bench_history: %s\n", qPrintable(r.Error));
            return 1;
        }
    }
    std::printf("summary_build_cold %.1f ms\n", cold);
    std::printf("summary_build_cold_ratio %.2f x\n", cold / reference);
    std::printf("summary_store_size %.1f MB\n", double(QFileInfo(storePath).size()) / 1e6);

    // Warm: the window opened on the store as it is, until the 30-day view is drawn.
    const long before = RssKb(getpid());
    THistoryF window(
        nullptr,
        [] {
            return THistoryF::TSettings{200, 700, "provider.example"};
        },
        Qt::Window, folder, storePath);
    window.resize(1100, 560);
    QEventLoop loop;
    QObject::connect(&window, &THistoryF::Loaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    t.start();
    window.show();
    window.RangeBox->setCurrentIndex(3);
    loop.exec();
    QImage canvas(window.Graph->size(), QImage::Format_RGB32);
    window.Graph->render(&canvas);
    const double warm = double(t.nsecsElapsed()) / 1e6;
    std::printf("open_30_day_view_warm %.1f ms\n", warm);
    std::printf("open_30_day_view_warm_ratio %.2f x\n", warm / reference);
    const long after = RssKb(getpid());
    std::printf("window_resident_memory_added %.1f MB\n", double(after - before) / 1024.0);

    std::vector<double> steps, columns;
    for (int i = 0; i < 40; ++i) {
        t.start();
        if (i % 2 == 0)
            window.Graph->Zoom(i % 4 == 0 ? 0.8 : 1.25, window.Graph->width() / 2);
        else
            window.Graph->Pan(i % 4 == 1 ? 0.1 : -0.1);
        columns.push_back(double(t.nsecsElapsed()) / 1e6);
        window.Graph->render(&canvas);
        steps.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("graph_width %d px\n", window.Graph->width());
    std::printf("graph_zoom_or_pan_columns_and_totals_median %.2f ms\n", Median(columns));
    std::printf("graph_zoom_or_pan_step_median %.2f ms\n", Median(steps));
    std::printf("graph_zoom_or_pan_step_max %.2f ms\n",
                *std::max_element(steps.begin(), steps.end()));

    // The cycle's cost of recording a sample, with the recorder listening.
    {
        TSampleHub hub;
        auto* recorder = new TSampleRecorder(&hub, dir.filePath("recorded"));
        std::vector<double> costs;
        for (int i = 0; i < 2000; ++i) {
            TSample s;
            s.Time = QDateTime::currentDateTime();
            s.Host = QStringLiteral("provider.example");
            s.Address = QStringLiteral("192.0.2.1");
            s.Outcome = TOutcome::Good;
            s.RoundTripUs = 12000 + i % 100;
            s.StatusText = QStringLiteral("Success");
            t.start();
            hub.Add(s);
            costs.push_back(double(t.nsecsElapsed()) / 1e3);
            if (i % 100 == 0)
                recorder->Flush();
        }
        recorder->Flush();
        std::printf("record_sample_on_cycle_median %.2f us\n", Median(costs));
    }
    std::printf("target summary_build_cold <= 3000\n");
    std::printf("target open_30_day_view_warm <= 150\n");
    std::printf("target graph_zoom_or_pan_step_median <= 16\n");
    std::printf("target window_resident_memory_added <= 40\n");
    std::printf("target record_sample_on_cycle_median < 50\n");
    return 0;
}
