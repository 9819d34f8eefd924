#pragma once
#include <QString>

// The folder that holds the program's own files (registry file, bare-named profile files):
// $XDG_CONFIG_HOME/ZmPing2, or ~/.config/ZmPing2 when XDG_CONFIG_HOME is unset or empty.
// The folder is not created here; writers create it when they first need it.
QString ConfigFolder();
