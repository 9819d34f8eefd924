#pragma once
// Unit icmp: the ICMP echo engine TICMP. It sends one ICMP echo request to one IPv4 or IPv6
// host, synchronously on the calling thread, and hands back the reply as the 28-byte echo reply
// record of the Windows ICMP service. On Linux the exchange goes through the ICMP layer of
// net/IcmpLayer.h (a datagram or raw ICMP socket) and names are resolved through the resolver
// seam of net/HostResolver.h.
//
// Decisions where the Windows service leaves no trace on Linux:
//  - Round-trip time: the layer measures on the monotonic clock from just before the send to
//    just after the reply is read, and narrows the end to the kernel's arrival stamp of the reply
//    when that lies inside the bracket (as iputils ping does), in nanoseconds; the precise figure
//    is LastRoundTripMicroseconds. The record holds whole milliseconds, truncated (floor): 150.0
//    to 150.999 ms read 150, so a responder that answers after 150 ms reads 150 (151 only when
//    the exchange itself costs a millisecond); a loopback reply under 1 ms reads 0, as on Windows.
//  - An ICMP error message (destination unreachable, time exceeded, parameter problem, source
//    quench) that quotes our request is, as with the Windows service, a reply: the result is 1,
//    Reply.Status holds the code of the status table (e.g. 11003 for host unreachable),
//    Reply.Address the sender of the message, RoundTripTime the time until it came, DataSize 0.
//    LastError is set to that same Status, so ErrorString names it. An echo reply leaves
//    LastError 0.
//  - A failed send (result 0) leaves a record that is all zero except Status = LastError.
//  - The pointer fields of the record (Data, Options.OptionsData) are 32-bit values here and
//    hold 0: the reply buffer they would point into is gone when Ping returns.
//  - Bad input: Size outside 0..65500 or a negative Timeout gives a failed send with 11011
//    "Bad request", a TTL whose low byte is 0 one with 11007 "Bad option" (nothing is sent;
//    OnEchoRequest and OnEchoReply with Error 0 are raised as for any failed send). A host text
//    that is no host name (empty, over 255 characters, blanks, control characters, letters
//    outside ASCII) fails to resolve with 11001, so Ping reports "Unable to resolve …" and
//    "Invalid host address" (11018).
//  - Time-out: Ping never blocks longer than Timeout. A name that Ping must resolve itself is
//    looked up on a worker thread and waited for until Timeout, counted from the start of the
//    call (a lookup still running then fails with 11002 "try again"); the echo then gets what
//    is left of the same Timeout. (The controller hands the engine the dotted DnsResult, so
//    this happens only to callers that set a name.)
//  - IPv6: Address may be an IPv6 literal (net/HostAddress.h) or a name that resolves to one
//    (IPv4 preferred when the name has both, unless PreferIPv6). The record keeps its IPv4
//    layout: for an IPv6 host its Address is 0 and the replying address is ReplyAddress6, beside
//    it; HostIP is the canonical text. ICMPv6 error messages map onto the status table
//    (IcmpReply.h: Icmp6StatusOfMessage); the hop limit is the low byte of TTL. A literal that is
//    malformed or names an unknown zone fails to resolve like an unknown name, after an
//    OnDisplay line that says which.
#include "framework/Exception.h"
#include "net/HostResolver.h"
#include "net/IcmpLayer.h"

#include <QString>
#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// IP options record of a reply (IP_OPTION_INFORMATION of the 32-bit service).
struct TIPOptionInformation {
    std::uint8_t TTL;
    std::uint8_t TOS;
    std::uint8_t Flags;
    std::uint8_t OptionsSize;
    std::uint32_t OptionsData; // a 32-bit pointer on Windows; 0 here
};

// Echo reply record (ICMP_ECHO_REPLY of the 32-bit service): 28 bytes, little-endian, no gaps.
struct TIcmpEchoReply {
    std::uint32_t Address;       // replying IPv4 address, network byte order
    std::uint32_t Status;        // status code (same code space as the status table)
    std::uint32_t RoundTripTime; // milliseconds
    std::uint16_t DataSize;      // data bytes in the reply
    std::uint16_t Reserved;
    std::uint32_t Data; // a 32-bit pointer on Windows; 0 here
    TIPOptionInformation Options;
};

