#pragma once
#include <QString>

// Opens a web host's address in the user's default browser. A bare host name becomes an
// http address. Returns whether the desktop accepted the request.
bool OpenBrowser(const QString& host);
