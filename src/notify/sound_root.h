// The folder that stands for "%SystemRoot%" in sound paths on Linux: the one
// holding Kestro's own Media/notify.wav and the other default sounds, so that
// the default paths name files that exist.
#pragma once

#include <string>

namespace kestro {

// <folder of the executable>/sounds when it holds the sounds (the build tree),
// otherwise the data folder of the prefix the executable is installed in
// (<folder>/../share/kestro/sounds) when it holds them, otherwise the data
// folder of the configured prefix. On Windows: the "windir" folder.
std::string KestroSoundRoot();

// The folder of the sounds that come with Kestro itself (the reminders'),
// "%KestroSounds%" in their paths: on Linux the same folder as KestroSoundRoot;
// on Windows the "sounds" folder beside the program, since the system's
// Media folder holds only the system's sounds.
std::string KestroOwnSoundRoot();

// The same decision for a given executable folder, for tests.
std::string KestroSoundRootFor(const std::string& exeDir);

}  // namespace kestro
