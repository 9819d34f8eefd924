#include "monitor/SampleRecorder.h"

#include <QCoreApplication>

#include "monitor/DesktopNotifier.h"
#include "monitor/SampleHub.h"

#include <QPointer>
#include <cmath>
#include <cstdio>

namespace Monitor {

TSampleRecorder::TSampleRecorder(TSampleHub* hub, const QString& historyFolder)
    : QObject(hub), FHub(hub), FHistory(historyFolder)
{
    OnFailure = [](const QString& why) {
        std::fprintf(stderr, "ZmPing2: %s\n", why.toLocal8Bit().constData());
        NotifyDesktop(
            QStringLiteral("ZmPing2"),
            QCoreApplication::translate("Monitor", "Kayıt dosyası yazılamıyor: %1").arg(why),
            TUrgency::Normal);
    };
    FThread = std::thread([this] { Run(); });
    hub->Listen([this](const TSample& s) { Record(s); });
    hub->ListenEvents([this](const THistoryEvent& e) {
        Enqueue(e.Time.date(), HistoryEventLine(e));
        FWake.notify_one();
    });
}

TSampleRecorder::~TSampleRecorder()
{
    {
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_one();
    FThread.join();
}

void TSampleRecorder::Record(const TSample& sample)
{
    FMetrics.Add(sample, !FHub->Alert().Down(), FHub->Mos().value_or(NAN));
    Enqueue(sample.Time.date(), HistoryLine(sample));
    const QString metricsPath = FHub->Options().MetricsFile;
    if (!metricsPath.isEmpty()) {
        std::lock_guard lock(FMutex);
        FMetricsJob = TMetricsJob{metricsPath, FMetrics};
    }
    FWake.notify_one();
}

void TSampleRecorder::Enqueue(const QDate& day, QByteArray text)
{
    TLine line{day, std::move(text), FHub->Options().HistoryDays};
    bool dropped = false;
    {
        std::lock_guard lock(FMutex);
        if (FLines.size() < kMaxWaiting) {
            FLines.push_back(std::move(line));
            FDropReported = false;
        } else if (!FDropReported) {
            dropped = FDropReported = true;
        }
    }
    if (dropped && OnFailure)
        OnFailure(QStringLiteral("history files: the disk does not keep up; samples are lost"));
}

void TSampleRecorder::Flush()
{
    std::unique_lock lock(FMutex);
    FIdle.wait(lock, [this] { return FLines.empty() && !FMetricsJob && !FBusy; });
}

void TSampleRecorder::Run()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || !FLines.empty() || FMetricsJob; });
        if (FLines.empty() && !FMetricsJob)
            return; // stopping, and nothing is left
        std::deque<TLine> lines;
        lines.swap(FLines);
        std::optional<TMetricsJob> metrics;
        metrics.swap(FMetricsJob);
        FBusy = true;
        lock.unlock();
        for (const TLine& line : lines) {
            if (line.Day != FCleanedDay) {
                FHistory.RemoveOld(line.Day, line.KeepDays);
                FCleanedDay = line.Day;
            }
            Report(FHistoryFailing, FHistory.Append(line.Day, line.Text));
        }
        if (metrics)
            Report(FMetricsFailing, ReplaceFile(metrics->Path, metrics->Metrics.Text()));
        // Freed before the lock is taken again, so that the cycle never waits for it.
        lines.clear();
        metrics.reset();
        lock.lock();
        FBusy = false;
        FIdle.notify_all();
    }
}

void TSampleRecorder::Report(bool& failing, const QString& why)
{
    const bool wasFailing = failing;
    failing = !why.isEmpty();
    if (!failing || wasFailing)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, why] {
            if (OnFailure)
                OnFailure(why);
        },
        Qt::QueuedConnection);
}

} // namespace Monitor
