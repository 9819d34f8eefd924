#include "NetFakes.h"

#include <arpa/inet.h>
#include <memory>
#include <thread>

std::uint32_t Ip(const char* dotted)
{
    return ::inet_addr(dotted);
}

IcmpEchoResult FakeIcmpLayer::Echo(const IcmpEchoParams& p, std::uint8_t*, std::size_t receiveSize)
{
    Request r;
    r.Address = p.Address;
    r.V6 = p.V6;
    r.Address6 = p.Address6;
    r.Data.assign(p.Data, p.Data + p.Size);
    r.Ttl = p.Ttl;
    r.Flags = p.Flags;
    r.Wait = p.Deadline - std::chrono::steady_clock::now();
    r.ReceiveSize = receiveSize;
    Requests.push_back(std::move(r));
    if (Answer)
        return Answer(p);
    IcmpEchoResult res;
    res.Replies = 1;
    res.From = p.Address;
    res.From6 = p.Address6;
    res.Status = 0;
    res.RoundTripNs = RoundTripNs;
    res.DataSize = p.Size;
    res.Ttl = 64;
    return res;
}

IcmpEchoResult FakeIcmpLayer::TimedOut()
{
    IcmpEchoResult r;
    r.Error = IcmpStatus::ReqTimedOut;
    return r;
}

IcmpEchoResult FakeIcmpLayer::ErrorMessage(std::uint32_t from, int status, std::int64_t rttNs)
{
    IcmpEchoResult r;
    r.Replies = 1;
    r.From = from;
    r.Status = static_cast<std::uint32_t>(status);
    r.RoundTripNs = rttNs;
    return r;
}

HostLookup FakeResolver::Lookup(const std::string& name)
{
    std::lock_guard lock(FMutex);
    FNames.push_back(name);
    const auto it = FAnswers.find(name);
    if (it != FAnswers.end())
        return it->second;
    HostLookup r;
    r.Error = WinSock::WSAHOST_NOT_FOUND;
    return r;
}

int FakeResolver::RunDetached(std::function<void()> job)
{
    if (StartError != 0)
        return StartError;
    switch (Mode) {
    case Run::Inline:
        job();
        break;
    case Run::Thread: {
        const auto delay = Delay;
        std::thread([this, delay, job = std::move(job)] {
            std::this_thread::sleep_for(delay);
            job();
            std::lock_guard lock(FMutex);
            ++FFinished;
            FFinishedCv.notify_all();
        }).detach();
        break;
    }
    case Run::Held: {
        std::lock_guard lock(FMutex);
        FHeld.push_back(std::move(job));
        break;
    }
    }
    return 0;
}

void FakeResolver::Answer(const std::string& name, const char* dotted, const std::string& official)
{
    std::lock_guard lock(FMutex);
    HostLookup r;
    r.Address = Ip(dotted);
    r.OfficialName = official;
    FAnswers[name] = r;
}

void FakeResolver::Answer6(const std::string& name, const char* ip6)
{
    std::lock_guard lock(FMutex);
    const bool known = FAnswers.count(name) != 0;
    HostLookup& r = FAnswers[name];
    r.HasV4 = known;
    r.HasV6 = true;
    ::inet_pton(AF_INET6, ip6, r.Address6.Bytes.data());
}

void FakeResolver::Fail(const std::string& name, int code)
{
    std::lock_guard lock(FMutex);
    HostLookup r;
    r.Error = code;
    FAnswers[name] = r;
}

int FakeResolver::Lookups() const
{
    std::lock_guard lock(FMutex);
    return static_cast<int>(FNames.size());
}

std::vector<std::string> FakeResolver::Names() const
{
    std::lock_guard lock(FMutex);
    return FNames;
}

std::size_t FakeResolver::HeldCount() const
{
    std::lock_guard lock(FMutex);
    return FHeld.size();
}

void FakeResolver::RunHeld(std::size_t i, bool onThread)
{
    std::function<void()> job;
    {
        std::lock_guard lock(FMutex);
        job = std::move(FHeld.at(i));
        FHeld.at(i) = [] {};
    }
    if (onThread)
        std::thread(job).join();
    else
        job();
}

void FakeResolver::DropHeld()
{
    std::vector<std::function<void()>> held;
    {
        std::lock_guard lock(FMutex);
        held.swap(FHeld);
    }
}

int FakeResolver::FinishedJobs() const
{
    std::lock_guard lock(FMutex);
    return FFinished;
}

bool FakeResolver::WaitFinished(int count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(FMutex);
    return FFinishedCv.wait_for(lock, timeout, [&] { return FFinished >= count; });
}
