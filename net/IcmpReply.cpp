#include "net/IcmpReply.h"

#include "net/IcmpLayer.h"

#include <cstring>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>

namespace {

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::size_t kIcmpHeader = 8;
constexpr std::size_t kIpHeader = 20; // without options

std::uint16_t Get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::uint32_t Get32Raw(const std::uint8_t* p) // network byte order kept
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool IsIcmpError(std::uint8_t type)
{
    return type == ICMP_DEST_UNREACH || type == ICMP_SOURCE_QUENCH || type == ICMP_TIME_EXCEEDED ||
           type == ICMP_PARAMETERPROB;
}

// The length of the IP header at p (options included), or 0 when there is no whole one.
std::size_t IpHeaderLength(const std::uint8_t* p, std::size_t size)
{
    if (size < kIpHeader || (p[0] >> 4) != 4)
        return 0;
    const std::size_t ihl = (p[0] & 0x0F) * 4u;
    return ihl >= kIpHeader && ihl <= size ? ihl : 0;
}

// Whether an echo request's ICMP header (as quoted by an error message) is ours.
bool QuotesOurRequest(const std::uint8_t* quoted, std::size_t size, const IcmpRequestKey& key,
                      bool checkId)
{
    return size >= kIcmpHeader && quoted[0] == kEchoRequest &&
           (!checkId || Get16(quoted + 4) == key.Id) && Get16(quoted + 6) == key.Seq;
}

// The request to 0.0.0.0 goes to a local address; otherwise the quoted target must be ours.
bool SameTarget(std::uint32_t quotedTarget, const IcmpRequestKey& key)
{
    return key.Target == INADDR_ANY || quotedTarget == key.Target;
}

constexpr std::size_t kIp6Header = 40;

bool IsUnspecified6(const std::uint8_t* a)
{
    for (int i = 0; i < 16; ++i)
        if (a[i] != 0)
            return false;
    return true;
}

// The request to :: goes to a local address; otherwise the quoted target must be ours.
bool SameTarget6(const std::uint8_t* quotedTarget, const Icmp6RequestKey& key)
{
    return IsUnspecified6(key.Target) || std::memcmp(quotedTarget, key.Target, 16) == 0;
}

bool QuotesOurRequest6(const std::uint8_t* quoted, std::size_t size, const Icmp6RequestKey& key,
                       bool checkId)
{
    return size >= kIcmpHeader && quoted[0] == ICMP6_ECHO_REQUEST &&
           (!checkId || Get16(quoted + 4) == key.Id) && Get16(quoted + 6) == key.Seq;
}

} // namespace

bool ParseRawIcmp6(const std::uint8_t* m, std::size_t size, const Icmp6RequestKey& key,
                   IcmpAnswer& out)
{
    if (size < kIcmpHeader)
        return false;
    IcmpAnswer a;
    if (m[0] == ICMP6_ECHO_REPLY) {
        if (Get16(m + 4) != key.Id || Get16(m + 6) != key.Seq)
            return false;
        a.DataSize = static_cast<std::uint16_t>(size - kIcmpHeader);
    } else {
        const int status = Icmp6StatusOfMessage(m[0], m[1]);
        // The message quotes the IPv6 header and the start of the packet it is about; a request
        // with extension headers is never sent, so the ICMPv6 header follows the IPv6 one.
        const std::uint8_t* inner = m + kIcmpHeader;
        const std::size_t innerSize = size - kIcmpHeader;
        if (status == 0 || innerSize < kIp6Header || (inner[0] >> 4) != 6 ||
            inner[6] != IPPROTO_ICMPV6 || !SameTarget6(inner + 24, key) ||
            !QuotesOurRequest6(inner + kIp6Header, innerSize - kIp6Header, key, true))
            return false;
        a.Status = static_cast<std::uint32_t>(status);
    }
    out = a;
    return true;
}

bool ParseDatagramIcmp6(const std::uint8_t* m, std::size_t size, const Icmp6RequestKey& key,
                        IcmpAnswer& out)
{
    if (size < kIcmpHeader || m[0] != ICMP6_ECHO_REPLY || Get16(m + 6) != key.Seq)
        return false;
    IcmpAnswer a;
    a.DataSize = static_cast<std::uint16_t>(size - kIcmpHeader);
    out = a;
    return true;
}

bool ParseDatagramError6(const std::uint8_t* quoted, std::size_t size,
                         const std::uint8_t* quotedTarget, int type, int code,
                         const Icmp6RequestKey& key, IcmpAnswer& out)
{
    if (!QuotesOurRequest6(quoted, size, key, false) || !SameTarget6(quotedTarget, key))
        return false;
    const int status = Icmp6StatusOfMessage(type, code);
    if (status == 0)
        return false;
    IcmpAnswer a;
    a.Status = static_cast<std::uint32_t>(status);
    out = a;
    return true;
}

int Icmp6StatusOfMessage(int type, int code)
{
    switch (type) {
    case ICMP6_DST_UNREACH:
        switch (code) {
        case ICMP6_DST_UNREACH_NOROUTE:
            return IcmpStatus::DestNetUnreachable;
        case ICMP6_DST_UNREACH_NOPORT:
            return IcmpStatus::DestPortUnreachable;
        case 6: // reject route to destination
            return IcmpStatus::BadRoute;
        default: // administratively prohibited, beyond scope, address unreachable, policy ...
            return IcmpStatus::DestHostUnreachable;
        }
    case ICMP6_PACKET_TOO_BIG:
        return IcmpStatus::PacketTooBig;
    case ICMP6_TIME_EXCEEDED:
        return code == ICMP6_TIME_EXCEED_REASSEMBLY ? IcmpStatus::TtlExpiredReassembly
                                                    : IcmpStatus::TtlExpiredTransit;
    case ICMP6_PARAM_PROB:
        switch (code) {
        case ICMP6_PARAMPROB_NEXTHEADER: // what IPv4 calls protocol unreachable
            return IcmpStatus::DestProtUnreachable;
        case ICMP6_PARAMPROB_OPTION:
            return IcmpStatus::BadOption;
        default:
            return IcmpStatus::ParamProblem;
        }
    default:
        return 0;
    }
}

