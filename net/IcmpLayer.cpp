#include "net/IcmpLayer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

IcmpLayer::~IcmpLayer() = default;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kEchoRequest6 = 128;
constexpr std::size_t kIcmpHeader = 8;
constexpr std::size_t kMaxIpHeader = 60;
constexpr std::size_t kMaxErrorMessage = 576; // the most an ICMP error message carries

// Keeps, in the kernel, only the packets of a raw socket that concern our identifier: echo
// replies carrying it, and error messages quoting a request that carries it. Without it every
// ICMP reply that reaches the machine queues on the socket between our pings, and once the
// queue is full our own reply is dropped.
bool AttachIdentifierFilter(int fd, std::uint16_t id)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),                        // X = IP header length
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                         // A = ICMP type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_ECHOREPLY, 0, 2),     // echo reply?
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                         // its identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 11, 12),               // ours: keep, else drop
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_DEST_UNREACH, 3, 0),  // error messages:
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_SOURCE_QUENCH, 2, 0), //
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_TIME_EXCEEDED, 1, 0), //
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_PARAMETERPROB, 0, 8), //
        BPF_STMT(BPF_LD | BPF_B | BPF_IND, 8),                         // quoted IP header's
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, 0x0F),                     //   length
        BPF_STMT(BPF_ALU | BPF_LSH | BPF_K, 2),                        //
        BPF_STMT(BPF_ALU | BPF_ADD | BPF_X, 0),                        //
        BPF_STMT(BPF_MISC | BPF_TAX, 0),                               // X = both headers
        BPF_STMT(BPF_LD | BPF_H | BPF_IND, 8 + 4),                     // quoted identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 0, 1),                 //
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                        // keep
        BPF_STMT(BPF_RET | BPF_K, 0),                                  // drop
    };
    sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

// The same for a raw ICMPv6 socket, which sees the ICMPv6 message without the IPv6 header: echo
// replies with our identifier, and error messages whose quoted request (after the quoted
// 40-byte IPv6 header) carries it.
bool AttachIdentifierFilter6(int fd, std::uint16_t id)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_B | BPF_ABS, 0),                       // A = ICMPv6 type
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP6_ECHO_REPLY, 0, 2), // echo reply?
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 4),                       // its identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 3, 4),               // ours: keep, else drop
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, ICMP6_PARAM_PROB, 3, 0), // errors are 1..4
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 8 + 40 + 4),              // quoted identifier
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, id, 0, 1),               //
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),                      // keep
        BPF_STMT(BPF_RET | BPF_K, 0),                                // drop
    };
    sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

// Throws away what queued before the filter was in place.
void DrainSocket(int fd)
{
    std::uint8_t scrap[64];
    while (::recv(fd, scrap, sizeof scrap, MSG_DONTWAIT | MSG_TRUNC) >= 0) {
    }
}

// errno values that report an ICMP error message pending on a socket (sk_err), not a local fault.
// (ICMPv6 reports "administratively prohibited" and "reject route" as EACCES.)
bool IsSoftError(int e, bool v6)
{
    if (e == EACCES)
        return v6;
    switch (e) {
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENOPROTOOPT:
    case ECONNREFUSED:
    case EMSGSIZE:
    case EOPNOTSUPP:
    case EHOSTDOWN:
    case ENONET:
    case EPROTO:
    case EREMOTEIO:
        return true;
    default:
        return false;
    }
}

int SendErrorStatus(int e)
{
    switch (e) {
    case ENETUNREACH:
    case EAFNOSUPPORT: // no IPv6 on this system
        return IcmpStatus::DestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return IcmpStatus::DestHostUnreachable;
    case EMSGSIZE:
        return IcmpStatus::PacketTooBig;
    case ENOBUFS:
    case ENOMEM:
    case EAGAIN:
        return IcmpStatus::NoResources;
    case EACCES: // e.g. a broadcast address
    case EINVAL:
    case EADDRNOTAVAIL:
    case EDESTADDRREQ:
        return IcmpStatus::BadDestination;
    default:
        return IcmpStatus::GeneralFailure;
    }
}

timespec ToTimespec(Clock::duration d)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return ts;
}

