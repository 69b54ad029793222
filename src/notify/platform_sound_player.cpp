#include "notify/platform_sound_player.h"

#include "platform/sound.h"

namespace kestro {

std::string NativeSoundPath(const std::string& path) {
    return platform::NativeSoundPath(path);
}

void PlatformSoundPlayer::Play(const std::string& path) {
    stopRequested_.store(false);
    platform::PlaySoundFile(NativeSoundPath(path), stopRequested_);
}

}  // namespace kestro
