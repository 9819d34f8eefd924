// Any bytes, read as one datagram of the kernel's route netlink notices, are either refused or
// counted, never read beyond; well-formed counts never exceed what the bytes can hold.
#include "net/NetlinkChange.h"

#include <cstdlib>
#include <linux/netlink.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NetlinkChanges c;
    ParseNetlinkChanges(data, size, c);
    const long messages = long(c.Links) + c.Addresses + c.Routes + c.Others;
    if (messages < 0 || std::size_t(messages) * NLMSG_HDRLEN > size)
        std::abort();
    return 0;
}