// What one recvmsg call fills: the data area given, the sender's address and the control
// messages (receive time, queued error). Points into itself, so it stays where it was made.
struct ReceiveBuffers {
    ReceiveBuffers(std::uint8_t* area, std::size_t areaSize) : Iov{area, areaSize}
    {
        Msg.msg_name = &From;
        Msg.msg_namelen = sizeof From;
        Msg.msg_iov = &Iov;
        Msg.msg_iovlen = 1;
        Msg.msg_control = Control;
        Msg.msg_controllen = sizeof Control;
    }
    ReceiveBuffers(const ReceiveBuffers&) = delete;
    ReceiveBuffers& operator=(const ReceiveBuffers&) = delete;

    union {
        sockaddr_in V4;
        sockaddr_in6 V6;
    } From{};
    alignas(cmsghdr) char Control[256];
    iovec Iov;
    msghdr Msg{};
};

std::atomic<unsigned> gInstances{0};

class LinuxIcmpLayer final : public IcmpLayer {
public:
    LinuxIcmpLayer(int fd, IcmpSocketKind kind, bool v6) : FFd(fd), FKind(kind), FV6(v6)
    {
        // A raw socket sees every echo reply on the machine; its identifier tells ours apart.
        // (The kernel picks the identifier of a datagram socket itself.)
        FId = static_cast<std::uint16_t>(static_cast<unsigned>(::getpid()) * 2654435761u +
                                         gInstances.fetch_add(1) * 40503u);
        if (FKind == IcmpSocketKind::Raw &&
            (FV6 ? AttachIdentifierFilter6(FFd, FId) : AttachIdentifierFilter(FFd, FId)))
            DrainSocket(FFd);
    }
    ~LinuxIcmpLayer() override { ::close(FFd); }

    IcmpSocketKind Kind() const override { return FKind; }

