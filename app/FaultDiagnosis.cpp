#include "app/FaultDiagnosis.h"

#include "monitor/SampleHub.h"
#include "net/HostAddress.h"
#include "net/HostResolver.h"

#include <QDateTime>
#include <QMetaObject>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// One lookup of the host's name on a thread of its own: getaddrinfo cannot be cut short, so the
// diagnosis waits for it only as long as it likes and leaves it behind otherwise.
struct TNameLookup {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    HostLookup Result;

    static std::shared_ptr<TNameLookup> Start(const std::string& name)
    {
        auto state = std::make_shared<TNameLookup>();
        std::thread([state, name] {
            const HostLookup r = SystemHostResolver()->Lookup(name);
            std::lock_guard lock(state->Mutex);
            state->Result = r;
            state->Finished = true;
            state->Done.notify_all();
        }).detach();
        return state;
    }
    // Waits up to `ms` (in slices, so that a stop is seen); whether it finished.
    bool Wait(int ms, const std::atomic<bool>& stop)
    {
        std::unique_lock lock(Mutex);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!Finished && !stop && std::chrono::steady_clock::now() < until)
            Done.wait_for(lock, std::chrono::milliseconds(50));
        return Finished;
    }
    // The lookup's error if it has finished; -1 while it runs.
    int Error()
    {
        std::lock_guard lock(Mutex);
        return Finished ? Result.Error : -1;
    }
};

constexpr int kNameWaitMs = 4000;

} // namespace

TFaultDiagnosis::TFaultDiagnosis(Monitor::TSampleHub* hub, QObject* parent)
    : QObject(parent), FHub(hub)
{
    hub->SetDownNoticeWait(kNoticeWaitMs);
    hub->Listen([this](const Monitor::TSample&) { OnSample(); });
}

TFaultDiagnosis::~TFaultDiagnosis()
{
    Stop();
}

void TFaultDiagnosis::OnSample()
{
    const Monitor::TSample& s = FHub->Last();
    if (s.HasReply()) {
        HostAddress a;
        if (ParseAddressLiteral(s.Address, &a) == LiteralKind::Address) {
            FKnownAddress = a;
            FKnownFor = s.Host;
            if (const int hops = Monitor::HopsFromReplyTtl(s.ReplyTtl); hops > 0)
                FKnownHops = hops;
        }
    } else if (s.Host != FKnownFor) {
        FKnownAddress = HostAddress{};
        FKnownFor.clear();
        FKnownHops = 0;
    }
    const bool down = FHub->Alert().Down();
    if (down && !FWasDown && !Running())
        Start(false);
    FWasDown = down;
}

void TFaultDiagnosis::StartLive()
{
    if (FLive && Running())
        return;
    Start(true);
}

void TFaultDiagnosis::StopLive()
{
    if (FLive)
        Stop();
}

void TFaultDiagnosis::Stop()
{
    if (FStop)
        *FStop = true;
    if (FWorker.joinable())
        FWorker.join();
    FFinished = true;
    FLive = false;
}

void TFaultDiagnosis::Start(bool live)
{
    Stop();
    if (!FHub || !FHub->Last().Time.isValid())
        return;
    FHost = FHub->Last().Host;
    HostAddress target;
    const bool nameGiven = ParseAddressLiteral(FHost, &target) == LiteralKind::Name;
    if (nameGiven)
        target = FKnownFor == FHost ? FKnownAddress : HostAddress{};
    const bool preferV6 = FHub->PreferIPv6();
    HopProber::Settings settings = Settings;
    settings.Rounds = live ? 0 : Settings.Rounds;
    if (FKnownHops > 0 && FKnownFor == FHost)
        settings.MaxHops = std::min(settings.MaxHops, FKnownHops + 4);
    const int knownHops = FKnownFor == FHost ? FKnownHops : 0;

    FStop = std::make_shared<std::atomic<bool>>(false);
    FFinished = false;
    FLive = live;
    FRecords = PathRecords{};
    const int run = ++FRun;
    const std::string name = FHost.toStdString();
    FWorker = std::thread([this, run, stop = FStop, target, nameGiven, preferV6, settings, name,
                           knownHops]() mutable {
        std::shared_ptr<TNameLookup> lookup;
        if (nameGiven) {
            lookup = TNameLookup::Start(name);
            // Without an address from earlier, the name must give one before any probe.
            if (!target.Usable() && lookup->Wait(kNameWaitMs, *stop) && lookup->Result.Error == 0)
                target = lookup->Result.Pick(preferV6);
        }
        auto post = [&](const PathRecords& r, bool final) {
            int error = lookup ? lookup->Error() : 0;
            bool given = nameGiven;
            if (final && lookup && error < 0)
                error = lookup->Wait(1000, *stop) ? lookup->Error() : WinSock::WSATRY_AGAIN;
            if (error < 0) // not known yet: judged on the path alone for now
                given = false;
            QMetaObject::invokeMethod(
                this,
                [this, run, r, final, error, given, knownHops] {
                    if (run != FRun)
                        return; // a run stopped since
                    FKnownHops = knownHops > 0 ? knownHops : FKnownHops;
                    Take(r, final, error, given);
                },
                Qt::QueuedConnection);
        };
        const PathRecords records = HopProber::Run(
            target, settings, [&](const PathRecords& r) { post(r, false); }, *stop);
        if (!*stop)
            post(records, true);
    });
}

void TFaultDiagnosis::Take(const PathRecords& records, bool final, int nameError, bool nameGiven)
{
    FRecords = records;
    Monitor::TFaultInput in;
    in.Path = records;
    in.NameGiven = nameGiven;
    in.NameError = nameError;
    in.KnownHops = FKnownFor == FHost ? FKnownHops : 0;
    FVerdict = Monitor::DecideFault(in, QDateTime::currentDateTime());
    // An automatic run speaks once, at its end; a live one after every round.
    if (FHub && (final || FLive))
        FHub->SetFault(FVerdict);
    if (final) {
        FFinished = true;
        if (FWorker.joinable())
            FWorker.join();
    }
    emit Updated();
    if (final)
        emit Finished();
}
