#pragma once
// The name NetworkManager gives the connection active on an interface (its id, e.g. the Wi-Fi
// network's name), asked over the system bus. Empty where NetworkManager does not run, knows
// no such interface or has no connection active on it. Each call waits for the service at
// most kTimeoutMs per question, so a hung service costs a moment, never the program.
#include <QString>

inline constexpr int kConnectionNameTimeoutMs = 500;

QString ConnectionName(const QString& interfaceName);
