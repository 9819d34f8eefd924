#include "net/HopProber.h"

#include "net/icmp.h"

#include <algorithm>
#include <barrier>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kProbeSize = 32;

bool IsUnreachable(std::uint32_t status)
{
    return status != 0 && status != IcmpStatus::TtlExpiredTransit &&
           status != IcmpStatus::TtlExpiredReassembly;
}

} // namespace

namespace {
constexpr std::uint8_t kRecentMask = (1u << HopRecord::kRecent) - 1;
}

bool HopRecord::RecentlyUnreachable() const
{
    const unsigned answered = RecentAnswered & kRecentMask;
    return answered != 0 && (RecentUnreachable & kRecentMask) == answered;
}

bool HopRecord::RecentlyRefused() const
{
    return (RecentUnreachable & kRecentMask) != 0;
}

bool HopRecord::RecentlyFails() const
{
    return (RecentSent > 0 && (RecentAnswered & kRecentMask) == 0) || RecentlyUnreachable();
}

int HopRecord::RecentLost() const
{
    return RecentSent -
           std::popcount(unsigned(RecentAnswered & kRecentMask & ((1u << RecentSent) - 1)));
}

void HopRecord::Add(const IcmpEchoResult& r, bool v6)
{
    ++Sent;
    RecentSent = std::min(RecentSent + 1, kRecent);
    RecentAnswered = static_cast<std::uint8_t>(RecentAnswered << 1);
    RecentUnreachable = static_cast<std::uint8_t>(RecentUnreachable << 1);
    if (r.Replies == 0) {
        LastStatus = r.Error;
        return;
    }
    ++Received;
    RecentAnswered |= 1;
    if (IsUnreachable(r.Status))
        RecentUnreachable |= 1;
    Address = v6 ? HostAddress::FromV6(r.From6) : HostAddress::FromV4(r.From);
    LastStatus = int(r.Status);
    if (r.Status == 0)
        Reached = true;
    else if (IsUnreachable(r.Status))
        ++Unreachable;
    if (r.RoundTripNs >= 0) {
        LastNs = r.RoundTripNs;
        SumNs += r.RoundTripNs;
        if (BestNs < 0 || r.RoundTripNs < BestNs)
            BestNs = r.RoundTripNs;
        WorstNs = std::max(WorstNs, r.RoundTripNs);
    }
}

int PathRecords::HostHop() const
{
    for (const HopRecord& h : Hops)
        if (h.Reached)
            return h.Ttl;
    return 0;
}

