#include "monitor/Options.h"

#include "framework/RegistryFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>

namespace Monitor {

namespace {

int ReadCount(TRegIniFile& reg, const QString& name, int def)
{
    const int v = reg.ReadInteger(TMonitorOptions::SectionName(), name, def);
    return v >= 1 && v <= 1000 ? v : def;
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
    try {
        TRegIniFile reg(RegistryKey(), true);
        const QString section = SectionName();
        o.AlertsOn = reg.ReadString(section, QStringLiteral("Alerts"), QStringLiteral("1")) !=
                     QLatin1String("0");
        const QString until = reg.ReadString(section, QStringLiteral("SilencedUntil"), QString());
        o.SilencedUntil = QDateTime::fromString(until, Qt::ISODate);
        o.DownAfter = ReadCount(reg, QStringLiteral("DownAfter"), o.DownAfter);
        o.UpAfter = ReadCount(reg, QStringLiteral("UpAfter"), o.UpAfter);
    } catch (const std::exception&) {
        // A value of the wrong type: the defaults stand, as for a missing one.
    }
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
}

} // namespace Monitor
