// Pictures of the main window's three flat buttons in their looks, and of the settings window's
// spin fields.
#include "GalleryMain.h"
#include "controls/Spin.h"
#include "controls/ZmWinButton.h"
#include "framework/Colors.h"
#include "framework/GdiDraw.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

namespace {

TZmWinButton* ProgramButton(QWidget* parent, int left, const QString& caption)
{
    auto* b = new TZmWinButton(parent);
    b->setGeometry(left, 4, 82, 24);
    b->SetColor(0x000ABED8);
    b->SetRaiseCol(clWhite);
    b->SetOverCol(clRed);
    b->SetGlphyAlign(poLeft);
    b->SetImageIndex(-1);
    b->SetFont(Gdi::MakeFont("Arial", -11, true));
    b->SetFontColor(clBlack);
    b->SetGrayedFont(Gdi::MakeFont("Arial", -13, true));
    b->SetGrayedFontColor(clGrayText);
    b->SetTabStop(false);
    b->SetCaption(caption);
    return b;
}

QImage Enlarged(const QImage& img, int factor)
{
    return img.scaled(img.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

bool Save(const QImage& img, const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name);
    if (!img.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The main window's black button bar with one button put into a look.
QImage ButtonBar(const char* look)
{
    QWidget panel;
    panel.setAutoFillBackground(true);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, Qt::black);
    panel.setPalette(pal);
    panel.resize(258, 31);
    TZmWinButton* buttons[] = {ProgramButton(&panel, 4, QString::fromUtf8("Ayarlar (F5)")),
                               ProgramButton(&panel, 88, QString::fromUtf8("Gizle (Esc)")),
                               ProgramButton(&panel, 172, QString::fromUtf8("Kapat"))};
    panel.show();
    const QByteArray l(look);
    for (TZmWinButton* b : buttons) {
        if (l == "hover") {
            QEnterEvent e(QPointF(10, 10), QPointF(10, 10), b->mapToGlobal(QPointF(10, 10)));
            QApplication::sendEvent(b, &e);
        } else if (l == "pressed") {
            QMouseEvent e(QEvent::MouseButtonPress, QPointF(10, 10),
                          b->mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(b, &e);
        } else if (l == "disabled") {
            b->setEnabled(false);
        }
    }
    return panel.grab().toImage();
}

// The settings window's time group and interval box with their spin fields.
QImage SpinFields()
{
    QWidget window;
    window.resize(425, 170);
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, ToQColor(0x00EBD5CA));
    window.setPalette(pal);
    window.setFont(Gdi::MakeFont("MS Sans Serif", -11, true));

    auto* times = new QGroupBox(QString::fromUtf8(" Zaman Ayarları "), &window);
    times->setGeometry(8, 8, 233, 140);
    struct Row {
        int top, value;
        const char* label;
    };
    const Row rows[] = {
        {22, 200, "ms Aşağısı iyi"}, {52, 700, "ms Yukarısı Kötü"}, {110, 1000, "ms Time Out"}};
    for (const Row& r : rows) {
        auto* spin = new TSpinEdit(times);
        spin->setGeometry(10, r.top, 73, 22);
        spin->SetIncrement(10);
        spin->SetValue(r.value);
        auto* label = new QLabel(QString::fromUtf8(r.label), times);
        label->move(90, r.top + 4);
    }
    auto* normal = new QLabel(QString::fromUtf8("200-700 Arası normal"), times);
    normal->move(8, 85);

    auto* interval = new QGroupBox(&window);
    interval->setGeometry(246, 8, 159, 51);
    auto* label2 = new QLabel(QString::fromUtf8("Ping Aralığı"), interval);
    label2->move(6, 24);
    auto* spin1 = new TSpinEdit(interval);
    spin1->setFont(Gdi::MakeFont("MS Sans Serif", -13, false));
    spin1->SetAutoSize(false);
    spin1->setGeometry(80, 17, 41, 26);
    spin1->SetMinValue(1);
    spin1->SetMaxValue(999);
    spin1->SetValue(5);
    auto* label3 = new QLabel("Sn", interval);
    label3->move(124, 23);

    auto* packet = new QGroupBox(QString::fromUtf8(" Ping Paketi "), &window);
    packet->setGeometry(246, 61, 159, 50);
    auto* size = new TSpinEdit(packet);
    size->setGeometry(8, 19, 73, 22);
    size->SetIncrement(32);
    size->SetMaxValue(1024);
    size->SetValue(32);
    // The up arrow held down.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 3), QPointF(4, 3), Qt::LeftButton,
                      Qt::LeftButton, {});
    window.show();
    QApplication::sendEvent(size->Button()->UpButton(), &press);
    return window.grab().toImage();
}

// A button that takes the focus (TabStop, unlike the program's), focused.
QImage FocusedButton()
{
    QWidget window;
    window.resize(90, 32);
    TZmWinButton* b = ProgramButton(&window, 4, QString::fromUtf8("Ayarlar (F5)"));
    b->SetTabStop(true);
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    b->setFocus();
    return b->grab().toImage();
}

// Buttons with an image-list picture on each side of the caption, enabled and embossed.
QImage PictureButtons()
{
    QImage pic(16, 16, QImage::Format_RGB32);
    pic.fill(Qt::magenta);
    QPainter p(&pic);
    p.setPen(Qt::black);
    p.setBrush(Qt::green);
    p.drawEllipse(1, 1, 13, 13);
    p.end();
    TImageList list(16, 16);
    list.AddMasked(pic, RGBColor(255, 0, 255));

    QWidget window;
    window.resize(4 * 104 + 4, 2 * 44 + 4);
    const TPicPos aligns[] = {poLeft, poRight, poTop, poBottom};
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 4; ++i) {
            auto* b = new TZmWinButton(&window);
            b->setGeometry(4 + 104 * i, 4 + 44 * row, 100, 40);
            b->SetColor(0x000ABED8);
            b->SetFont(Gdi::MakeFont("Arial", -11, true));
            b->SetFontColor(clBlack);
            b->SetCaption("Ayarlar");
            b->SetImages(&list);
            b->SetImageIndex(0);
            b->SetGlphyAlign(aligns[i]);
            b->setEnabled(row == 0);
        }
    window.show();
    return window.grab().toImage();
}

} // namespace

int main(int argc, char** argv)
{
    return RunGallery(argc, argv, [](const QString& dir) {
        const char* looks[] = {"normal", "hover", "pressed", "disabled"};
        // All four looks of the bar one under the other, and each enlarged.
        QImage sheet(258, 4 * 31 + 3 * 4, QImage::Format_RGB32);
        sheet.fill(Qt::darkGray);
        bool ok = true;
        {
            QPainter p(&sheet);
            int y = 0;
            for (const char* look : looks) {
                const QImage bar = ButtonBar(look);
                p.drawImage(0, y, bar);
                y += 31 + 4;
                ok &= Save(Enlarged(bar, 4), dir, QString("buttons_%1_x4.png").arg(look));
            }
        }
        ok &= Save(sheet, dir, "buttons_looks.png");
        ok &= Save(Enlarged(PictureButtons(), 2), dir, "buttons_pictures_x2.png");
        ok &= Save(Enlarged(FocusedButton(), 4), dir, "buttons_focused_x4.png");
        const QImage spins = SpinFields();
        ok &= Save(spins, dir, "buttons_spin_fields.png");
        ok &= Save(Enlarged(spins.copy(0, 0, 425, 160), 2), dir, "buttons_spin_fields_x2.png");
        return ok;
    });
}
