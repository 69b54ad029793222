// The platform's one sound call: play a WAV file by path, synchronously on the
// calling thread. An empty path is the silence call and plays nothing.
#pragma once

#include <string>

namespace kestro {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const std::string& path) = 0;
};

// Plays nothing at all (replay with sounds off).
class NullSoundPlayer final : public SoundPlayer {
public:
    void Play(const std::string&) override {}
};

}  // namespace kestro
