// echo_responder: the project's own test echo responder.
//
// Answers ICMP echo requests the way a test asks, from inside a network namespace that the test
// made (tests/support/NetNamespace.h) and in which the kernel's own answers are switched off
// (net.ipv4.icmp_echo_ignore_all = 1). It reads every echo request on a raw ICMP socket (needs
// CAP_NET_RAW) and, per request:
//   (default)            answers with an echo reply carrying the request's identifier, sequence
//                        and data, at once;
//   --delay-ms N         answers N milliseconds after the request arrived (monotonic clock);
//   --drop               never answers;
//   --drop-every N       never answers every Nth request (the 3rd, 6th ... for N = 3);
//   --unreachable CODE   answers with an ICMP destination-unreachable message of that code
//                        (0 net, 1 host, 2 protocol, 3 port ...) quoting the request;
//   --error TYPE:CODE    answers with any ICMP error message (11:0 time exceeded, 12:0
//                        parameter problem, 4:0 source quench ...) quoting the request;
//   --bad-checksum       answers as above, but with a damaged ICMP checksum;
//   --count N            exits after handling N requests (default: runs until killed);
//   --ipv6               answers ICMPv6 echo requests instead (raw ICMPv6 socket; switch the
//                        kernel's own answers off with net.ipv6.icmp.echo_ignore_all = 1), on
//                        every address of the namespace, each answer sent from the address the
//                        request went to; --unreachable then gives ICMPv6 destination-unreachable
//                        codes (0 no route, 1 prohibited, 3 address, 4 port ...) and --error
//                        ICMPv6 types (2:0 packet too big, 3:0 hop limit exceeded, 4:0 parameter
//                        problem ...). --bad-checksum does not apply: the kernel sums ICMPv6.
// It prints "ready" on standard output once its socket is open, then one line per request:
// request id=I seq=S from=A ttl=T df=0|1 size=N data="<first 64 data bytes>" -> reply|drop|error
// T:C (TTL and the don't-fragment bit as the request arrived; '.' for unprintable data bytes;
// for IPv6 the hop limit, df=0, and to=<the address the request went to>).
//
// Use in a test:
//   NetNamespace ns;
//   ChildProcess r = ns.Spawn({ZM_ECHO_RESPONDER, "--delay-ms", "150"});
//   r.WaitForLine("ready", std::chrono::seconds(10));
//   ... ping 127.0.0.1 from a thread inside ns ...
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Mode { Reply, Drop, Error };

struct Pending {
    timespec Due;
    sockaddr_in To;
    sockaddr_in6 To6;                 // IPv6: the requester
    in6_pktinfo Source6;              // IPv6: the address and interface the request came in on
    std::vector<std::uint8_t> Packet; // whole ICMP message to send
};

// One request as received: its IP header (for IPv6 rebuilt, as the socket does not hand it
// over), its ICMP message and where it came from.
struct Request {
    std::vector<std::uint8_t> IpHeader;
    const std::uint8_t* Icmp = nullptr;
    std::size_t IcmpLen = 0;
    std::string From, To;
    unsigned Ttl = 0;
    int Df = 0;
};

void SendV6(int fd, Pending& p)
{
    iovec iov{p.Packet.data(), p.Packet.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in6_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &p.To6;
    msg.msg_namelen = sizeof p.To6;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IPV6;
    c->cmsg_type = IPV6_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in6_pktinfo));
    std::memcpy(CMSG_DATA(c), &p.Source6, sizeof p.Source6);
    if (sendmsg(fd, &msg, 0) < 0)
        std::perror("echo_responder: sendmsg");
}

