#include "net/Ping.h"

#include "framework/Events.h"

#include <QCoreApplication>
#include <QEvent>
#include <QtGlobal>
#include <algorithm>
#include <mutex>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace {

// The completion of a lookup, posted to the component (stands in for message 1026).
class LookupDoneEvent : public QEvent {
public:
    static QEvent::Type Kind()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    LookupDoneEvent(quint32 handle, const HostLookup& lookup)
        : QEvent(Kind()), Handle(handle), Lookup(lookup)
    {
    }
    const quint32 Handle;
    const HostLookup Lookup; // which family to ping is chosen when it is handled
};

// The end of an echo's wait, posted by its worker.
class EchoDoneEvent : public QEvent {
public:
    static QEvent::Type Kind()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    EchoDoneEvent(quint32 serial, const IcmpEchoResult& result)
        : QEvent(Kind()), Serial(serial), Result(result)
    {
    }
    const quint32 Serial;
    const IcmpEchoResult Result;
};

// More lookup workers than this never run at once; a lookup that finds them all still blocked
// (a name server that never answers) waits for its limit and fails.
constexpr int kMaxLookupWorkers = 2;

} // namespace

// One lookup worker's task: the name it looks up, and the lookup its answer goes to (a later
// lookup of the same name takes it over).
struct TPing::LookupJob {
    std::string Name;
    quint32 Handle = 0;
    bool Done = false;
};

// The only thing a lookup worker shares with the component: it posts the completion while the
// component lives and drops it after the component's destructor has disconnected it. It also
// knows which workers still run, so that lookups do not pile up behind a silent name server.
struct TPing::Courier {
    std::mutex Mutex;
    TPing* Target;
    std::shared_ptr<LookupJob> Latest; // the job started last
    int Running = 0;

    explicit Courier(TPing* target) : Target(target) {}

    void Finish(LookupJob& job, const HostLookup& r)
    {
        std::lock_guard lock(Mutex);
        job.Done = true;
        --Running;
        if (Target) // postEvent is thread-safe; the lock keeps Target alive meanwhile
            QCoreApplication::postEvent(Target, new LookupDoneEvent(job.Handle, r));
    }
    void Disconnect()
    {
        std::lock_guard lock(Mutex);
        Target = nullptr;
    }
};

TPing::TPing(QObject* AOwner) : TPing(AOwner, OpenIcmpLayerOrExplain(), SystemHostResolver()) {}

TPing::TPing(QObject* AOwner, std::unique_ptr<IcmpLayer> layer,
             std::shared_ptr<HostResolver> resolver)
    : QObject(AOwner), FResolver(resolver ? std::move(resolver) : SystemHostResolver())
{
    FIcmp = std::make_unique<TICMP>(std::move(layer), FResolver);
    FCourier = std::make_shared<Courier>(this);
    AttachRelays();
    FLookupLimit.setSingleShot(true);
    FLookupLimit.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early
    connect(&FLookupLimit, &QTimer::timeout, this, &TPing::LookupExpired);
}

TPing::~TPing()
{
    try {
        CancelDnsLookup(); // reports 10004 for an outstanding lookup
    } catch (const std::exception& e) {
        qWarning("TPing: %s", e.what());
    }
    FCourier->Disconnect();
    CancelEcho();
    if (FEchoCancel >= 0)
        ::close(FEchoCancel);
    FIcmp.reset();
}

void TPing::AttachRelays()
{
    FIcmp->OnDisplay = [this](TICMP* icmp, const QString& msg) {
        Fire(OnDisplay, this, icmp, msg);
    };
    FIcmp->OnEchoRequest = [this](TICMP* icmp) { Fire(OnEchoRequest, this, icmp); };
    FIcmp->OnEchoReply = [this](TICMP* icmp, int error) { Fire(OnEchoReply, this, icmp, error); };
}

