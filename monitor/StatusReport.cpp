#include "monitor/StatusReport.h"

#include "monitor/SampleHub.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace Monitor {

namespace {

// Milliseconds and percentages to three decimals, as people read them.
double Rounded(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

QJsonValue Optional(const std::optional<double>& v, double scale = 1)
{
    return v ? QJsonValue(Rounded(*v * scale)) : QJsonValue();
}

// Status bars take a whole percentage.
QJsonValue Percentage(const std::optional<double>& v)
{
    return v ? QJsonValue(qRound(*v)) : QJsonValue();
}

QByteArray Line(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject Bar(const QString& text, const QString& tooltip, const QString& kind,
                const QJsonValue& percentage, const QString& color)
{
    return QJsonObject{{"text", text},
                       {"tooltip", tooltip},
                       {"class", kind},
                       {"alt", kind},
                       {"percentage", percentage},
                       {"full_text", text},
                       {"short_text", text},
                       {"color", color}};
}

} // namespace

QByteArray StatusJson(const TSampleHub& hub, const TStatusView& view)
{
    const TSample& last = hub.Last();
    const TFigures window = hub.Statistics().Window();
    const bool any = last.Time.isValid();
    const std::optional<double> mos = hub.Mos();
    const QString quality = QualityName(hub.QualityState());
    return Line(QJsonObject{
        {"host", any ? QJsonValue(last.Host) : QJsonValue()},
        {"address", any && !last.Address.isEmpty() ? QJsonValue(last.Address) : QJsonValue()},
        {"status", view.Status},
        // Nothing is watched while automatic pinging is off: the line is neither up nor down.
        {"line", !view.AutoPing       ? "off"
                 : hub.Alert().Down() ? "down"
                                      : "up"},
        {"rtt_ms", last.HasReply() ? QJsonValue(Rounded(last.RoundTripUs / 1000.0)) : QJsonValue()},
        {"readout", view.Readout},
        {"loss_percent", Optional(window.LossPercent)},
        {"avg_ms", Optional(window.AvgUs, 0.001)},
        {"time", any ? QJsonValue(IsoTimeText(last.Time)) : QJsonValue()},
        {"auto_ping", view.AutoPing},
        {"mos", mos ? QJsonValue(std::round(*mos * 100) / 100) : QJsonValue()},
        {"quality", quality.isEmpty() ? QJsonValue() : QJsonValue(quality)}});
}

QByteArray StatusBarLine(const TSampleHub& hub, const TStatusView& view)
{
    const TSample& last = hub.Last();
    const TFigures window = hub.Statistics().Window();
    QString tooltip = QStringLiteral("ZmPing2");
    if (last.Time.isValid()) {
        tooltip += QStringLiteral(": %1").arg(last.Host);
        if (!last.Address.isEmpty())
            tooltip += QStringLiteral(" (%1)").arg(last.Address);
        tooltip +=
            QLatin1Char('\n') +
            QCoreApplication::translate("Monitor", "Son 100 yankıda kayıp %%1")
                .arg(window.LossPercent ? QString::number(*window.LossPercent, 'f', 1) : "-");
        if (window.AvgUs)
            tooltip += QCoreApplication::translate("Monitor", ", ortalama %1 ms")
                           .arg(*window.AvgUs / 1000.0, 0, 'f', 3);
    }
    const bool down = hub.Alert().Down();
    if (down)
        tooltip += QLatin1Char('\n') + QCoreApplication::translate("Monitor", "Bağlantı kesik");
    return Line(Bar(view.Readout, tooltip, down ? QStringLiteral("down") : view.Status,
                    Percentage(window.LossPercent), view.Color));
}

QByteArray NotRunningBarLine()
{
    const QString text = QCoreApplication::translate("Monitor", "ZmPing2 çalışmıyor");
    return Line(
        Bar(text, text, QStringLiteral("stopped"), QJsonValue(), QStringLiteral("#808080")));
}

} // namespace Monitor
