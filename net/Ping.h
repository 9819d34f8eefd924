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
// Lookups of text that is no host name (empty, over 255 characters, blanks, control characters,
// letters outside ASCII; see IsLookupText) fail with 11001 host not found, delivered like any
// other completion (posted, later), without asking the resolver.
#include "framework/Exception.h"
#include "net/HostResolver.h"
#include "net/icmp.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

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
    int Ping();

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
    void WMAsyncGetHostByName(quint32 handle, quint16 error, quint32 address);

    TPingDisplay OnDisplay;
    TPingRequest OnEchoRequest;
    TPingReply OnEchoReply;
    TDnsLookupDone OnDnsLookupDone;

    struct Courier; // shared with the lookup workers

protected:
    bool event(QEvent* e) override;

private:
    void AttachRelays();

    std::unique_ptr<TICMP> FIcmp;
    std::shared_ptr<HostResolver> FResolver;
    std::shared_ptr<Courier> FCourier;
    quint32 FLookupHandle = 0;
    quint32 FLastHandle = 0;
    QString FDnsResult;
};

// Texts of the component's exceptions (formatted with QString::asprintf conventions).
inline constexpr const char* kErrCantStartLookup = "%s: can't start DNS lookup, error #%d";
// Cancelling cannot fail on Linux (a completion already under way is dropped by its handle), so
// this text is kept for reference and never raised.
inline constexpr const char* kErrCancelFailed = "WSACancelAsyncRequest failed, error #%d";
