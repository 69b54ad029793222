// What kestro-replay does differently by platform, one file for each chosen by
// CMake (replay_posix.cpp, replay_win32.cpp): the window replay is a Qt program
// and Kestro for Windows has no Qt; on Windows the capture library is loaded at
// run time and may be missing or incomplete, and the console has a code page.
#pragma once

#include "replay/replay_options.h"

namespace kestro {

// Whether this platform has the window replay (kestro-replay-gui): --gui and --speed.
bool HasWindowReplay();

// Before the capture is read. With --gui, kestro-replay-gui runs in this
// process's place (found beside it, with the same arguments).
// On Windows: exits with status 2 and the reason when no capture driver is
// installed. From then on, a call of a capture function that the installed
// wpcap.dll does not implement (Wine's reads no capture files) ends the replay
// with status 2 and the reason instead of a crash. And since the output is
// UTF-8, a console that standard output writes to shows UTF-8 until the program ends.
void PrepareReplay(const ReplayOptions& options, char** argv);

}  // namespace kestro
