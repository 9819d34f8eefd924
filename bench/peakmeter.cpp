// Cost of one repaint of the history meter at the main window's size with a full history, next
// to the least a repaint of the same area costs (filling it and copying it once), and the cost
// of pushing one value into the history.
#include "controls/peakmeter.h"
#include "framework/GdiDraw.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <cstdio>

namespace {

// A widget that paints its whole area the cheapest way: one fill into an image, one copy.
class Reference : public QWidget {
public:
    QImage image{398, 140, QImage::Format_RGB32};
    int shade = 0;
    void paintEvent(QPaintEvent*) override
    {
        image.fill(QColor(0, 0, shade++ & 0xFF));
        QPainter(this).drawImage(0, 0, image);
    }
};

// Microseconds per call of f, measured over at least half a second.
template <class F> double MicrosPer(F f)
{
    QElapsedTimer t;
    t.start();
    long n = 0;
    while (t.nsecsElapsed() < 500'000'000) {
        for (int i = 0; i < 50; ++i)
            f();
        n += 50;
    }
    return double(t.nsecsElapsed()) / 1000.0 / double(n);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TPeakMeter meter;
    meter.resize(398, 140);
    meter.SetBackgroundColor(clBlack);
    meter.SetBarColor(clLime);
    meter.SetBorderStyle(TPeakMeter::bsNone);
    meter.SetGridColor(clSilver);
    meter.SetStyle(TPeakMeter::pmHistoryPoint);
    meter.setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11));
    meter.SetFontColor(clWhite);
    meter.SetValue(10);
    QImage surface(meter.size(), QImage::Format_RGB32);
    meter.render(&surface);
    for (int i = 0; i < 1000; ++i)
        meter.SetValue(12 + (i * 7919) % 140 + (i % 97 == 0 ? 900 : 0));

    int v = 0;
    const double paint = MicrosPer([&] {
        meter.SetValue(12 + (v++ % 60));
        meter.render(&surface);
    });
    meter.SetShowValues(false);
    const double paintPlain = MicrosPer([&] {
        meter.SetValue(12 + (v++ % 60));
        meter.render(&surface);
    });
    meter.SetShowValues(true);
    Reference reference;
    reference.resize(398, 140);
    QImage refSurface(reference.size(), QImage::Format_RGB32);
    const double fill = MicrosPer([&] { reference.render(&refSurface); });
    const double push = MicrosPer([&] { meter.SetValue(12 + (v++ % 60)); });

    std::printf("peakmeter_value_and_paint %.1f us\n", paint);
    std::printf("peakmeter_value_and_paint_without_labels %.1f us\n", paintPlain);
    std::printf("reference_fill_and_copy %.1f us\n", fill);
    std::printf("peakmeter_paint_ratio %.2f x\n", paint / fill);
    std::printf("peakmeter_push_value %.3f us\n", push);
    std::printf("peakmeter_history_entries %zu entries\n", meter.History().size());
    std::printf("target peakmeter_paint_ratio <= 2\n");
    return 0;
}
