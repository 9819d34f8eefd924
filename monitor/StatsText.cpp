#include "monitor/StatsText.h"

#include "framework/Language.h"

#include <QCoreApplication>

namespace Monitor {

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("Monitor", text);
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
    return Language::WindowLocale().toString(*us / 1000.0, 'f', 2) + QStringLiteral(" ms");
}

QString PercentText(const std::optional<double>& percent)
{
    if (!percent)
        return Dash();
    // Turkish writes the sign first (%1,5), English after (1.5%).
    return QCoreApplication::translate("Monitor", "%%1")
        .arg(Language::WindowLocale().toString(*percent, 'f', 1));
}

QString StatsSessionHeading()
{
    return QCoreApplication::translate("Monitor", "Oturum");
}

QString StatsWindowHeading()
{
    return QCoreApplication::translate("Monitor", "Son %1 örnek").arg(TStatistics::kWindowSize);
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
        return TStatsRow{Tr(label), MsText(a), MsText(b)};
    };
    return {
        {QCoreApplication::translate("Monitor", "Gönderilen"), QString::number(s.Sent),
         QString::number(w.Sent)},
        {QCoreApplication::translate("Monitor", "Alınan"), QString::number(s.Received),
         QString::number(w.Received)},
        {QCoreApplication::translate("Monitor", "Kayıp"), PercentText(s.LossPercent),
         PercentText(w.LossPercent)},
        ms(QT_TRANSLATE_NOOP("Monitor", "En düşük"), s.MinUs, w.MinUs),
        ms(QT_TRANSLATE_NOOP("Monitor", "Ortalama"), s.AvgUs, w.AvgUs),
        ms(QT_TRANSLATE_NOOP("Monitor", "En yüksek"), s.MaxUs, w.MaxUs),
        ms(QT_TRANSLATE_NOOP("Monitor", "Standart sapma"), s.StdDevUs, w.StdDevUs),
        ms(QT_TRANSLATE_NOOP("Monitor", "95. yüzdelik"), s.P95Us, w.P95Us),
        ms(QT_TRANSLATE_NOOP("Monitor", "Titreşim (jitter)"), s.JitterUs, w.JitterUs),
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
    QString text = QCoreApplication::translate("Monitor", "ZmPing2 - İstatistikler") +
                   QLatin1Char('\n') + StatsHostLine(stats) + QLatin1Char('\n');
    text += line(QString(), StatsSessionHeading(), StatsWindowHeading());
    for (const TStatsRow& row : StatsRows(stats))
        text += line(row.Label, row.Session, row.Window);
    return text;
}

} // namespace Monitor
