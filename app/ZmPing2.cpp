#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("ZEMBRA Ping s2.04f"));
    window.setWindowTitle(QStringLiteral("ZEMBRA Ping s2.04f"));
    window.resize(406, 250);
    window.show();
    return app.exec();
}
