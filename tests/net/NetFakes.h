#pragma once
// Fakes at the two seams of the ICMP probing subsystem: the ICMP layer (net/IcmpLayer.h) and the
// host resolver (net/HostResolver.h). Other test folders may link zm_test_net_helpers to drive a
// TPing without sockets or DNS:
//   auto layer = std::make_unique<FakeIcmpLayer>(); FakeIcmpLayer* fake = layer.get();
//   auto resolver = std::make_shared<FakeResolver>();
//   TPing ping(nullptr, std::move(layer), resolver);
#include "net/HostResolver.h"
#include "net/IcmpLayer.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// Network-order address of a dotted text.
std::uint32_t Ip(const char* dotted);

class FakeIcmpLayer : public IcmpLayer {
public:
    struct Request {
        std::uint32_t Address;
        bool V6;
        Ip6Address Address6;
        std::vector<std::uint8_t> Data;
        std::uint8_t Ttl;
        std::uint8_t Flags;
        std::chrono::steady_clock::duration Wait; // deadline - time of the call
        std::size_t ReceiveSize;
    };

    explicit FakeIcmpLayer(IcmpSocketKind kind = IcmpSocketKind::Datagram) : FKind(kind) {}
    IcmpSocketKind Kind() const override { return FKind; }
    IcmpEchoResult Echo(const IcmpEchoParams& p, std::uint8_t* receiveArea,
                        std::size_t receiveSize) override;

    std::vector<Request> Requests;
    // How the fake answers; unset: an echo reply from the target with the request's data size
    // after RoundTripNs, TTL 64.
    std::function<IcmpEchoResult(const IcmpEchoParams&)> Answer;
    std::int64_t RoundTripNs = 12345678;

    // Canned answers.
    static IcmpEchoResult TimedOut();
    static IcmpEchoResult ErrorMessage(std::uint32_t from, int status,
                                       std::int64_t rttNs = 2000000);

private:
    IcmpSocketKind FKind;
};

class FakeResolver : public HostResolver {
public:
    enum class Run {
        Inline, // RunDetached runs the job at once on the calling thread
        Thread, // on a detached thread, after Delay
        Held,   // kept until the test runs it (RunHeld)
    };

    HostLookup Lookup(const std::string& name) override;
    int RunDetached(std::function<void()> job) override;

    void Answer(const std::string& name, const char* dotted, const std::string& official = {});
    // Gives the name an IPv6 address too (alone, when it has no answer yet).
    void Answer6(const std::string& name, const char* ip6);
    void Fail(const std::string& name, int code);

    int Lookups() const;
    std::vector<std::string> Names() const;
    std::size_t HeldCount() const;
    // Runs held job i (in order of starting) on this thread, or on a new thread and waits for it.
    void RunHeld(std::size_t i, bool onThread = false);
    // Forgets the held jobs (they hold the resolver: call it before the end of a test).
    void DropHeld();
    // Jobs started in Thread mode that have finished.
    int FinishedJobs() const;
    bool WaitFinished(int count, std::chrono::milliseconds timeout);

    Run Mode = Run::Inline;
    int StartError = 0; // RunDetached's answer; non-zero drops the job
    std::chrono::milliseconds Delay{0};

private:
    mutable std::mutex FMutex;
    std::condition_variable FFinishedCv;
    std::map<std::string, HostLookup> FAnswers;
    std::vector<std::string> FNames;
    std::vector<std::function<void()>> FHeld;
    int FFinished = 0;
};
