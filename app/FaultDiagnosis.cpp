#include "app/FaultDiagnosis.h"

#include "monitor/SampleHub.h"
#include "net/HostAddress.h"

#include <QDateTime>
#include <QMetaObject>
#include <chrono>

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
    if (s.Host != FKnownFor) {
        FKnownAddress = HostAddress{};
        FKnownFor = s.Host;
        FKnownHops = 0;
    }
    // The cycle's own lookup says how the name fares: the diagnosis never asks the name
    // servers again (a silent one would pile up lookups that cannot be cut short).
    FNameError = s.Outcome == Monitor::TOutcome::UnknownHost ? s.StatusCode : 0;
    HostAddress a;
    if (ParseAddressLiteral(s.Address, &a) == LiteralKind::Address) {
        FKnownAddress = a;
        if (const int hops = Monitor::HopsFromReplyTtl(s.ReplyTtl); s.HasReply() && hops > 0)
            FKnownHops = hops;
    }
    const bool down = FHub->Alert().Down();
    const bool answered = s.HasReply();
    // A line that stays down is looked at again when its failure changes kind (slow replies
    // turn into none, or back) and every few minutes: a verdict taken while the host still
    // answered, or before a router further on failed, no longer says where the fault is.
    const bool again = FWasDown && (answered != FDownAnswered || FLastStart.hasExpired(kRepeatMs));
    if (down && (!FWasDown || again) && !Running()) {
        Start(false);
        FDownAnswered = answered;
        FLastStart.start();
    }
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
    HopProber::Settings settings = Settings;
    settings.Rounds = live ? 0 : Settings.Rounds;
    if (FKnownHops > 0 && FKnownFor == FHost)
        settings.MaxHops = std::min(settings.MaxHops, FKnownHops + 2);

    FStop = std::make_shared<std::atomic<bool>>(false);
    FFinished = false;
    FLive = live;
    FRecords = PathRecords{};
    const int run = ++FRun;
    FWorker = std::thread([this, run, stop = FStop, target, nameGiven, settings] {
        auto post = [&](const PathRecords& r, bool final) {
            QMetaObject::invokeMethod(
                this,
                [this, run, r, final, nameGiven] {
                    if (run == FRun) // else a run stopped since
                        Take(r, final, nameGiven);
                },
                Qt::QueuedConnection);
        };
        const PathRecords records = HopProber::Run(
            target, settings, [&](const PathRecords& r) { post(r, false); }, *stop);
        if (!*stop)
            post(records, true);
    });
}

void TFaultDiagnosis::Take(const PathRecords& records, bool final, bool nameGiven)
{
    FRecords = records;
    Monitor::TFaultInput in;
    in.Path = records;
    in.NameGiven = nameGiven;
    in.NameError = FNameError;
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
