#include "app/MonitorLogic.h"

#include <QCoreApplication>

namespace Monitor {

TStatus Classify(std::uint32_t roundTripMs, int lower, int upper)
{
    const std::int64_t t = roundTripMs;
    if (t < std::int64_t(lower))
        return stGood;
    if (t <= std::int64_t(upper))
        return stNormal;
    return stBad;
}

TColor LampColor(TStatus status)
{
    switch (status) {
    case stBad:
        return clRed;
    case stNormal:
        return clYellow;
    case stGood:
        return clLime;
    default:
        return clMaroon;
    }
}

QString TrayHint(const QString& readout)
{
    return QStringLiteral("ZEMBRA Ping - ") + readout;
}

QString ReadoutOff()
{
    return QCoreApplication::translate("Monitor", "Kapali");
}
QString ReadoutTimeOut()
{
    return QStringLiteral("Time out");
}
QString ReadoutRoundTrip(std::uint32_t roundTripMs)
{
    return QString::number(roundTripMs) + QStringLiteral(" ms");
}
QString ReadoutUnknownHost()
{
    return QCoreApplication::translate("Monitor", "Host yok");
}

QString NormalRangeCaption(const QString& lowerText, const QString& upperText)
{
    return lowerText + QLatin1Char('-') + upperText + QStringLiteral(" Arası normal");
}

QString NormalRangeShown(const QString& caption)
{
    // The caption is stored as the program writes it in Turkish; other languages show it
    // translated, so a stored caption never mixes languages.
    static const QString tail = QStringLiteral(" Arası normal");
    if (!caption.endsWith(tail))
        return caption;
    return QCoreApplication::translate("Monitor", "%1 Arası normal")
        .arg(caption.chopped(tail.size()));
}

QString AutoPingCaption(bool on)
{
    return on ? QCoreApplication::translate("Monitor", "Otomatik Ping Açık")
              : QCoreApplication::translate("Monitor", "Otomatik Ping Kapalı");
}

QString MissingHostMessage()
{
    return QCoreApplication::translate("Monitor", "Host Adresi Girmelisiniz");
}

QString ResolvingLine(const QString& host)
{
    return QStringLiteral("Resolving host '") + host + QLatin1Char('\'');
}

QString HostIsLine(const QString& host, const QString& address)
{
    return QStringLiteral("Host '") + host + QStringLiteral("' is ") + address;
}

QString UnknownHostLine(const QString& host)
{
    return QStringLiteral("Unknown Host '") + host + QLatin1Char('\'');
}

QString SendingLine(int size, const QString& hostName, const QString& hostIP)
{
    return QStringLiteral("Sending ") + QString::number(size) + QStringLiteral(" bytes to ") +
           hostName + QStringLiteral(" (") + hostIP + QLatin1Char(')');
}

QString ReceivedLine(unsigned dataSize, const QString& hostIP, std::uint32_t roundTripMs)
{
    return QStringLiteral("Received ") + QString::number(dataSize) +
           QStringLiteral(" bytes from ") + hostIP + QStringLiteral(" in ") +
           QString::number(roundTripMs) + QStringLiteral(" ms");
}

QString CannotPingLine(const QString& hostIP, const QString& reason)
{
    return QStringLiteral("Cannot ping host (") + hostIP + QStringLiteral(") : ") + reason;
}

ReplyOutcome EvaluateReply(const EchoReport& report, int timeoutSetting, int lower, int upper)
{
    ReplyOutcome out;
    if (report.Error == 0 || report.Status != 0) {
        out.LogLine = CannotPingLine(report.HostIP,
                                     report.Error == 0 ? report.ErrorString : report.StatusText);
        out.MeterValue = timeoutSetting;
        out.Readout = ReadoutTimeOut();
        out.Status = stBad;
        out.Bad = true;
        return out;
    }
    out.LogLine = ReceivedLine(report.DataSize, report.HostIP, report.RoundTripMs);
    out.MeterValue = int(report.RoundTripMs);
    out.Readout = ReadoutRoundTrip(report.RoundTripMs);
    out.Status = Classify(report.RoundTripMs, lower, upper);
    out.Bad = out.Status == stBad;
    return out;
}

} // namespace Monitor
