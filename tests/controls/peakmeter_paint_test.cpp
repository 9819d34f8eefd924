// ctest-labels: gui
#include "controls/PeakScale.h"
#include "controls/peakmeter.h"
#include "framework/GdiDraw.h"

#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

const QColor kUntouched(255, 0, 255);
const QColor kBlack(0, 0, 0), kSilver(192, 192, 192), kLime(0, 255, 0), kRed(255, 0, 0);

// What the meter paints over a surface that held kUntouched everywhere.
QImage Shot(TPeakMeter& meter)
{
    QImage img(meter.size(), QImage::Format_RGB32);
    img.fill(kUntouched);
    meter.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

// The meter as the main window sets it up.
void SetUpAsTheProgram(TPeakMeter& meter, int w, int h)
{
    meter.resize(w, h);
    meter.SetBackgroundColor(clBlack);
    meter.SetBarColor(clLime);
    meter.SetBorderStyle(TPeakMeter::bsNone);
    meter.SetGridColor(clSilver);
    meter.SetStyle(TPeakMeter::pmHistoryPoint);
    meter.SetValue(10);
    meter.setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11));
    meter.SetFontColor(clWhite);
}

int CountOf(const QImage& img, const QColor& c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

std::set<int> ColumnsWith(const QImage& img, const QColor& c)
{
    std::set<int> columns;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c)
                columns.insert(x);
    return columns;
}

struct Point {
    int x, y;
    QColor color;
};

void ExpectPixels(const QImage& img, const std::vector<Point>& points)
{
    for (const Point& p : points)
        EXPECT_EQ(img.pixelColor(p.x, p.y), p.color) << "at " << p.x << "," << p.y;
}

// 100 x 87 without labels: plot height 67, baseline at 77; peak 10 gives step 2, full scale 12,
// grid rows every round(2 * 67 / 12) = 11 pixels, the peak at 77 - round(10 * 67 / 12) = 21.
constexpr int kW = 100, kH = 87, kBaseline = 77, kPeakRow = 21;
const std::vector<int> kGridRows = {66, 55, 44, 33, 22, 11};

void SetUpPlain(TPeakMeter& meter, TPeakMeter::TPmStyle style)
{
    SetUpAsTheProgram(meter, kW, kH);
    meter.SetShowValues(false);
    meter.SetStyle(style);
}

} // namespace

// Colours read as #rrggbb in failure messages.
QT_BEGIN_NAMESPACE
void PrintTo(const QColor& c, std::ostream* os)
{
    *os << c.name().toStdString();
}
QT_END_NAMESPACE

TEST(PeakMeterPaint, NeverGivenAValueItDrawsOnlyItsFrame)
{
    const QColor shadow(128, 128, 128), highlight(255, 255, 255);
    struct Case {
        TPeakMeter::TBorderStyle border;
        bool ctl3D;
        int framePixels;
        std::vector<Point> points;
    };
    // 30 x 20: a ring has 2 * (w + h) - 4 pixels.
    for (const Case& c : {
             Case{TPeakMeter::bsSingle,
                  true,
                  96 + 88,
                  {{0, 0, shadow},
                   {28, 0, shadow},
                   {29, 0, highlight},
                   {0, 18, shadow},
                   {0, 19, highlight},
                   {29, 19, highlight},
                   {1, 1, kBlack},
                   {27, 1, kBlack},
                   {28, 1, highlight},
                   {1, 17, kBlack},
                   {1, 18, highlight},
                   {28, 18, highlight},
                   {2, 2, kUntouched}}},
             Case{TPeakMeter::bsSingle,
                  false,
                  96,
                  {{0, 0, kBlack},
                   {29, 0, kBlack},
                   {0, 19, kBlack},
                   {29, 19, kBlack},
                   {1, 1, kUntouched}}},
             Case{TPeakMeter::bsNone, true, 0, {{0, 0, kUntouched}}},
         }) {
        TPeakMeter meter;
        meter.resize(30, 20);
        meter.SetBorderStyle(c.border);
        meter.SetCtl3D(c.ctl3D);
        meter.SetValue(0);
        meter.SetValue(-4);
        const QImage img = Shot(meter);
        EXPECT_EQ(img.width() * img.height() - CountOf(img, kUntouched), c.framePixels);
        ExpectPixels(img, c.points);
    }
}

