#pragma once
// Whether a line that is up is still fit for a call. Over the last cycles (TCallWindow) the line
// is degraded when the median round trip is above the upper threshold, or the jitter or the loss
// is above its own limit. It is good again only when every figure has come down to three
// quarters of its limit, so a line on the edge does not flap. Judged only on a cycle that got a
// reply, and once the window holds at least half its cycles: a run of lost echoes that may be
// an outage is the down rule's business, not this one's. Two changes that are told (degraded,
// recovered) are at least HoldSeconds apart, which bounds the notifications.
#include "monitor/CallQuality.h"

#include <QDateTime>
#include <QString>
#include <algorithm>

namespace Monitor {

struct TQualityLimits {
    int Window = 20;        // cycles
    double JitterMs = 30;   // what a call's jitter buffer still smooths out
    double LossPercent = 5; // beyond one lost echo in twenty
    double MedianMs = 700;  // the settings window's upper threshold
    int HoldSeconds = 120;  // at least this long between two told changes
};

enum class TQuality { Unknown, Good, Degraded };
enum class TQualityChange { None, Degraded, Recovered };

class TLineQuality {
public:
    void SetLimits(const TQualityLimits& limits);
    const TQualityLimits& Limits() const { return FLimits; }

    // Takes one cycle's sample (its time is the clock of the hold); says what changed.
    TQualityChange Add(const TSample& sample);
    // The cycles so far no longer count (an outage, a sleep, a network change); the state stays
    // until the new cycles judge it.
    void Restart() { FWindow.Clear(); }

    TQuality State() const { return FState; }
    TCallFigures Figures() const { return FWindow.Figures(); }
    // The window holds enough cycles to judge by (half of its size).
    bool Enough() const { return FWindow.Figures().Sent >= std::max(2, FWindow.Size() / 2); }
    // The call quality once there are enough cycles.
    std::optional<double> Mos() const { return Enough() ? Figures().Mos : std::nullopt; }

private:
    TQualityLimits FLimits;
    TCallWindow FWindow;
    TQuality FState = TQuality::Unknown;
    QDateTime FLastTold;
    QString FHost;
};

// "good", "degraded"; empty while unknown.
QString QualityName(TQuality quality);
// The notification's body: "<host>: bağlantı kalitesi düştü (MOS 2,14)", "... düzeldi ...".
QString QualityChangeText(const QString& host, TQualityChange change, double mos);
// The statistics window's line: "Arama kalitesi (son 20 döngü): MOS 4,39, iyi".
QString QualityLine(int window, const std::optional<double>& mos, TQuality state);
// A MOS as people read it, with the windows' decimal mark: "4,39"; "-" when absent.
QString MosText(const std::optional<double>& mos);

} // namespace Monitor
