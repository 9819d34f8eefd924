#include "monitor/CallQuality.h"

#include <algorithm>
#include <cmath>

namespace Monitor {

double MeanOpinionScore(double avgMs, double jitterMs, double lossPercent)
{
    const double latency = avgMs + 2 * jitterMs + 10;
    double r = latency < 160 ? 93.2 - latency / 40 : 93.2 - (latency - 120) / 10;
    r = std::clamp(r - 2.5 * lossPercent, 0.0, 100.0);
    // The polynomial dips just below 1 for R under about 6.5; the scale ends at 1.
    return std::max(1.0, 1 + 0.035 * r + 0.000007 * r * (r - 60) * (100 - r));
}

void TCallWindow::SetSize(int size)
{
    FSize = std::max(2, size);
    if (int(FSlots.size()) > FSize)
        FSlots.erase(FSlots.begin(), FSlots.end() - FSize);
}

void TCallWindow::Add(const TSample& sample)
{
    if (!sample.Sent())
        return;
    FSlots.push_back(sample.HasReply() ? sample.RoundTripUs / 1000.0 : -1);
    if (int(FSlots.size()) > FSize)
        FSlots.erase(FSlots.begin());
}

TCallFigures TCallWindow::Figures() const
{
    TCallFigures f;
    f.Sent = int(FSlots.size());
    if (f.Sent == 0)
        return f;
    std::vector<double> replies;
    double jitterSum = 0;
    for (double t : FSlots) {
        if (t < 0)
            continue;
        if (!replies.empty())
            jitterSum += std::abs(t - replies.back());
        replies.push_back(t);
    }
    f.Received = int(replies.size());
    f.LossPercent = 100.0 * (f.Sent - f.Received) / f.Sent;
    if (replies.empty()) {
        f.Mos = 1.0;
        return f;
    }
    double sum = 0;
    for (double t : replies)
        sum += t;
    f.AvgMs = sum / replies.size();
    f.JitterMs = replies.size() > 1 ? jitterSum / (replies.size() - 1) : 0.0;
    std::sort(replies.begin(), replies.end());
    const std::size_t n = replies.size();
    f.MedianMs = n % 2 ? replies[n / 2] : (replies[n / 2 - 1] + replies[n / 2]) / 2;
    f.Mos = MeanOpinionScore(*f.AvgMs, *f.JitterMs, *f.LossPercent);
    return f;
}

} // namespace Monitor
