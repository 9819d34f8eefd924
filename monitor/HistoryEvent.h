#pragma once
// What the history records beside the samples, so that a reader can tell a time when nothing was
// measured (the program not running, automatic pinging off, the computer asleep) from a loss.
// In the day's CSV an event is a row like a sample's whose outcome names the event, with no
// address and no round trip:
//   2026-12-10T12:30:00.000+03:00,localhost,,auto ping off,,0,Automatic pinging off
#include <QDateTime>
#include <QString>
#include <optional>

namespace Monitor {

enum class THistoryEventKind {
    Start,        // the program began monitoring
    End,          // the program ended
    AutoPingOn,   // automatic pinging switched on
    AutoPingOff,  // automatic pinging switched off
    HostChange,   // the next samples are of another host
    Asleep,       // the computer went to sleep
    Awake,        // it woke up
    NetworkChange // the route to the host changed
};

struct THistoryEvent {
    QDateTime Time;
    THistoryEventKind Kind = THistoryEventKind::Start;
    QString Host; // the host being monitored from now on
    QString Text; // a short English description
};

// The outcome field's text ("start", "end", "auto ping on", "auto ping off", "host change",
// "asleep", "awake", "network change").
QString EventName(THistoryEventKind kind);
std::optional<THistoryEventKind> EventKindFromName(QStringView name);
// The description written when the caller gives none.
QString DefaultEventText(THistoryEventKind kind);

} // namespace Monitor
