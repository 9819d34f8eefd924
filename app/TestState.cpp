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

void InstallFirstPaintProbe(QWidget* window)
{
    if (qEnvironmentVariableIsSet("ZMPING2_FIRST_PAINT_PROBE"))
        window->installEventFilter(new TFirstPaintProbe(window));
}