static_assert(std::endian::native == std::endian::little, "the record is little-endian");
static_assert(sizeof(TIPOptionInformation) == 8);
static_assert(offsetof(TIPOptionInformation, TTL) == 0);
static_assert(offsetof(TIPOptionInformation, TOS) == 1);
static_assert(offsetof(TIPOptionInformation, Flags) == 2);
static_assert(offsetof(TIPOptionInformation, OptionsSize) == 3);
static_assert(offsetof(TIPOptionInformation, OptionsData) == 4);
static_assert(sizeof(TIcmpEchoReply) == 28);
static_assert(offsetof(TIcmpEchoReply, Address) == 0);
static_assert(offsetof(TIcmpEchoReply, Status) == 4);
static_assert(offsetof(TIcmpEchoReply, RoundTripTime) == 8);
static_assert(offsetof(TIcmpEchoReply, DataSize) == 12);
static_assert(offsetof(TIcmpEchoReply, Reserved) == 14);
static_assert(offsetof(TIcmpEchoReply, Data) == 16);
static_assert(offsetof(TIcmpEchoReply, Options) == 20);

// Raised by the constructor when the engine cannot start.
class TICMPException : public Exception {
public:
    using Exception::Exception;
};

// The four start-up texts of the Windows engine. On Linux only the last is raised: when neither
// a datagram nor a raw ICMP socket can be opened. There is no WinSock to start and no library
// to load, so the other three have no Linux meaning and are kept for reference.
inline constexpr const char* kErrInitWinsock = "Error initialising Winsock";
inline constexpr const char* kErrRegisterIcmpDll = "Unable to register icmp.dll";
inline constexpr const char* kErrLoadDllFunctions = "Error loading dll functions";
inline constexpr const char* kErrPingHandle = "Unable to get ping handle";

// The full text raised when no ICMP socket may be opened: "Unable to get ping handle" first,
// then the reason the system gave (errno `error`) and the two ways to allow ICMP: datagram
// ICMP sockets for the user's group (net.ipv4.ping_group_range) or the raw-socket capability
// for the program file at `program`.
QString IcmpPermissionMessage(int error, const QString& program);

// Opens the real ICMP layer (datagram socket if allowed, else raw), or raises TICMPException
// with IcmpPermissionMessage for this program.
std::unique_ptr<IcmpLayer> OpenIcmpLayerOrExplain();

// The request data: this text, then blanks up to Size.
inline constexpr char kIcmpPayloadText[] = "Round-trip probe payload of the ping monitor.";
static_assert(sizeof(kIcmpPayloadText) - 1 == 45);

constexpr int kIcmpMaxSize = 65500; // the largest Size sent
constexpr std::size_t kIcmpReplyRecordSize = sizeof(TIcmpEchoReply);

// Text of a status code by the engine's table ("ICMP error #<code>" for codes not in it).
QString IcmpErrorText(int code);

// Fills `size` bytes with the payload text followed by blanks.
void FillIcmpPayload(std::uint8_t* data, std::size_t size);

// One echo between its request event and its reply event: the two buffers of a send and what is
// handed to the ICMP layer. Made by TICMP::BeginEcho, finished by TICMP::EndEcho.
struct TEchoJob {
    IcmpEchoParams Params;
    std::unique_ptr<std::uint8_t[]> Request;
    std::unique_ptr<std::uint8_t[]> ReplyBuffer; // reply record, then the received packet
    std::size_t ReceiveSize = 0;
    int Refused = 0; // a status code when the settings forbid sending (nothing goes out)
};

class TICMP {
public:
    using TIcmpDisplay = std::function<void(TICMP* Sender, const QString& Msg)>;
    using TIcmpEchoRequest = std::function<void(TICMP* Sender)>;
    using TIcmpEchoReplyEvent = std::function<void(TICMP* Sender, int Error)>;

