// The platform's synchronous WAV player (platform/sound.h) as the sound player
// of the events: returns only when the sound has finished, as the race
// transitions expect.
#pragma once

#include <atomic>
#include <string>

#include "notify/sound_player.h"

namespace kestro {

class PlatformSoundPlayer final : public SoundPlayer {
public:
    // A file that cannot be opened or decoded, or a machine without a sound
    // device, plays nothing and reports nothing.
    void Play(const std::string& path) override;

    // Ends a playback in progress early; callable from any thread.
    void Stop() { stopRequested_.store(true); }

private:
    std::atomic<bool> stopRequested_{false};
};

// Sound paths keep the Windows form of the settings file ("%SystemRoot%\Media\x.wav");
// on Linux a backslash is a folder separator.
std::string NativeSoundPath(const std::string& path);

}  // namespace kestro
