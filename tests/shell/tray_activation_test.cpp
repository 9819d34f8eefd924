#include "shell/NotifyIcon.h"
#include "shell/TrayActivation.h"

#include <gtest/gtest.h>

namespace {
using A = TTrayActivationDecoder;
constexpr int Interval = 400;
const std::vector<std::uint32_t> Click{WM_LBUTTONDOWN, WM_LBUTTONUP};
const std::vector<std::uint32_t> Double{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                        WM_LBUTTONUP};
std::vector<std::uint32_t> operator+(std::vector<std::uint32_t> a,
                                     const std::vector<std::uint32_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
} // namespace

TEST(TrayActivation, EveryHostsDoubleClickBecomesDownUpDoubleUp)
{
    const struct {
        const char* host;
        std::vector<std::pair<A::TActivation, qint64>> activations;
        std::vector<std::uint32_t> messages;
    } cases[] = {
        {"single click", {{A::Trigger, 0}}, Click},
        {"XEmbed: click, click, double click",
         {{A::Trigger, 0}, {A::Trigger, 150}, {A::DoubleClick, 151}},
         Double},
        {"Windows-like: click, double click", {{A::Trigger, 0}, {A::DoubleClick, 150}}, Double},
        {"StatusNotifierItem: two clicks", {{A::Trigger, 0}, {A::Trigger, 400}}, Double},
        {"double click alone", {{A::DoubleClick, 0}}, Double},
        {"two clicks too far apart", {{A::Trigger, 0}, {A::Trigger, 401}}, Click + Click},
        {"three quick clicks",
         {{A::Trigger, 0}, {A::Trigger, 100}, {A::Trigger, 200}},
         Double + Click},
        {"two double clicks in a row",
         {{A::Trigger, 0},
          {A::Trigger, 100},
          {A::DoubleClick, 100},
          {A::Trigger, 1000},
          {A::Trigger, 1100},
          {A::DoubleClick, 1100}},
         Double + Double},
        {"context between clicks",
         {{A::Trigger, 0}, {A::Context, 50}, {A::Trigger, 100}},
         Click + std::vector<std::uint32_t>{WM_RBUTTONDOWN, WM_RBUTTONUP} + Click},
        {"middle", {{A::MiddleClick, 0}}, {WM_MBUTTONDOWN, WM_MBUTTONUP}},
    };
    for (const auto& c : cases) {
        A decoder;
        std::vector<std::uint32_t> out;
        for (auto [activation, at] : c.activations)
            out = out + decoder.Decode(activation, 10000 + at, Interval);
        EXPECT_EQ(out, c.messages) << c.host;
    }
}
