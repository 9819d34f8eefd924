#pragma once
// Reading one received ICMP packet: does it answer our echo request, and what does it say?
// Pure functions over bytes, shared by both socket paths of the ICMP layer (net/IcmpLayer.cpp),
// so that both agree on every packet; they read nothing outside the given range.
#include <cstddef>
#include <cstdint>

// The request a packet must answer.
struct IcmpRequestKey {
    std::uint32_t Target = 0; // destination of the request, network byte order
    std::uint16_t Id = 0;     // echo identifier (a datagram socket's kernel checks it itself)
    std::uint16_t Seq = 0;
};

// What a packet that answers the request says.
struct IcmpAnswer {
    std::uint32_t From = 0;   // the address that answered, network byte order
    std::uint32_t Status = 0; // 0 for an echo reply, else the status of the error message
    std::uint16_t DataSize = 0;
    std::uint8_t Ttl = 0, Tos = 0, Flags = 0; // from the IP header where the packet has one
};

// A packet as a raw ICMP socket receives it: IP header (options included), then the ICMP
// message. True for an echo reply with our identifier and sequence, and for an ICMP error
// message (unreachable, source quench, time exceeded, parameter problem) that quotes our
// request; both only with a correct ICMP checksum, as the kernel checks for datagram sockets.
// A reply may come from another address than the target (0.0.0.0 is answered by 127.0.0.1):
// From says which.
bool ParseRawIcmp(const std::uint8_t* packet, std::size_t size, const IcmpRequestKey& key,
                  IcmpAnswer& out);

// A packet as a datagram ICMP socket receives it: the ICMP message alone, sent by `from` (the
// kernel has matched the identifier). True for an echo reply with our sequence and a correct
// checksum.
bool ParseDatagramIcmp(const std::uint8_t* packet, std::size_t size, std::uint32_t from,
                       const IcmpRequestKey& key, IcmpAnswer& out);

// An entry of a datagram socket's error queue: the quoted request (ICMP header first) that was
// sent to `quotedTarget`, the error message's type and code, and its sender. True when it is
// about our request and names a status of the engine's table.
bool ParseDatagramError(const std::uint8_t* quoted, std::size_t size, std::uint32_t quotedTarget,
                        int type, int code, std::uint32_t offender, const IcmpRequestKey& key,
                        IcmpAnswer& out);

// Status code of an ICMP error message of the given type and code (3 unreachable, 4 source
// quench, 11 time exceeded, 12 parameter problem); 0 for any other type.
int IcmpStatusOfMessage(int type, int code);

// ICMPv6. The kernel hands a raw or datagram ICMPv6 socket the ICMPv6 message alone (no IPv6
// header) and has checked its checksum; the sender comes with the packet.
struct Icmp6RequestKey {
    std::uint8_t Target[16] = {}; // destination of the request
    std::uint16_t Id = 0;
    std::uint16_t Seq = 0;
};

// Raw socket: an echo reply (129) with our identifier and sequence, or an error message
// (unreachable, packet too big, time exceeded, parameter problem) quoting our request.
bool ParseRawIcmp6(const std::uint8_t* message, std::size_t size, const Icmp6RequestKey& key,
                   IcmpAnswer& out);
// Datagram socket: an echo reply with our sequence (the kernel has matched the identifier).
bool ParseDatagramIcmp6(const std::uint8_t* message, std::size_t size, const Icmp6RequestKey& key,
                        IcmpAnswer& out);
// An entry of a datagram socket's error queue: the quoted request (ICMPv6 header first), sent
// to `quotedTarget`, and the error message's type and code.
bool ParseDatagramError6(const std::uint8_t* quoted, std::size_t size,
                         const std::uint8_t* quotedTarget, int type, int code,
                         const Icmp6RequestKey& key, IcmpAnswer& out);
// Status code of an ICMPv6 error message (1 unreachable, 2 packet too big, 3 time exceeded,
// 4 parameter problem); 0 for any other type.
int Icmp6StatusOfMessage(int type, int code);

// Internet checksum of the concatenation of two byte ranges (the first of even length).
std::uint16_t IcmpChecksum(const std::uint8_t* a, std::size_t na, const std::uint8_t* b,
                           std::size_t nb);
