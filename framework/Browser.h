#pragma once
#include <QString>

// Opens a web host's address in the user's default browser. A bare host name becomes an
// http address. Returns whether the desktop accepted the request.
bool OpenBrowser(const QString& host);

// Shows a folder in the user's file manager (through xdg-open). When there is none, or it
// fails, a notice says so and gives the folder's path, selectable, so it can be opened by hand.
void OpenFolderOrSay(const QString& folder);
