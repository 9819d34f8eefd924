#include "monitor/SampleHub.h"

#include "monitor/DesktopNotifier.h"
#include "net/HostResolver.h"

#include <QPointer>
#include <algorithm>

namespace Monitor {

TSampleHub::TSampleHub(QObject* parent) : QObject(parent), FOptions(TMonitorOptions::Load())
{
    FAlert.SetCounts(FOptions.DownAfter, FOptions.UpAfter);
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
}

void TSampleHub::Add(const TSample& sample)
{
    if (sample.Outcome == TOutcome::UnknownHost && sample.StatusCode == WinSock::WSAEINTR)
        return;
    FLast = sample;
    FStatistics.Add(sample);
    const TLineEvent event = FAlert.Add(sample);
    if (event.Change != TLineChange::None && FOptions.AlertsOn) {
        // "Up" takes the place of the "down" still on screen, so no stale red notice stays.
        // The body is markup: host names and the network's texts are escaped here, once.
        const bool down = event.Change == TLineChange::Down;
        NotifyDesktop(QStringLiteral("ZmPing2"),
                      LineChangeText(event, FSlowAboveMs).toHtmlEscaped(),
                      down ? TUrgency::Critical : TUrgency::Normal, down ? 0 : FDownNotice,
                      [hub = QPointer<TSampleHub>(this), down](unsigned id) {
                          if (hub)
                              hub->FDownNotice = down ? id : 0;
                      });
    }
    for (const auto& listener : FListeners)
        listener(sample);
    emit SampleAdded();
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
