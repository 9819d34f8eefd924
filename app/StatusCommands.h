#pragma once
class TAnaF;
class TAyarF;
class TSingleInstance;

// The running copy's answers for scripts and status bars over the single-copy channel:
// "status" (one line of JSON), "follow" (that of the status bar, now and after every sample)
// and "ping" (a cycle now, as if the user pressed Ping). The windows must outlive the channel.
void InstallStatusCommands(TSingleInstance& Channel, TAnaF* Main, TAyarF* Settings);
