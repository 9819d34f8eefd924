#pragma once
// What the running copy tells scripts and status bars about the line, as one line of JSON.
//
// The status ("ZmPing2 --status"):
//   {"host":"localhost","address":"127.0.0.1","status":"good","line":"up","rtt_ms":0.084,
//    "readout":"0 ms","loss_percent":0,"avg_ms":0.091,"time":"2026-12-08T09:15:02.417+03:00",
//    "auto_ping":true,"mos":4.39,"quality":"good"}
// status: the lamp's state (off, bad, normal, good), or unknown-host after a failed lookup;
// line: up or down, judged over several cycles, or off while automatic pinging is off; mos: the
// estimated call quality (1 to 5) and quality: good or degraded, over the last cycles (see
// monitor/LineQuality.h); rtt_ms: the last sample's round trip; loss_percent and avg_ms: over the
// statistics window (the last 100 echoes); time: of the last sample. A figure not known yet is
// null.
//
// The status-bar line ("ZmPing2 --status --follow"), read by waybar's custom modules
// ("return-type": "json") and by i3blocks (format=json, interval=persist) alike:
//   {"text":"0 ms","tooltip":"...","class":"good","alt":"good","percentage":0,
//    "full_text":"0 ms","short_text":"0 ms","color":"#00FF00"}
// class and alt: the status, or "down" while the line is down; percentage: the window's loss.
#include <QByteArray>
#include <QString>

namespace Monitor {

class TSampleHub;

// What the windows show, which the hub does not know.
struct TStatusView {
    QString Status;  // off, bad, normal, good, unknown-host
    QString Readout; // the liquid-crystal readout's text
    QString Color;   // the lamp's colour, #RRGGBB
    bool AutoPing = false;
};

QByteArray StatusJson(const TSampleHub& hub, const TStatusView& view);
QByteArray StatusBarLine(const TSampleHub& hub, const TStatusView& view);
// The status-bar line while no copy runs.
QByteArray NotRunningBarLine();

} // namespace Monitor