QString TPing::Address() const
{
    return FIcmp ? FIcmp->Address() : QString();
}
void TPing::SetAddress(const QString& value)
{
    if (FIcmp)
        FIcmp->SetAddress(value);
}
int TPing::Size() const
{
    return FIcmp ? FIcmp->Size() : 0;
}
void TPing::SetSize(int value)
{
    if (FIcmp)
        FIcmp->SetSize(value);
}
int TPing::Timeout() const
{
    return FIcmp ? FIcmp->Timeout() : 0;
}
void TPing::SetTimeout(int value)
{
    if (FIcmp)
        FIcmp->SetTimeout(value);
}
int TPing::TTL() const
{
    return FIcmp ? FIcmp->TTL() : 0;
}
void TPing::SetTTL(int value)
{
    if (FIcmp)
        FIcmp->SetTTL(value);
}
int TPing::Flags() const
{
    return FIcmp ? FIcmp->Flags() : 0;
}
void TPing::SetFlags(int value)
{
    if (FIcmp)
        FIcmp->SetFlags(value);
}

bool TPing::PreferIPv6() const
{
    return FIcmp && FIcmp->PreferIPv6();
}
void TPing::SetPreferIPv6(bool value)
{
    if (FIcmp)
        FIcmp->SetPreferIPv6(value);
}

int TPing::Ping()
{
    CancelEcho();
    return FIcmp ? FIcmp->Ping() : 0;
}

bool TPing::PingAsync()
{
    if (!FIcmp || FEchoJob)
        return false;
    if (FEchoCancel < 0)
        FEchoCancel = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::unique_ptr<TEchoJob> job = FIcmp->BeginEcho();
    if (!job)
        return false;
    StopEchoWorker(); // the previous worker has posted its result and is ending
    FEchoJob = std::move(job);
    const quint32 serial = ++FEchoSerial;
    auto wait = [this, icmp = FIcmp.get(), job = FEchoJob.get(), fd = FEchoCancel, serial] {
        const IcmpEchoResult r = icmp->RunEcho(*job, fd);
        QCoreApplication::postEvent(this, new EchoDoneEvent(serial, r));
    };
    try {
        FEchoWorker = std::thread(wait);
    } catch (const std::system_error&) {
        wait(); // no thread to be had: wait here, as Ping does; the reply still comes later
    }
    return true;
}

void TPing::StopEchoWorker()
{
    if (FEchoWorker.joinable())
        FEchoWorker.join();
}

void TPing::CancelEcho()
{
    if (!FEchoJob)
        return;
    ++FEchoSerial; // a result already posted is dropped
    const std::uint64_t one = 1;
    const bool woken = FEchoCancel >= 0 && ::write(FEchoCancel, &one, sizeof one) == sizeof one;
    StopEchoWorker();
    if (woken) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(FEchoCancel, &count, sizeof count);
    }
    FEchoJob.reset();
}

void TPing::EchoDone(quint32 serial, const IcmpEchoResult& result)
{
    if (serial != FEchoSerial || !FEchoJob)
        return; // abandoned
    StopEchoWorker();
    const std::unique_ptr<TEchoJob> job = std::move(FEchoJob);
    FIcmp->EndEcho(*job, result);
}

int TPing::LookupLimitMs() const
{
    return std::clamp(Timeout(), 3000, 30000);
}
TIcmpEchoReply TPing::Reply() const
{
    return FIcmp ? FIcmp->Reply() : TIcmpEchoReply{};
}
QString TPing::ErrorString() const
{
    return FIcmp ? FIcmp->ErrorString() : QString();
}
QString TPing::HostName() const
{
    return FIcmp ? FIcmp->HostName() : QString();
}
QString TPing::HostIP() const
{
    return FIcmp ? FIcmp->HostIP() : QString();
}

