// Pictures of the history meter: as the main window shows it right after start, after a run of
// replies with a lost one, in both styles, and a default meter that was never given a value.
#include "GalleryMain.h"
#include "controls/peakmeter.h"
#include "framework/Colors.h"
#include "framework/GdiDraw.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QWidget>
#include <cstdio>
#include <vector>

namespace {

// Round-trip times of a line that is mostly quick, has a few slow replies and loses one
// (the program then pushes its time-out, 1000 ms).
std::vector<int> Replies()
{
    std::vector<int> rtts;
    unsigned seed = 7;
    for (int i = 0; i < 420; ++i) {
        seed = seed * 1103515245u + 12345u;
        int rtt = 12 + int((seed >> 16) % 24);
        if (i % 37 == 5)
            rtt = 150;
        if (i % 53 == 20)
            rtt = 80;
        if (i == 300)
            rtt = 1000; // time-out
        rtts.push_back(rtt);
    }
    for (const int rtt : {12, 35, 20, 150, 80, 22, 18, 35, 40, 25})
        rtts.push_back(rtt);
    return rtts;
}

// The meter as the main window sets it up, inside a parent of the main window's design size.
struct Window {
    QWidget parent;
    TPeakMeter* meter;
    Window(TPeakMeter::TPmStyle style)
    {
        parent.resize(398, 140);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, ToQColor(clBtnFace));
        parent.setPalette(pal);
        parent.setAutoFillBackground(true);
        meter = new TPeakMeter(&parent);
        meter->setGeometry(0, 0, 398, 140);
        meter->SetBackgroundColor(clBlack);
        meter->SetBarColor(clLime);
        meter->SetBorderStyle(TPeakMeter::bsNone);
        meter->SetGridColor(clSilver);
        meter->SetStyle(style);
        meter->SetValue(10); // stored with the window
        meter->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11));
        meter->SetFontColor(clWhite);
        // Shown: the window sets 1, the status "off" sets 0.
        meter->SetValue(1);
        meter->SetValue(0);
    }
};

bool Save(const QWidget& w, const QString& dir, const char* name)
{
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    const bool ok = const_cast<QWidget&>(w).grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    return RunGallery(argc, argv, [](const QString& dir) {
        bool ok = true;

        {
            Window start(TPeakMeter::pmHistoryPoint);
            ok &= Save(start.parent, dir, "peakmeter_start.png");
            for (const int rtt : Replies())
                start.meter->SetValue(rtt);
            ok &= Save(start.parent, dir, "peakmeter_history_timeout.png");
        }
        {
            // Replies only, no lost one: the scale stays near the round-trip times.
            Window w(TPeakMeter::pmHistoryPoint);
            w.parent.grab();
            for (const int rtt : {12, 35, 20, 150, 80, 22, 18, 35, 40, 25, 14, 16, 30, 12})
                for (int i = 0; i < 20; ++i)
                    w.meter->SetValue(rtt + i % 5);
            ok &= Save(w.parent, dir, "peakmeter_history_replies.png");
        }
        {
            Window bar(TPeakMeter::pmBar);
            for (const int rtt : Replies())
                bar.meter->SetValue(rtt);
            ok &= Save(bar.parent, dir, "peakmeter_bar_timeout.png");
        }
        {
            // A reply lost just now: the newest value is the time-out, in both styles.
            for (const auto style : {TPeakMeter::pmHistoryPoint, TPeakMeter::pmBar}) {
                Window w(style);
                w.parent.grab();
                for (const int rtt : {12, 35, 20, 150, 80, 22, 18, 35, 40, 25})
                    for (int i = 0; i < 12; ++i)
                        w.meter->SetValue(rtt + i % 4);
                w.meter->SetValue(1000);
                ok &= Save(w.parent, dir,
                           style == TPeakMeter::pmBar ? "peakmeter_bar_lost_now.png"
                                                      : "peakmeter_history_lost_now.png");
            }
        }
        {
            // Without labels the peak is a line across (history) or a small triangle (bar).
            for (const auto style : {TPeakMeter::pmHistoryPoint, TPeakMeter::pmBar}) {
                Window w(style);
                w.meter->SetShowValues(false);
                w.parent.grab();
                for (const int rtt : Replies())
                    w.meter->SetValue(rtt);
                ok &= Save(w.parent, dir,
                           style == TPeakMeter::pmBar ? "peakmeter_bar_nolabels.png"
                                                      : "peakmeter_history_nolabels.png");
            }
        }
        {
            // A meter with its own defaults: framed, never given a value, then given some.
            QWidget parent;
            parent.resize(140, 100);
            QPalette pal = parent.palette();
            pal.setColor(QPalette::Window, ToQColor(clBtnFace));
            parent.setPalette(pal);
            parent.setAutoFillBackground(true);
            TPeakMeter meter(&parent);
            meter.move(10, 10);
            ok &= Save(parent, dir, "peakmeter_default_empty.png");
            meter.SetValue(35);
            meter.SetValue(20);
            ok &= Save(parent, dir, "peakmeter_default_bar.png");
            meter.SetCtl3D(false);
            ok &= Save(parent, dir, "peakmeter_default_flat.png");
        }
        return ok;
    });
}
