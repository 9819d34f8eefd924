#include "monitor/StatsText.h"

#include <QLocale>

namespace Monitor {

namespace {

const QLocale& Turkish()
{
    static const QLocale locale(QLocale::Turkish, QLocale::Turkey);
    return locale;
}

QString Dash()
{
    return QStringLiteral("-");
}

} // namespace

QString MsText(const std::optional<double>& us)
{
    if (!us)
        return Dash();
    return Turkish().toString(*us / 1000.0, 'f', 2) + QStringLiteral(" ms");
}

QString PercentText(const std::optional<double>& percent)
{
    if (!percent)
        return Dash();
    return QLatin1Char('%') + Turkish().toString(*percent, 'f', 1);
}

QString StatsSessionHeading()
{
    return QStringLiteral("Oturum");
}

QString StatsWindowHeading()
{
    return QStringLiteral("Son %1 örnek").arg(TStatistics::kWindowSize);
}

QString StatsHostLine(const TStatistics& stats)
{
    if (stats.Host().isEmpty())
        return QStringLiteral("Host: -");
    QString line = QStringLiteral("Host: ") + stats.Host();
    if (!stats.Address().isEmpty() && stats.Address() != stats.Host())
        line += QStringLiteral(" (") + stats.Address() + QLatin1Char(')');
    return line;
}

QList<TStatsRow> StatsRows(const TStatistics& stats)
{
    const TFigures s = stats.Session();
    const TFigures w = stats.Window();
    auto ms = [](const char* label, const std::optional<double>& a,
                 const std::optional<double>& b) {
        return TStatsRow{QString::fromUtf8(label), MsText(a), MsText(b)};
    };
    return {
        {QStringLiteral("Gönderilen"), QString::number(s.Sent), QString::number(w.Sent)},
        {QStringLiteral("Alınan"), QString::number(s.Received), QString::number(w.Received)},
        {QStringLiteral("Kayıp"), PercentText(s.LossPercent), PercentText(w.LossPercent)},
        ms("En düşük", s.MinUs, w.MinUs),
        ms("Ortalama", s.AvgUs, w.AvgUs),
        ms("En yüksek", s.MaxUs, w.MaxUs),
        ms("Standart sapma", s.StdDevUs, w.StdDevUs),
        ms("95. yüzdelik", s.P95Us, w.P95Us),
        ms("Titreşim (jitter)", s.JitterUs, w.JitterUs),
    };
}

QString StatsText(const TStatistics& stats)
{
    auto line = [](const QString& a, const QString& b, const QString& c) {
        QString l = a.leftJustified(20) + b.leftJustified(16) + c;
        while (l.endsWith(QLatin1Char(' ')))
            l.chop(1);
        return l + QLatin1Char('\n');
    };
    QString text =
        QStringLiteral("ZmPing2 - İstatistikler\n") + StatsHostLine(stats) + QLatin1Char('\n');
    text += line(QString(), StatsSessionHeading(), StatsWindowHeading());
    for (const TStatsRow& row : StatsRows(stats))
        text += line(row.Label, row.Session, row.Window);
    return text;
}

} // namespace Monitor