    IcmpEchoResult Echo(const IcmpEchoParams& p, std::uint8_t* area, std::size_t areaSize) override
    {
        IcmpEchoResult r;
        if (!Configure(p)) {
            r.Error = IcmpStatus::BadOption;
            return r;
        }
        const std::uint16_t seq = ++FSeq;
        std::uint8_t hdr[kIcmpHeader] = {FV6 ? kEchoRequest6 : kEchoRequest,
                                         0,
                                         0,
                                         0,
                                         static_cast<std::uint8_t>(FId >> 8),
                                         static_cast<std::uint8_t>(FId),
                                         static_cast<std::uint8_t>(seq >> 8),
                                         static_cast<std::uint8_t>(seq)};
        // The kernel fills in the checksum of a datagram socket, and of every ICMPv6 socket.
        if (FKind == IcmpSocketKind::Raw && !FV6) {
            const std::uint16_t sum = IcmpChecksum(hdr, sizeof hdr, p.Data, p.Size);
            hdr[2] = static_cast<std::uint8_t>(sum >> 8);
            hdr[3] = static_cast<std::uint8_t>(sum);
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = p.Address;
        sockaddr_in6 to6{};
        to6.sin6_family = AF_INET6;
        std::memcpy(&to6.sin6_addr, p.Address6.Bytes.data(), sizeof to6.sin6_addr);
        to6.sin6_scope_id = p.Address6.ScopeId;
        iovec iov[2] = {{hdr, sizeof hdr}, {const_cast<std::uint8_t*>(p.Data), p.Size}};
        msghdr msg{};
        msg.msg_name = FV6 ? static_cast<void*>(&to6) : static_cast<void*>(&to);
        msg.msg_namelen = FV6 ? sizeof to6 : sizeof to;
        msg.msg_iov = iov;
        msg.msg_iovlen = p.Size ? 2 : 1;

        Clock::time_point t0;
        timespec t0Real{};
        ssize_t sent;
        bool retried = false;
        for (;;) {
            ::clock_gettime(CLOCK_REALTIME, &t0Real);
            t0 = Clock::now();
            sent = ::sendmsg(FFd, &msg, 0);
            if (sent >= 0)
                break;
            const int e = errno;
            if (e == EINTR)
                continue;
            // A late ICMP error about an earlier request leaves its errno pending on a datagram
            // socket, and the next send reports it: read the queue and send once more.
            if (!retried && FKind == IcmpSocketKind::Datagram && IsSoftError(e, FV6)) {
                retried = true;
                DrainErrorQueue(area, areaSize);
                continue;
            }
            r.Error = SendErrorStatus(e);
            return r;
        }

        bool readErrors = false;
        for (;;) {
            if (readErrors) {
                readErrors = false;
                if (ReadErrorQueue(p, seq, t0, t0Real, area, areaSize, r))
                    return r;
            }
            ReceiveBuffers rb(area, areaSize);
            msghdr& rmsg = rb.Msg;
            const ssize_t n = ::recvmsg(FFd, &rmsg, MSG_DONTWAIT);
            const Clock::time_point t1 = Clock::now();
            if (n >= 0) {
                const std::size_t size = static_cast<std::size_t>(n);
                const bool mine = FV6 ? Match6(p, seq, area, size, rmsg, rb.From.V6, r)
                                  : FKind == IcmpSocketKind::Datagram
                                      ? MatchDatagram(p, seq, area, size, rmsg, rb.From.V4, r)
                                      : MatchRaw(p, seq, area, size, r);
                if (mine) {
                    r.RoundTripNs = RoundTrip(t0, t0Real, t1, rmsg);
                    if (rmsg.msg_flags & MSG_TRUNC) { // cannot happen with a reply to our request
                        r = IcmpEchoResult{};
                        r.Error = IcmpStatus::BufTooSmall;
                    }
                    return r;
                }
                if (t1 >= p.Deadline) // unrelated traffic never extends the wait
                    return TimedOut();
                continue;
            }
            const int e = errno;
            if (e == EINTR)
                continue;
            if (e != EAGAIN && e != EWOULDBLOCK) {
                if (!IsSoftError(e, FV6)) {
                    r.Error = IcmpStatus::GeneralFailure;
                    return r;
                }
                // A pending ICMP error: its details are in the error queue.
                readErrors = FKind == IcmpSocketKind::Datagram;
                if (t1 >= p.Deadline && !readErrors)
                    return TimedOut();
                continue;
            }
            if (t1 >= p.Deadline)
                return TimedOut();
            pollfd pfd[2] = {{FFd, POLLIN, 0}, {p.CancelFd, POLLIN, 0}};
            const timespec wait = ToTimespec(p.Deadline - t1);
            const int ready = ::ppoll(pfd, p.CancelFd >= 0 ? 2 : 1, &wait, nullptr);
            if (ready == 0)
                return TimedOut();
            if (ready < 0 && errno != EINTR) {
                r.Error = IcmpStatus::GeneralFailure;
                return r;
            }
            if (ready > 0 && p.CancelFd >= 0 && pfd[1].revents != 0)
                return TimedOut(); // the caller gave up on this request
            if (ready > 0 && (pfd[0].revents & POLLERR))
                readErrors = true; // (a raw socket queues none, but never spin on POLLERR)
            if (ready > 0 && (pfd[0].revents & POLLNVAL)) {
                r.Error = IcmpStatus::GeneralFailure;
                return r;
            }
        }
    }

private:
    static IcmpEchoResult TimedOut()
    {
        IcmpEchoResult r;
        r.Error = IcmpStatus::ReqTimedOut;
        return r;
    }

    // The round-trip time: from just before the send (t0) to the packet's arrival. The monotonic
    // clock brackets it: t1 is read just after the packet was taken from the socket. The
    // kernel's arrival stamp of the packet (SO_TIMESTAMPNS, on the real-time clock) narrows the
    // end to when the packet reached the socket, leaving out the time the receiving system call
    // itself takes, as iputils ping does; it is used only when it lies within [t0, t1] measured
    // on the monotonic clock, so a step of the real-time clock can never distort the result.
    static std::int64_t RoundTrip(Clock::time_point t0, const timespec& t0Real,
                                  Clock::time_point t1, msghdr& msg)
    {
        const std::int64_t bound =
            std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count();
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SO_TIMESTAMPNS ||
                c->cmsg_len < CMSG_LEN(sizeof(timespec)))
                continue;
            timespec arrived;
            std::memcpy(&arrived, CMSG_DATA(c), sizeof arrived);
            const std::int64_t ns =
                (static_cast<std::int64_t>(arrived.tv_sec) - t0Real.tv_sec) * 1000000000 +
                (arrived.tv_nsec - t0Real.tv_nsec);
            if (ns >= 0 && ns <= bound)
                return ns;
        }
        return bound;
    }

    // Applies TTL and don't-fragment, only when they differ from what the socket has.
    // For IPv6 the TTL is the hop limit.
    bool Configure(const IcmpEchoParams& p)
    {
        if (p.Ttl != FTtl) {
            const int v = p.Ttl;
            if (::setsockopt(FFd, FV6 ? IPPROTO_IPV6 : IPPROTO_IP, FV6 ? IPV6_UNICAST_HOPS : IP_TTL,
                             &v, sizeof v) != 0)
                return false;
            FTtl = p.Ttl;
        }
        const bool df = p.Flags & 0x02;
        const int pmtu = FV6 ? (df ? IPV6_PMTUDISC_DO : IPV6_PMTUDISC_DONT)
                             : (df ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT);
        if (pmtu != FPmtu) {
            if (::setsockopt(FFd, FV6 ? IPPROTO_IPV6 : IPPROTO_IP,
                             FV6 ? IPV6_MTU_DISCOVER : IP_MTU_DISCOVER, &pmtu, sizeof pmtu) != 0)
                return false;
            FPmtu = pmtu;
        }
        return true;
    }

    static void Fill(const IcmpAnswer& a, IcmpEchoResult& r)
    {
        r.Replies = 1;
        r.From = a.From;
        r.Status = a.Status;
        r.DataSize = a.DataSize;
        r.Ttl = a.Ttl;
        r.Tos = a.Tos;
        r.Flags = a.Flags;
    }

    // Datagram socket: the kernel hands over only echo replies carrying this socket's identifier,
    // without the IP header; TTL and TOS come as control messages.
    static bool MatchDatagram(const IcmpEchoParams& p, std::uint16_t seq, const std::uint8_t* b,
                              std::size_t n, msghdr& msg, const sockaddr_in& from,
                              IcmpEchoResult& r)
    {
        IcmpAnswer a;
        if (!ParseDatagramIcmp(b, n, from.sin_addr.s_addr, {p.Address, 0, seq}, a))
            return false;
        Fill(a, r);
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != IPPROTO_IP)
                continue;
            if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
                int v;
                std::memcpy(&v, CMSG_DATA(c), sizeof v);
                r.Ttl = static_cast<std::uint8_t>(v);
            } else if (c->cmsg_type == IP_TOS && c->cmsg_len >= CMSG_LEN(1)) {
                r.Tos = *CMSG_DATA(c);
            }
        }
        return true;
    }

    static Icmp6RequestKey Key6(const IcmpEchoParams& p, std::uint16_t id, std::uint16_t seq)
    {
        Icmp6RequestKey key;
        std::memcpy(key.Target, p.Address6.Bytes.data(), sizeof key.Target);
        key.Id = id;
        key.Seq = seq;
        return key;
    }

    static Ip6Address Sender6(const sockaddr_in6& from)
    {
        Ip6Address a;
        std::memcpy(a.Bytes.data(), &from.sin6_addr, a.Bytes.size());
        a.ScopeId = from.sin6_scope_id;
        return a;
    }

    // ICMPv6, either socket kind: the message alone; hop limit and traffic class come as
    // control messages.
    bool Match6(const IcmpEchoParams& p, std::uint16_t seq, const std::uint8_t* b, std::size_t n,
                msghdr& msg, const sockaddr_in6& from, IcmpEchoResult& r) const
    {
        IcmpAnswer a;
        const bool ok = FKind == IcmpSocketKind::Datagram
                            ? ParseDatagramIcmp6(b, n, Key6(p, 0, seq), a)
                            : ParseRawIcmp6(b, n, Key6(p, FId, seq), a);
        if (!ok)
            return false;
        Fill(a, r);
        r.From6 = Sender6(from);
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != IPPROTO_IPV6 || c->cmsg_len < CMSG_LEN(sizeof(int)))
                continue;
            int v;
            std::memcpy(&v, CMSG_DATA(c), sizeof v);
            if (c->cmsg_type == IPV6_HOPLIMIT)
                r.Ttl = static_cast<std::uint8_t>(v);
            else if (c->cmsg_type == IPV6_TCLASS)
                r.Tos = static_cast<std::uint8_t>(v);
        }
        return true;
    }

    // Raw socket: the ICMP packets that passed the socket's filter, IP header first.
    bool MatchRaw(const IcmpEchoParams& p, std::uint16_t seq, const std::uint8_t* b, std::size_t n,
                  IcmpEchoResult& r) const
    {
        IcmpAnswer a;
        if (!ParseRawIcmp(b, n, {p.Address, FId, seq}, a))
            return false;
        Fill(a, r);
        return true;
    }

    // Datagram socket: reads the error queue until it is empty or holds the error message about
    // this request (then true, with r filled in).
    bool ReadErrorQueue(const IcmpEchoParams& p, std::uint16_t seq, Clock::time_point t0,
                        const timespec& t0Real, std::uint8_t* area, std::size_t areaSize,
                        IcmpEchoResult& r)
    {
        for (;;) {
            ReceiveBuffers rb(area, areaSize);
            msghdr& msg = rb.Msg;
            const sockaddr_in& target = rb.From.V4; // the request's destination
            const ssize_t n = ::recvmsg(FFd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
            const Clock::time_point t1 = Clock::now();
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false; // empty
            }
            const sock_extended_err* ee = nullptr;
            for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level == (FV6 ? IPPROTO_IPV6 : IPPROTO_IP) &&
                    c->cmsg_type == (FV6 ? IPV6_RECVERR : IP_RECVERR) &&
                    c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err)))
                    ee = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
            }
            if (!ee || ee->ee_origin != (FV6 ? SO_EE_ORIGIN_ICMP6 : SO_EE_ORIGIN_ICMP))
                continue;
            if (FV6) {
                IcmpAnswer a;
                if (!ParseDatagramError6(
                        area, static_cast<std::size_t>(n),
                        reinterpret_cast<const std::uint8_t*>(&rb.From.V6.sin6_addr), ee->ee_type,
                        ee->ee_code, Key6(p, 0, seq), a))
                    continue;
                Fill(a, r);
                r.From6 = Sender6(rb.From.V6);
                const auto* sender = reinterpret_cast<const sockaddr_in6*>(SO_EE_OFFENDER(ee));
                const char* end = reinterpret_cast<const char*>(ee) + sizeof(sock_extended_err) +
                                  sizeof(sockaddr_in6);
                if (end <= rb.Control + msg.msg_controllen && sender->sin6_family == AF_INET6)
                    r.From6 = Sender6(*sender);
                r.RoundTripNs = RoundTrip(t0, t0Real, t1, msg);
                return true;
            }
            std::uint32_t offender = target.sin_addr.s_addr;
            const auto* sender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(ee));
            const char* end =
                reinterpret_cast<const char*>(ee) + sizeof(sock_extended_err) + sizeof(sockaddr_in);
            if (end <= rb.Control + msg.msg_controllen && sender->sin_family == AF_INET)
                offender = sender->sin_addr.s_addr;
            // The payload is the quoted echo request, ICMP header first; the name its target.
            IcmpAnswer a;
            if (!ParseDatagramError(area, static_cast<std::size_t>(n), target.sin_addr.s_addr,
                                    ee->ee_type, ee->ee_code, offender, {p.Address, 0, seq}, a))
                continue;
            Fill(a, r);
            r.RoundTripNs = RoundTrip(t0, t0Real, t1, msg);
            return true;
        }
    }

    void DrainErrorQueue(std::uint8_t* area, std::size_t areaSize)
    {
        for (int i = 0; i < 64; ++i) {
            ReceiveBuffers rb(area, areaSize);
            if (::recvmsg(FFd, &rb.Msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0 && errno != EINTR)
                return;
        }
    }

    int FFd;
    IcmpSocketKind FKind;
    bool FV6;
    std::uint16_t FId = 0;
    std::uint16_t FSeq = 0;
    int FTtl = -1;
    int FPmtu = -1;
};