TEST(PeakMeterPaint, GridBaselineAndPeakRowsWithoutLabels)
{
    for (const auto style : {TPeakMeter::pmHistoryPoint, TPeakMeter::pmBar}) {
        TPeakMeter meter;
        SetUpPlain(meter, style);
        if (style == TPeakMeter::pmBar)
            meter.SetValue(0); // no bar
        const QImage img = Shot(meter);
        for (int y = 0; y < kH; ++y) {
            for (int x = 6; x < kW; ++x) {
                QColor expected = kBlack;
                if (y == kPeakRow && style == TPeakMeter::pmHistoryPoint)
                    expected = kRed; // across the whole width; the bar style has a triangle
                else if (y == kBaseline || std::count(kGridRows.begin(), kGridRows.end(), y))
                    expected = kSilver;
                ASSERT_EQ(img.pixelColor(x, y), expected) << x << "," << y << " style " << style;
            }
        }
        // The baseline leaves out its end pixel at the axis; grid lines start on it.
        EXPECT_EQ(img.pixelColor(0, kBaseline), kBlack);
        EXPECT_EQ(img.pixelColor(0, kGridRows.back()), kSilver);
        if (style == TPeakMeter::pmHistoryPoint) {
            EXPECT_EQ(img.pixelColor(0, kPeakRow), kRed);
        } else {
            // A small triangle at the left edge points at the peak.
            for (const QPoint p : {QPoint(2, kPeakRow), QPoint(5, kPeakRow - 2),
                                   QPoint(5, kPeakRow + 2), QPoint(5, kPeakRow)})
                EXPECT_EQ(img.pixelColor(p), kRed) << p.x() << "," << p.y();
            EXPECT_EQ(img.pixelColor(0, kPeakRow), kBlack);
            EXPECT_EQ(img.pixelColor(1, kPeakRow), kBlack);
        }
    }
}

TEST(PeakMeterPaint, BarStandsOnTheBaselineInsideTheMargins)
{
    TPeakMeter meter;
    SetUpPlain(meter, TPeakMeter::pmBar);
    meter.SetValue(5); // round(5 * 67 / 12) = 28 pixels high
    const QImage img = Shot(meter);
    const int top = kBaseline - 28;
    ExpectPixels(img,
                 {
                     Point{10, top, kLime}, Point{89, kBaseline - 1, kLime}, Point{50, 55, kLime},
                     Point{9, 60, kBlack}, Point{90, 60, kBlack}, Point{50, top - 1, kBlack},
                     Point{50, kBaseline, kSilver}, Point{5, 55, kSilver}, // grid left of the bar
                 });
    EXPECT_EQ(CountOf(img, kLime), 80 * 28);
}

TEST(PeakMeterPaint, HistoryLineRunsThroughItsColumnsToTheCurrentValue)
{
    TPeakMeter meter;
    SetUpPlain(meter, TPeakMeter::pmHistoryPoint);
    Shot(meter); // the first paint sizes the history: one entry per column but the last
    ASSERT_EQ(meter.History().size(), std::size_t(kW - 1));
    for (const int v : {4, 4, 4, 8})
        meter.SetValue(v);
    // History ends 10, 4, 4, 4 at columns 95..98; the current 8 is at column 99.
    const int row4 = kBaseline - 22, row8 = kBaseline - 45;
    const QImage img = Shot(meter);
    EXPECT_EQ(ColumnsWith(img, kLime), (std::set<int>{95, 96, 97, 98, 99}));
    ExpectPixels(img, {Point{95, kPeakRow, kRed}, // the peak line is drawn over the line
                       Point{95, kPeakRow + 1, kLime}, Point{96, row4, kLime},
                       Point{97, row4, kLime}, Point{98, row4, kLime}, Point{99, row8 + 1, kLime},
                       Point{99, row8, kBlack}, // the line ends short of the current value
                       Point{99, row4 - 1, kBlack}});
}

