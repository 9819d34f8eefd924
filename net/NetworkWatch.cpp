#include "net/NetworkWatch.h"

#include "net/NetlinkChange.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

TNetworkWatch::TNetworkWatch(QObject* parent) : QObject(parent)
{
    FSettle.setSingleShot(true);
    FSettle.setInterval(kSettleMs);
    connect(&FSettle, &QTimer::timeout, this, &TNetworkWatch::Changed);
    FFd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR |
                      RTMGRP_IPV6_ROUTE;
    if (FFd < 0 || ::bind(FFd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        FError = QStringLiteral("network changes cannot be watched: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
        return;
    }
    FNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TNetworkWatch::Read);
}

TNetworkWatch::~TNetworkWatch()
{
    delete FNotifier;
    if (FFd >= 0)
        ::close(FFd);
}

void TNetworkWatch::Read()
{
    bool changed = false;
    alignas(nlmsghdr) std::uint8_t buffer[16384];
    for (;;) {
        sockaddr_nl from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(FFd, buffer, sizeof buffer, 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOBUFS) { // notices were lost
                changed = true;
                continue;
            }
            break; // EAGAIN: all read
        }
        if (from.nl_pid != 0)
            continue; // only the kernel's notices count
        NetlinkChanges c;
        // A datagram that is not well-formed still said something changed up to its fault.
        ParseNetlinkChanges(buffer, std::size_t(n), c);
        changed = changed || c.Any();
    }
    if (changed)
        FSettle.start();
}
