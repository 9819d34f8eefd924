// Times the liquid-crystal readout: one RebuildImage of the program's readout showing "123 ms"
// (165 x 33, 8 cells of 5x7 dots, tmBackOnly), and one paint of it (the background erase and the
// clipped copy of the image). Prints "name value unit" lines; medians of many runs.
#include "controls/LiquidIndicator.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

template <class F> double MedianMicroseconds(int runs, int batch, F&& f)
{
    std::vector<double> samples;
    samples.reserve(runs);
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < batch; ++i)
            f();
        const std::chrono::duration<double, std::micro> d =
            std::chrono::steady_clock::now() - start;
        samples.push_back(d.count() / batch);
    }
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget panel;
    panel.resize(217, 41);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, Qt::black);
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);
    auto* sure = new TLiquidIndicator(&panel);
    sure->setGeometry(6, 3, 165, 33);
    sure->SetColorScheme(TLiquidIndicator::csWhite);
    sure->SetSignNumber(8);
    sure->SetIndicatorWidth(165);
    sure->SetIndicatorHeight(33);
    sure->SetIndicatorstring(QStringLiteral("123 ms"));
    sure->SetIndicatorKind(TLiquidIndicator::ik5x7matrix);
    sure->SetBevelColor(clBlack);
    sure->SetBackColor(clWhite);
    sure->SetNumberForeColor(clLime);
    sure->SetNumberForeColor1(clBlack);
    sure->SetNumberBackColor(clBlack);
    sure->SetIndicatorStyle(TLiquidIndicator::isThick);
    sure->SetTransparentMode(TLiquidIndicator::tmBackOnly);
    sure->Loaded();
    panel.show();
    QApplication::processEvents();

    for (int i = 0; i < 200; ++i) // warm up
        sure->RebuildImage();
    const double rebuild = MedianMicroseconds(201, 20, [&] { sure->RebuildImage(); });

    QImage target(sure->size(), QImage::Format_RGB32);
    const int rebuildsBefore = sure->RebuildCount();
    for (int i = 0; i < 200; ++i)
        sure->render(&target);
    const double paint = MedianMicroseconds(201, 20, [&] { sure->render(&target); });
    const double repaint = MedianMicroseconds(51, 10, [&] { sure->repaint(); });
    const int paintRebuilds = sure->RebuildCount() - rebuildsBefore;

    std::printf("liquid_rebuild_median %.1f us\n", rebuild);
    std::printf("liquid_paint_median %.1f us\n", paint);
    std::printf("liquid_repaint_median %.1f us\n", repaint);
    std::printf("liquid_rebuilds_during_paint %d count\n", paintRebuilds);
    std::printf("target liquid_rebuild_median < 20\n");
    return 0;
}
