#include "controls/peakmeter.h"

#include <QMetaProperty>
#include <gtest/gtest.h>
#include <vector>

namespace {

using History = std::vector<int>;

// A meter in history style whose history holds exactly `entries` (oldest first): each value
// enters the history when the next one is set.
void FillHistory(TPeakMeter& meter, const History& entries)
{
    meter.SetStyle(TPeakMeter::pmHistoryPoint);
    meter.SetHistorySize(int(entries.size()));
    for (const int v : entries)
        meter.SetValue(v);
    meter.SetValue(meter.Value());
}

} // namespace

TEST(PeakMeter, PublishedPropertiesInOrderWithDefaults)
{
    TPeakMeter meter;
    struct Case {
        const char* name;
        QVariant value;
    };
    const std::vector<Case> cases = {
        {"BackgroundColor", QVariant::fromValue<TColor>(clBtnFace)},
        {"BarColor", QVariant::fromValue<TColor>(clBlue)},
        {"BorderStyle", QVariant::fromValue(TPeakMeter::bsSingle)},
        {"Ctl3D", true},
        {"GridColor", QVariant::fromValue<TColor>(clBlack)},
        {"MarginBottom", 10},
        {"MarginLeft", 10},
        {"MarginRight", 10},
        {"MarginTop", 10},
        {"PeakColor", QVariant::fromValue<TColor>(clRed)},
        {"ShowValues", true},
        {"Style", QVariant::fromValue(TPeakMeter::pmBar)},
        {"Value", 0},
    };
    const QMetaObject* mo = meter.metaObject();
    int previous = -1;
    for (const Case& c : cases) {
        const int index = mo->indexOfProperty(c.name);
        ASSERT_GE(index, 0) << c.name;
        // Stored forms are applied in declaration order: Style must come before Value.
        EXPECT_GT(index, previous) << c.name;
        previous = index;
        EXPECT_EQ(meter.property(c.name), c.value) << c.name;
    }
    EXPECT_EQ(meter.width(), 120);
    EXPECT_EQ(meter.height(), 80);
    EXPECT_EQ(meter.Peak(), 0);
    EXPECT_TRUE(meter.History().empty());
}

TEST(PeakMeter, AboutReadsTheVersionAndIgnoresWrites)
{
    TPeakMeter meter;
    EXPECT_EQ(meter.property("About").toString(), QStringLiteral("v4.06"));
    EXPECT_TRUE(meter.setProperty("About", QStringLiteral("x")));
    EXPECT_EQ(meter.property("About").toString(), QStringLiteral("v4.06"));
}

TEST(PeakMeter, PropertiesSetByNameAsTheProgramStoresThem)
{
    TPeakMeter meter;
    EXPECT_TRUE(meter.setProperty("BackgroundColor", QVariant::fromValue<TColor>(clBlack)));
    EXPECT_TRUE(meter.setProperty("BorderStyle", QStringLiteral("bsNone")));
    EXPECT_TRUE(meter.setProperty("Style", QStringLiteral("pmHistoryPoint")));
    EXPECT_TRUE(meter.setProperty("Value", 10));
    EXPECT_EQ(meter.BackgroundColor(), clBlack);
    EXPECT_EQ(meter.BorderStyle(), TPeakMeter::bsNone);
    EXPECT_EQ(meter.Style(), TPeakMeter::pmHistoryPoint);
    EXPECT_EQ(meter.Value(), 10);
    EXPECT_EQ(meter.Peak(), 10);
    EXPECT_TRUE(meter.History().empty()) << "no history is kept before the first paint";
}

TEST(PeakMeter, PeakOnlyGrowsInBothStyles)
{
    struct Case {
        TPeakMeter::TPmStyle style;
        std::vector<int> values;
        int peak;
    };
    for (const Case& c : {
             Case{TPeakMeter::pmBar, {10, 0, 1}, 10},
             Case{TPeakMeter::pmHistoryPoint, {10, 0, 1}, 10},
             Case{TPeakMeter::pmBar, {3, 7, 2, 7}, 7},
             Case{TPeakMeter::pmHistoryPoint, {12, 35, 20, 150, 80, 1000, 15}, 1000},
             Case{TPeakMeter::pmBar, {-5, -1}, 0},
             Case{TPeakMeter::pmHistoryPoint, {-5}, 0},
         }) {
        TPeakMeter meter;
        meter.SetStyle(c.style);
        meter.SetHistorySize(3);
        for (const int v : c.values)
            meter.SetValue(v);
        EXPECT_EQ(meter.Peak(), c.peak);
        EXPECT_EQ(meter.Value(), c.values.back());
    }
}

TEST(PeakMeter, HistoryShiftsInTheOldValue)
{
    struct Case {
        TPeakMeter::TPmStyle style;
        std::vector<int> values;
        History history;
    };
    for (const Case& c : {
             // The initial value 0 is the first one pushed in.
             Case{TPeakMeter::pmHistoryPoint, {5, 6, 7}, {-1, 0, 5, 6}},
             // Equal values are pushed too.
             Case{TPeakMeter::pmHistoryPoint, {5, 5, 5}, {-1, 0, 5, 5}},
             // The oldest drop out.
             Case{TPeakMeter::pmHistoryPoint, {1, 2, 3, 4, 5, 6}, {2, 3, 4, 5}},
             // A real -1 looks like an empty slot.
             Case{TPeakMeter::pmHistoryPoint, {-1, 4}, {-1, -1, 0, -1}},
             // The bar style keeps no history.
             Case{TPeakMeter::pmBar, {5, 6, 7}, {-1, -1, -1, -1}},
         }) {
        TPeakMeter meter;
        meter.SetStyle(c.style);
        meter.SetHistorySize(4);
        for (const int v : c.values)
            meter.SetValue(v);
        EXPECT_EQ(meter.History(), c.history);
        EXPECT_EQ(meter.Value(), c.values.back()) << "the current value is not in the history";
    }
}

TEST(PeakMeter, ResizingKeepsTheNewestAtTheEnd)
{
    struct Case {
        int size;
        History history;
    };
    for (const Case& c : {
             Case{4, {1, 2, 3, 4}},
             Case{6, {-1, -1, 1, 2, 3, 4}},
             Case{2, {3, 4}},
             Case{1, {4}},
             Case{0, {}},
             Case{-3, {}},
         }) {
        TPeakMeter meter;
        FillHistory(meter, {1, 2, 3, 4});
        ASSERT_EQ(meter.History(), (History{1, 2, 3, 4}));
        meter.SetHistorySize(c.size);
        EXPECT_EQ(meter.History(), c.history) << "size " << c.size;
    }
}

TEST(PeakMeter, NoHistoryRecordsNothingUntilItGrowsAgain)
{
    TPeakMeter meter;
    meter.SetStyle(TPeakMeter::pmHistoryPoint);
    meter.SetHistorySize(0);
    meter.SetValue(8);
    meter.SetValue(9);
    EXPECT_TRUE(meter.History().empty());
    meter.SetHistorySize(2);
    EXPECT_EQ(meter.History(), (History{-1, -1}));
    meter.SetValue(3);
    EXPECT_EQ(meter.History(), (History{-1, 9}));
}
