#pragma once
// The name a reverse lookup gives an address (getnameinfo with NI_NAMEREQD): blocking, so the
// diagnosis window runs it on a thread of its own and shows only names that come in time.
#include "net/IpAddress.h"

#include <string>

// "" when the address has no name.
std::string ReverseName(const HostAddress& address);
