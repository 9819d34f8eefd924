#pragma once
// The Linux layer that stands in for the system ICMP service of 32-bit Windows (icmp.dll:
// IcmpCreateFile, IcmpSendEcho, IcmpCloseHandle).
//
// `IcmpLayer` is the seam the echo engine (TICMP, net/icmp.h) talks to: one echo exchange, sent
// and waited for on the calling thread. The real implementation (OpenIcmpLayer) is a Linux ICMP
// socket, opened once and reused for every exchange:
//  - a datagram ICMP socket (SOCK_DGRAM, IPPROTO_ICMP) when net.ipv4.ping_group_range admits
//    the process's group; the kernel then picks the echo identifier and delivers only replies
//    to it, which are matched on sequence number and source address; ICMP error messages come
//    through the socket's error queue (IP_RECVERR);
//  - else a raw ICMP socket (needs CAP_NET_RAW), which sees every ICMP packet: replies are
//    matched on identifier, sequence and source, error messages on the request they quote.
// The TTL goes through IP_TTL, the don't-fragment flag 0x02 through IP_MTU_DISCOVER (DO when
// set, DONT when clear). Waiting is poll on the monotonic clock up to a fixed deadline; packets
// that do not belong to the request are ignored without extending that deadline.
// IPv6 destinations go through a second socket of the same kind, opened beside the first:
// ICMPv6 echo (types 128/129) with the hop limit through IPV6_UNICAST_HOPS, don't-fragment
// through IPV6_MTU_DISCOVER, errors through IPV6_RECVERR on the datagram socket, and on the raw
// one an ICMP6_FILTER plus a kernel filter on our identifier. A system without IPv6 still pings
// IPv4 hosts; an IPv6 echo there fails with "Destination network unreachable".
#include "net/IcmpReply.h"
#include "net/IpAddress.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

// Status codes of the echo engine's table (the IP_STATUS codes of the Windows ICMP service).
namespace IcmpStatus {
constexpr int Success = 0;
constexpr int BufTooSmall = 11001;
constexpr int DestNetUnreachable = 11002;
constexpr int DestHostUnreachable = 11003;
constexpr int DestProtUnreachable = 11004;
constexpr int DestPortUnreachable = 11005;
constexpr int NoResources = 11006;
constexpr int BadOption = 11007;
constexpr int HwError = 11008;
constexpr int PacketTooBig = 11009;
constexpr int ReqTimedOut = 11010;
constexpr int BadReq = 11011;
constexpr int BadRoute = 11012;
constexpr int TtlExpiredTransit = 11013;
constexpr int TtlExpiredReassembly = 11014;
constexpr int ParamProblem = 11015;
constexpr int SourceQuench = 11016;
constexpr int OptionTooBig = 11017;
constexpr int BadDestination = 11018;
constexpr int AddrDeleted = 11019;
constexpr int SpecMtuChange = 11020;
constexpr int MtuChange = 11021;
constexpr int GeneralFailure = 11050;
constexpr int Pending = 11255;
} // namespace IcmpStatus

enum class IcmpSocketKind { Auto, Datagram, Raw };

// One echo request as handed to the layer.
struct IcmpEchoParams {
    std::uint32_t Address = 0; // destination, network byte order (IPv4)
    bool V6 = false;           // the destination is Address6 instead
    Ip6Address Address6;
    const std::uint8_t* Data = nullptr; // request data (Size bytes)
    std::uint16_t Size = 0;
    std::uint8_t Ttl = 64;
    std::uint8_t Flags = 0;                         // IP header flags; 0x02 = don't fragment
    std::chrono::steady_clock::time_point Deadline; // give up when the reply is not in by then
    int CancelFd = -1; // when readable, the wait ends at once as a time-out (the caller gave up)
};

// What came back. Replies 1 with Status 0 is an echo reply; Replies 1 with a non-zero Status is
// an ICMP error message (unreachable, time exceeded, parameter problem, source quench) that
// quoted the request, sent by From; Replies 0 is a failed send, Error telling why (11010 for a
// time-out).
struct IcmpEchoResult {
    int Replies = 0;
    int Error = 0;            // 0, or a status code for Replies 0
    std::uint32_t From = 0;   // replying address, network byte order (IPv4)
    Ip6Address From6;         // replying address of an IPv6 echo
    std::uint32_t Status = 0; // status of the reply
    // Time from just before the send to the reply's arrival, in ns; -1 none. Measured on the
    // monotonic clock around send and receive, its end narrowed to the kernel's arrival stamp of
    // the reply when that stamp lies inside the monotonic bracket (see IcmpLayer.cpp).
    std::int64_t RoundTripNs = -1;
    std::uint16_t DataSize = 0;               // data bytes in the reply
    std::uint8_t Ttl = 0, Tos = 0, Flags = 0; // from the reply's IP header where known
                                              // (for IPv6: hop limit, traffic class, 0)
};

class IcmpLayer {
public:
    virtual ~IcmpLayer();
    virtual IcmpSocketKind Kind() const = 0;
    // Sends one echo request and waits until its reply or the deadline. `receiveArea` is scratch
    // for the incoming packet, at least IcmpReceiveAreaSize(p.Size) bytes.
    virtual IcmpEchoResult Echo(const IcmpEchoParams& p, std::uint8_t* receiveArea,
                                std::size_t receiveSize) = 0;
};

// Bytes of scratch an echo of `size` data bytes needs to receive its reply (IP header, ICMP
// header, data) or an ICMP error message about it (at most 576 bytes).
std::size_t IcmpReceiveAreaSize(std::size_t size);

// Opens the real layer. Auto tries the datagram socket first, then the raw one. Returns null
// when no socket of the asked kind can be opened, with the last errno in *error.
std::unique_ptr<IcmpLayer> OpenIcmpLayer(IcmpSocketKind kind = IcmpSocketKind::Auto,
                                         int* error = nullptr);
