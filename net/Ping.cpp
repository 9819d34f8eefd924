#include "net/Ping.h"

#include "framework/Events.h"

#include <QCoreApplication>
#include <QEvent>
#include <QtGlobal>
#include <mutex>

namespace {

// The completion of a lookup, posted to the component (stands in for message 1026).
class LookupDoneEvent : public QEvent {
public:
    static QEvent::Type Kind()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    LookupDoneEvent(quint32 handle, quint16 error, quint32 address)
        : QEvent(Kind()), Handle(handle), Error(error), Address(address)
    {
    }
    const quint32 Handle;
    const quint16 Error;
    const quint32 Address;
};

} // namespace

// The only thing a lookup worker shares with the component: it posts the completion while the
// component lives and drops it after the component's destructor has disconnected it.
struct TPing::Courier {
    std::mutex Mutex;
    TPing* Target;

    explicit Courier(TPing* target) : Target(target) {}

    void Deliver(quint32 handle, const HostLookup& r)
    {
        std::lock_guard lock(Mutex);
        if (Target) // postEvent is thread-safe; the lock keeps Target alive meanwhile
            QCoreApplication::postEvent(
                Target, new LookupDoneEvent(handle, static_cast<quint16>(r.Error), r.Address));
    }
    void Disconnect()
    {
        std::lock_guard lock(Mutex);
        Target = nullptr;
    }
};

TPing::TPing(QObject* AOwner)
    : TPing(AOwner, OpenIcmpLayer(IcmpSocketKind::Auto), SystemHostResolver())
{
}

TPing::TPing(QObject* AOwner, std::unique_ptr<IcmpLayer> layer,
             std::shared_ptr<HostResolver> resolver)
    : QObject(AOwner), FResolver(resolver ? std::move(resolver) : SystemHostResolver())
{
    FIcmp = std::make_unique<TICMP>(std::move(layer), FResolver);
    FCourier = std::make_shared<Courier>(this);
    AttachRelays();
}

TPing::~TPing()
{
    try {
        CancelDnsLookup(); // reports 10004 for an outstanding lookup
    } catch (const std::exception& e) {
        qWarning("TPing: %s", e.what());
    }
    FCourier->Disconnect();
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

int TPing::Ping()
{
    return FIcmp ? FIcmp->Ping() : 0;
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
    FDnsResult.clear();

    std::uint32_t address = 0;
    if (DottedAddress(HostName, &address)) {
        FDnsResult = DottedText(address);
        Fire(OnDnsLookupDone, this, quint16{0});
        return;
    }

    const quint32 handle = ++FLastHandle ? FLastHandle : ++FLastHandle; // never 0
    if (!IsLookupText(HostName)) {
        FLookupHandle = handle;
        QCoreApplication::postEvent(
            this, new LookupDoneEvent(handle, static_cast<quint16>(WinSock::WSAHOST_NOT_FOUND), 0));
        return;
    }
    const int started = FResolver->RunDetached(
        [courier = FCourier, resolver = FResolver, name = HostName.toStdString(), handle] {
            courier->Deliver(handle, resolver->Lookup(name));
        });
    if (started != 0)
        throw Exception(QStringLiteral("%1: can't start DNS lookup, error #%2")
                            .arg(HostName, QString::number(started)));
    FLookupHandle = handle;
}

void TPing::CancelDnsLookup()
{
    if (FLookupHandle == 0)
        return;
    FLookupHandle = 0; // its completion, if already posted, is dropped by its handle
    Fire(OnDnsLookupDone, this, quint16{WinSock::WSAEINTR});
}

void TPing::WMAsyncGetHostByName(quint32 handle, quint16 error, quint32 address)
{
    if (handle == 0 || handle != FLookupHandle)
        return; // stale: cancelled or superseded
    FLookupHandle = 0;
    if (error == 0)
        FDnsResult = DottedText(address);
    Fire(OnDnsLookupDone, this, error);
}

bool TPing::event(QEvent* e)
{
    if (e->type() == LookupDoneEvent::Kind()) {
        const auto* done = static_cast<LookupDoneEvent*>(e);
        WMAsyncGetHostByName(done->Handle, done->Error, done->Address);
        return true;
    }
    return QObject::event(e);
}
