#pragma once
// Where the controller hands each cycle's sample: the statistics, the down/up alerting (with its
// desktop notification) and any further listener take it from here. The windows read from the
// hub; the hub never calls into them. It also holds the monitor's remembered choices (alerts on
// or off, the alarm's silence), which the pop-up menu changes.
#include "monitor/HistoryEvent.h"
#include "monitor/LineAlert.h"
#include "monitor/LineGrace.h"
#include "monitor/LineQuality.h"
#include "monitor/Options.h"
#include "monitor/Sample.h"
#include "monitor/Statistics.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

namespace Monitor {

class TSampleHub : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kSilenceMs = 60 * 60 * 1000; // one hour

    // Loads the remembered choices from the registry file.
    explicit TSampleHub(QObject* parent = nullptr);

    // One finished cycle. A cancelled lookup is no cycle of the line's and is dropped.
    void Add(const TSample& sample);

    // Further listeners, called in the order they were added, after the statistics and alerts.
    void Listen(std::function<void(const TSample&)> listener);

    // Something the history records beside the samples (program start and end, automatic
    // pinging switched, the computer asleep ...), timed now, for the current host.
    void AddEvent(THistoryEventKind kind, const QString& text = {});
    void ListenEvents(std::function<void(const THistoryEvent&)> listener);
    // Automatic pinging as the settings have it now: an event when it changed (the first call
    // only when it is off, since monitoring starts with pinging on).
    void SetAutoPing(bool on);
    // The host the cycles are of from now on (the controller says so as each begins); a change
    // from another host is recorded as an event.
    void SetHost(const QString& host);

    const TStatistics& Statistics() const { return FStatistics; }
    const TLineAlert& Alert() const { return FAlert; }
    // Whether the line is fit for a call, judged over the last cycles.
    const TLineQuality& Quality() const { return FQuality; }
    // The call quality as told: a line that is down carries no call (MOS 1, degraded).
    std::optional<double> Mos() const
    {
        return FAlert.Down() ? std::optional<double>(1.0) : FQuality.Mos();
    }
    TQuality QualityState() const { return FAlert.Down() ? TQuality::Degraded : FQuality.State(); }
    const TMonitorOptions& Options() const { return FOptions; }
    // The last sample added (Time invalid before the first).
    const TSample& Last() const { return FLast; }

    // The alarm sound is held back (for an hour from SilenceAlarm; the silence ends by itself).
    bool AlarmSilenced() const;
    // On: silenced for an hour from now. Off: the silence ends now. Remembered at once (raises
    // the registry's exceptions when the file cannot be written; the choice holds regardless).
    void SilenceAlarm(bool on);
    bool AlertsOn() const { return FOptions.AlertsOn; }
    void SetAlertsOn(bool on);
    bool PreferIPv6() const { return FOptions.PreferIPv6; }
    void SetPreferIPv6(bool on);
    // Where the metrics file goes from the next sample on (empty: none). Remembered at once.
    void SetMetricsFile(const QString& path);
    // The windows' language from the next start on ("tr" or "en"). Remembered at once.
    void SetLanguage(const QString& language);

    // The upper threshold, which a "down" notification caused by slow replies names and the
    // call quality's median is held against.
    void SetSlowAbove(int ms);

    // The computer woke from sleep, or the route to the host changed: the cycles before no
    // longer count, and a "down" is held back until the network is back (see TLineGrace).
    void BeginGrace();
    // Whether this computer has a route to the host at all; without one, a "down" says so.
    void SetNoRoute(bool none) { FNoRoute = none; }
    bool NoRoute() const { return FNoRoute; }

    // The clock (tests set their own).
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    // A monotonic clock in milliseconds, for the grace.
    std::function<qint64()> Ticks;

signals:
    // A sample was taken (statistics changed).
    void SampleAdded();
    // The alarm's silence began or ended, alerts were switched, or the address family.
    void OptionsChanged();

private:
    void ArmSilenceEnd();
    void TellLine(TLineChange change, const TLineEvent& event);
    TStatistics FStatistics;
    TLineAlert FAlert;
    TLineQuality FQuality;
    TLineGrace FGrace;
    bool FNoRoute = false;
    TLineEvent FLastDown; // the change that took the line down last
    TMonitorOptions FOptions;
    TSample FLast;
    std::vector<std::function<void(const TSample&)>> FListeners;
    std::vector<std::function<void(const THistoryEvent&)>> FEventListeners;
    QString FHost;
    std::optional<bool> FAutoPing;
    QTimer FSilenceEnd;
    int FSlowAboveMs = 0;
    unsigned FDownNotice = 0; // the service's number of the "down" on screen
};

} // namespace Monitor
