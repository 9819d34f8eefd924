#pragma once
#include "framework/Colors.h"

#include <QString>
#include <cstdint>

// The monitor's decisions, kept apart from the windows so they can be checked without a
// display: how a reply is classified, what the log says, and what each connection status shows.
namespace Monitor {

// Connection status: indexes the four status icons and selects the lamp colour.
using TStatus = std::int16_t;
constexpr TStatus stOff = 0;    // automatic pinging off, or the main window just (re)shown
constexpr TStatus stBad = 1;    // no reply, a failed reply, or slower than the upper threshold
constexpr TStatus stNormal = 2; // between the thresholds
constexpr TStatus stGood = 3;   // faster than the lower threshold

// Good below the lower threshold (strictly), normal up to and including the upper one, bad
// above. Thresholds may be negative or inverted; the round-trip time is never negative.
TStatus Classify(std::uint32_t roundTripMs, int lower, int upper);

// The lamp's brush colour for a status.
TColor LampColor(TStatus status);

// The tray icon's tool tip for the text on the readout.
QString TrayHint(const QString& readout);

// Readout texts.
QString ReadoutOff();
QString ReadoutTimeOut();
QString ReadoutRoundTrip(std::uint32_t roundTripMs);
// After a lookup that failed: the host is unknown (eight cells, like "Time out").
QString ReadoutUnknownHost();

// The "between the thresholds" caption, built from the raw texts of the two threshold fields.
// It is kept (and stored) in Turkish; NormalRangeShown gives it in the windows' language.
QString NormalRangeCaption(const QString& lowerText, const QString& upperText);
QString NormalRangeShown(const QString& caption);

// The automatic-ping state line in the settings window's status bar.
QString AutoPingCaption(bool on);

// The message shown when a cycle is asked for without a host.
QString MissingHostMessage();

// Log lines of one cycle.
QString ResolvingLine(const QString& host);
QString HostIsLine(const QString& host, const QString& address);
QString UnknownHostLine(const QString& host);
QString SendingLine(int size, const QString& hostName, const QString& hostIP);
QString ReceivedLine(unsigned dataSize, const QString& hostIP, std::uint32_t roundTripMs);
QString CannotPingLine(const QString& hostIP, const QString& reason);

// What the ping component reported for one echo.
struct EchoReport {
    int Error = 0;            // the send result: 0 failed, otherwise the number of replies
    std::uint32_t Status = 0; // status of the reply (0 is an echo reply)
    std::uint32_t RoundTripMs = 0;
    unsigned DataSize = 0;
    QString HostIP;
    QString ErrorString; // why a send failed
    QString StatusText;  // the text of a non-zero reply status
};

// What the displays do with it.
struct ReplyOutcome {
    QString LogLine;
    int MeterValue = 0;
    QString Readout;
    TStatus Status = stOff;
    bool Bad = false;
};

// Reads one echo against the settings of the moment. A lost reply, and a reply whose status is
// not success (an error message from a router, such as an unreachable destination), draw a
// peak at the time-out setting and read "Time out"; they are bad.
ReplyOutcome EvaluateReply(const EchoReport& report, int timeoutSetting, int lower, int upper);

// Whether the alarm sounds after a reply.
inline bool ShouldSoundAlarm(bool bad, bool alarmEnabled)
{
    return bad && alarmEnabled;
}

} // namespace Monitor