int OpenSocket(IcmpSocketKind kind, bool v6, int* error)
{
    const int type = kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    const int fd = v6 ? ::socket(AF_INET6, type | SOCK_CLOEXEC, IPPROTO_ICMPV6)
                      : ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    const int on = 1;
    // The kernel's arrival time of each packet (no extra system call: it comes with the packet).
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    if (v6) {
        // Hop limit and traffic class of each reply; error messages through the error queue of
        // a datagram socket, through the filter below on a raw one.
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, &on, sizeof on);
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVTCLASS, &on, sizeof on);
        if (kind == IcmpSocketKind::Datagram &&
            ::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on) != 0) {
            *error = errno;
            ::close(fd);
            return -1;
        }
        if (kind == IcmpSocketKind::Raw) {
            icmp6_filter filter;
            ICMP6_FILTER_SETBLOCKALL(&filter);
            for (int t : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG,
                          ICMP6_TIME_EXCEEDED, ICMP6_PARAM_PROB})
                ICMP6_FILTER_SETPASS(t, &filter);
            ::setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
        }
        return fd;
    }
    if (kind == IcmpSocketKind::Datagram) {
        // ICMP error messages about our requests, and the TTL and TOS of each reply.
        if (::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0) {
            *error = errno;
            ::close(fd);
            return -1;
        }
        ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
        ::setsockopt(fd, IPPROTO_IP, IP_RECVTOS, &on, sizeof on);
    } else {
        // Keep only echo replies and the error messages out of the socket's queue (not, for
        // example, our own requests looping back).
        icmp_filter filter{};
        filter.data =
            ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
              (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
        ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    return fd;
}

} // namespace

