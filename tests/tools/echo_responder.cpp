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
//   --count N            exits after handling N requests (default: runs until killed).
// It prints "ready" on standard output once its socket is open, then one line per request:
// request id=I seq=S from=A ttl=T df=0|1 size=N data="<first 64 data bytes>" -> reply|drop|error
// T:C (TTL and the don't-fragment bit as the request arrived; '.' for unprintable data bytes).
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
    std::vector<std::uint8_t> Packet; // whole ICMP message to send
};

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

int Usage()
{
    std::fprintf(stderr, "usage: echo_responder [--delay-ms N] [--drop] [--unreachable CODE] "
                         "[--error TYPE:CODE] [--drop-every N] [--bad-checksum] [--count N]\n");
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
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--delay-ms" && hasValue) {
            delayMs = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--drop") {
            mode = Mode::Drop;
        } else if (a == "--unreachable" && hasValue) {
            mode = Mode::Error;
            errType = 3;
            errCode = std::atoi(argv[++i]);
        } else if (a == "--error" && hasValue) {
            mode = Mode::Error;
            if (std::sscanf(argv[++i], "%d:%d", &errType, &errCode) != 2)
                return Usage();
        } else if (a == "--drop-every" && hasValue) {
            dropEvery = std::strtol(argv[++i], nullptr, 10);
            if (dropEvery < 1)
                return Usage();
        } else if (a == "--bad-checksum") {
            badChecksum = true;
        } else if (a == "--count" && hasValue) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else {
            return Usage();
        }
    }

    const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        std::perror("echo_responder: raw ICMP socket");
        return 1;
    }
    icmp_filter filter{};
    filter.data = ~(1u << ICMP_ECHO); // echo requests only
    setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);

    std::printf("ready\n");
    std::fflush(stdout);

    std::deque<Pending> pending; // due times ascend: one delay for all
    std::vector<std::uint8_t> buf(70000);
    long handled = 0;
    for (;;) {
        const timespec now = Now();
        while (!pending.empty() && !Before(now, pending.front().Due)) {
            Pending& p = pending.front();
            if (sendto(fd, p.Packet.data(), p.Packet.size(), 0, reinterpret_cast<sockaddr*>(&p.To),
                       sizeof p.To) < 0)
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
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n =
            recvfrom(fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        const timespec arrived = Now();
        if (n < 20)
            continue;
        const std::size_t ihl = (buf[0] & 0x0F) * 4u;
        if (ihl < 20 || static_cast<std::size_t>(n) < ihl + 8 || buf[ihl] != ICMP_ECHO)
            continue;
        const std::uint8_t* icmp = buf.data() + ihl;
        const std::size_t icmpLen = static_cast<std::size_t>(n) - ihl;
        const unsigned id = static_cast<unsigned>(icmp[4] << 8 | icmp[5]);
        const unsigned seq = static_cast<unsigned>(icmp[6] << 8 | icmp[7]);
        char fromText[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, fromText, sizeof fromText);
        ++handled;

        const unsigned ttl = buf[8];
        const int df = (buf[6] & 0x40) ? 1 : 0;
        std::string data;
        for (std::size_t i = 8; i < icmpLen && data.size() < 64; ++i)
            data += (icmp[i] >= 0x20 && icmp[i] < 0x7F && icmp[i] != '"')
                        ? static_cast<char>(icmp[i])
                        : '.';
        std::printf("request id=%u seq=%u from=%s ttl=%u df=%d size=%zu data=\"%s\" -> ", id, seq,
                    fromText, ttl, df, icmpLen - 8, data.c_str());

        Pending p;
        p.To = from;
        p.Due = AddMs(arrived, delayMs);
        if (mode == Mode::Drop || (dropEvery > 0 && handled % dropEvery == 0)) {
            std::printf("drop\n");
        } else if (mode == Mode::Reply) {
            p.Packet.assign(icmp, icmp + icmpLen);
            p.Packet[0] = ICMP_ECHOREPLY;
            p.Packet[1] = 0;
            SetChecksum(p.Packet);
            if (badChecksum)
                p.Packet[3] ^= 0x5A;
            pending.push_back(std::move(p));
            std::printf("reply\n");
        } else {
            // Type, code, 4 unused bytes, then the request's IP header and the start of its data.
            const std::size_t quoted = ihl + std::min<std::size_t>(icmpLen, 64);
            p.Packet.assign(8, 0);
            p.Packet[0] = static_cast<std::uint8_t>(errType);
            p.Packet[1] = static_cast<std::uint8_t>(errCode);
            p.Packet.insert(p.Packet.end(), buf.data(), buf.data() + quoted);
            SetChecksum(p.Packet);
            pending.push_back(std::move(p));
            std::printf("error %d:%d\n", errType, errCode);
        }
        std::fflush(stdout);
    }
}
