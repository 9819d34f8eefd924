#include "monitor/Options.h"

#include "framework/Language.h"
#include "framework/RegistryFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>

namespace Monitor {

namespace {

// A value's text; a missing value, or one of another type than text, reads as def.
QString ReadText(TRegIniFile& reg, const QString& name, const QString& def)
{
    try {
        return reg.ReadString(TMonitorOptions::SectionName(), name, def);
    } catch (const std::exception&) {
        return def;
    }
}

int ReadCount(TRegIniFile& reg, const QString& name, int def, int most = 1000)
{
    bool ok = false;
    const int v = ReadText(reg, name, QString()).toInt(&ok);
    return ok && v >= 1 && v <= most ? v : def;
}

} // namespace

QString TMonitorOptions::RegistryKey()
{
    return QStringLiteral("Software\\") +
           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

TMonitorOptions TMonitorOptions::Load()
{
    TMonitorOptions o;
    TRegIniFile reg(RegistryKey(), true);
    o.AlertsOn = ReadText(reg, QStringLiteral("Alerts"), QStringLiteral("1")) != QLatin1String("0");
    o.SilencedUntil = QDateTime::fromString(
        ReadText(reg, QStringLiteral("SilencedUntil"), QString()), Qt::ISODate);
    o.DownAfter = ReadCount(reg, QStringLiteral("DownAfter"), o.DownAfter);
    o.UpAfter = ReadCount(reg, QStringLiteral("UpAfter"), o.UpAfter);
    o.PreferIPv6 = ReadText(reg, QStringLiteral("PreferIPv6"), QString()) == QLatin1String("1");
    o.HistoryDays = ReadCount(reg, QStringLiteral("HistoryDays"), o.HistoryDays, 36500);
    o.MetricsFile = ReadText(reg, QStringLiteral("MetricsFile"), QString()).trimmed();
    o.QualityWindow = ReadCount(reg, QStringLiteral("QualityWindow"), o.QualityWindow);
    o.JitterLimitMs = ReadCount(reg, QStringLiteral("JitterLimit"), o.JitterLimitMs, 60000);
    o.LossLimitPercent = ReadCount(reg, QStringLiteral("LossLimit"), o.LossLimitPercent, 100);
    o.QualityHoldSeconds =
        ReadCount(reg, QStringLiteral("QualityHold"), o.QualityHoldSeconds, 86400);
    o.GraceSeconds = ReadCount(reg, QStringLiteral("GraceSeconds"), o.GraceSeconds, 600);
    const QString language =
        Language::Normalised(ReadText(reg, QStringLiteral("Language"), o.Language));
    if (!language.isEmpty())
        o.Language = language;
    return o;
}

void TMonitorOptions::Save() const
{
    TRegIniFile reg(RegistryKey(), false);
    const QString section = SectionName();
    reg.WriteString(section, QStringLiteral("Alerts"),
                    AlertsOn ? QStringLiteral("1") : QStringLiteral("0"));
    reg.WriteString(section, QStringLiteral("SilencedUntil"),
                    SilencedUntil.isValid() ? SilencedUntil.toUTC().toString(Qt::ISODate)
                                            : QString());
    reg.WriteString(section, QStringLiteral("DownAfter"), QString::number(DownAfter));
    reg.WriteString(section, QStringLiteral("UpAfter"), QString::number(UpAfter));
    reg.WriteString(section, QStringLiteral("PreferIPv6"),
                    PreferIPv6 ? QStringLiteral("1") : QStringLiteral("0"));
    reg.WriteString(section, QStringLiteral("HistoryDays"), QString::number(HistoryDays));
    reg.WriteString(section, QStringLiteral("MetricsFile"), MetricsFile);
    reg.WriteString(section, QStringLiteral("QualityWindow"), QString::number(QualityWindow));
    reg.WriteString(section, QStringLiteral("JitterLimit"), QString::number(JitterLimitMs));
    reg.WriteString(section, QStringLiteral("LossLimit"), QString::number(LossLimitPercent));
    reg.WriteString(section, QStringLiteral("QualityHold"), QString::number(QualityHoldSeconds));
    reg.WriteString(section, QStringLiteral("GraceSeconds"), QString::number(GraceSeconds));
    reg.WriteString(section, QStringLiteral("Language"), Language);
}

} // namespace Monitor
