#include "app/TestState.h"

#include "app/FirstPaintProbe.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "controls/LiquidIndicator.h"
#include "shell/TrayShell.h"

#include <QSaveFile>
#include <QTextStream>

void ReportTestState(const TAnaF& main, const TAyarF& settings)
{
    static const QString path = qEnvironmentVariable("ZMPING2_TEST_STATE");
    if (path.isEmpty())
        return;
    static int serial = 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << "serial=" << ++serial << '\n';
    out << "readout=" << main.Sure->Indicatorstring() << '\n';
    out << "lamp=" << ToQColor(main.Shape1->BrushColor()).name() << '\n';
    out << "hint=" << main.TrayIcon1->Hint() << '\n';
    out << "status=" << settings.LastStatus() << '\n';
    for (const QString& line : settings.DisplayMemo->Lines())
        out << "log=" << line << '\n';
    out.flush();
    file.commit();
}

void ApplyTestSettings(TAyarF& settings)
{
    const QString list = qEnvironmentVariable("ZMPING2_TEST_SETTINGS");
    for (const QString& item : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString target = item.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = item.section(QLatin1Char('='), 1);
        QObject* control = settings.findChild<QObject*>(target.section(QLatin1Char('.'), 0, 0));
        if (!control)
            continue;
        const QByteArray property = target.section(QLatin1Char('.'), 1).toLatin1();
        if (value == QLatin1String("True") || value == QLatin1String("False"))
            control->setProperty(property, value == QLatin1String("True"));
        else
            control->setProperty(property, value);
    }
}

void InstallFirstPaintProbe(QWidget* window)
{
    if (qEnvironmentVariableIsSet("ZMPING2_FIRST_PAINT_PROBE"))
        window->installEventFilter(new TFirstPaintProbe(window));
}