void TPing::DnsLookup(const QString& HostName)
{
    // An outstanding lookup is forgotten without an event; its completion will not match.
    FLookupHandle = 0;
    FLookupLimit.stop();
    FDnsResult.clear();

    HostAddress literal;
    const LiteralKind kind = ParseAddressLiteral(HostName, &literal);
    if (kind == LiteralKind::Address) {
        FDnsResult = AddressText(literal);
        Fire(OnDnsLookupDone, this, quint16{0});
        return;
    }

    const quint32 handle = ++FLastHandle ? FLastHandle : ++FLastHandle; // never 0
    if (kind != LiteralKind::Name || !IsLookupText(HostName)) {
        if (kind != LiteralKind::Name) // say why, before the lookup fails
            Fire(OnDisplay, this, FIcmp.get(), LiteralFailureText(kind, HostName));
        FLookupHandle = handle;
        HostLookup failed;
        failed.Error = WinSock::WSAHOST_NOT_FOUND;
        QCoreApplication::postEvent(this, new LookupDoneEvent(handle, failed));
        return;
    }
    std::string name = HostName.toStdString();
    std::shared_ptr<LookupJob> job;
    {
        std::lock_guard lock(FCourier->Mutex);
        const std::shared_ptr<LookupJob>& last = FCourier->Latest;
        if (last && !last->Done && last->Name == name) {
            last->Handle = handle; // a worker already asks for this name: its answer is ours
        } else if (FCourier->Running < kMaxLookupWorkers) {
            job = std::make_shared<LookupJob>(LookupJob{std::move(name), handle, false});
            FCourier->Latest = job;
            ++FCourier->Running;
        } // else every worker is stuck: this lookup fails at its limit
    }
    if (job) {
        const int started = FResolver->RunDetached([courier = FCourier, resolver = FResolver, job] {
            courier->Finish(*job, resolver->Lookup(job->Name));
        });
        if (started != 0) {
            std::lock_guard lock(FCourier->Mutex);
            --FCourier->Running;
            if (FCourier->Latest == job)
                FCourier->Latest.reset();
            throw Exception(QStringLiteral("%1: can't start DNS lookup, error #%2")
                                .arg(HostName, QString::number(started)));
        }
    }
    FLookupHandle = handle;
    FLookupLimit.start(LookupLimitMs());
}

void TPing::LookupExpired()
{
    if (FLookupHandle != 0)
        WMAsyncGetHostByName(FLookupHandle, static_cast<quint16>(WinSock::WSATRY_AGAIN), 0);
}

void TPing::CancelDnsLookup()
{
    if (FLookupHandle == 0)
        return;
    FLookupHandle = 0; // its completion, if already posted, is dropped by its handle
    FLookupLimit.stop();
    Fire(OnDnsLookupDone, this, quint16{WinSock::WSAEINTR});
}

void TPing::ForgetLookups()
{
    std::lock_guard lock(FCourier->Mutex);
    FCourier->Latest.reset();
}

void TPing::WMAsyncGetHostByName(quint32 handle, quint16 error, quint32 address)
{
    WMAsyncGetHostByName(handle, error, HostAddress::FromV4(address));
}

void TPing::WMAsyncGetHostByName(quint32 handle, quint16 error, const HostAddress& address)
{
    if (handle == 0 || handle != FLookupHandle)
        return; // stale: cancelled or superseded
    FLookupHandle = 0;
    FLookupLimit.stop();
    if (error == 0)
        FDnsResult = AddressText(address);
    Fire(OnDnsLookupDone, this, error);
}

bool TPing::event(QEvent* e)
{
    if (e->type() == LookupDoneEvent::Kind()) {
        const auto* done = static_cast<LookupDoneEvent*>(e);
        WMAsyncGetHostByName(done->Handle, static_cast<quint16>(done->Lookup.Error),
                             done->Lookup.Pick(PreferIPv6()));
        return true;
    }
    if (e->type() == EchoDoneEvent::Kind()) {
        const auto* done = static_cast<EchoDoneEvent*>(e);
        EchoDone(done->Serial, done->Result);
        return true;
    }
    return QObject::event(e);
}
