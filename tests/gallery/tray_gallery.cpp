// Pictures of the notification-area icons: the four status icons as stored (and enlarged), and
// with --live, run on an X server with a tray host (scripts/gallery.d/tray_screenshot), the
// four icons in the tray with the tool tip of one of them.
#include "shell/Icon.h"
#include "shell/IconList.h"
#include "shell/StatusIcons.h"
#include "shell/TrayShell.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <memory>

namespace {

const char* const Names[StatusIconCount] = {"off", "bad", "normal", "good"};

bool Save(const QImage& image, const QString& file)
{
    if (!image.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

int StoredIcons(const QDir& out)
{
    TIconList list;
    LoadStatusIcons(list);
    constexpr int Zoom = 8;
    QImage strip(StatusIconCount * (32 * Zoom + 16) + 16, 32 * Zoom + 32, QImage::Format_RGB32);
    strip.fill(QColor(212, 208, 200));
    QPainter p(&strip);
    bool ok = true;
    for (int i = 0; i < list.Count(); ++i) {
        const QImage& icon = list.Icons(i)->Image();
        ok &=
            Save(icon, out.filePath(QStringLiteral("tray_status_%1_%2.png").arg(i).arg(Names[i])));
        const QImage big =
            icon.scaled(icon.size() * Zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        p.drawImage(16 + i * (32 * Zoom + 16), 16, big);
    }
    p.end();
    ok &= Save(strip, out.filePath("tray_status_icons_x8.png"));
    return ok ? 0 : 1;
}

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// The box around the pixels of a colour on the screen.
QRect FindColor(const QImage& screen, QRgb color)
{
    QRect box;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if ((screen.pixel(x, y) | 0xFF000000u) == color)
                box |= QRect(x, y, 1, 1);
    return box;
}

int LiveTray(const QDir& out)
{
    if (!NotificationAreaAvailable()) {
        std::fprintf(stderr, "no notification area on this display\n");
        return 1;
    }
    TIconList icons;
    LoadStatusIcons(icons);
    std::vector<std::unique_ptr<TTrayIcon>> trays;
    const char* const readings[] = {"Kapali", "Time out", "312 ms", "15 ms"};
    for (int i = 0; i < StatusIconCount; ++i) {
        auto tray = std::make_unique<TTrayIcon>();
        tray->SetIcons(&icons);
        tray->SetIcon(icons.Icons(i));
        tray->SetHint(QStringLiteral("ZEMBRA Ping - %1").arg(readings[i]));
        tray->Loaded();
        trays.push_back(std::move(tray));
        Wait(300); // keep the order of the icons in the tray
    }
    Wait(1500);
    QImage screen = QApplication::primaryScreen()->grabWindow(0).toImage();
    const QRect lime = FindColor(screen, qRgb(0, 255, 0));
    if (lime.isEmpty()) {
        std::fprintf(stderr, "the icons did not appear in the tray\n");
        return 1;
    }
    // Hover over the good icon for its tool tip.
    QProcess::execute("xdotool", {"mousemove", QString::number(lime.center().x()),
                                  QString::number(lime.center().y())});
    Wait(2500);
    screen = QApplication::primaryScreen()->grabWindow(0).toImage();
    const QRect area = QRect(screen.width() - 360, 0, 360, 90) & screen.rect();
    bool ok = Save(screen, out.filePath("tray_xvfb_screen.png"));
    const QImage corner = screen.copy(area);
    ok &= Save(corner.scaled(corner.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation),
               out.filePath("tray_xvfb_x3.png"));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [--live]\n", argv[0]);
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(".");
    if (argc > 2 && QByteArray(argv[2]) == "--live")
        return LiveTray(out);
    return StoredIcons(out);
}
