#pragma once
// What the history keeps of one minute of one host's samples, small enough that a month of
// one-second samples fits in a few megabytes: counts, extremes, sums, the jitter's parts, and
// the round trips as a sparse histogram of 2 % wide buckets, from which any range's percentiles
// follow within 1 % by merging minutes.
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace Monitor {

constexpr int kRttBuckets = 1024;
// The bucket of a round trip: floor(log(us) / log(1.02)), 1 µs and less in the first.
int RttBucket(double us);
// The middle of a bucket, in microseconds.
double RttBucketValue(int bucket);

struct TMinuteSummary {
    std::int64_t Minute = 0; // UTC minutes since the epoch
    int Total = 0;           // samples (unknown hosts included)
    int Sent = 0;            // echo requests
    int Replies = 0;
    double MinUs = 0, MaxUs = 0, SumUs = 0;
    double JitterSumUs = 0; // |t[i] - t[i-1]| over consecutive replies, the pair counted here
    int JitterPairs = 0;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> Buckets; // (bucket, count), sorted

    void AddSample(bool sent, double roundTripUs);
    void AddJitter(double differenceUs);
    // Folds another minute's figures in (the same minute written twice, say).
    void Merge(const TMinuteSummary& other);
};

// The round trips of any number of minutes, for their percentiles.
class TRttHistogram {
public:
    void Add(const TMinuteSummary& minute);
    void Clear();
    std::int64_t Count() const { return FCount; }
    // Nearest rank: the smallest time that at least fraction of the replies reach, clamped to
    // the replies' extremes; absent without replies.
    std::optional<double> Percentile(double fraction) const;
    // Several at once, in one pass: fractions ascending.
    void Percentiles(const double* fractions, double* values, int n) const;

private:
    std::array<std::uint32_t, kRttBuckets> FCounts{};
    std::int64_t FCount = 0;
    double FMin = 0, FMax = 0;
    // The buckets in use lie in [FLow, FHigh]: clearing and searching stay within them.
    int FLow = kRttBuckets, FHigh = -1;
};

} // namespace Monitor
