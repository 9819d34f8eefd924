// ctest-labels: gui
#include "controls/peakmeter.h"

#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Counts the paints the meter receives once shown.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

struct ShownMeter {
    TPeakMeter meter;
    PaintCounter counter;
    ShownMeter()
    {
        meter.installEventFilter(&counter);
        meter.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&meter));
        Settle();
    }
    // Paints received for whatever was done since the last call.
    int Settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const int n = counter.paints;
        counter.paints = 0;
        return n;
    }
};

} // namespace

TEST(PeakMeterEvents, OnlyChangesRequestARepaint)
{
    struct Case {
        const char* what;
        void (*act)(TPeakMeter&);
        bool repaints;
    };
    for (const Case& c : {
             Case{"bar: equal value", [](TPeakMeter& m) { m.SetValue(m.Value()); }, false},
             Case{"bar: new value", [](TPeakMeter& m) { m.SetValue(m.Value() + 1); }, true},
             Case{"history: equal value",
                  [](TPeakMeter& m) {
                      m.SetStyle(TPeakMeter::pmHistoryPoint);
                      QCoreApplication::processEvents();
                      m.SetValue(m.Value());
                  },
                  true},
         }) {
        ShownMeter shown;
        shown.meter.SetValue(7);
        shown.Settle();
        c.act(shown.meter);
        EXPECT_EQ(shown.Settle() > 0, c.repaints) << c.what;
    }
}

TEST(PeakMeterEvents, PropertiesRepaintOnlyWhenTheyChange)
{
    struct Case {
        const char* name;
        QVariant other;
    };
    for (const Case& c : {
             Case{"BackgroundColor", QVariant::fromValue<TColor>(clBlack)},
             Case{"BarColor", QVariant::fromValue<TColor>(clLime)},
             Case{"BorderStyle", QVariant::fromValue(TPeakMeter::bsNone)},
             Case{"Ctl3D", false},
             Case{"GridColor", QVariant::fromValue<TColor>(clSilver)},
             Case{"MarginBottom", 3},
             Case{"MarginLeft", 3},
             Case{"MarginRight", 3},
             Case{"MarginTop", 3},
             Case{"PeakColor", QVariant::fromValue<TColor>(clYellow)},
             Case{"ShowValues", false},
             Case{"Style", QVariant::fromValue(TPeakMeter::pmHistoryPoint)},
         }) {
        ShownMeter shown;
        shown.meter.SetValue(7);
        shown.Settle();
        ASSERT_TRUE(shown.meter.setProperty(c.name, shown.meter.property(c.name)));
        EXPECT_EQ(shown.Settle(), 0) << c.name << " set to its own value";
        ASSERT_TRUE(shown.meter.setProperty(c.name, c.other));
        EXPECT_EQ(shown.meter.property(c.name), c.other);
        EXPECT_GT(shown.Settle(), 0) << c.name << " changed";
    }
}

namespace {

// The mouse events of a meter, in order, as text.
struct Recorder {
    std::vector<std::string> events;
    explicit Recorder(TPeakMeter& m)
    {
        auto mouse = [this, &m](const char* kind) {
            return [this, &m, kind](QObject* sender, TMouseButton b, TShiftState s, int x, int y) {
                EXPECT_EQ(sender, &m);
                events.push_back(std::string(kind) + " " + "LRM"[b] + " " + Shift(s) + " " +
                                 std::to_string(x) + "," + std::to_string(y));
            };
        };
        m.OnMouseDown = mouse("down");
        m.OnMouseUp = mouse("up");
        m.OnClick = [this](QObject*) { events.push_back("click"); };
        m.OnDblClick = [this](QObject*) { events.push_back("dblclick"); };
    }
    static std::string Shift(TShiftState s)
    {
        std::string text;
        const std::pair<TShiftFlag, char> flags[] = {
            {ssShift, 'S'}, {ssAlt, 'A'},    {ssCtrl, 'C'},  {ssLeft, 'l'},
            {ssRight, 'r'}, {ssMiddle, 'm'}, {ssDouble, 'd'}};
        for (const auto& [flag, c] : flags)
            if (s & flag)
                text += c;
        return text.empty() ? "-" : text;
    }
};

} // namespace

TEST(PeakMeterEvents, MouseButtonsReachTheEventsInTheMetersCoordinates)
{
    using Events = std::vector<std::string>;
    struct Case {
        const char* what;
        void (*act)(QWidget*);
        Events expected;
    };
    for (const Case& c : {
             Case{"right click for the menu",
                  [](QWidget* w) { QTest::mouseClick(w, Qt::RightButton, {}, QPoint(7, 9)); },
                  {"down R r 7,9", "up R - 7,9"}},
             Case{"left click",
                  [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(50, 40)); },
                  {"down L l 50,40", "click", "up L - 50,40"}},
             Case{"shift and left",
                  [](QWidget* w) {
                      QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(1, 2));
                  },
                  {"down L Sl 1,2"}},
             Case{"released outside: no click",
                  [](QWidget* w) {
                      QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
                      QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(300, 5));
                  },
                  {"down L l 5,5", "up L - 300,5"}},
             Case{"double click",
                  [](QWidget* w) {
                      QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(3, 4),
                                    w->mapToGlobal(QPointF(3, 4)), Qt::LeftButton, Qt::LeftButton,
                                    Qt::NoModifier);
                      QCoreApplication::sendEvent(w, &e);
                  },
                  {"dblclick", "down L ld 3,4"}},
         }) {
        ShownMeter shown;
        Recorder recorder(shown.meter);
        c.act(&shown.meter);
        EXPECT_EQ(recorder.events, c.expected) << c.what;
    }
}