std::size_t IcmpReceiveAreaSize(std::size_t size)
{
    return std::max(kMaxIpHeader + kIcmpHeader + size, kMaxErrorMessage);
}

namespace {

// One socket of the asked kind (Auto: datagram, else raw) for one family; null with *error.
std::unique_ptr<LinuxIcmpLayer> OpenFamily(IcmpSocketKind kind, bool v6, int* error)
{
    for (IcmpSocketKind k : {IcmpSocketKind::Datagram, IcmpSocketKind::Raw}) {
        if (kind != IcmpSocketKind::Auto && kind != k)
            continue;
        const int fd = OpenSocket(k, v6, error);
        if (fd >= 0)
            return std::make_unique<LinuxIcmpLayer>(fd, k, v6);
    }
    return nullptr;
}

// Both families: IPv4 always, IPv6 where the system has it. Both sockets are opened together,
// so that they live in the same network namespace.
class DualStackLayer final : public IcmpLayer {
public:
    DualStackLayer(std::unique_ptr<LinuxIcmpLayer> v4, std::unique_ptr<LinuxIcmpLayer> v6,
                   int v6Error)
        : FV4(std::move(v4)), FV6(std::move(v6)), FV6Error(v6Error)
    {
    }
    IcmpSocketKind Kind() const override { return FV4->Kind(); }
    IcmpEchoResult Echo(const IcmpEchoParams& p, std::uint8_t* area, std::size_t size) override
    {
        if (!p.V6)
            return FV4->Echo(p, area, size);
        if (FV6)
            return FV6->Echo(p, area, size);
        IcmpEchoResult r;
        r.Error = SendErrorStatus(FV6Error);
        return r;
    }

private:
    std::unique_ptr<LinuxIcmpLayer> FV4, FV6;
    int FV6Error;
};

} // namespace

std::unique_ptr<IcmpLayer> OpenIcmpLayer(IcmpSocketKind kind, int* error)
{
    int err = 0;
    std::unique_ptr<LinuxIcmpLayer> v4 = OpenFamily(kind, false, &err);
    if (!v4) {
        if (error)
            *error = err;
        return nullptr;
    }
    // The same kind for IPv6 as for IPv4 (both follow net.ipv4.ping_group_range).
    int err6 = 0;
    std::unique_ptr<LinuxIcmpLayer> v6 = OpenFamily(v4->Kind(), true, &err6);
    return std::make_unique<DualStackLayer>(std::move(v4), std::move(v6), err6);
}
