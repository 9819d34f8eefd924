// Any bytes, read as a raw socket's packet, a datagram socket's packet or a datagram socket's
// error-queue entry, of ICMP or ICMPv6, are either refused or read into an answer that stays
// within the packet. The first bytes choose the request key and the error's type and code.
#include "net/IcmpReply.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    IcmpRequestKey key;
    key.Id = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    key.Seq = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
    key.Target = data[4] & 1 ? 0 : 0x0100007Fu; // 0.0.0.0 or 127.0.0.1
    const int type = data[5];
    const int code = data[6];
    const bool withKey = data[7] & 1;
    data += 8;
    size -= 8;
    if (withKey && size >= 28) { // let the packet carry the key where it is looked for
        key.Id = static_cast<std::uint16_t>(data[24] << 8 | data[25]);
        key.Seq = static_cast<std::uint16_t>(data[26] << 8 | data[27]);
    }

    IcmpAnswer a;
    if (ParseRawIcmp(data, size, key, a)) {
        if (size < 28 || a.DataSize > size - 28)
            std::abort();
        if (a.Status == 0 && (data[(data[0] & 0x0F) * 4] != 0))
            std::abort(); // an answer with status 0 is an echo reply
    }
    if (ParseDatagramIcmp(data, size, 0x0200007Fu, key, a)) {
        if (size < 8 || a.DataSize != size - 8 || a.Status != 0 || a.From != 0x0200007Fu)
            std::abort();
    }
    if (ParseDatagramError(data, size, key.Target, type, code, 0x0300007Fu, key, a)) {
        if (a.Status == 0 || a.DataSize != 0 || a.From != 0x0300007Fu)
            std::abort();
    }

    // ICMPv6: the message alone. The key's target is :: or ::1.
    Icmp6RequestKey key6;
    key6.Id = key.Id;
    key6.Seq = key.Seq;
    key6.Target[15] = key.Target ? 1 : 0;
    if (withKey && size >= 56) { // where an error message quotes the request
        key6.Id = static_cast<std::uint16_t>(data[52] << 8 | data[53]);
        key6.Seq = static_cast<std::uint16_t>(data[54] << 8 | data[55]);
        std::memcpy(key6.Target, data + 32, 16);
    }
    if (ParseRawIcmp6(data, size, key6, a)) {
        if (size < 8 || a.DataSize > size - 8 || (a.Status == 0) != (data[0] == 129))
            std::abort();
        if (a.Status != 0 && size < 56)
            std::abort(); // an error message must quote the IPv6 header and our request
    }
    if (ParseDatagramIcmp6(data, size, key6, a)) {
        if (size < 8 || a.DataSize != size - 8 || a.Status != 0)
            std::abort();
    }
    if (ParseDatagramError6(data, size, key6.Target, type, code, key6, a)) {
        if (a.Status == 0 || a.DataSize != 0 || Icmp6StatusOfMessage(type, code) == 0)
            std::abort();
    }
    return 0;
}
