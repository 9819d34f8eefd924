#pragma once
// Whether the line is up or down, judged over several cycles so that a single lost echo (or a
// line that loses every third) raises nothing: down after DownAfter consecutive bad cycles
// (lost, failed, unknown host, or slower than the upper threshold), up again after UpAfter
// consecutive good or normal ones. The line is taken as up at the start, so the first change
// it can report is "down". A sample for another host starts afresh, silently.
#include "monitor/Sample.h"

#include <QDateTime>

namespace Monitor {

enum class TLineChange { None, Down, Up };

struct TLineEvent {
    TLineChange Change = TLineChange::None;
    QString Host;
    // Up: how long the line was down, from the first bad cycle of the run that took it down to
    // the first good cycle of the run that brought it back, in milliseconds.
    qint64 OutageMs = 0;
    // Down: the bad cycle that took the line down, which names the cause.
    TSample Cause;
};

class TLineAlert {
public:
    static constexpr int kDefaultDownAfter = 3;
    static constexpr int kDefaultUpAfter = 2;

    TLineAlert(int downAfter = kDefaultDownAfter, int upAfter = kDefaultUpAfter);
    void SetCounts(int downAfter, int upAfter);

    // Takes one cycle's sample; says whether the line changed with it.
    TLineEvent Add(const TSample& sample);

    bool Down() const { return FDown; }
    // The runs so far no longer count (a sleep, a network change); up or down stays as judged.
    void Restart() { FBadRun = FGoodRun = 0; }
    // While down: the first bad cycle of the run that took the line down.
    const QDateTime& OutageStart() const { return FOutageStart; }

private:
    int FDownAfter, FUpAfter;
    QString FHost;
    bool FDown = false;
    int FBadRun = 0, FGoodRun = 0;
    QDateTime FFirstBad;  // of the current bad run
    QDateTime FFirstGood; // of the current good run
    QDateTime FOutageStart;
};

// The notification's body, as plain text: the host, what changed and, for down, why ("bağlantı
// kesildi (yanıt yok)", "bağlantı geri geldi (kesinti 1 dk 5 sn)"). slowAboveMs: the upper
// threshold a too slow reply was above.
QString LineChangeText(const TLineEvent& event, int slowAboveMs = 0);
// Why a bad cycle was bad: no reply, too slow (with the time), name not found, or the network's
// error message.
QString CauseText(const TSample& bad, int slowAboveMs);
// The "down" notification's body when this computer has no route to the host at all.
QString NoNetworkText(const QString& host);
// A duration in Turkish units: "45 sn", "3 dk 5 sn", "2 sa 0 dk".
QString DurationText(qint64 ms);

} // namespace Monitor
