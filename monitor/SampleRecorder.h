#pragma once
// Puts every sample on disk: a line in the day's history file and, when the user set a metrics
// file, that file rewritten. The files are written on a thread of the recorder's own, so a slow
// or hanging disk never holds up the monitoring cycle; the cycle only hands the sample over.
// A write that fails is reported once (through OnFailure, on the user-interface thread) and
// again only after writes of that kind have worked in between; pinging goes on regardless.
#include "monitor/HistoryFile.h"
#include "monitor/MetricsFile.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace Monitor {

class TSampleHub;

class TSampleRecorder : public QObject {
    Q_OBJECT
public:
    // Lines waiting beyond this are dropped (and reported): a disk that hangs does not eat the
    // memory.
    static constexpr std::size_t kMaxWaiting = 10000;

    // Listens to hub from now on; history files go to historyFolder. Removes the history files
    // past the retention period now and at each new day.
    explicit TSampleRecorder(TSampleHub* hub, const QString& historyFolder = HistoryFolder());
    // Writes what is still waiting, then ends the thread.
    ~TSampleRecorder() override;

    // Returns once everything handed over so far is written.
    void Flush();

    // Default: an English line on standard error and a desktop notification.
    std::function<void(const QString& why)> OnFailure;

private:
    void Record(const TSample& sample);
    void Enqueue(const QDate& day, QByteArray text);
    void Run();
    void Report(bool& failing, const QString& why);

    TSampleHub* FHub;
    TMetrics FMetrics;
    THistoryFile FHistory;                                 // the thread's
    bool FHistoryFailing = false, FMetricsFailing = false; // the thread's

    struct TLine {
        QDate Day;
        QByteArray Text;
        int KeepDays;
    };
    struct TMetricsJob {
        QString Path;
        TMetrics Metrics;
    };
    std::mutex FMutex;
    std::condition_variable FWake, FIdle;
    std::deque<TLine> FLines;
    std::optional<TMetricsJob> FMetricsJob; // only the latest counts
    bool FBusy = false, FStop = false, FDropReported = false;
    QDate FCleanedDay; // the thread's
    std::thread FThread;
};

} // namespace Monitor