TEST(PeakMeterPaint, HistoryFollowsTheWidth)
{
    TPeakMeter meter;
    SetUpPlain(meter, TPeakMeter::pmHistoryPoint);
    Shot(meter);
    for (const int v : {1, 2, 3})
        meter.SetValue(v);
    meter.resize(60, kH);
    Shot(meter);
    ASSERT_EQ(meter.History().size(), 59u);
    EXPECT_EQ(meter.History()[56], 10);
    EXPECT_EQ(meter.History()[58], 2);
    EXPECT_EQ(meter.History()[55], -1);
    meter.resize(130, kH);
    const QImage img = Shot(meter);
    ASSERT_EQ(meter.History().size(), 129u);
    EXPECT_EQ(meter.History()[128], 2);
    EXPECT_EQ(ColumnsWith(img, kLime), (std::set<int>{126, 127, 128, 129}));
}

TEST(PeakMeterPaint, LabelColumnAxisAndLabelsAsTheProgramShowsThem)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        std::vector<int> values;
        const char* widest; // the text the label column is measured on
        std::vector<const char*> labels;
    };
    for (const Case& c : {
             Case{{}, "14", {"0", "2", "4", "6", "8", "10", "12"}},
             Case{{35}, "45", {"0", "5", "10", "15", "20", "25", "30", "35", "40"}},
             Case{{1000}, "1,400", {"0", "200", "400", "600", "800", "1,000", "1,200"}},
         }) {
        TPeakMeter meter;
        SetUpAsTheProgram(meter, 200, 100);
        for (const int v : c.values)
            meter.SetValue(v);
        const QImage img = Shot(meter);
        const QFontMetrics fm(meter.font());
        const int ax = fm.horizontalAdvance(QString::fromUtf8(c.widest)) + 5;
        const TPeakScale scale = ComputeScale(meter.Peak());
        const int y0 = 90, lines = int(c.labels.size()) - 1;
        ASSERT_EQ(scale.Count - 1, lines);
        const int step = ScaleHeight(scale.Step, 80, scale.Full), top = y0 - lines * step;
        const int yP = y0 - ScaleHeight(meter.Peak(), 80, scale.Full);
        // The axis runs from the baseline up to the top grid line, and nothing lies right of
        // the labels but the plot.
        for (int y = 0; y < 100; ++y) {
            EXPECT_EQ(img.pixelColor(ax, y), y >= top && y <= y0 ? kSilver : kBlack) << y;
            EXPECT_EQ(img.pixelColor(ax - 1, y), kBlack) << y;
        }
        for (int k = 0; k <= lines; ++k) {
            const int y = y0 - k * step;
            // The peak line may lie on a grid line and is drawn over it.
            const QColor row = y == yP ? kRed : kSilver;
            EXPECT_EQ(img.pixelColor(ax + 1, y), row) << "grid row " << y;
            EXPECT_EQ(img.pixelColor(199, y), row) << "grid row " << y;
            // The label ends two pixels left of the axis, centred on its line.
            const QString text = QString::fromUtf8(c.labels[k]);
            const QRect box(ax - 2 - fm.horizontalAdvance(text), y - fm.height() / 2,
                            fm.horizontalAdvance(text), fm.height());
            int ink = 0;
            for (int py = box.top(); py <= box.bottom(); ++py)
                for (int px = box.left(); px <= box.right(); ++px)
                    ink += img.valid(px, py) && img.pixelColor(px, py) != kBlack;
            EXPECT_GT(ink, 0) << "label " << c.labels[k];
        }
        // Nothing is written left of the widest label.
        const QString widestLabel = QString::fromUtf8(c.labels.back());
        const int left = ax - 2 - fm.horizontalAdvance(widestLabel);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < left; ++x)
                ASSERT_EQ(img.pixelColor(x, y), kBlack) << x << "," << y;
        // The peak line starts right of the axis and runs to the edge.
        EXPECT_EQ(img.pixelColor(ax + 1, yP), kRed);
        EXPECT_EQ(img.pixelColor(199, yP), kRed);
        EXPECT_NE(img.pixelColor(ax, yP), kRed);
    }
    QLocale::setDefault(saved);
}

