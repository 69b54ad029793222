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

// The same decision for a given executable folder, for tests.
std::string KestroSoundRootFor(const std::string& exeDir);

}  // namespace kestro
