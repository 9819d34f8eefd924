#include "net/NetlinkChange.h"

#include <algorithm>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

bool ParseNetlinkChanges(const std::uint8_t* data, std::size_t size, NetlinkChanges& out)
{
    std::size_t at = 0;
    while (size - at >= sizeof(nlmsghdr)) {
        nlmsghdr h;
        std::memcpy(&h, data + at, sizeof h); // the datagram need not be aligned for us
        if (h.nlmsg_len < sizeof(nlmsghdr) || h.nlmsg_len > size - at)
            return false;
        const std::uint8_t* body = data + at + NLMSG_HDRLEN;
        const std::size_t bodySize = h.nlmsg_len - std::min<std::size_t>(h.nlmsg_len, NLMSG_HDRLEN);
        switch (h.nlmsg_type) {
        case RTM_NEWLINK:
        case RTM_DELLINK:
            if (bodySize < sizeof(ifinfomsg))
                return false;
            ++out.Links;
            break;
        case RTM_NEWADDR:
        case RTM_DELADDR:
            if (bodySize < sizeof(ifaddrmsg))
                return false;
            ++out.Addresses;
            break;
        case RTM_NEWROUTE:
        case RTM_DELROUTE: {
            if (bodySize < sizeof(rtmsg))
                return false;
            rtmsg r;
            std::memcpy(&r, body, sizeof r);
            if (r.rtm_flags & RTM_F_CLONED)
                ++out.Others;
            else
                ++out.Routes;
            break;
        }
        default:
            ++out.Others;
        }
        // The next message starts at the aligned end of this one (the last may lack padding).
        const std::size_t next = NLMSG_ALIGN(std::size_t(h.nlmsg_len));
        if (next >= size - at)
            return true;
        at += next;
    }
    return at == size; // bytes left that hold no header
}
