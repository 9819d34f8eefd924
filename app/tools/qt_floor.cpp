// The floor for any Qt Widgets program here: one empty window, nothing else. The start-up
// benchmark measures the monitor against it, side by side.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(398, 216);
    window.show();
    return app.exec();
}
