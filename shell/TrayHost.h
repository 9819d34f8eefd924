#pragma once

// The StatusNotifierItem tray of Wayland panels (and of some X11 desktops) is a service on the
// session bus: its watcher.

// A watcher is registered on the session bus now.
bool StatusNotifierHostPresent();

// At log-in the program may start before the panel. Qt settles on the kind of tray once, when
// the first tray icon is made, and on Wayland only a watcher present then gives the program a
// tray; so a program that is to start in the tray waits here, before making its windows, up to
// Ms milliseconds for the watcher. It returns at once where there is nothing to wait for: on
// X11 (whose classic trays Qt follows as they come and go), without a session bus, or when the
// watcher is there. True when a watcher is there.
bool WaitForTrayHost(int Ms);
