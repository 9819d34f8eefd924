#include "controls/PeakScale.h"

#include <QLocale>
#include <climits>
#include <gtest/gtest.h>

TEST(PeakScale, StepCountAndFullScaleFollowThePeak)
{
    struct Case {
        std::int64_t peak, step, count, full;
    };
    for (const Case c : {
             Case{1, 1, 3, 2},
             Case{9, 1, 11, 10}, // ten grid lines 1 .. 10
             Case{10, 2, 7, 12}, // the program's meter after start
             Case{19, 2, 11, 20},
             Case{20, 5, 6, 25},
             Case{35, 5, 9, 40},
             Case{49, 5, 11, 50},
             Case{50, 10, 7, 60},
             Case{99, 10, 11, 100},
             Case{100, 20, 7, 120},
             Case{499, 50, 11, 500},
             Case{999, 100, 11, 1000},
             Case{1000, 200, 7, 1200},
             Case{1999, 200, 11, 2000},
             Case{INT_MAX, 500000000, 6, 2500000000},
         }) {
        const TPeakScale s = ComputeScale(c.peak);
        EXPECT_EQ(s.Step, c.step) << "peak " << c.peak;
        EXPECT_EQ(s.Count, c.count) << "peak " << c.peak;
        EXPECT_EQ(s.Full, c.full) << "peak " << c.peak;
        // Between 2 and 10 grid lines, and the peak always below the full scale.
        EXPECT_GE(s.Count - 1, 2);
        EXPECT_LE(s.Count - 1, 10);
        EXPECT_GT(s.Full, c.peak);
    }
}

TEST(PeakScale, RoundingSendsHalvesToTheEvenNeighbour)
{
    struct Case {
        std::int64_t num, den, expected;
    };
    for (const Case c : {Case{1, 2, 0}, Case{3, 2, 2}, Case{5, 2, 2}, Case{7, 2, 4}, Case{-1, 2, 0},
                         Case{-3, 2, -2}, Case{-5, 2, -2}, Case{670, 12, 56}, Case{134, 12, 11},
                         Case{-7, 3, -2}, Case{-8, 3, -3}, Case{6, 3, 2}, Case{0, 5, 0}}) {
        EXPECT_EQ(RoundHalfEven(c.num, c.den), c.expected) << c.num << "/" << c.den;
    }
}

TEST(PeakScale, HeightAboveTheBaseline)
{
    struct Case {
        std::int64_t v;
        int plotHeight;
        std::int64_t full, expected;
    };
    for (const Case c :
         {Case{12, 60, 12, 60}, Case{10, 67, 12, 56}, Case{3, 60, 40, 4}, Case{5, 60, 40, 8},
          Case{1, 60, 40, 2}, // 1.5 rounds to 2
          Case{5, 20, 40, 2}, // 2.5 rounds to 2
          Case{0, 60, 12, 0}, Case{-6, 60, 12, -30}, Case{INT_MAX, 1000, 2500000000, 859}}) {
        EXPECT_EQ(ScaleHeight(c.v, c.plotHeight, c.full), c.expected)
            << c.v << " on " << c.full << " over " << c.plotHeight;
    }
}

TEST(PeakScale, ThousandsAreSeparatedFromTheRight)
{
    struct Case {
        std::int64_t v;
        const char* separator;
        const char* expected;
    };
    for (const Case c :
         {Case{0, ",", "0"}, Case{123, ",", "123"}, Case{1000, ",", "1,000"},
          Case{1200, ".", "1.200"}, Case{12345, ",", "12,345"}, Case{123456, ",", "123,456"},
          Case{1234567, ",", "1,234,567"},
          Case{2500000000, "\u202f", "2\u202f500\u202f000\u202f000"}, Case{-1234, ",", "-1,234"}}) {
        EXPECT_EQ(FormatThousands(c.v, QString::fromUtf8(c.separator)),
                  QString::fromUtf8(c.expected));
    }
}

TEST(PeakScale, TheUserLocaleGivesTheSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(FormatThousands(1400), QStringLiteral("1.400"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatThousands(1400), QStringLiteral("1,400"));
    EXPECT_EQ(FormatThousands(14), QStringLiteral("14"));
    QLocale::setDefault(saved);
}
