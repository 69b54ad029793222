// The system's synchronous WAV player: returns only when the sound has finished,
// as the race transitions expect.
#pragma once

#include <atomic>
#include <string>

namespace kestro::platform {

// Sound paths keep the Windows form of the settings file ("%SystemRoot%\Media\x.wav");
// elsewhere a backslash is a folder separator.
std::string NativeSoundPath(const std::string& path);

// Plays the WAV file at `path` (a native path) and returns when it has finished,
// or soon after `stop` becomes true. An empty path is the silence call and plays
// nothing. A file that cannot be opened or decoded, or a machine without a sound
// device, plays nothing and reports nothing.
void PlaySoundFile(const std::string& path, const std::atomic<bool>& stop);

}  // namespace kestro::platform
