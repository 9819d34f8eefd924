#include "monitor/Sample.h"

#include "net/HostResolver.h"
#include "net/IcmpLayer.h"
#include "net/icmp.h"

namespace Monitor {

QString OutcomeName(TOutcome outcome)
{
    switch (outcome) {
    case TOutcome::Good:
        return QStringLiteral("good");
    case TOutcome::Normal:
        return QStringLiteral("normal");
    case TOutcome::Bad:
        return QStringLiteral("bad");
    case TOutcome::Lost:
        return QStringLiteral("lost");
    case TOutcome::Failed:
        return QStringLiteral("failed");
    case TOutcome::UnknownHost:
        return QStringLiteral("unknown host");
    }
    return {};
}

QString IsoTimeText(const QDateTime& time)
{
    const int offset = time.offsetFromUtc() / 60;
    const int minutes = offset < 0 ? -offset : offset;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

TSample EchoSample(const QString& host, const TICMP& icmp, int error, int status,
                   const QDateTime& when)
{
    TSample s;
    s.Time = when;
    s.Host = host;
    s.Address = icmp.HostIP();
    const TIcmpEchoReply& reply = icmp.Reply();
    if (error == 0) {
        s.StatusCode = icmp.LastError();
        s.Outcome = s.StatusCode == IcmpStatus::ReqTimedOut ? TOutcome::Lost : TOutcome::Failed;
    } else if (reply.Status != 0) {
        // An ICMP error message (unreachable, time exceeded ...) quoting our request.
        s.StatusCode = int(reply.Status);
        s.Outcome = TOutcome::Failed;
    } else {
        s.StatusCode = 0;
        s.Outcome = status >= 3 ? TOutcome::Good : status == 2 ? TOutcome::Normal : TOutcome::Bad;
        s.RoundTripUs = icmp.LastRoundTripMicroseconds();
        s.ReplyTtl = reply.Options.TTL;
        // An engine that could not measure precisely still has the record's milliseconds.
        if (s.RoundTripUs < 0)
            s.RoundTripUs = double(reply.RoundTripTime) * 1000.0;
    }
    s.StatusText = IcmpErrorText(s.StatusCode);
    return s;
}

TSample UnknownHostSample(const QString& host, int error, const QDateTime& when)
{
    TSample s;
    s.Time = when;
    s.Host = host;
    s.Outcome = TOutcome::UnknownHost;
    s.StatusCode = error;
    switch (error) {
    case WinSock::WSAHOST_NOT_FOUND:
        s.StatusText = QStringLiteral("Host not found");
        break;
    case WinSock::WSATRY_AGAIN:
        s.StatusText = QStringLiteral("Temporary failure in name resolution");
        break;
    case WinSock::WSANO_RECOVERY:
        s.StatusText = QStringLiteral("Non-recoverable failure in name resolution");
        break;
    case WinSock::WSANO_DATA:
        s.StatusText = QStringLiteral("No address for the name");
        break;
    case WinSock::WSAEINTR:
        s.StatusText = QStringLiteral("Lookup cancelled");
        break;
    default:
        s.StatusText = QStringLiteral("Lookup error #%1").arg(error);
    }
    return s;
}

} // namespace Monitor
