// Draws the application's icon, the lime status disc with clear corners, as PNG files at the
// sizes of the desktop's icon theme: OUTDIR/<size>/<name>.png.
#include "shell/StatusIcons.h"

#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zm_make_app_icons OUTDIR NAME\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2").arg(out).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!QDir().mkpath(dir) ||
            !StatusIconImage(clLime, size, qRgba(0, 0, 0, 0)).save(file, "PNG")) {
            std::fprintf(stderr, "zm_make_app_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
