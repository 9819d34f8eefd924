#pragma once
// One record per finished monitoring cycle: what the controller learnt, handed to every
// listener (statistics, alerts ...). Built by pure functions so the controller needs one call.
#include <QDateTime>
#include <QString>

class TICMP;

namespace Monitor {

enum class TOutcome {
    Good,       // a reply faster than the lower threshold
    Normal,     // a reply between the thresholds
    Bad,        // a reply slower than the upper threshold
    Lost,       // no reply within the time-out
    Failed,     // the echo failed: an ICMP error message came back, or nothing could be sent
    UnknownHost // the host name could not be looked up; no echo was sent
};

struct TSample {
    QDateTime Time; // wall clock, when the cycle ended
    QString Host;   // the host text as the user gave it
    QString Address;
    TOutcome Outcome = TOutcome::Lost;
    double RoundTripUs = -1; // the engine's precise figure; -1 without a reply
    int StatusCode = 0;      // the reply's status, the engine's error, or the lookup's error
    QString StatusText;
    int ReplyTtl = 0; // TTL (IPv6: hop limit) of the echo reply; 0 without one
    QString Fault;    // where the fault lay while the line was down ("provider" ...); "" none

    bool HasReply() const { return RoundTripUs >= 0; }
    // Whether an echo request went out (everything but an unknown host).
    bool Sent() const { return Outcome != TOutcome::UnknownHost; }
    // Lost, failed, unknown host or too slow: what counts towards "the line is down".
    bool IsBad() const { return Outcome != TOutcome::Good && Outcome != TOutcome::Normal; }
};

// English name of an outcome ("good", "normal", "bad", "lost", "failed", "unknown host").
QString OutcomeName(TOutcome outcome);

// A time as ISO 8601 with milliseconds and the UTC offset it had: "2026-12-08T09:15:02.417+03:00".
QString IsoTimeText(const QDateTime& time);

// The sample of an echo cycle. error: the ping's result (0 failed); status: the connection
// status the controller classified the reply as (3 good, 2 normal, 1 bad).
TSample EchoSample(const QString& host, const TICMP& icmp, int error, int status,
                   const QDateTime& when = QDateTime::currentDateTime());

// The sample of a cycle whose lookup failed with a WinSock error code.
TSample UnknownHostSample(const QString& host, int error,
                          const QDateTime& when = QDateTime::currentDateTime());

} // namespace Monitor
