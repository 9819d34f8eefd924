#pragma once
// Unit Ping: the ping component TPing. It owns one echo engine (net/icmp.h),
// republishes its settings as properties, relays its events with itself as sender, and adds a
// host lookup that does not block the user interface.
//
// The lookup on Linux: a dotted address completes inside DnsLookup. A name is looked up by the
// resolver seam (getaddrinfo) on a detached worker thread; its completion is posted to the Qt
// event loop and handled on the component's (the user-interface) thread. Each lookup has a
// handle number; a completion whose handle is not the outstanding one (a cancelled or superseded
// lookup) is dropped, so it never delivers. A worker that is still blocked in getaddrinfo when
// the component is destroyed is never waited for: it shares only a small courier object with the
// component, which the destructor disconnects, so the worker drops its result and touches no
// freed memory.
//
// Lookups and DnsResult cover IPv6 as well (see net/HostAddress.h): an IPv6 literal completes
// inside DnsLookup like a dotted address, with DnsResult its canonical text; a name's lookup
// gives its IPv4 address when it has one, else its IPv6 one, or the IPv6 one first when
// PreferIPv6 is set. A text that looks like an IPv6 literal but is none (malformed, or a zone
// that names no interface) raises OnDisplay with the reason inside DnsLookup, then fails like a
// text that is no host name.
//
// Lookups of text that is no host name (empty, over 255 characters, blanks, control characters,
// letters outside ASCII; see IsLookupText) fail with 11001 host not found, delivered like any
// other completion (posted, later), without asking the resolver.
//
// A lookup never outlives its limit (the time-out setting, at least 3 s and at most 30 s): one
// still running then completes as failed with 11002 "try again". Its worker cannot be stopped
// inside getaddrinfo; a new lookup of the same name takes over that worker's answer instead of
// starting another, and no more than two workers ever run, so a name server that never answers
// cannot make threads pile up.
//
// The echo: PingAsync raises OnDisplay and OnEchoRequest inside the call, as Ping does, then
// waits for the reply on a worker thread of the component's own and raises OnEchoReply later
// on the component's thread, through the event loop. One echo is outstanding at a time;
// CancelEcho abandons it (its reply event never comes), and so does destroying the component,
// which wakes the worker at once instead of waiting out the time-out. An Address that is a
// name still to be resolved is resolved inside PingAsync, as inside Ping (up to the time-out);
// the controller never meets this, as it hands over the dotted result of its own lookup.
#include "framework/Exception.h"
#include "net/HostResolver.h"
#include "net/icmp.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <thread>

class QEvent;

// Events of the component (Sender is the component, Icmp its engine).
using TPingDisplay = std::function<void(QObject* Sender, TICMP* Icmp, const QString& Msg)>;
using TPingRequest = std::function<void(QObject* Sender, TICMP* Icmp)>;
using TPingReply = std::function<void(QObject* Sender, TICMP* Icmp, int Error)>;
using TDnsLookupDone = std::function<void(QObject* Sender, quint16 Error)>;

class TPing : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Address READ Address WRITE SetAddress)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(int Timeout READ Timeout WRITE SetTimeout)
    Q_PROPERTY(int TTL READ TTL WRITE SetTTL)
    Q_PROPERTY(int Flags READ Flags WRITE SetFlags)

public:
    // The real component: engine on the Linux ICMP layer, lookups by the system resolver. A
    // TICMPException from the engine propagates.
    explicit TPing(QObject* AOwner = nullptr);
    // The same on given seams (the engine uses the same resolver for names it must resolve).
    TPing(QObject* AOwner, std::unique_ptr<IcmpLayer> layer,
          std::shared_ptr<HostResolver> resolver);
    ~TPing() override;

    QString Address() const;
    void SetAddress(const QString& value);
    int Size() const;
    void SetSize(int value);
    int Timeout() const;
    void SetTimeout(int value);
    int TTL() const;
    void SetTTL(int value);
    int Flags() const;
    void SetFlags(int value);

    // Starts a lookup: a dotted address completes (OnDnsLookupDone 0) before this returns; a
    // name completes later through the event loop. An outstanding lookup is cancelled silently.
    // Raises Exception("<host>: can't start DNS lookup, error #<code>") when no worker starts.
    virtual void DnsLookup(const QString& HostName);
    // Cancels the outstanding lookup, which then reports 10004; nothing outstanding: nothing.
    void CancelDnsLookup();
    // The network changed: a worker still asking for a name gives its answer to no later
    // lookup, which asks afresh.
    void ForgetLookups();
    // The engine's Ping, blocking the calling thread (an outstanding PingAsync is abandoned).
    int Ping();
    // Starts one echo without blocking (see the unit's comment): false when none was sent,
    // because the address is unusable (OnDisplay said so) or an echo is still outstanding.
    bool PingAsync();
    bool EchoOutstanding() const { return FEchoJob != nullptr; }
    // Abandons the outstanding echo: no reply event follows. Nothing outstanding: nothing.
    void CancelEcho();
    // How long a lookup may take before it fails with 11002, in milliseconds.
    int LookupLimitMs() const;

    TIcmpEchoReply Reply() const;
    QString ErrorString() const;
    QString HostName() const;
    QString HostIP() const;
    const QString& DnsResult() const { return FDnsResult; }
    TICMP* Icmp() const { return FIcmp.get(); }

    // The outstanding lookup's handle; 0 when none.
    quint32 LookupHandle() const { return FLookupHandle; }
    // Completion of lookup `handle` (handled on the component's thread): ignored unless it is
    // the outstanding lookup; then DnsResult := the address if Error is 0, and OnDnsLookupDone.
    void WMAsyncGetHostByName(quint32 handle, quint16 error, const HostAddress& address);
    void WMAsyncGetHostByName(quint32 handle, quint16 error, quint32 address); // IPv4
    // Whether a name with addresses of both families resolves to IPv6 (default: IPv4).
    bool PreferIPv6() const;
    void SetPreferIPv6(bool value);

    TPingDisplay OnDisplay;
    TPingRequest OnEchoRequest;
    TPingReply OnEchoReply;
    TDnsLookupDone OnDnsLookupDone;

    struct Courier; // shared with the lookup workers
    struct LookupJob;

protected:
    bool event(QEvent* e) override;

private:
    void AttachRelays();
    void LookupExpired();
    void EchoDone(quint32 serial, const IcmpEchoResult& result);
    void StopEchoWorker();

    std::unique_ptr<TICMP> FIcmp;
    std::shared_ptr<HostResolver> FResolver;
    std::shared_ptr<Courier> FCourier;
    quint32 FLookupHandle = 0;
    quint32 FLastHandle = 0;
    QString FDnsResult;
    QTimer FLookupLimit;
    // The outstanding echo, the worker that waits for it, and the descriptor that wakes it.
    std::unique_ptr<TEchoJob> FEchoJob;
    std::thread FEchoWorker;
    int FEchoCancel = -1;
    quint32 FEchoSerial = 0;
};

// Texts of the component's exceptions (formatted with QString::asprintf conventions).
inline constexpr const char* kErrCantStartLookup = "%s: can't start DNS lookup, error #%d";
// Cancelling cannot fail on Linux (a completion already under way is dropped by its handle), so
// this text is kept for reference and never raised.
inline constexpr const char* kErrCancelFailed = "WSACancelAsyncRequest failed, error #%d";