std::uint16_t Checksum(const std::uint8_t* p, std::size_t n)
{
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < n; i += 2)
        sum += static_cast<std::uint32_t>(p[i] << 8 | p[i + 1]);
    if (i < n)
        sum += static_cast<std::uint32_t>(p[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

void SetChecksum(std::vector<std::uint8_t>& m)
{
    m[2] = m[3] = 0;
    const std::uint16_t c = Checksum(m.data(), m.size());
    m[2] = static_cast<std::uint8_t>(c >> 8);
    m[3] = static_cast<std::uint8_t>(c);
}

timespec Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

timespec AddMs(timespec t, long ms)
{
    t.tv_sec += ms / 1000;
    t.tv_nsec += (ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// An IPv4 echo request from a raw ICMP socket (IP header first); -1 when it is none.
ssize_t ReceiveV4(int fd, std::vector<std::uint8_t>& buf, Pending& p, Request& rq)
{
    socklen_t fromLen = sizeof p.To;
    const ssize_t n =
        recvfrom(fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&p.To), &fromLen);
    if (n < 20)
        return -1;
    const std::size_t ihl = (buf[0] & 0x0F) * 4u;
    if (ihl < 20 || static_cast<std::size_t>(n) < ihl + 8 || buf[ihl] != ICMP_ECHO)
        return -1;
    rq.IpHeader.assign(buf.data(), buf.data() + ihl);
    rq.Icmp = buf.data() + ihl;
    rq.IcmpLen = static_cast<std::size_t>(n) - ihl;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &p.To.sin_addr, text, sizeof text);
    rq.From = text;
    rq.Ttl = buf[8];
    rq.Df = (buf[6] & 0x40) ? 1 : 0;
    return n;
}

// An ICMPv6 echo request: the message alone, the rest from the control messages.
ssize_t ReceiveV6(int fd, std::vector<std::uint8_t>& buf, Pending& p, Request& rq)
{
    iovec iov{buf.data(), buf.size()};
    alignas(cmsghdr) char control[256];
    msghdr msg{};
    msg.msg_name = &p.To6;
    msg.msg_namelen = sizeof p.To6;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(fd, &msg, 0);
    if (n < 8 || buf[0] != ICMP6_ECHO_REQUEST)
        return -1;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != IPPROTO_IPV6)
            continue;
        if (c->cmsg_type == IPV6_PKTINFO)
            std::memcpy(&p.Source6, CMSG_DATA(c), sizeof p.Source6);
        else if (c->cmsg_type == IPV6_HOPLIMIT)
            std::memcpy(&rq.Ttl, CMSG_DATA(c), sizeof(int));
    }
    // The request's IPv6 header as an error message quotes it.
    rq.IpHeader.assign(40, 0);
    rq.IpHeader[0] = 0x60;
    rq.IpHeader[4] = static_cast<std::uint8_t>(n >> 8);
    rq.IpHeader[5] = static_cast<std::uint8_t>(n);
    rq.IpHeader[6] = IPPROTO_ICMPV6;
    rq.IpHeader[7] = static_cast<std::uint8_t>(rq.Ttl);
    std::memcpy(&rq.IpHeader[8], &p.To6.sin6_addr, 16);
    std::memcpy(&rq.IpHeader[24], &p.Source6.ipi6_addr, 16);
    rq.Icmp = buf.data();
    rq.IcmpLen = static_cast<std::size_t>(n);
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &p.To6.sin6_addr, text, sizeof text);
    rq.From = text;
    inet_ntop(AF_INET6, &p.Source6.ipi6_addr, text, sizeof text);
    rq.To = text;
    return n;
}

