#pragma once
#include <QString>
#include <functional>

// Asynchronous playback of a wave file: returns at once, the user interface never waits. A
// missing file plays the desktop's default alert instead. A sound that cannot be played (no
// player, no sound device) plays the desktop's beep, and the first time in a run a notice on
// screen says why.
//
// The player is the first of aplay, paplay and pw-play found on the PATH. The environment
// variable ZMPING2_SOUND_PLAYER names another command to use instead (tests point it at a
// script that records each request); it gets the file's path as its last argument.
void PlaySoundAsync(const QString& path);

// Replaces playback (tests record the requested paths); an empty hook restores it.
void SetSoundHook(std::function<void(const QString& path)> hook);

// The directory of the running executable, with its trailing separator.
QString ExecutableDirectory();

// Where the program finds a data file of its own (the alarm sound): beside the executable, as
// in the build folder; else in the data folder of the prefix it is installed under
// (<prefix>/share/ZmPing2/); else in the desktop's data folders (XDG_DATA_HOME, XDG_DATA_DIRS,
// under ZmPing2/). When it is nowhere, the path beside the executable, whose absence then plays
// the default alert.
QString FindDataFile(const QString& Name);
