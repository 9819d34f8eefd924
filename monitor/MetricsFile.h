#pragma once
// Prometheus metrics of the monitored host, in the text exposition format for the node
// exporter's textfile collector (a file named *.prom in its folder):
//   zmping2_round_trip_seconds{host}            gauge: the last sample's round trip (NaN: none)
//   zmping2_round_trip_duration_seconds{host}   histogram of the replies' round trips
//   zmping2_echo_requests_sent_total{host}      counter
//   zmping2_echo_requests_lost_total{host}      counter: sent without a reply (lost or failed)
//   zmping2_line_up{host}                       gauge: 1 up, 0 down (judged over several cycles)
//   zmping2_mos{host}                           gauge: estimated call quality, 1 to 5 (NaN: not
//                                               known yet)
// The counts begin with the program and afresh with another host, as Prometheus' counters may.
#include "monitor/Sample.h"

#include <QByteArray>
#include <array>
#include <cmath>
#include <cstdint>

namespace Monitor {

class TMetrics {
public:
    // The histogram's upper bounds in seconds (+Inf follows).
    static constexpr std::array<double, 12> kBounds{0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025,
                                                    0.05,   0.1,   0.25,   0.5,   1,    2.5};
    // up: whether the line is up after this sample; mos: the call quality then (NaN: unknown).
    void Add(const TSample& sample, bool up, double mos = NAN);
    QByteArray Text() const;

private:
    QString FHost;
    std::uint64_t FSent = 0, FLost = 0;
    std::array<std::uint64_t, kBounds.size() + 1> FBuckets{}; // per bound, not cumulative
    double FSum = 0;
    double FLast = -1; // seconds, -1: no reply
    bool FUp = true;
    double FMos = NAN;
};

// The text of a label value: backslash, double quote and line feed escaped.
QString LabelValue(const QString& text);

// Replaces path's content at once (a temporary file beside it, renamed over it), so that a
// reader never sees half a file. No flush to the disk: the file is rewritten at every sample,
// and a reader after a power cut sees an older one. Empty on success, else why not.
QString ReplaceFile(const QString& path, const QByteArray& data);

} // namespace Monitor