    // The real engine: the Linux ICMP layer (datagram socket if allowed, else raw) and the
    // system resolver. Raises TICMPException (IcmpPermissionMessage) if no socket opens.
    TICMP();
    // The same with a given layer and resolver (the seams). A null layer raises as above.
    explicit TICMP(std::unique_ptr<IcmpLayer> layer,
                   std::shared_ptr<HostResolver> resolver = SystemHostResolver());
    ~TICMP();
    TICMP(const TICMP&) = delete;
    TICMP& operator=(const TICMP&) = delete;

    const QString& Address() const { return FAddress; }
    void SetAddress(const QString& value); // a changed text clears AddressResolved
    int Size() const { return FSize; }
    void SetSize(int value) { FSize = value; }
    int Timeout() const { return FTimeout; }
    void SetTimeout(int value) { FTimeout = value; }
    int TTL() const { return FTTL; }
    void SetTTL(int value) { FTTL = value; }
    int Flags() const { return FFlags; }
    void SetFlags(int value) { FFlags = value; }

    // Sends one echo request; the number of replies (0 = failure, LastError tells why).
    int Ping();

    // Ping in three steps, for a caller that waits for the exchange on another thread (the ping
    // component keeps the user-interface thread free that way). BeginEcho resolves when needed
    // and raises OnDisplay and OnEchoRequest exactly as Ping does; it returns null when no echo
    // is sent (an unusable address). RunEcho is the blocking exchange: it touches only the job
    // and the socket, so it may run on any thread, one exchange at a time; `cancelFd`, when
    // readable, ends the wait early. EndEcho stores the reply and raises OnEchoReply.
    std::unique_ptr<TEchoJob> BeginEcho();
    IcmpEchoResult RunEcho(TEchoJob& job, int cancelFd = -1);
    int EndEcho(const TEchoJob& job, const IcmpEchoResult& r);
    // Resolves Address (waiting at most Timeout for a name); Ping calls it when needed.
    void ResolveAddress();

    const TIcmpEchoReply& Reply() const { return FReply; }
    const QString& HostName() const { return FHostName; }
    const QString& HostIP() const { return FHostIP; }
    int LastError() const { return FLastError; }
    bool AddressResolved() const { return FAddressResolved; }
    QString ErrorString() const { return IcmpErrorText(FLastError); }
    // The resolved IPv4 address, network byte order; all ones (kNoAddress) for none, 0 for an
    // IPv6 host.
    std::uint32_t IPAddress() const { return FIPAddress; }
    // The resolved address of either family.
    const HostAddress& Host() const { return FHost; }
    // The sender of the last IPv6 reply (the record's Address is 0 then).
    const Ip6Address& ReplyAddress6() const { return FReplyAddress6; }
    // Whether a name with both an IPv4 and an IPv6 address is pinged on IPv6; a change makes
    // the next Ping resolve again.
    bool PreferIPv6() const { return FPreferIPv6; }
    void SetPreferIPv6(bool value);

    // The round-trip time of the last send as measured, before rounding; -1 without a reply.
    double LastRoundTripMicroseconds() const
    {
        return FLastRoundTripNs < 0 ? -1.0 : static_cast<double>(FLastRoundTripNs) / 1000.0;
    }
    IcmpSocketKind SocketKind() const { return FLayer->Kind(); }

    TIcmpDisplay OnDisplay;
    TIcmpEchoRequest OnEchoRequest;
    TIcmpEchoReplyEvent OnEchoReply;

private:
    void ResolveUntil(std::chrono::steady_clock::time_point deadline);
    HostLookup LookupUntil(const std::string& name, std::chrono::steady_clock::time_point deadline);

    std::unique_ptr<IcmpLayer> FLayer; // stands in for the service handle
    std::shared_ptr<HostResolver> FResolver;
    TIcmpEchoReply FReply{};
    QString FAddress;
    QString FHostName;
    QString FHostIP;
    std::uint32_t FIPAddress = 0;
    HostAddress FHost;
    Ip6Address FReplyAddress6;
    bool FPreferIPv6 = false;
    int FSize = 56;
    int FTimeout = 4000;
    int FTTL = 64;
    int FFlags = 0;
    int FLastError = 0;
    bool FAddressResolved = false;
    std::int64_t FLastRoundTripNs = -1;
    std::chrono::steady_clock::time_point FCallStart;
    bool FResolvedNow = false;
};