TEST(PeakMeterPaint, AbsurdSizesMarginsAndValuesStillCoverTheControl)
{
    struct Case {
        const char* what;
        int w, h;
        TPeakMeter::TBorderStyle border;
        int marginTop, marginBottom, marginLeft, marginRight;
        std::vector<int> values;
    };
    for (const Case& c : {
             Case{"one pixel", 1, 1, TPeakMeter::bsNone, 10, 10, 10, 10, {5, 3}},
             Case{"frame only fits", 3, 3, TPeakMeter::bsSingle, 10, 10, 10, 10, {5}},
             Case{"huge margins",
                  120,
                  80,
                  TPeakMeter::bsNone,
                  INT_MAX,
                  INT_MAX,
                  INT_MIN,
                  INT_MIN,
                  {5, 3}},
             Case{"negative margins", 120, 80, TPeakMeter::bsNone, -500, -500, -500, -500, {5, 3}},
             Case{"extreme values",
                  120,
                  80,
                  TPeakMeter::bsNone,
                  10,
                  10,
                  10,
                  10,
                  {INT_MAX, INT_MIN, 0, INT_MIN, INT_MAX}},
         }) {
        for (const auto style : {TPeakMeter::pmBar, TPeakMeter::pmHistoryPoint}) {
            for (const bool labels : {true, false}) {
                TPeakMeter meter;
                meter.resize(c.w, c.h);
                meter.SetBorderStyle(c.border);
                meter.SetStyle(style);
                meter.SetShowValues(labels);
                meter.SetMarginTop(c.marginTop);
                meter.SetMarginBottom(c.marginBottom);
                meter.SetMarginLeft(c.marginLeft);
                meter.SetMarginRight(c.marginRight);
                meter.SetValue(1);
                Shot(meter); // sizes the history
                for (const int v : c.values)
                    meter.SetValue(v);
                const QImage img = Shot(meter);
                EXPECT_EQ(CountOf(img, kUntouched), 0) << c.what << " style " << style;
            }
        }
    }
}

// The ground under the trace is drawn once and reused: every change that shows in it (the
// scale, a colour, the font, the size, labels on or off, a margin) still shows at the next
// paint, exactly as in a meter that was given the same changes without painting in between.
TEST(PeakMeterPaint, ReusedGroundFollowsEveryChange)
{
    const std::vector<std::function<void(TPeakMeter&)>> changes = {
        [](TPeakMeter& m) { m.SetValue(2500); }, // a new scale
        [](TPeakMeter& m) { m.SetGridColor(clRed); },
        [](TPeakMeter& m) { m.SetFontColor(clYellow); },
        [](TPeakMeter& m) { m.setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -14)); },
        [](TPeakMeter& m) { m.SetShowValues(false); },
        [](TPeakMeter& m) { m.resize(300, 120); },
        [](TPeakMeter& m) { m.SetMarginTop(25); },
    };
    TPeakMeter meter;
    SetUpAsTheProgram(meter, 398, 140);
    Shot(meter);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        changes[i](meter);
        TPeakMeter again;
        SetUpAsTheProgram(again, 398, 140);
        Shot(again);
        for (std::size_t k = 0; k <= i; ++k)
            changes[k](again);
        EXPECT_EQ(Shot(meter), Shot(again)) << "change " << i;
    }
}