bool ParseRawIcmp(const std::uint8_t* packet, std::size_t size, const IcmpRequestKey& key,
                  IcmpAnswer& out)
{
    const std::size_t ihl = IpHeaderLength(packet, size);
    if (ihl == 0 || size < ihl + kIcmpHeader)
        return false;
    const std::uint8_t* icmp = packet + ihl;
    const std::size_t icmpSize = size - ihl;
    IcmpAnswer a;
    if (icmp[0] == kEchoReply) {
        if (Get16(icmp + 4) != key.Id || Get16(icmp + 6) != key.Seq)
            return false;
        a.DataSize = static_cast<std::uint16_t>(icmpSize - kIcmpHeader);
        a.Status = IcmpStatus::Success;
    } else if (IsIcmpError(icmp[0])) {
        // The message quotes the IP header and the first 8 bytes of the packet it is about.
        const std::uint8_t* inner = icmp + kIcmpHeader;
        const std::size_t innerSize = icmpSize - kIcmpHeader;
        const std::size_t innerIhl = IpHeaderLength(inner, innerSize);
        if (innerIhl == 0 || inner[9] != IPPROTO_ICMP || !SameTarget(Get32Raw(inner + 16), key) ||
            !QuotesOurRequest(inner + innerIhl, innerSize - innerIhl, key, true))
            return false;
        a.Status = static_cast<std::uint32_t>(IcmpStatusOfMessage(icmp[0], icmp[1]));
    } else {
        return false;
    }
    if (IcmpChecksum(icmp, 0, icmp, icmpSize) != 0)
        return false; // damaged on the way: not an answer, as on a datagram socket
    a.From = Get32Raw(packet + 12);
    a.Tos = packet[1];
    a.Ttl = packet[8];
    a.Flags = static_cast<std::uint8_t>(packet[6] >> 5);
    out = a;
    return true;
}

bool ParseDatagramIcmp(const std::uint8_t* packet, std::size_t size, std::uint32_t from,
                       const IcmpRequestKey& key, IcmpAnswer& out)
{
    if (size < kIcmpHeader || packet[0] != kEchoReply || Get16(packet + 6) != key.Seq)
        return false;
    // The kernel takes a loopback packet's checksum on trust: check it here too.
    if (IcmpChecksum(packet, 0, packet, size) != 0)
        return false;
    IcmpAnswer a;
    a.From = from;
    a.Status = IcmpStatus::Success;
    a.DataSize = static_cast<std::uint16_t>(size - kIcmpHeader);
    out = a;
    return true;
}

bool ParseDatagramError(const std::uint8_t* quoted, std::size_t size, std::uint32_t quotedTarget,
                        int type, int code, std::uint32_t offender, const IcmpRequestKey& key,
                        IcmpAnswer& out)
{
    // The kernel rewrites the identifier of a datagram socket's requests: only the sequence
    // tells ours apart.
    if (!QuotesOurRequest(quoted, size, key, false) || !SameTarget(quotedTarget, key))
        return false;
    const int status = IcmpStatusOfMessage(type, code);
    if (status == 0)
        return false;
    IcmpAnswer a;
    a.From = offender;
    a.Status = static_cast<std::uint32_t>(status);
    out = a;
    return true;
}

int IcmpStatusOfMessage(int type, int code)
{
    switch (type) {
    case ICMP_DEST_UNREACH:
        switch (code) {
        case ICMP_NET_UNREACH:
        case ICMP_NET_UNKNOWN:
        case ICMP_NET_ANO:
        case ICMP_NET_UNR_TOS:
            return IcmpStatus::DestNetUnreachable;
        case ICMP_PROT_UNREACH:
            return IcmpStatus::DestProtUnreachable;
        case ICMP_PORT_UNREACH:
            return IcmpStatus::DestPortUnreachable;
        case ICMP_FRAG_NEEDED:
            return IcmpStatus::PacketTooBig;
        case ICMP_SR_FAILED:
            return IcmpStatus::BadRoute;
        default: // host unreachable, unknown, isolated, prohibited, precedence ...
            return IcmpStatus::DestHostUnreachable;
        }
    case ICMP_SOURCE_QUENCH:
        return IcmpStatus::SourceQuench;
    case ICMP_TIME_EXCEEDED:
        return code == ICMP_EXC_FRAGTIME ? IcmpStatus::TtlExpiredReassembly
                                         : IcmpStatus::TtlExpiredTransit;
    case ICMP_PARAMETERPROB:
        return IcmpStatus::ParamProblem;
    default:
        return 0;
    }
}

std::uint16_t IcmpChecksum(const std::uint8_t* a, std::size_t na, const std::uint8_t* b,
                           std::size_t nb)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < na; i += 2)
        sum += Get16(a + i);
    std::size_t i = 0;
    for (; i + 1 < nb; i += 2)
        sum += Get16(b + i);
    if (i < nb)
        sum += static_cast<std::uint32_t>(b[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}