int Usage()
{
    std::fprintf(stderr, "usage: echo_responder [--delay-ms N] [--drop] [--unreachable CODE] "
                         "[--error TYPE:CODE] [--drop-every N] [--bad-checksum] [--count N] "
                         "[--ipv6]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Mode mode = Mode::Reply;
    long delayMs = 0;
    int errType = 3, errCode = 1;
    long count = -1;
    long dropEvery = 0;
    bool badChecksum = false;
    bool v6 = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--delay-ms" && hasValue) {
            delayMs = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--drop") {
            mode = Mode::Drop;
        } else if (a == "--unreachable" && hasValue) {
            mode = Mode::Error;
            errType = -1; // destination unreachable of the family
            errCode = std::atoi(argv[++i]);
        } else if (a == "--error" && hasValue) {
            mode = Mode::Error;
            if (std::sscanf(argv[++i], "%d:%d", &errType, &errCode) != 2)
                return Usage();
        } else if (a == "--drop-every" && hasValue) {
            dropEvery = std::strtol(argv[++i], nullptr, 10);
            if (dropEvery < 1)
                return Usage();
        } else if (a == "--ipv6") {
            v6 = true;
        } else if (a == "--bad-checksum") {
            badChecksum = true;
        } else if (a == "--count" && hasValue) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else {
            return Usage();
        }
    }

    if (errType == -1)
        errType = v6 ? ICMP6_DST_UNREACH : ICMP_DEST_UNREACH;
    const int fd = v6 ? socket(AF_INET6, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMPV6)
                      : socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        std::perror("echo_responder: raw ICMP socket");
        return 1;
    }
    if (v6) {
        icmp6_filter filter;
        ICMP6_FILTER_SETBLOCKALL(&filter);
        ICMP6_FILTER_SETPASS(ICMP6_ECHO_REQUEST, &filter);
        setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
        const int on = 1;
        setsockopt(fd, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof on);
        setsockopt(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, &on, sizeof on);
    } else {
        icmp_filter filter{};
        filter.data = ~(1u << ICMP_ECHO); // echo requests only
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }

    std::printf("ready\n");
    std::fflush(stdout);

    std::deque<Pending> pending; // due times ascend: one delay for all
    std::vector<std::uint8_t> buf(70000);
    long handled = 0;
    for (;;) {
        const timespec now = Now();
        while (!pending.empty() && !Before(now, pending.front().Due)) {
            Pending& p = pending.front();
            if (v6)
                SendV6(fd, p);
            else if (sendto(fd, p.Packet.data(), p.Packet.size(), 0,
                            reinterpret_cast<sockaddr*>(&p.To), sizeof p.To) < 0)
                std::perror("echo_responder: sendto");
            pending.pop_front();
        }
        if (count >= 0 && handled >= count && pending.empty())
            return 0;
        timespec wait{};
        const timespec* waitPtr = nullptr;
        if (!pending.empty()) {
            const timespec due = pending.front().Due;
            long ns = (due.tv_sec - now.tv_sec) * 1000000000L + (due.tv_nsec - now.tv_nsec);
            if (ns < 0)
                ns = 0;
            wait.tv_sec = ns / 1000000000L;
            wait.tv_nsec = ns % 1000000000L;
            waitPtr = &wait;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ppoll(&pfd, 1, waitPtr, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::perror("echo_responder: ppoll");
            return 1;
        }
        if (ready <= 0)
            continue;
        Pending p{};
        Request rq;
        const ssize_t n = v6 ? ReceiveV6(fd, buf, p, rq) : ReceiveV4(fd, buf, p, rq);
        const timespec arrived = Now();
        if (n < 0)
            continue;
        const std::uint8_t* icmp = rq.Icmp;
        const std::size_t icmpLen = rq.IcmpLen;
        const unsigned id = static_cast<unsigned>(icmp[4] << 8 | icmp[5]);
        const unsigned seq = static_cast<unsigned>(icmp[6] << 8 | icmp[7]);
        ++handled;

        std::string data;
        for (std::size_t i = 8; i < icmpLen && data.size() < 64; ++i)
            data += (icmp[i] >= 0x20 && icmp[i] < 0x7F && icmp[i] != '"')
                        ? static_cast<char>(icmp[i])
                        : '.';
        std::printf("request id=%u seq=%u from=%s ttl=%u df=%d size=%zu data=\"%s\"%s -> ", id, seq,
                    rq.From.c_str(), rq.Ttl, rq.Df, icmpLen - 8, data.c_str(),
                    rq.To.empty() ? "" : (" to=" + rq.To).c_str());

        p.Due = AddMs(arrived, delayMs);
        if (mode == Mode::Drop || (dropEvery > 0 && handled % dropEvery == 0)) {
            std::printf("drop\n");
        } else if (mode == Mode::Reply) {
            p.Packet.assign(icmp, icmp + icmpLen);
            p.Packet[0] = v6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY;
            p.Packet[1] = 0;
            if (!v6)
                SetChecksum(p.Packet);
            if (badChecksum && !v6)
                p.Packet[3] ^= 0x5A;
            pending.push_back(std::move(p));
            std::printf("reply\n");
        } else {
            // Type, code, 4 unused bytes, then the request's IP header and the start of its data.
            p.Packet.assign(8, 0);
            p.Packet[0] = static_cast<std::uint8_t>(errType);
            p.Packet[1] = static_cast<std::uint8_t>(errCode);
            if (v6 && errType == ICMP6_PACKET_TOO_BIG)
                p.Packet[6] = 0x05; // an MTU of 1280
            p.Packet.insert(p.Packet.end(), rq.IpHeader.begin(), rq.IpHeader.end());
            p.Packet.insert(p.Packet.end(), icmp, icmp + std::min<std::size_t>(icmpLen, 64));
            if (!v6)
                SetChecksum(p.Packet);
            pending.push_back(std::move(p));
            std::printf("error %d:%d\n", errType, errCode);
        }
        std::fflush(stdout);
    }
}
