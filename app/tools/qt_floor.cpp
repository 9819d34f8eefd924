// The floor for any Qt Widgets program here: one empty window, nothing else. The start-up
// benchmark measures the monitor against it, side by side. With ZMPING2_FIRST_PAINT_PROBE set it
// prints "first-paint" when its window first paints, as the monitor does.
#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>

namespace {
class Probe : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !FDone) {
            FDone = true;
            std::fputs("first-paint\n", stdout);
            std::fflush(stdout);
        }
        return false;
    }

private:
    bool FDone = false;
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(398, 216);
    Probe probe;
    if (qEnvironmentVariableIsSet("ZMPING2_FIRST_PAINT_PROBE"))
        window.installEventFilter(&probe);
    window.show();
    return app.exec();
}