PathRecords HopProber::Run(const HostAddress& target, const Settings& settings,
                           const std::function<void(const PathRecords&)>& progress,
                           const std::atomic<bool>& stop)
{
    PathRecords rec;
    rec.Target = target;
    rec.Resolvers = SystemResolvers();
    if (!target.Usable()) {
        rec.Route.Error = "No address of the host is known";
        return rec;
    }
    rec.Route = QueryRoute(target);
    if (!rec.Route.Ok)
        return rec;

    const int maxHops = std::clamp(settings.MaxHops, 1, 64);
    // One layer per lane, opened here so a failure is known before any thread starts.
    struct Lane {
        int Ttl;
        HostAddress To;
        std::unique_ptr<IcmpLayer> Layer;
    };
    std::vector<Lane> lanes;
    int error = 0;
    if (rec.Route.Route.Gateway)
        lanes.push_back({0, *rec.Route.Route.Gateway, nullptr});
    for (int ttl = 1; ttl <= maxHops; ++ttl)
        lanes.push_back({ttl, target, nullptr});
    for (Lane& lane : lanes) {
        lane.Layer = OpenIcmpLayer(settings.Kind, &error);
        if (!lane.Layer) {
            rec.Error = std::string("Cannot open an ICMP socket: ") + std::strerror(error);
            return rec;
        }
    }
    rec.Kind = lanes.front().Layer->Kind();
    for (int ttl = 1; ttl <= maxHops; ++ttl) {
        rec.Hops.emplace_back();
        rec.Hops.back().Ttl = ttl;
    }
    rec.Gateway.Ttl = 0;

    const int cancel = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::mutex mutex;
    std::condition_variable changed;
    bool roundDone = false, finished = false;
    std::atomic<bool> quit{false};
    Clock::time_point nextStart = Clock::now();
    int live = int(lanes.size());

    // The gateway is hop 1 as well: its own echo goes out only in a round where hop 1 does not,
    // after hop 1 was silent, so that it too gets one probe a second.
    bool gatewayTurn = false;
    auto onRound = [&]() noexcept {
        std::lock_guard lock(mutex);
        ++rec.Rounds;
        const HopRecord& first = rec.Hops.front();
        gatewayTurn = rec.Route.Route.Gateway && !gatewayTurn && first.RecentSent > 0 &&
                      !(first.RecentAnswered & 1);
        roundDone = true;
        nextStart += std::chrono::milliseconds(std::max(settings.IntervalMs, 1000));
        if (settings.Rounds > 0 && rec.Rounds >= settings.Rounds)
            quit = true;
        changed.notify_all();
    };
    std::barrier sync(std::ptrdiff_t(lanes.size()), onRound);

    auto laneRun = [&](Lane& lane) {
        std::uint8_t data[kProbeSize];
        FillIcmpPayload(data, sizeof data);
        std::vector<std::uint8_t> area(IcmpReceiveAreaSize(kProbeSize));
        for (;;) {
            if (quit) {
                sync.arrive_and_drop();
                break;
            }
            bool skip;
            {
                std::lock_guard lock(mutex);
                skip = lane.Ttl == 0 ? !gatewayTurn : lane.Ttl == 1 && gatewayTurn;
            }
            IcmpEchoParams p;
            p.V6 = lane.To.V6;
            p.Address = lane.To.V4;
            p.Address6 = lane.To.Ip6;
            p.Data = data;
            p.Size = kProbeSize;
            p.Ttl = static_cast<std::uint8_t>(lane.Ttl == 0 ? 64 : lane.Ttl);
            p.Deadline = Clock::now() + std::chrono::milliseconds(settings.TimeoutMs);
            p.CancelFd = cancel;
            const IcmpEchoResult r =
                skip ? IcmpEchoResult{} : lane.Layer->Echo(p, area.data(), area.size());
            bool beyondHost = false;
            {
                std::lock_guard lock(mutex);
                if (!quit && !skip) // a probe cut short by a stop is no answer of the path's
                    (lane.Ttl == 0 ? rec.Gateway : rec.Hops[std::size_t(lane.Ttl - 1)])
                        .Add(r, lane.To.V6);
            }
            sync.arrive_and_wait();
            Clock::time_point start;
            {
                std::lock_guard lock(mutex);
                start = nextStart;
                const int host = rec.HostHop();
                beyondHost = lane.Ttl > 0 && host > 0 && lane.Ttl > host;
            }
            if (beyondHost || quit) {
                sync.arrive_and_drop();
                break;
            }
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(start - Clock::now());
            if (wait.count() > 0) {
                pollfd pfd{cancel, POLLIN, 0};
                ::poll(&pfd, 1, int(wait.count()));
            }
        }
        std::lock_guard lock(mutex);
        if (--live == 0) {
            finished = true;
            changed.notify_all();
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(lanes.size());
    for (Lane& lane : lanes)
        threads.emplace_back(laneRun, std::ref(lane));

    std::unique_lock lock(mutex);
    bool cancelled = false;
    while (!finished) {
        changed.wait_for(lock, std::chrono::milliseconds(50));
        if (stop && !cancelled) {
            cancelled = true;
            quit = true;
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(cancel, &one, sizeof one);
        }
        if (roundDone) {
            roundDone = false;
            // The hops past the host are no landmarks of the path.
            PathRecords copy = rec;
            if (const int host = copy.HostHop(); host > 0)
                copy.Hops.resize(std::size_t(host));
            lock.unlock();
            if (progress && !cancelled)
                progress(copy);
            lock.lock();
        }
    }
    lock.unlock();
    for (std::thread& t : threads)
        t.join();
    ::close(cancel);
    if (const int host = rec.HostHop(); host > 0)
        rec.Hops.resize(std::size_t(host));
    return rec;
}
