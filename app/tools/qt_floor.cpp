// The floor for any Qt Widgets program here: one empty window, nothing else. The start-up
// benchmark measures the monitor against it, side by side. With ZMPING2_FIRST_PAINT_PROBE set it
// prints "first-paint" when its window first paints, as the monitor does.
#include "app/FirstPaintProbe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(398, 216);
    TFirstPaintProbe probe;
    if (qEnvironmentVariableIsSet("ZMPING2_FIRST_PAINT_PROBE"))
        window.installEventFilter(&probe);
    window.show();
    return app.exec();
}
