#pragma once
// The monitor's own choices, kept in the registry file under a key of their own beside the
// settings window's: HKEY_CURRENT_USER\Software\<program>\Options. The settings window's key is
// never touched, so it keeps exactly its own values.
//   Alerts         "1" or "0": desktop notifications when the line goes down or comes back
//   SilencedUntil  the end of the alarm's silence, as an ISO 8601 UTC time; empty: none
//   DownAfter      consecutive bad cycles that make the line down (default 3)
//   UpAfter        consecutive good cycles that bring it back up (default 2)
//   PreferIPv6     "1" or "0": a host name with addresses of both families is pinged on IPv6
//                  (default 0: on IPv4, as always)
//   HistoryDays    days a history file is kept before it is removed (default 30)
//   MetricsFile    where the Prometheus metrics file is written after each sample; empty: none
//   QualityWindow  cycles the call quality is judged over (default 20)
//   JitterLimit    jitter in milliseconds beyond which the line is degraded (default 30)
//   LossLimit      loss in percent beyond which the line is degraded (default 5)
//   QualityHold    seconds at least between two quality notifications (default 120)
//   GraceSeconds   after a wake or a network change, the longest wait for the network before
//                  a "down" is told (default 20)
//   Language       "tr" or "en": the language of the windows (default tr, the program's own)
// Values that are missing or unreadable read as their defaults.
#include <QDateTime>
#include <QString>

namespace Monitor {

struct TMonitorOptions {
    bool AlertsOn = true;
    QDateTime SilencedUntil; // invalid: not silenced
    int DownAfter = 3;
    int UpAfter = 2;
    bool PreferIPv6 = false;
    int HistoryDays = 30;
    QString MetricsFile;
    int QualityWindow = 20;
    int JitterLimitMs = 30;
    int LossLimitPercent = 5;
    int QualityHoldSeconds = 120;
    int GraceSeconds = 20;
    QString Language = QStringLiteral("tr");

    // The section's registry key: "Software\<program file's base name>".
    static QString RegistryKey();
    static QString SectionName() { return QStringLiteral("Options"); }

    static TMonitorOptions Load();
    // Raises the registry's exceptions when the file cannot be written (it stays as it was).
    void Save() const;

    bool Silenced(const QDateTime& now) const
    {
        return SilencedUntil.isValid() && now < SilencedUntil;
    }
};

} // namespace Monitor
