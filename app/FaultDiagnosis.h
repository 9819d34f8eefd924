#pragma once
// Runs the hop prober beside the main cycle and turns its records into the fault verdict: by
// itself, three rounds, when the line goes down (and again while it stays down); round after round
// while the diagnosis window asks for it. Nothing is sent while the line is up and no window asks.
// The probing runs on a thread of its own, with sockets of its own, so the cycle's timing never
// waits for it; results come back through the event loop. The verdict goes to the sample hub
// (--status, metrics, history, the "down" notification and the tray's tool tip read it there).
#include "monitor/FaultVerdict.h"
#include "net/HopProber.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>
#include <thread>

namespace Monitor {
class TSampleHub;
}

class TFaultDiagnosis : public QObject {
    Q_OBJECT
public:
    // How long the "down" notification waits for the verdict.
    static constexpr int kNoticeWaitMs = 8000;
    // How often a line that stays down is diagnosed again.
    static constexpr int kRepeatMs = 5 * 60 * 1000;

    explicit TFaultDiagnosis(Monitor::TSampleHub* hub, QObject* parent = nullptr);
    ~TFaultDiagnosis() override;

    // Live probing for the window (until StopLive), or three rounds for an automatic diagnosis.
    void StartLive();
    void StopLive();
    bool Running() const { return FWorker.joinable() && !FFinished; }
    bool Live() const { return FLive; }

    // The records of the run under way or the last one, and its verdict.
    const PathRecords& Records() const { return FRecords; }
    const Monitor::TFaultVerdict& Verdict() const { return FVerdict; }
    // The host the run probes (as the user gave it) and its address.
    const QString& Host() const { return FHost; }

    HopProber::Settings Settings; // tests and the benchmark may shorten it

signals:
    // New records (after each round) and a new verdict.
    void Updated();
    // A run ended.
    void Finished();

private:
    void OnSample();
    void Start(bool live);
    void Stop();
    void Take(const PathRecords& records, bool final, bool nameGiven);

    QPointer<Monitor::TSampleHub> FHub;
    std::thread FWorker;
    std::shared_ptr<std::atomic<bool>> FStop;
    bool FFinished = true;
    bool FLive = false;
    bool FWasDown = false;
    bool FDownAnswered = false; // whether the host still answered when the last run started
    QElapsedTimer FLastStart;   // of the last automatic run
    int FRun = 0;
    QString FHost;
    HostAddress FKnownAddress; // the host's address as the cycle last resolved it
    QString FKnownFor;         // the host text it belongs to
    int FKnownHops = 0;
    int FNameError = 0; // of the cycle's last lookup (WinSock code), 0 resolved
    PathRecords FRecords;
    Monitor::TFaultVerdict FVerdict;
};
