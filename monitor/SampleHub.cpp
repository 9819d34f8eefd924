#include "monitor/SampleHub.h"

#include "monitor/DesktopNotifier.h"
#include "net/HostResolver.h"

#include <QElapsedTimer>
#include <QPointer>
#include <algorithm>

namespace Monitor {

TSampleHub::TSampleHub(QObject* parent) : QObject(parent), FOptions(TMonitorOptions::Load())
{
    FAlert.SetCounts(FOptions.DownAfter, FOptions.UpAfter);
    TQualityLimits limits;
    limits.Window = FOptions.QualityWindow;
    limits.JitterMs = FOptions.JitterLimitMs;
    limits.LossPercent = FOptions.LossLimitPercent;
    limits.HoldSeconds = FOptions.QualityHoldSeconds;
    FQuality.SetLimits(limits);
    Ticks = [] {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock.elapsed();
    };
    // A silence stored with a later end (a clock set back, an edited file) lasts an hour at most.
    const QDateTime latest = Now().addMSecs(kSilenceMs);
    if (FOptions.SilencedUntil.isValid() && FOptions.SilencedUntil > latest)
        FOptions.SilencedUntil = latest;
    FSilenceEnd.setSingleShot(true);
    connect(&FSilenceEnd, &QTimer::timeout, this, [this] {
        // A timer may fire a little early; look again until the silence is really over.
        if (AlarmSilenced())
            ArmSilenceEnd();
        else
            emit OptionsChanged();
    });
    ArmSilenceEnd();
    FDownNoticeTimer.setSingleShot(true);
    connect(&FDownNoticeTimer, &QTimer::timeout, this, [this] { SendDownNotice(); });
}

void TSampleHub::Add(const TSample& sample)
{
    if (sample.Outcome == TOutcome::UnknownHost && sample.StatusCode == WinSock::WSAEINTR)
        return;
    if (FLast.Time.isValid() && sample.Host != FLast.Host && FFault.Known()) {
        FFault = TFaultVerdict{};
        emit FaultChanged();
    }
    FLast = sample;
    FStatistics.Add(sample);
    const TLineEvent event = FAlert.Add(sample);
    if (event.Change == TLineChange::Down)
        FLastDown = event;
    if (event.Change == TLineChange::Up) {
        // The way back: a "down" notice still waiting for its verdict goes first, and the
        // verdict no longer holds.
        if (FPendingDown)
            SendDownNotice();
        if (FFault.Known() || FFault.Time.isValid()) {
            FFault = TFaultVerdict{};
            emit FaultChanged();
        }
    }
    TellLine(FGrace.Tell(sample, event.Change, FAlert.Down(), Ticks()), event);
    // An outage is the down rule's business: the quality starts afresh after it.
    if (event.Change == TLineChange::Down)
        FQuality.Restart();
    const TQualityChange quality = FQuality.Add(sample);
    if (quality != TQualityChange::None && FOptions.AlertsOn && !FAlert.Down())
        NotifyDesktop(QStringLiteral("ZmPing2"),
                      QualityChangeText(sample.Host, quality, FQuality.Figures().Mos.value_or(1))
                          .toHtmlEscaped(),
                      TUrgency::Normal);
    if (FAlert.Down() && FFault.Known())
        FLast.Fault = FaultWhereName(FFault.Where);
    for (const auto& listener : FListeners)
        listener(FLast);
    emit SampleAdded();
}

void TSampleHub::SetFault(const TFaultVerdict& verdict)
{
    FFault = verdict;
    emit FaultChanged();
    if (FPendingDown)
        SendDownNotice();
}

void TSampleHub::TellLine(TLineChange change, const TLineEvent& event)
{
    if (change == TLineChange::None || !FOptions.AlertsOn)
        return;
    // A "down" held back by the grace is told later, with the cause of the cycle that took the
    // line down; with a diagnosis it waits a moment more for the verdict.
    const bool down = change == TLineChange::Down;
    if (down && FDownNoticeWait > 0) {
        FPendingDown = FLastDown;
        FDownNoticeTimer.start(FDownNoticeWait);
        return;
    }
    Notify(change, down ? FLastDown : event, {});
}

void TSampleHub::SendDownNotice()
{
    FDownNoticeTimer.stop();
    if (!FPendingDown)
        return;
    const TLineEvent event = *FPendingDown;
    FPendingDown.reset();
    // Without a route the notice already says this computer has no network: no verdict
    // needed to repeat it.
    Notify(TLineChange::Down, event,
           FFault.Time.isValid() && !FNoRoute ? FaultSummary(FFault) : QString());
}

void TSampleHub::Notify(TLineChange change, const TLineEvent& told, const QString& fault)
{
    // "Up" takes the place of the "down" still on screen, so no stale red notice stays.
    // The body is markup: host names and the network's texts are escaped here, once.
    const bool down = change == TLineChange::Down;
    QString body = down && FNoRoute ? NoNetworkText(told.Host) : LineChangeText(told, FSlowAboveMs);
    if (!fault.isEmpty())
        body += QLatin1Char('\n') + fault;
    NotifyDesktop(QStringLiteral("ZmPing2"), body.toHtmlEscaped(),
                  down ? TUrgency::Critical : TUrgency::Normal, down ? 0 : FDownNotice,
                  [hub = QPointer<TSampleHub>(this), down](unsigned id) {
                      if (hub)
                          hub->FDownNotice = down ? id : 0;
                  });
}

void TSampleHub::BeginGrace()
{
    FAlert.Restart();
    FQuality.Restart();
    FGrace.Begin(Ticks(), FOptions.GraceSeconds);
}

void TSampleHub::SetSlowAbove(int ms)
{
    FSlowAboveMs = ms;
    TQualityLimits limits = FQuality.Limits();
    limits.MedianMs = ms;
    FQuality.SetLimits(limits);
}

void TSampleHub::Listen(std::function<void(const TSample&)> listener)
{
    FListeners.push_back(std::move(listener));
}

void TSampleHub::AddEvent(THistoryEventKind kind, const QString& text)
{
    // Each start of monitoring begins with pinging on until said otherwise.
    if (kind == THistoryEventKind::Start)
        FAutoPing.reset();
    const THistoryEvent event{Now(), kind, FHost, text};
    for (const auto& listener : FEventListeners)
        listener(event);
}

void TSampleHub::ListenEvents(std::function<void(const THistoryEvent&)> listener)
{
    FEventListeners.push_back(std::move(listener));
}

void TSampleHub::SetAutoPing(bool on)
{
    const bool changed = FAutoPing ? *FAutoPing != on : !on;
    FAutoPing = on;
    if (changed)
        AddEvent(on ? THistoryEventKind::AutoPingOn : THistoryEventKind::AutoPingOff);
}

void TSampleHub::SetHost(const QString& host)
{
    const QString before = FHost;
    FHost = host;
    if (!before.isEmpty() && host != before)
        AddEvent(THistoryEventKind::HostChange, QStringLiteral("Host changed from %1").arg(before));
}

bool TSampleHub::AlarmSilenced() const
{
    return FOptions.Silenced(Now());
}

void TSampleHub::SilenceAlarm(bool on)
{
    FOptions.SilencedUntil = on ? Now().addMSecs(kSilenceMs) : QDateTime();
    ArmSilenceEnd();
    emit OptionsChanged();
    FOptions.Save();
}

void TSampleHub::SetPreferIPv6(bool on)
{
    FOptions.PreferIPv6 = on;
    emit OptionsChanged();
    FOptions.Save();
}

void TSampleHub::SetAlertsOn(bool on)
{
    FOptions.AlertsOn = on;
    emit OptionsChanged();
    FOptions.Save();
}

void TSampleHub::SetMetricsFile(const QString& path)
{
    FOptions.MetricsFile = path.trimmed();
    FOptions.Save();
}

void TSampleHub::SetLanguage(const QString& language)
{
    FOptions.Language = language;
    FOptions.Save();
}

void TSampleHub::ArmSilenceEnd()
{
    FSilenceEnd.stop();
    if (!AlarmSilenced())
        return;
    const qint64 left = Now().msecsTo(FOptions.SilencedUntil);
    FSilenceEnd.start(int(std::min<qint64>(left + 1, kSilenceMs + 1)));
}

} // namespace Monitor
